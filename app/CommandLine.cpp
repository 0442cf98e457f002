#include "app/CommandLine.h"

#include "service/APIClient.h"

#include <cstdlib>
#include <string_view>

namespace scribeon {

namespace {

const char* usage =
    "Usage: scribeon [--version | --help | --sign-in EMAIL]\n"
    "\n"
    "Scribeon runs AI text commands on the text selected in any application.\n"
    "It lives in the system tray; press the global shortcut (Super+Shift+I)\n"
    "with text selected to choose a command.\n"
    "\n"
    "Options:\n"
    "  --version  print the version and exit\n"
    "  --help     print this help and exit\n"
    "  --sign-in EMAIL\n"
    "             sign in with the password read from standard input\n"
    "\n"
    "Environment:\n"
    "  SCRIBEON_SERVICE_ORIGIN\n"
    "             the Scribeon service to use (default " SCRIBEON_SERVICE_ORIGIN ")\n";

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

CommandLine CommandLine::parse(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--version" || argument == "-v")
            return {Action::printVersion, std::string("scribeon ") + SCRIBEON_VERSION + "\n"};
        if (argument == "--help" || argument == "-h")
            return {Action::printHelp, usage};
        if (argument == "--trigger")
            return {Action::trigger, ""};
        if (argument == "--sign-in") {
            if (i + 1 < arguments.size() && !arguments[i + 1].empty())
                return {Action::signIn, arguments[i + 1]};
            return {Action::fail,
                    std::string("scribeon: --sign-in needs an e-mail address\n") + usage};
        }
        return {Action::fail, "scribeon: unknown option '" + std::string(argument) + "'\n" + usage};
    }
    return {};
}

std::optional<std::string> missingDisplayReason() {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM");
        platform && *platform && std::string_view(platform).substr(0, 3) != "xcb" &&
        std::string_view(platform).substr(0, 7) != "wayland")
        return std::nullopt;
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"))
        return std::nullopt;
    return "scribeon: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set); start it "
           "from a desktop session, or use scripts/run, which starts a headless one";
}

std::string serviceBaseURL() {
    if (isSet("SCRIBEON_SERVICE_ORIGIN"))
        return std::string(std::getenv("SCRIBEON_SERVICE_ORIGIN")) + "/api/v1";
    return APIClient::defaultBaseURL();
}

std::string serviceOrigin() {
    const std::string api = serviceBaseURL();
    return api.substr(0, api.size() - std::string_view("/api/v1").size());
}

std::string appcastURL() {
    if (std::string_view(SCRIBEON_APPCAST_URL).empty() || isSet("SCRIBEON_SERVICE_ORIGIN"))
        return serviceOrigin() + "/appcast.xml";
    return SCRIBEON_APPCAST_URL;
}

} // namespace scribeon
