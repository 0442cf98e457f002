#pragma once

#include "platform/Notifier.h"

#include <utility>
#include <vector>

namespace scribeon {

struct RecordingNotifier : Notifier {
    void notify(const std::string& title, const std::string& message) override {
        shown.emplace_back(title, message);
    }
    std::vector<std::pair<std::string, std::string>> shown;
};

} // namespace scribeon
