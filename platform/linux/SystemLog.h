#pragma once

#include "platform/DiagnosticLog.h"

namespace scribeon {

// Writes "[Scribeon] …" lines to syslog (the journal takes them from there),
// or to standard error when the machine has no syslog socket.
class SystemLog : public DiagnosticLog {
public:
    SystemLog();
    void write(const std::string& line) override;

private:
    bool toSyslog_ = false;
};

} // namespace scribeon
