#pragma once

#include "server/http/HttpFrontEnd.h"
#include "server/processors/ChatCompletionsProcessor.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace scribeon::server {

// The command line: an action (serve, init, user add, user list, command
// add, command list, help) and its --name value options.
struct ServerOptions {
    std::vector<std::string> action; // e.g. {"user", "add"}; empty means serve
    std::string databasePath;
    ListenOptions listen;
    LanguageModelSettings languageModel;
    bool demo = false;
    bool signUp = false;                       // the /sign-up page creates accounts; on in the demo
    bool insecure = false;                     // plain HTTP on a non-loopback address, knowingly
    int maxOwnCommands = 100;                  // commands one account may make on the web pages
    std::map<std::string, std::string> values; // --email, --name, --plan, --code ...
};

// Parsed options, or the message that explains what is wrong.
std::variant<ServerOptions, std::string>
parseServerOptions(const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment);

// 127.0.0.0/8, ::1 and localhost: addresses no other machine reaches.
bool isLoopbackHost(const std::string& host);

std::string defaultDatabasePath(const std::map<std::string, std::string>& environment);

extern const char* const serverUsage;

} // namespace scribeon::server
