#pragma once

#include <optional>
#include <string>
#include <vector>

namespace scribeon {

// What `scribeon` was asked to do, decided before any display is opened so
// that --version, --help and the script modes work anywhere.
struct CommandLine {
    enum class Action {
        run,
        trigger,
        printVersion,
        printHelp,
        signIn,
        signOut,
        signOutEverywhere,
        listCommands,
        process,
        status,
        fail,
    };
    Action action = Action::run;
    // The text to print; the e-mail address for signIn; the code for process.
    std::string output;
    // process: the text given with --text; absent means standard input.
    std::optional<std::string> text;
    // process: print the text as the service writes it (--stream).
    bool stream = false;

    static CommandLine parse(const std::vector<std::string>& arguments);
};

// The reason the program cannot open a window here, or absent when a
// display (or a display-free Qt platform) is available.
std::optional<std::string> missingDisplayReason();

// The service's API base: the origin built in, or the one in the environment
// variable SCRIBEON_SERVICE_ORIGIN (a self-hosted service, or a test's own).
std::string serviceBaseURL();

// The service's origin: the API base without "/api/v1"; its web pages
// ("/sign-up") live there.
std::string serviceOrigin();

// The update feed: the address built in, or the service's origin followed
// by "/appcast.xml".
std::string appcastURL();

} // namespace scribeon
