#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace scribeon::server {

struct UpstreamRequest {
    std::string url;
    std::vector<std::string> headers;
    std::string body; // sent with POST
    // Until the reply's first text, then between two pieces of it.
    std::chrono::milliseconds firstTextTimeout{120000};
    std::chrono::milliseconds idleTimeout{30000};
};

struct UpstreamEnd {
    enum class How { complete, failed, timedOut, cancelled };
    How how = How::complete;
    std::string reason; // why it failed, for the log
};

// Hears one request's reply, on the requests' own thread.
class UpstreamListener {
public:
    virtual ~UpstreamListener() = default;
    enum class Flow { waiting, flowing, enough };
    // A piece of the body and the reply's status; says whether text has
    // started (the idle timeout then applies), or that the rest is not wanted.
    virtual Flow received(std::string_view bytes, long status) = 0;
    virtual void ended(const UpstreamEnd& end) = 0; // once, last
};

// HTTP requests to the language model, all driven by one thread through
// libcurl's multi interface: a request waiting on a slow model costs a
// socket and its buffers, not a thread. Cancelling closes the request's
// connection at once, so the back end stops working on it.
class UpstreamRequests {
public:
    using Id = std::uint64_t;

    UpstreamRequests();
    ~UpstreamRequests(); // cancels what is in flight
    UpstreamRequests(const UpstreamRequests&) = delete;
    UpstreamRequests& operator=(const UpstreamRequests&) = delete;
    UpstreamRequests(UpstreamRequests&&) = delete;
    UpstreamRequests& operator=(UpstreamRequests&&) = delete;

    Id start(UpstreamRequest request, std::shared_ptr<UpstreamListener> listener);
    void cancel(Id id); // from any thread; nothing once the request ended

    struct Loop; // the curl machinery, kept out of this header

private:
    std::unique_ptr<Loop> loop_;
    std::thread thread_;
};

} // namespace scribeon::server
