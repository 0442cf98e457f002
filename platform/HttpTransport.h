#pragma once

#include "platform/TransportError.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace scribeon {

struct HttpRequest {
    std::string method;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::chrono::milliseconds timeout{60000};
    // Told the reply body's bytes so far as they arrive, on the worker.
    std::function<void(std::uint64_t received)> onProgress;
};

struct HttpReply {
    long status = 0;
    std::string body;
};

using HttpOutcome = std::variant<HttpReply, TransportError>;

// Performs one HTTP exchange off the caller's thread; `completion` runs on a
// worker thread.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    virtual void send(HttpRequest request, std::function<void(HttpOutcome)> completion) = 0;
};

} // namespace scribeon
