#pragma once

#include <string>

namespace scribeon {

// One diagnostic line per notable step of capture and replacement. The line
// arrives without the "[Scribeon] " prefix; the adapter adds it.
class DiagnosticLog {
public:
    virtual ~DiagnosticLog() = default;
    virtual void write(const std::string& line) = 0;
};

} // namespace scribeon
