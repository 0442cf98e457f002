#pragma once

#include "server/ServiceApi.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace scribeon::server {

struct ListenOptions {
    std::string host = "127.0.0.1";
    int port = 8787; // 0 picks a free port
    std::string certificateFile;
    std::string keyFile;
    int threads = 64; // one per open keep-alive connection
    bool accessLog = true;
};

// cpp-httplib in front of ServiceApi: JSON for every answer (413, 404, 405
// and the library's own errors included), a 1 MiB body cap, keep-alive, and
// one access-log line per request on stderr.
class HttpFrontEnd {
public:
    static constexpr std::size_t maximumBody = 1024 * 1024;

    HttpFrontEnd(ServiceApi& api, ListenOptions options);
    ~HttpFrontEnd();

    int bind(); // the port; throws std::runtime_error when it cannot listen
    void run(); // serves until stop()
    void stop();
    bool isRunning() const;
    bool usesTls() const { return !options_.certificateFile.empty(); }

private:
    ServiceApi& api_;
    ListenOptions options_;
    std::unique_ptr<httplib::Server> server_;
};

} // namespace scribeon::server
