#pragma once

#include "app/CommandLine.h"

namespace scribeon {

// The modes for scripts — commands, process, status, --sign-in and
// sign-out — against the configured service, with the tray program's client
// and credential store and without any display. Prints results on standard
// output, the service client's message on standard error, and returns the
// exit status (ScriptExitStatus).
int runScriptCommand(const CommandLine& command, int argc, char** argv);

} // namespace scribeon
