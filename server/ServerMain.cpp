#include "server/processors/BuiltinTransforms.h"

#include "server/Defaults.h"
#include "server/ServerOptions.h"
#include "server/SiteRouter.h"
#include "server/accounts/UserText.h"
#include "server/feed/UpdateFeed.h"
#include "server/http/HttpFrontEnd.h"
#include "server/storage/OpenStorage.h"
#include "server/web/WebPages.h"
#include "wire/ServiceErrorCodes.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace scribeon::server;

namespace {

std::map<std::string, std::string> environment() {
    std::map<std::string, std::string> values;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos)
            values[text.substr(0, equals)] = text.substr(equals + 1);
    }
    return values;
}

std::string readPassword() {
    const bool terminal = ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fputs("Password: ", stderr);
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string password;
    std::getline(std::cin, password);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

std::string value(const ServerOptions& options, const char* key) {
    auto it = options.values.find(key);
    return it == options.values.end() ? std::string() : it->second;
}

void seedDemo(Storage& storage, const Secrets& secrets) {
    constexpr const char* demoEmail = "demo@scribeon.local";
    if (storage.credentials(demoEmail))
        return;
    const std::string password = secrets.newToken().substr(0, 16);
    storage.addUser({demoEmail, "Demo User", "Free", secrets.hashPassword(password),
                     isoTimestamp(std::chrono::system_clock::now()), std::nullopt});
    std::printf("Demo account: %s\nPassword (shown only now): %s\n", demoEmail, password.c_str());
    std::fflush(stdout);
}

int addUser(Storage& storage, const Secrets& secrets, const ServerOptions& options) {
    const std::string email = value(options, "email");
    const std::string name = value(options, "name");
    if (email.empty() || name.empty()) {
        std::fputs("scribeon-server: user add needs --email and --name\n", stderr);
        return 2;
    }
    // The rules the sign-up page applies: the program shows these to the user.
    if (!plausibleEmail(email)) {
        std::fputs("scribeon-server: --email wants an address like name@example.com, without "
                   "blanks or control characters\n",
                   stderr);
        return 2;
    }
    if (!scribeon::isValidUtf8(name) || hasControlCharacters(name, false) ||
        !fitsCharacters(name, WebPages::maximumPersonNameCharacters)) {
        std::fputs("scribeon-server: --name wants at most 100 characters, without control "
                   "characters\n",
                   stderr);
        return 2;
    }
    std::optional<std::string> expires;
    if (auto text = value(options, "expires"); !text.empty()) {
        if (!parseIsoTimestamp(text)) {
            std::fputs("scribeon-server: --expires wants a time like 2027-01-31T00:00:00Z\n",
                       stderr);
            return 2;
        }
        expires = text;
    }
    const std::string password = readPassword();
    if (password.size() < 8) {
        std::fputs("scribeon-server: the password needs at least 8 characters\n", stderr);
        return 2;
    }
    const std::string plan = value(options, "plan").empty() ? "Free" : value(options, "plan");
    const auto id = storage.addUser({email, name, plan, secrets.hashPassword(password),
                                     isoTimestamp(std::chrono::system_clock::now()), expires});
    std::printf("Added user %lld: %s (%s)\n", static_cast<long long>(id), email.c_str(),
                plan.c_str());
    return 0;
}

// Ends every sign-in of one account, from any device.
int signOutEverywhere(Storage& storage, const ServerOptions& options) {
    const std::string email = value(options, "email");
    const auto account = email.empty() ? std::nullopt : storage.credentials(email);
    if (!account) {
        std::fputs("scribeon-server: user sign-out needs the --email of an account\n", stderr);
        return 2;
    }
    const auto count = storage.revokeTokensOf(account->first);
    std::printf("Signed out %s everywhere (%lld sign-ins ended)\n", email.c_str(),
                static_cast<long long>(count));
    return 0;
}

int addCommand(Storage& storage, const ServerOptions& options) {
    CatalogueCommand command{0, value(options, "code"), value(options, "name"),
                             value(options, "processor"), 0};
    const bool validProcessor =
        (command.processor.starts_with("builtin:") &&
         findBuiltinTransform(command.processor.substr(8))) ||
        (command.processor.starts_with("llm:") && command.processor.size() > 4);
    if (command.code.empty() || command.name.empty() || !validProcessor ||
        command.code.find_first_of("/?#% ") != std::string::npos) {
        std::fputs("scribeon-server: command add needs --code (no / ? # % or spaces), --name and "
                   "--processor "
                   "builtin:NAME or llm:PROMPT\n",
                   stderr);
        return 2;
    }
    const auto catalogue = storage.catalogue();
    command.position = catalogue.empty() ? 1 : catalogue.back().position + 1;
    if (auto position = value(options, "position"); !position.empty())
        command.position = std::stoll(position);
    storage.addCommand(command);
    std::printf("Added command %s\n", command.code.c_str());
    return 0;
}

int serve(Storage& storage, const Secrets& secrets, ServerOptions& options) {
    SignInThrottle throttle(SignInThrottle::Limits{});
    SessionService sessions(storage, secrets, throttle);
    ServiceApi api(storage, sessions, options.languageModel);
    UpdateFeed updates(value(options, "appcast"), value(options, "downloads"), options.demo);
    WebPages pages(sessions, storage, secrets,
                   {.signUp = options.signUp,
                    .secureCookies = !options.listen.certificateFile.empty(),
                    .maxOwnCommands = options.maxOwnCommands});
    SiteRouter site(api, pages, &updates);
    HttpFrontEnd front(site, options.listen);
    const int port = front.bind();
    updates.setOrigin(std::string(front.usesTls() ? "https" : "http") + "://" +
                      options.listen.host + ":" + std::to_string(port));

    // Signals are taken by one thread with sigwait, so stopping is not done from a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        front.stop();
    });

    if (!options.languageModel.url.empty()) {
        std::thread([settings = options.languageModel] {
            UpstreamRequests requests;
            const auto failure = ChatCompletionsProcessor::warmUp(settings, requests);
            if (failure && failure->error != scribeon::ServiceErrorCode::responseIncomplete)
                std::fprintf(stderr, "[scribeon-server] language model warm-up: %s\n",
                             failure->message.c_str());
            else
                std::fputs("[scribeon-server] language model is ready\n", stderr);
        }).detach();
    }
    std::printf("scribeon-server listening on %s://%s:%d\n", front.usesTls() ? "https" : "http",
                options.listen.host.c_str(), port);
    std::fflush(stdout);
    front.run();
    // The stopper waits in sigwait() for SIGTERM; this wakes it and ends nothing.
    pthread_kill(stopper.native_handle(), SIGTERM); // NOLINT(bugprone-bad-signal-to-kill-thread)
    stopper.join();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed =
        parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), environment());
    if (const auto* message = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "scribeon-server: %s\n%s", message->c_str(), serverUsage);
        return 2;
    }
    auto options = std::get<ServerOptions>(parsed);
    if (options.action == std::vector<std::string>{"help"}) {
        std::fputs(serverUsage, stdout);
        return 0;
    }
    if (options.action == std::vector<std::string>{"version"}) {
        std::puts("scribeon-server " SCRIBEON_VERSION);
        return 0;
    }
    try {
        const Secrets secrets;
        auto [storage, traits] = openStorage(
            options.databasePath, static_cast<std::size_t>(std::min(16, options.listen.threads)));
        storage->seedDefaults(defaultPlans(), defaultCommands());
        options.listen.readsWait = traits.readsWait;
        const auto& action = options.action;
        if (options.demo)
            seedDemo(*storage, secrets);
        if (action.empty() || action[0] == "serve")
            return serve(*storage, secrets, options);
        if (action[0] == "init") {
            std::printf("Database ready: %s\n", traits.description.c_str());
            return 0;
        }
        if (action[0] == "user" && action[1] == "add")
            return addUser(*storage, secrets, options);
        if (action[0] == "user" && action[1] == "sign-out")
            return signOutEverywhere(*storage, options);
        if (action[0] == "user") {
            for (const auto& account : storage->users())
                std::printf("%lld\t%s\t%s\t%s%s\n", static_cast<long long>(account.id),
                            account.email.c_str(), account.name.c_str(), account.plan.name.c_str(),
                            account.planExpiresAt ? (" until " + *account.planExpiresAt).c_str()
                                                  : "");
            return 0;
        }
        if (action[1] == "add")
            return addCommand(*storage, options);
        for (const auto& command : storage->catalogue())
            std::printf("%lld\t%s\t%s\t%s\n", static_cast<long long>(command.position),
                        command.code.c_str(), command.name.c_str(), command.processor.c_str());
        return 0;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "scribeon-server: %s\n", failure.what());
        return 1;
    }
}
