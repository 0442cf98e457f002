#pragma once

#include "platform/HttpTransport.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

class QThread;

namespace scribeon {

// HTTP exchanges through Qt's network access on one thread of their own,
// started at the first call: calls overlap, none blocks the caller, and the
// program loads no HTTP or TLS library beyond Qt's (TLS only at the first
// https:// call). TLS peers and host names are always verified; plain
// http:// is refused unless the host is a loopback address, and requests to
// this computer never go through a proxy. Destroying the transport waits for
// the exchanges under way, so a last call (a sign-out) still reaches the
// service.
class QtHttpTransport : public HttpTransport {
public:
    static constexpr std::size_t defaultMaxReplyBytes = std::size_t{16} * 1024 * 1024;

    explicit QtHttpTransport(std::size_t maxReplyBytes = defaultMaxReplyBytes);
    ~QtHttpTransport() override;
    QtHttpTransport(const QtHttpTransport&) = delete;
    QtHttpTransport& operator=(const QtHttpTransport&) = delete;

    void send(HttpRequest request, std::function<void(HttpOutcome)> completion) override;

    // For tests that talk to their own certificate authority; set it before
    // the first call. It replaces the system's authorities.
    void setCertificateAuthorityFile(std::string path) { caFile_ = std::move(path); }

    static bool isLoopbackHost(const std::string& host);

private:
    struct Job {
        HttpRequest request;
        std::function<void(HttpOutcome)> completion;
    };
    class Network;
    void run();

    std::size_t maxReplyBytes_;
    std::string caFile_;
    // The hand-over between the callers and the network thread: a standard
    // mutex, so that the thread sanitizer sees it.
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    Network* network_ = nullptr;
    std::unique_ptr<QThread> thread_;
};

} // namespace scribeon
