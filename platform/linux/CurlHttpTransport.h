#pragma once

#include "platform/HttpTransport.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace scribeon {

// libcurl easy handles on a small pool of worker threads: calls overlap,
// none blocks the caller. A worker starts only when a call finds none idle,
// so a program that makes one call at a time keeps one thread (and its
// stack and allocation arena) rather than the whole pool. TLS peers and host names are always
// verified; plain http:// is refused unless the host is a loopback address.
class CurlHttpTransport : public HttpTransport {
public:
    static constexpr std::size_t defaultMaxReplyBytes = std::size_t{16} * 1024 * 1024;

    explicit CurlHttpTransport(std::size_t workers = 4,
                               std::size_t maxReplyBytes = defaultMaxReplyBytes);
    ~CurlHttpTransport() override;

    void send(HttpRequest request, std::function<void(HttpOutcome)> completion) override;

    // For tests that talk to their own certificate authority.
    void setCertificateAuthorityFile(std::string path) { caFile_ = std::move(path); }

    static bool isLoopbackHost(const std::string& host);

private:
    struct Job {
        HttpRequest request;
        std::function<void(HttpOutcome)> completion;
    };
    void work();
    HttpOutcome perform(const HttpRequest& request) const;

    std::size_t maxWorkers_;
    std::size_t maxReplyBytes_;
    std::string caFile_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace scribeon
