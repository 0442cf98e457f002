#pragma once

#include <string>

namespace scribeon {

// A passing desktop notification from the tray program.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const std::string& title, const std::string& message) = 0;
};

} // namespace scribeon
