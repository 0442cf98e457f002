#pragma once

#include "platform/DiagnosticLog.h"
#include "platform/UrlOpener.h"

#include <string>
#include <string_view>

namespace scribeon {

// The release notes' address comes from the update feed, so whoever controls
// the feed chooses it. Only a web page may open from it, never a local file
// or the handler of some other scheme: https, or plain http to this computer
// (as for everything else the program fetches).
bool isOpenableReleaseNotesURL(std::string_view url);

// Hands the address to the desktop's browser when the rule above allows it;
// otherwise writes to the log what was refused. True when it was handed on.
bool openReleaseNotes(const std::string& url, UrlOpener& opener, DiagnosticLog& log);

} // namespace scribeon
