#pragma once

#include "service/ServiceError.h"
#include "wire/Records.h"

#include <functional>
#include <string>
#include <vector>

namespace scribeon {

// Everything printed here comes from the service and goes to a terminal as
// often as to a script, so control characters in it are shown, not sent
// (terminalSafe).

// `scribeon commands`: one line per command, "EMOJI\tCODE\tNAME". Tabs and
// line breaks inside a name or code from the service become spaces, so each
// command stays one line of three fields.
std::string commandListText(const std::vector<Command>& commands,
                            const std::function<std::string(const std::string&)>& emojiFor);

// `scribeon status`: who is signed in, the plan and the month's usage, in
// the tray panel's words.
std::string statusText(const User& user);

// The line on standard error for a failed request: the service client's own
// message, on one line.
std::string failureText(const ServiceError& error);

// Where standard output goes.
enum class OutputStream { fileOrPipe, terminal };

// `scribeon process`: the result exactly as the service sent it when it goes
// to a file or a pipe (it is the user's text); on a terminal its control
// characters are shown, keeping its line feeds and tabs.
std::string processOutputText(std::string text, OutputStream stream);

} // namespace scribeon
