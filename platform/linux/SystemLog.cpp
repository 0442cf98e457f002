#include "platform/linux/SystemLog.h"

#include "base/UnicodeText.h"

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

// A line may quote another application's text or its name, and whoever
// reads it (on this terminal, or later through journalctl) reads it on a
// terminal: its control characters are shown, not obeyed, and it stays one
// line.
void SystemLog::write(const std::string& line) {
    const std::string shown = terminalSafe(line, TerminalLayout::oneLine);
    if (toSyslog_)
        ::syslog(LOG_INFO, "[Scribeon] %s", shown.c_str());
    else
        std::fprintf(stderr, "[Scribeon] %s\n", shown.c_str());
}

} // namespace scribeon
