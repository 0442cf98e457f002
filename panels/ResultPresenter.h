#pragma once

#include "panels/ResultRun.h"
#include "platform/RunningApplication.h"

#include <functional>
#include <optional>
#include <string>

namespace scribeon {

// The result panel with Copy and Replace, and Stop while the run writes.
class ResultPresenter {
public:
    virtual ~ResultPresenter() = default;
    virtual void show(std::shared_ptr<ResultRun> run, std::optional<RunningApplication> sourceApp,
                      std::optional<std::string> message) = 0;
};

} // namespace scribeon
