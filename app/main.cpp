#include "app/CommandLine.h"
#include "app/ScribeonApp.h"
#include "app/SignInCommand.h"
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
    // Launch inside the event loop, so that a quit request also ends the
    // modal permission alert.
    QTimer::singleShot(0, &scribeonApp, [&scribeonApp] { scribeonApp.launch(); });
    const int status = QApplication::exec();
    scribeonApp.terminate();
    return status;
}
