#pragma once

#include "platform/RunningApplication.h"
#include "wire/Records.h"

#include <functional>
#include <optional>
#include <string>

namespace scribeon {

// The result panel with Copy and Replace.
class ResultPresenter {
public:
    virtual ~ResultPresenter() = default;
    virtual void show(ProcessResult result, std::optional<RunningApplication> sourceApp,
                      std::optional<std::string> message) = 0;
};

} // namespace scribeon
