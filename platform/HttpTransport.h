#pragma once

#include "platform/MainQueue.h"
#include "platform/TransportError.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace scribeon {

// What is known of a reply once its headers are in.
struct HttpReplyHead {
    long status = 0;
    std::string contentType;
};

struct HttpRequest {
    std::string method;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::chrono::milliseconds timeout{60000};
    // Told the reply body's bytes so far as they arrive, on the worker.
    std::function<void(std::uint64_t received)> onProgress;
    // When set, the reply body is handed over piece by piece as it arrives,
    // on the worker, and the completion's reply has no body. The size cap
    // still counts every byte. The whole exchange then has no deadline, only
    // `timeout` of silence between two pieces (a model may think a while).
    std::function<void(const HttpReplyHead&, std::string_view piece)> onChunk;
    // Cancelled, the exchange ends within a second, its connection closed,
    // and completes with TransportError::Code::cancelled.
    Cancel cancel;
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
