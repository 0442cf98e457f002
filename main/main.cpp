#include "app/CommandLine.h"
#include "main/ScribeonApp.h"
#include "main/ScriptCommand.h"
#include "platform/qt/ClosedWindowMemory.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/UnixSignalWatcher.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

namespace {

using scribeon::SingleInstance;

// The exit status when a running Scribeon took the request; absent when this
// process should become the instance.
std::optional<int> handOffToRunningInstance(bool triggered) {
    std::string detail;
    switch (SingleInstance::handOff(
        triggered ? SingleInstance::Message::trigger : SingleInstance::Message::show, &detail)) {
    case SingleInstance::HandOff::delivered:
        return 0;
    case SingleInstance::HandOff::noAnswer:
        std::fprintf(stderr, "scribeon: a running Scribeon does not answer (%s)\n", detail.c_str());
        return 1;
    case SingleInstance::HandOff::noInstance:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    using scribeon::CommandLine;
    const CommandLine command = CommandLine::parse(std::vector<std::string>(argv, argv + argc));
    switch (command.action) {
    case CommandLine::Action::printVersion:
    case CommandLine::Action::printHelp:
        std::fputs(command.output.c_str(), stdout);
        return 0;
    case CommandLine::Action::fail:
        std::fputs(command.output.c_str(), stderr);
        return 2;
    case CommandLine::Action::signIn:
    case CommandLine::Action::signOut:
    case CommandLine::Action::signOutEverywhere:
    case CommandLine::Action::listCommands:
    case CommandLine::Action::process:
    case CommandLine::Action::status:
        return scribeon::runScriptCommand(command, argc, argv);
    case CommandLine::Action::run:
    case CommandLine::Action::trigger:
        break;
    }
    const bool triggered = command.action == CommandLine::Action::trigger;
    if (const auto status = handOffToRunningInstance(triggered))
        return *status;
    if (auto reason = scribeon::missingDisplayReason()) {
        std::fprintf(stderr, "%s\n", reason->c_str());
        return 1;
    }

    scribeon::UnixSignalWatcher::catchSignals({SIGTERM, SIGINT});
    scribeon::ClosedWindowMemory::tuneMalloc();
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Scribeon"));
    QApplication::setApplicationName(QStringLiteral("Scribeon"));
    QApplication::setApplicationVersion(QStringLiteral(SCRIBEON_VERSION));
    // The Wayland app id of every window, which window rules match on; the
    // same name as the bus name and the desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral("app.scribeon.Scribeon"));
    QApplication::setQuitOnLastWindowClosed(false);

    scribeon::UnixSignalWatcher signalWatcher([](int) { QCoreApplication::quit(); });
    scribeon::ClosedWindowMemory closedWindowMemory;
    scribeon::ScribeonApp scribeonApp;
    switch (scribeonApp.serveOtherInstances()) {
    case SingleInstance::Listen::listening:
        break;
    case SingleInstance::Listen::otherInstance:
        // One started at the same moment and took the name first: it serves.
        return handOffToRunningInstance(triggered).value_or(1);
    case SingleInstance::Listen::noBus:
        std::fputs("scribeon: no session bus; scribeon --trigger will not reach this instance, "
                   "and a second one may start\n",
                   stderr);
        break;
    }
    // Launch inside the event loop, so that a quit request also ends the
    // modal permission alert.
    QTimer::singleShot(0, &scribeonApp, [&scribeonApp] { scribeonApp.launch(); });
    // A separate event, so that it also runs while launch shows its alert.
    if (triggered)
        QTimer::singleShot(0, &scribeonApp, [&scribeonApp] { scribeonApp.trigger(); });
    const int status = QApplication::exec();
    scribeonApp.terminate();
    return status;
}
