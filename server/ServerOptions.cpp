#include "server/ServerOptions.h"

#include <charconv>
#include <cstdio>

namespace scribeon::server {

const char* const serverUsage =
    "usage: scribeon-server [serve] [--db DATABASE] [--listen HOST:PORT] [--cert FILE --key FILE]\n"
    "                       [--threads N] [--llm-url URL] [--llm-model NAME] [--demo] [--quiet]\n"
    "                       [--llm-first-token-timeout SECONDS] [--llm-idle-timeout SECONDS]\n"
    "                       [--appcast FILE] [--downloads DIR] [--insecure]\n"
    "                       [--trusted-proxy ADDRESS] [--sign-up]\n"
    "                       [--max-downloads N] [--max-commands N]\n"
    "       scribeon-server init [--db PATH] [--demo]\n"
    "       scribeon-server user add --email EMAIL --name NAME [--plan PLAN] [--expires ISO-TIME]\n"
    "       scribeon-server user list\n"
    "       scribeon-server user sign-out --email EMAIL   (ends every sign-in of the account)\n"
    "       scribeon-server command add --code CODE --name NAME --processor "
    "builtin:NAME|llm:PROMPT\n"
    "                                   [--position N]\n"
    "       scribeon-server command list\n"
    "       scribeon-server --version | --help\n"
    "DATABASE is an SQLite file, or a PostgreSQL connection string (postgresql://...\n"
    "or key=value pairs) that several servers may share.\n"
    "A non-loopback address needs --cert and --key, or --insecure for plain HTTP.\n"
    "Passwords are read from standard input. The language model's API key is read\n"
    "from the environment variable SCRIBEON_LLM_API_KEY.\n";

namespace {

std::optional<int> number(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string lookup(const std::map<std::string, std::string>& environment, const std::string& name) {
    auto it = environment.find(name);
    return it == environment.end() ? std::string() : it->second;
}

} // namespace

bool isLoopbackHost(const std::string& host) {
    if (host == "localhost" || host == "::1" || host == "[::1]")
        return true;
    // 127.0.0.0/8, written as four numbers.
    unsigned a = 0, b = 0, c = 0, d = 0;
    char end = 0;
    return std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &end) == 4 && a == 127 &&
           b < 256 && c < 256 && d < 256;
}

std::string defaultDatabasePath(const std::map<std::string, std::string>& environment) {
    std::string data = lookup(environment, "XDG_DATA_HOME");
    if (data.empty() || data.front() != '/')
        data = lookup(environment, "HOME") + "/.local/share";
    return data + "/scribeon/server.db";
}

std::variant<ServerOptions, std::string>
parseServerOptions(const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment) {
    ServerOptions options;
    options.databasePath = defaultDatabasePath(environment);
    options.languageModel.apiKey = lookup(environment, "SCRIBEON_LLM_API_KEY");
    const std::vector<std::string> valueOptions{"--db",
                                                "--listen",
                                                "--cert",
                                                "--key",
                                                "--threads",
                                                "--llm-url",
                                                "--llm-model",
                                                "--email",
                                                "--name",
                                                "--plan",
                                                "--expires",
                                                "--code",
                                                "--processor",
                                                "--position",
                                                "--appcast",
                                                "--downloads",
                                                "--trusted-proxy",
                                                "--max-downloads",
                                                "--max-commands",
                                                "--llm-first-token-timeout",
                                                "--llm-idle-timeout"};
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--demo") {
            options.demo = true;
            options.signUp = true;
        } else if (argument == "--sign-up") {
            options.signUp = true;
        } else if (argument == "--insecure") {
            options.insecure = true;
        } else if (argument == "--quiet") {
            options.listen.accessLog = false;
        } else if (argument == "--help" || argument == "-h") {
            options.action = {"help"};
        } else if (argument == "--version") {
            options.action = {"version"};
        } else if (argument == "--password") {
            return "Passwords are never taken from the command line; pipe it to standard input.";
        } else if (argument.starts_with("--")) {
            if (std::find(valueOptions.begin(), valueOptions.end(), argument) == valueOptions.end())
                return "unknown option " + argument;
            if (i + 1 >= arguments.size())
                return argument + " needs a value";
            options.values[argument.substr(2)] = arguments[++i];
        } else {
            options.action.push_back(argument);
        }
    }
    auto take = [&](const char* key) -> std::optional<std::string> {
        auto it = options.values.find(key);
        return it == options.values.end() ? std::nullopt : std::optional(it->second);
    };
    if (auto db = take("db"))
        options.databasePath = *db;
    if (auto listen = take("listen")) {
        const auto colon = listen->rfind(':');
        const auto port =
            colon == std::string::npos ? std::nullopt : number(listen->substr(colon + 1));
        if (!port || *port < 0 || *port > 65535 || colon == 0)
            return "--listen wants HOST:PORT, for example 127.0.0.1:8787";
        options.listen.host = listen->substr(0, colon);
        options.listen.port = *port;
    }
    if (auto threads = take("threads")) {
        const auto count = number(*threads);
        if (!count || *count < 2 || *count > 1024)
            return "--threads wants a number from 2 to 1024";
        options.listen.threads = *count;
    }
    if (auto downloads = take("max-downloads")) {
        const auto count = number(*downloads);
        if (!count || *count < 1 || *count > 10000)
            return "--max-downloads wants a number from 1 to 10000";
        options.listen.maxDownloads = *count;
    }
    if (auto commands = take("max-commands")) {
        const auto count = number(*commands);
        if (!count || *count < 0 || *count > 100000)
            return "--max-commands wants a number from 0 to 100000";
        options.maxOwnCommands = *count;
    }
    options.listen.trustedProxy = take("trusted-proxy").value_or("");
    options.listen.certificateFile = take("cert").value_or("");
    options.listen.keyFile = take("key").value_or("");
    if (options.listen.certificateFile.empty() != options.listen.keyFile.empty())
        return "--cert and --key go together";
    if (auto url = take("llm-url")) {
        options.languageModel.url = *url;
        while (!options.languageModel.url.empty() && options.languageModel.url.back() == '/')
            options.languageModel.url.pop_back();
    }
    options.languageModel.model = take("llm-model").value_or("default");
    const std::pair<const char*, std::chrono::milliseconds*> waits[] = {
        {"llm-first-token-timeout", &options.languageModel.firstTextTimeout},
        {"llm-idle-timeout", &options.languageModel.idleTimeout}};
    for (const auto& [name, wait] : waits) {
        if (auto seconds = take(name)) {
            const auto count = number(*seconds);
            if (!count || *count < 1 || *count > 3600)
                return "--" + std::string(name) + " wants a number of seconds from 1 to 3600";
            *wait = std::chrono::seconds(*count);
        }
    }

    const auto& action = options.action;
    const bool serving = action.empty() || action == std::vector<std::string>{"serve"};
    if (serving && options.listen.certificateFile.empty() && !options.insecure &&
        !isLoopbackHost(options.listen.host))
        return "refusing plain HTTP on " + options.listen.host +
               ": passwords and tokens would cross the network readable by anyone on the way. "
               "Give --cert and --key, or --insecure to do it anyway.";
    const bool known = action.empty() || action == std::vector<std::string>{"serve"} ||
                       action == std::vector<std::string>{"init"} ||
                       action == std::vector<std::string>{"help"} ||
                       action == std::vector<std::string>{"version"} ||
                       (action.size() == 2 && (action[0] == "user" || action[0] == "command") &&
                        (action[1] == "add" || action[1] == "list")) ||
                       action == std::vector<std::string>{"user", "sign-out"};
    if (!known)
        return "unknown command: " + (action.empty() ? std::string() : action[0]);
    return options;
}

} // namespace scribeon::server
