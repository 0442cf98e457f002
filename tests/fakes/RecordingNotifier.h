#pragma once

#include "platform/Notifier.h"

#include <utility>
#include <vector>

namespace scribeon {

struct RecordingNotifier : Notifier {
    void notify(const std::string& title, const std::string& message,
                std::optional<std::chrono::milliseconds> shownFor) override {
        shown.emplace_back(title, message);
        durations.push_back(shownFor);
    }
    std::vector<std::pair<std::string, std::string>> shown;
    std::vector<std::optional<std::chrono::milliseconds>> durations;
};

} // namespace scribeon
