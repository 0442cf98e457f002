#pragma once

#include "service/ServiceError.h"

namespace scribeon {

// The exit status of a command-line mode, one per class of failure, so that
// a script can tell "sign in again" from "try later" without parsing text.
// `scribeon --help` and scribeon(1) list the same numbers.
enum class ScriptExitStatus : int {
    success = 0,
    failure = 1,
    usage = 2,
    signedOut = 3,
    limitReached = 4,
    notFound = 5,
    textTooLong = 6,
    network = 7,
    serverFailed = 8,
    interrupted = 130, // the shell's own status for a run ended by SIGINT
};

ScriptExitStatus exitStatusFor(const ServiceError& error);

} // namespace scribeon
