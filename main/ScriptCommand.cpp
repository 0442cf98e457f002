#include "main/ScriptCommand.h"

#include "app/ScriptExitStatus.h"
#include "app/ScriptOutput.h"
#include "base/UnicodeText.h"
#include "main/ClientStack.h"
#include "platform/qt/SingleInstance.h"
#include "service/DeliverOnMain.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <iterator>

namespace scribeon {

namespace {

int exitWith(ScriptExitStatus status) {
    QCoreApplication::exit(static_cast<int>(status));
    return static_cast<int>(status);
}

void reportFailure(const ServiceError& error) {
    std::fprintf(stderr, "scribeon: %s\n", error.description().c_str());
    exitWith(exitStatusFor(error));
}

// A reader that closed the pipe early (`| head -c1`) took what it wanted:
// that ends the program quietly, like any filter.
void printAndExit(const std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) != 0 || !written) {
        if (errno == EPIPE) {
            exitWith(ScriptExitStatus::success);
            return;
        }
        std::perror("scribeon: standard output");
        exitWith(ScriptExitStatus::failure);
        return;
    }
    exitWith(ScriptExitStatus::success);
}

// A running Scribeon reads the credential store only when told.
void tellRunningInstance() {
    SingleInstance::handOff(SingleInstance::Message::accountChanged);
}

void listCommands(ClientStack& client) {
    client.commandService.fetchCommands([&client](ServiceResult<std::vector<Command>> reply) {
        if (!reply) {
            reportFailure(reply.error());
            return;
        }
        std::vector<Command> active = client.commandService.sortCommands(std::move(reply.value()));
        std::erase_if(active, [](const Command& command) { return !command.isActive; });
        printAndExit(commandListText(active, [&client](const std::string& code) {
            return client.commandService.emojiFor(code);
        }));
    });
}

std::optional<std::string> textToProcess(const CommandLine& command) {
    std::string text = command.text ? *command.text
                                    : std::string(std::istreambuf_iterator<char>(std::cin),
                                                  std::istreambuf_iterator<char>());
    if (!isValidUtf8(text)) {
        std::fputs("scribeon: the text is not valid UTF-8; nothing was sent\n", stderr);
        return std::nullopt;
    }
    if (isBlank(text)) {
        std::fputs("scribeon: there is no text to process; nothing was sent\n", stderr);
        return std::nullopt;
    }
    return text;
}

void process(ClientStack& client, const std::string& code, const std::string& text) {
    client.commandService.processCommand(code, text, [](const ServiceResult<ProcessResult>& reply) {
        if (reply)
            printAndExit(reply.value().processedText);
        else
            reportFailure(reply.error());
    });
}

void showStatus(ClientStack& client) {
    client.apiClient.fetchUser(
        deliverOnMain<UserResponse>(client.queue, [](const ServiceResult<UserResponse>& reply) {
            if (reply)
                printAndExit(statusText(reply.value().user));
            else
                reportFailure(reply.error());
        }));
}

void signIn(ClientStack& client, const std::string& email) {
    std::string password;
    std::getline(std::cin, password);
    client.authService.login(email, password, [email](const ServiceResult<std::string>& token) {
        if (!token) {
            reportFailure(token.error());
            return;
        }
        tellRunningInstance();
        printAndExit("Signed in as " + email + "\n");
    });
}

void signOut(ClientStack& client) {
    client.authService.logout([] {
        tellRunningInstance();
        printAndExit("Signed out\n");
    });
}

void signOutEverywhere(ClientStack& client) {
    client.authService.logoutEverywhere([](const ServiceResult<Done>& reply) {
        tellRunningInstance();
        if (!reply) {
            reportFailure(reply.error());
            return;
        }
        printAndExit("Signed out on every computer\n");
    });
}

// Starts the mode; false when its input was refused before anything was sent.
bool start(ClientStack& client, const CommandLine& command) {
    switch (command.action) {
    case CommandLine::Action::listCommands:
        listCommands(client);
        return true;
    case CommandLine::Action::process: {
        const auto text = textToProcess(command);
        if (text)
            process(client, command.output, *text);
        return text.has_value();
    }
    case CommandLine::Action::status:
        showStatus(client);
        return true;
    case CommandLine::Action::signIn:
        signIn(client, command.output);
        return true;
    case CommandLine::Action::signOut:
        signOut(client);
        return true;
    case CommandLine::Action::signOutEverywhere:
        signOutEverywhere(client);
        return true;
    default:
        return false;
    }
}

} // namespace

int runScriptCommand(const CommandLine& command, int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Scribeon"));
    QCoreApplication::setApplicationName(QStringLiteral("Scribeon"));
    ClientStack client(1);
    if (!start(client, command))
        return static_cast<int>(ScriptExitStatus::usage);
    return QCoreApplication::exec();
}

} // namespace scribeon
