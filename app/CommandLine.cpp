#include "app/CommandLine.h"

#include "service/APIClient.h"

#include <cstdlib>
#include <string_view>

namespace scribeon {

namespace {

#define SCRIBEON_SYNOPSIS                                                                          \
    "Usage: scribeon [--trigger]\n"                                                                \
    "       scribeon commands\n"                                                                   \
    "       scribeon process CODE [--text TEXT] [--stream]\n"                                      \
    "       scribeon status\n"                                                                     \
    "       scribeon --sign-in EMAIL\n"                                                            \
    "       scribeon sign-out [--everywhere]\n"                                                    \
    "       scribeon --version | --help\n"

const char* usage = SCRIBEON_SYNOPSIS
    "\n"
    "Scribeon runs AI text commands on the text selected in any application.\n"
    "It lives in the system tray; press the global shortcut (Super+Shift+I)\n"
    "with text selected to choose a command.\n"
    "\n"
    "Modes:\n"
    "  (none)     start Scribeon in the tray, or open the tray panel of the\n"
    "             Scribeon already running\n"
    "  --trigger  choose a command for the selected text, as the shortcut does\n"
    "             (bind it to a shortcut in your desktop's keyboard settings)\n"
    "  commands   list your active commands in your order: emoji, code and\n"
    "             name, separated by tabs\n"
    "  process CODE\n"
    "             run the command CODE on the text read from standard input,\n"
    "             or given with --text, and print the result exactly (on a\n"
    "             terminal with its control characters shown); with --stream\n"
    "             print it as the service writes it (Ctrl+C stops the run)\n"
    "  status     show who is signed in, the plan and this month's usage\n"
    "  --sign-in EMAIL\n"
    "             sign in with the password read from standard input\n"
    "  sign-out   sign out and remove the token from the credential store\n"
    "  sign-out --everywhere\n"
    "             sign out on every computer this account is signed in on\n"
    "  --version  print the version and exit\n"
    "  --help     print this help and exit\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  any other failure (no display, a wrong password, a running Scribeon\n"
    "     that does not answer)\n"
    "  2  usage: an unknown option or argument, or text that is not UTF-8\n"
    "  3  not signed in, or the session expired\n"
    "  4  the monthly limit is reached, or a subscription is required\n"
    "  5  the command was not found or is inactive\n"
    "  6  the text is too long for the plan, or for any plan\n"
    "  7  the service cannot be reached\n"
    "  8  the service failed, or its answer could not be read\n"
    "  130  stopped by Ctrl+C (SIGINT) during process --stream\n"
    "\n"
    "Environment:\n"
    "  SCRIBEON_SERVICE_ORIGIN\n"
    "             the Scribeon service to use (default " SCRIBEON_SERVICE_ORIGIN ")\n";

CommandLine failure(const std::string& reason) {
    return {CommandLine::Action::fail,
            "scribeon: " + reason + "\n" SCRIBEON_SYNOPSIS "Run 'scribeon --help' for more.\n",
            std::nullopt};
}

// The modes that take no argument after their name.
std::optional<CommandLine::Action> bareMode(std::string_view word) {
    if (word == "--trigger")
        return CommandLine::Action::trigger;
    if (word == "commands")
        return CommandLine::Action::listCommands;
    if (word == "status")
        return CommandLine::Action::status;
    if (word == "sign-out")
        return CommandLine::Action::signOut;
    return std::nullopt;
}

CommandLine parseProcess(const std::vector<std::string>& arguments) {
    CommandLine command{CommandLine::Action::process, "", std::nullopt};
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--text") {
            if (i + 1 >= arguments.size())
                return failure("--text needs the text to process");
            command.text = arguments[++i];
        } else if (argument == "--stream") {
            command.stream = true;
        } else if (argument.starts_with("-") || !command.output.empty()) {
            return failure("unexpected argument '" + argument + "' for process");
        } else {
            command.output = argument;
        }
    }
    if (command.output.empty())
        return failure("process needs the code of a command (see scribeon commands)");
    return command;
}

CommandLine parseMode(const std::vector<std::string>& arguments) {
    const std::string& mode = arguments[1];
    if (mode == "process")
        return parseProcess(arguments);
    if (mode == "sign-out" && arguments.size() == 3 && arguments[2] == "--everywhere")
        return {CommandLine::Action::signOutEverywhere, "", std::nullopt};
    if (mode == "--sign-in" || mode == "sign-in") {
        if (arguments.size() < 3 || arguments[2].empty())
            return failure("--sign-in needs an e-mail address");
        if (arguments.size() > 3)
            return failure("unexpected argument '" + arguments[3] + "'");
        return {CommandLine::Action::signIn, arguments[2], std::nullopt};
    }
    if (const auto action = bareMode(mode)) {
        if (arguments.size() > 2)
            return failure("unexpected argument '" + arguments[2] + "' for " + mode);
        return {*action, "", std::nullopt};
    }
    if (mode.starts_with("-"))
        return failure("unknown option '" + mode + "'");
    return failure("unknown mode '" + mode + "'");
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

CommandLine CommandLine::parse(const std::vector<std::string>& arguments) {
    // --help and --version win wherever they stand, as in most tools.
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--text") {
            ++i; // the text itself may be anything, "--help" included
            continue;
        }
        if (arguments[i] == "--help" || arguments[i] == "-h")
            return {Action::printHelp, usage, std::nullopt};
        if (arguments[i] == "--version" || arguments[i] == "-v")
            return {Action::printVersion, std::string("scribeon ") + SCRIBEON_VERSION + "\n",
                    std::nullopt};
    }
    if (arguments.size() < 2)
        return {};
    return parseMode(arguments);
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
