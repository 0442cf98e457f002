#include "platform/linux/SystemLog.h"

#include <cstdio>
#include <cstdlib>
#include <syslog.h>
#include <unistd.h>

namespace scribeon {

SystemLog::SystemLog() {
    // SCRIBEON_LOG=stderr keeps the lines on the terminal for someone
    // following a capture by hand.
    const char* choice = std::getenv("SCRIBEON_LOG");
    const bool forcedStderr = choice && std::string(choice) == "stderr";
    toSyslog_ = !forcedStderr && ::access("/dev/log", W_OK) == 0;
    if (toSyslog_)
        ::openlog("scribeon", LOG_PID, LOG_USER);
}

void SystemLog::write(const std::string& line) {
    if (toSyslog_)
        ::syslog(LOG_INFO, "[Scribeon] %s", line.c_str());
    else
        std::fprintf(stderr, "[Scribeon] %s\n", line.c_str());
}

} // namespace scribeon
