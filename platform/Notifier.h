#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace scribeon {

// A passing desktop notification from the tray program.
class Notifier {
public:
    virtual ~Notifier() = default;
    // `shownFor`: how long it stays up; absent leaves it to the desktop.
    virtual void notify(const std::string& title, const std::string& message,
                        std::optional<std::chrono::milliseconds> shownFor) = 0;
};

} // namespace scribeon
