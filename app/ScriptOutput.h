#pragma once

#include "wire/Records.h"

#include <functional>
#include <string>
#include <vector>

namespace scribeon {

// `scribeon commands`: one line per command, "EMOJI\tCODE\tNAME". Tabs and
// line breaks inside a name or code from the service become spaces, so each
// command stays one line of three fields.
std::string commandListText(const std::vector<Command>& commands,
                            const std::function<std::string(const std::string&)>& emojiFor);

// `scribeon status`: who is signed in, the plan and the month's usage, in
// the tray panel's words.
std::string statusText(const User& user);

} // namespace scribeon
