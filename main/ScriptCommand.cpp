#include "main/ScriptCommand.h"

#include "app/ScriptExitStatus.h"
#include "app/ScriptOutput.h"
#include "base/UnicodeText.h"
#include "main/ClientStack.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/UnixSignalWatcher.h"
#include "service/DeliverOnMain.h"
#include "wire/RequestLimits.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

#include <unistd.h>

namespace scribeon {

namespace {

int exitWith(ScriptExitStatus status) {
    QCoreApplication::exit(static_cast<int>(status));
    return static_cast<int>(status);
}

void reportFailure(const ServiceError& error) {
    std::fputs(failureText(error).c_str(), stderr);
    exitWith(exitStatusFor(error));
}

// Writes and flushes; the status to end with when that failed. A reader
// that closed the pipe early (`| head -c1`) took what it wanted: that ends
// the program quietly, like any filter.
std::optional<ScriptExitStatus> print(const std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) == 0 && written)
        return std::nullopt;
    if (errno == EPIPE)
        return ScriptExitStatus::success;
    std::perror("scribeon: standard output");
    return ScriptExitStatus::failure;
}

void printAndExit(const std::string& text) {
    exitWith(print(text).value_or(ScriptExitStatus::success));
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

// Standard input up to `limit` bytes and one more, so that an endless or
// huge input is known to be too long without being held whole.
std::string standardInput(std::size_t limit) {
    std::string text(limit + 1, '\0');
    std::size_t read = 0;
    while (read < text.size()) {
        const std::size_t got = std::fread(text.data() + read, 1, text.size() - read, stdin);
        if (got == 0)
            break;
        read += got;
    }
    text.resize(read);
    return text;
}

Result<std::string, ScriptExitStatus> refused(const char* why, ScriptExitStatus status) {
    std::fprintf(stderr, "scribeon: %s; nothing was sent\n", why);
    return status;
}

Result<std::string, ScriptExitStatus> textToProcess(const CommandLine& command) {
    std::string text = command.text ? *command.text : standardInput(maximumProcessTextBytes);
    if (text.size() > maximumProcessTextBytes) {
        const std::string why = "the text is longer than the service accepts (at most " +
                                std::to_string(maximumProcessTextBytes) + " bytes)";
        return refused(why.c_str(), ScriptExitStatus::textTooLong);
    }
    if (!isValidUtf8(text))
        return refused("the text is not valid UTF-8", ScriptExitStatus::usage);
    if (isBlank(text))
        return refused("there is no text to process", ScriptExitStatus::usage);
    return text;
}

void process(ClientStack& client, const std::string& code, const std::string& text) {
    const OutputStream stream =
        isatty(STDOUT_FILENO) == 1 ? OutputStream::terminal : OutputStream::fileOrPipe;
    client.commandService.processCommand(
        code, text, [stream](const ServiceResult<ProcessResult>& reply) {
            if (reply)
                printAndExit(processOutputText(reply.value().processedText, stream));
            else
                reportFailure(reply.error());
        });
}

// Each piece is written and flushed as it arrives. Ctrl+C stops the run:
// its exchange is cancelled, so the service sees the connection close.
void processStreamed(ClientStack& client, const std::string& code, const std::string& text) {
    const OutputStream stream =
        isatty(STDOUT_FILENO) == 1 ? OutputStream::terminal : OutputStream::fileOrPipe;
    auto printedAny = std::make_shared<bool>(false);
    auto run = std::make_shared<Cancel>();
    auto stopWith = [run](ScriptExitStatus status) {
        run->cancel();
        exitWith(status);
    };
    *run = client.commandService.streamCommand(
        code, text,
        [stream, printedAny, stopWith](const std::string& delta) {
            *printedAny = true;
            if (const auto failed = print(processOutputText(delta, stream)))
                stopWith(*failed);
        },
        [stream, printedAny](const ServiceResult<ProcessResult>& reply) {
            if (!reply)
                reportFailure(reply.error());
            else if (*printedAny) // every piece is out already
                exitWith(ScriptExitStatus::success);
            else // a service that answered in one piece
                printAndExit(processOutputText(reply.value().processedText, stream));
        });
    auto* watcher = new UnixSignalWatcher([stopWith](int) {
        std::fputs("\nscribeon: stopped\n", stderr);
        stopWith(ScriptExitStatus::interrupted);
    });
    watcher->setParent(QCoreApplication::instance());
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

// Starts the mode; the exit status when its input was refused before
// anything was sent.
std::optional<ScriptExitStatus> start(ClientStack& client, const CommandLine& command) {
    switch (command.action) {
    case CommandLine::Action::listCommands:
        listCommands(client);
        return std::nullopt;
    case CommandLine::Action::process: {
        const auto text = textToProcess(command);
        if (!text)
            return text.error();
        if (command.stream)
            processStreamed(client, command.output, text.value());
        else
            process(client, command.output, text.value());
        return std::nullopt;
    }
    case CommandLine::Action::status:
        showStatus(client);
        return std::nullopt;
    case CommandLine::Action::signIn:
        signIn(client, command.output);
        return std::nullopt;
    case CommandLine::Action::signOut:
        signOut(client);
        return std::nullopt;
    case CommandLine::Action::signOutEverywhere:
        signOutEverywhere(client);
        return std::nullopt;
    default:
        return ScriptExitStatus::usage;
    }
}

} // namespace

int runScriptCommand(const CommandLine& command, int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    if (command.action == CommandLine::Action::process && command.stream)
        UnixSignalWatcher::catchSignals({SIGINT});
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Scribeon"));
    QCoreApplication::setApplicationName(QStringLiteral("Scribeon"));
    ClientStack client;
    if (const auto refusal = start(client, command))
        return static_cast<int>(*refusal);
    return QCoreApplication::exec();
}

} // namespace scribeon
