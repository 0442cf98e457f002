#pragma once

#include "server/http/Exchange.h"
#include "wire/RequestLimits.h"

#include <memory>
#include <string>

namespace scribeon::server {

struct ListenOptions {
    std::string host = "127.0.0.1";
    int port = 8787; // 0 picks a free port
    std::string certificateFile;
    std::string keyFile;
    int threads =
        16; // workers for requests that may wait (POST: password hashing, language models)
    bool accessLog = true;
    // A reverse proxy in front: requests from this address are taken to come
    // from the last address of their X-Forwarded-For. Nobody else's header
    // is believed, so a client cannot choose the address it is judged by.
    std::string trustedProxy;
    // GETs are answered on the I/O threads when the storage answers reads
    // at once (SQLite, in process); with a database server each read is a
    // round trip, and an I/O thread waiting on it stops every connection
    // it serves, so they go to the workers like POSTs.
    bool readsWait = false;
    // Files sent at once (the update downloads); more are answered 503. Each
    // holds a connection and an open file until its client has it all, or
    // takes nothing for the idle timeout.
    int maxDownloads = 32;
    // What a streamed reply may hold for a client that reads slower than the
    // model writes; past it the client is dropped and its run cancelled.
    std::size_t streamBufferBytes = std::size_t{1} << 20;
};

// Boost.Beast in front of a RequestHandler: asynchronous keep-alive connections on
// one I/O thread per core; GET requests are answered right there, POST
// requests on a worker pool so a slow one never holds up the others. Every
// answer is JSON (413, 400, 404 and 405 included), bodies are capped at
// 1 MiB, and each request is one access-log line on stderr. A reply naming a
// file is streamed from disk a piece at a time, and a late reply (a language
// model at work) goes out as it comes while the client is watched for going
// away, which cancels it.
class HttpFrontEnd {
public:
    static constexpr std::size_t maximumBody = maximumRequestBodyBytes;

    HttpFrontEnd(RequestHandler& handler, ListenOptions options);
    ~HttpFrontEnd();

    int bind(); // the port; throws std::runtime_error when it cannot listen
    void run(); // serves until stop()
    void stop();
    bool isRunning() const;
    bool usesTls() const { return !options_.certificateFile.empty(); }

    struct Engine; // the Beast machinery, kept out of this header

private:
    ListenOptions options_;
    std::unique_ptr<Engine> engine_;
};

} // namespace scribeon::server
