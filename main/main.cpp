#include "app/CommandLine.h"
#include "main/ScribeonApp.h"
#include "main/SignInCommand.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/UnixSignalWatcher.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

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
        return scribeon::runSignInCommand(command.output, argc, argv);
    case CommandLine::Action::run:
    case CommandLine::Action::trigger:
        break;
    }
    using scribeon::SingleInstance;
    const bool triggered = command.action == CommandLine::Action::trigger;
    switch (SingleInstance::handOff(triggered ? SingleInstance::Message::trigger
                                              : SingleInstance::Message::show)) {
    case SingleInstance::HandOff::delivered:
        return 0;
    case SingleInstance::HandOff::noAnswer:
        std::fputs("scribeon: a running Scribeon does not answer\n", stderr);
        return 1;
    case SingleInstance::HandOff::noInstance:
        break;
    }
    if (auto reason = scribeon::missingDisplayReason()) {
        std::fprintf(stderr, "%s\n", reason->c_str());
        return 1;
    }

    scribeon::UnixSignalWatcher::catchSignals({SIGTERM, SIGINT});
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Scribeon"));
    QApplication::setApplicationName(QStringLiteral("Scribeon"));
    QApplication::setApplicationVersion(QStringLiteral(SCRIBEON_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    scribeon::UnixSignalWatcher signalWatcher([](int) { QCoreApplication::quit(); });
    scribeon::ScribeonApp scribeonApp;
    switch (scribeonApp.serveOtherInstances()) {
    case SingleInstance::Listen::listening:
        break;
    case SingleInstance::Listen::otherInstance:
        std::fputs("scribeon: another Scribeon has just started\n", stderr);
        return 1;
    case SingleInstance::Listen::failed:
        std::fprintf(stderr, "scribeon: %s; scribeon --trigger will not reach this instance\n",
                     SingleInstance::defaultSocketPath().toLocal8Bit().constData());
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
