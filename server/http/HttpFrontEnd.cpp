#include "server/http/HttpFrontEnd.h"

#include "base/PercentEncoding.h"
#include "server/http/LogText.h"

#include "wire/ServiceErrorCodes.h"

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <array>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <unistd.h>
#include <variant>

namespace scribeon::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using namespace std::chrono_literals;

namespace {

constexpr auto idleTimeout = 10s;

// The path of a request target, without its query, percent-decoded.
std::string decodedPath(std::string_view target) {
    return percentDecoded(target.substr(0, target.find('?')));
}

void logRequest(std::string_view method, const std::string& path, int status,
                std::chrono::steady_clock::time_point start) {
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // The path comes percent-decoded from the client: escaped, it cannot
    // split the line or reorder what a terminal shows.
    const std::string shownMethod = logSafe(method, 16);
    const std::string shownPath = logSafe(path);
    char line[2048];
    const int length = std::snprintf(line, sizeof line, "%s %s %d %.2f ms\n", shownMethod.c_str(),
                                     shownPath.c_str(), status, milliseconds);
    if (length > 0)
        (void)!::write(STDERR_FILENO, line,
                       std::min<std::size_t>(std::size_t(length), sizeof line - 1));
}

} // namespace

struct HttpFrontEnd::Engine {
    Engine(RequestHandler& handler, const ListenOptions& options)
        : handler(handler), options(options),
          ioThreads(std::max(2u, std::thread::hardware_concurrency())),
          tls(asio::ssl::context::tls_server), io(static_cast<int>(ioThreads)),
          acceptorStrand(asio::make_strand(io)), acceptor(acceptorStrand),
          workers(static_cast<std::size_t>(std::max(2, options.threads))),
          passwordWorkers(static_cast<std::size_t>(std::max(2, options.threads))) {
        if (!options.certificateFile.empty()) {
            boost::system::error_code error;
            tls.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                            asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 |
                            asio::ssl::context::no_tlsv1_1);
            tls.use_certificate_chain_file(options.certificateFile, error);
            if (!error)
                tls.use_private_key_file(options.keyFile, asio::ssl::context::pem, error);
            if (error)
                throw std::runtime_error("the certificate or key could not be loaded: " +
                                         error.message());
        }
    }

    void accept();

    RequestHandler& handler;
    const ListenOptions& options;
    unsigned ioThreads;
    asio::ssl::context tls;
    asio::io_context io;
    // Every use of the acceptor (its completions, the first accept, the
    // close that stops the server) runs on this strand: a close on one I/O
    // thread while another starts the next accept crashes in the reactor.
    asio::strand<asio::io_context::executor_type> acceptorStrand;
    tcp::acceptor acceptor;
    // Destroyed before io, so no worker posts into a dead context. Sign-ins
    // have their own: a flood of them, each waiting its turn to hash, would
    // otherwise hold every worker and stall quick requests behind them.
    asio::thread_pool workers;
    asio::thread_pool passwordWorkers;
    std::atomic<bool> running{false};
    std::atomic<int> downloads{0}; // files being sent now
    // Late replies hand their pieces over from other threads; once the
    // server stops, nothing may be posted into the I/O context any more.
    struct DeliveryGate {
        std::mutex mutex;
        bool open = true;
    };
    std::shared_ptr<DeliveryGate> gate = std::make_shared<DeliveryGate>();
};

namespace {

template <typename Stream> class Session : public std::enable_shared_from_this<Session<Stream>> {
public:
    Session(HttpFrontEnd::Engine& engine, Stream stream, std::string clientAddress)
        : engine_(engine), stream_(std::move(stream)), clientAddress_(std::move(clientAddress)) {}
    ~Session() {
        releaseDownloadTurn();
        if (late_ && !lateEnded_)
            late_->cancel();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    Session(Session&&) = delete;
    Session& operator=(Session&&) = delete;

    void start() {
        if constexpr (std::is_same_v<Stream, beast::ssl_stream<beast::tcp_stream>>) {
            beast::get_lowest_layer(stream_).expires_after(idleTimeout);
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code error) {
                                        if (!error)
                                            self->read();
                                    });
        } else {
            read();
        }
    }

private:
    void read() {
        parser_.emplace();
        parser_->body_limit(HttpFrontEnd::maximumBody);
        parser_->header_limit(16 * 1024);
        beast::get_lowest_layer(stream_).expires_after(idleTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                             self->onRead(error);
                         });
    }

    void onRead(beast::error_code error) {
        start_ = std::chrono::steady_clock::now();
        if (error == http::error::body_limit) {
            drainAfterAnswer_ = true;
            answerAndClose(413, ServiceErrorCode::payloadTooLarge,
                           "The request body is larger than 1 MiB.");
            return;
        }
        if (error == http::error::header_limit) {
            answerAndClose(431, ServiceErrorCode::headersTooLarge,
                           "The request headers are too large.");
            return;
        }
        const bool gone =
            error == http::error::end_of_stream || error == http::error::partial_message;
        if (error && !gone &&
            error.category() == http::make_error_code(http::error::bad_target).category()) {
            answerAndClose(400, ServiceErrorCode::badRequest,
                           "The request could not be understood.");
            return;
        }
        if (error) { // closed, timed out or reset
            close();
            return;
        }
        auto request = parser_->release();
        keepAlive_ = request.keep_alive();
        version_ = request.version();
        head_ = request.method() == http::verb::head;
        ApiRequest apiRequest{std::string(request.method_string()),
                              decodedPath(request.target()),
                              std::string(request[http::field::authorization]),
                              std::move(request.body()),
                              clientAddressOf(request["X-Forwarded-For"]),
                              std::string(request[http::field::cookie]),
                              std::string(request[http::field::content_type]),
                              std::string(request[http::field::accept])};
        if ((request.method() == http::verb::get || head_) && !engine_.options.readsWait) {
            answer(engine_.handler.handle(apiRequest), apiRequest);
            return;
        }
        auto& pool =
            engine_.handler.checksPassword(apiRequest) ? engine_.passwordWorkers : engine_.workers;
        asio::post(pool,
                   [self = this->shared_from_this(), apiRequest = std::move(apiRequest)]() mutable {
                       auto reply = self->engine_.handler.handle(apiRequest);
                       asio::post(self->stream_.get_executor(),
                                  [self, reply = std::move(reply),
                                   apiRequest = std::move(apiRequest)]() mutable {
                                      self->answer(std::move(reply), apiRequest);
                                  });
                   });
    }

    std::string clientAddressOf(std::string_view forwardedFor) const {
        if (engine_.options.trustedProxy.empty() || clientAddress_ != engine_.options.trustedProxy)
            return clientAddress_;
        // The proxy appends the address it saw; earlier ones are the client's word.
        const auto comma = forwardedFor.rfind(',');
        auto last = forwardedFor.substr(comma == std::string_view::npos ? 0 : comma + 1);
        while (!last.empty() && last.front() == ' ')
            last.remove_prefix(1);
        while (!last.empty() && last.back() == ' ')
            last.remove_suffix(1);
        return last.empty() || last.size() > 64 ? clientAddress_ : std::string(last);
    }

    void answer(const ApiReply& reply, const ApiRequest& request) {
        std::visit(
            [&](const auto& content) {
                using Content = std::decay_t<decltype(content)>;
                if constexpr (std::is_same_v<Content, LateContent>)
                    answerLate(content.reply, request);
                else if constexpr (std::is_same_v<Content, FileContent>)
                    answerWithFile(reply, content.path, request);
                else if constexpr (std::is_same_v<Content, TextContent>)
                    answerWhole(reply, reply.contentType, content.text, request);
                else
                    answerWhole(
                        reply, "application/json",
                        reply.body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                        request);
            },
            reply.content);
    }

    void answerWhole(const ApiReply& reply, const std::string& contentType, std::string body,
                     const ApiRequest& request) {
        response_ = {};
        response_.version(version_);
        response_.result(static_cast<unsigned>(reply.status));
        response_.set(http::field::content_type, contentType);
        for (const auto& [name, value] : reply.headers)
            response_.insert(name, value);
        response_.body() = std::move(body);
        response_.keep_alive(keepAlive_);
        response_.prepare_payload();
        if (head_)
            response_.body().clear(); // the length stays in the header
        if (engine_.options.accessLog)
            logRequest(request.method, request.path, reply.status, start_);
        http::async_write(stream_, response_,
                          [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                              if (!error && self->drainAfterAnswer_)
                                  self->drain(8 * 1024 * 1024);
                              else if (error || !self->keepAlive_)
                                  self->close();
                              else
                                  self->read();
                          });
    }

    // A file goes out a few KiB at a time as the client takes it, so memory
    // stays flat however large the file and however many clients are slow.
    void answerWithFile(const ApiReply& reply, const std::string& path, const ApiRequest& request) {
        if (!head_ && !takeDownloadTurn()) {
            auto busy = errorReply(503, ServiceErrorCode::serverError,
                                   "Too many downloads at once. Try again in a moment.");
            busy.headers.emplace_back("Retry-After", "5");
            answer(busy, request);
            return;
        }
        beast::error_code error;
        http::file_body::value_type body;
        body.open(path.c_str(), beast::file_mode::scan, error);
        if (error) { // gone since it was found
            releaseDownloadTurn();
            answer(errorReply(404, ServiceErrorCode::notFound, "There is nothing at this address."),
                   request);
            return;
        }
        fileResponse_.emplace(std::piecewise_construct, std::make_tuple(std::move(body)));
        fileResponse_->version(version_);
        fileResponse_->result(static_cast<unsigned>(reply.status));
        fileResponse_->set(http::field::content_type, reply.contentType);
        for (const auto& [name, value] : reply.headers)
            fileResponse_->insert(name, value);
        fileResponse_->keep_alive(keepAlive_);
        fileResponse_->prepare_payload();
        fileWriter_.emplace(*fileResponse_);
        if (engine_.options.accessLog)
            logRequest(request.method, request.path, reply.status, start_);
        if (head_)
            http::async_write_header(
                stream_, *fileWriter_,
                [self = this->shared_from_this()](beast::error_code failure, std::size_t) {
                    self->afterFile(failure);
                });
        else
            sendFilePiece();
    }

    void sendFilePiece() {
        // A client that takes nothing for this long gives up its turn.
        beast::get_lowest_layer(stream_).expires_after(idleTimeout);
        http::async_write_some(
            stream_, *fileWriter_,
            [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                if (!error && !self->fileWriter_->is_done())
                    self->sendFilePiece();
                else
                    self->afterFile(error);
            });
    }

    void afterFile(beast::error_code error) {
        fileWriter_.reset();
        fileResponse_.reset(); // closes the file
        releaseDownloadTurn();
        if (error || !keepAlive_)
            close();
        else
            read();
    }

    // A processor still at work. The client is watched all along, so one that
    // goes away cancels the run at once; a streamed body goes out piece by
    // piece, at most streamBufferBytes of it waiting for a slow client.
    void answerLate(const std::shared_ptr<LateReply>& late, const ApiRequest& request) {
        late_ = late;
        lateMethod_ = request.method;
        latePath_ = request.path;
        lateEnded_ = false;
        lateFinished_ = false;
        gone_ = false;
        beast::get_lowest_layer(stream_).expires_never();
        watchClient();
        if (late_->streams()) {
            chunked_ = version_ >= 11;
            keepAlive_ = keepAlive_ && chunked_;
            pending_ = std::string(chunked_ ? "HTTP/1.1" : "HTTP/1.0") +
                       " 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
                       "X-Accel-Buffering: no\r\n" +
                       (chunked_ ? "Transfer-Encoding: chunked\r\n" : "") +
                       (keepAlive_ ? "" : "Connection: close\r\n") + "\r\n";
            writeMore();
        }
        const std::weak_ptr<Session> weak = this->shared_from_this();
        const auto post = [weak, gate = engine_.gate,
                           executor = stream_.get_executor()](auto work) {
            const std::lock_guard lock(gate->mutex);
            if (gate->open)
                asio::post(executor, [weak, work = std::move(work)]() mutable {
                    if (auto self = weak.lock())
                        work(*self);
                });
        };
        late_->start(
            {[post](std::string piece) {
                 post([piece = std::move(piece)](Session& self) { self.queuePiece(piece); });
             },
             [post](ApiReply reply) {
                 post([reply = std::move(reply)](Session& self) mutable {
                     self.lateEnded(std::move(reply));
                 });
             }});
    }

    void watchClient() {
        watching_ = true;
        stream_.async_read_some(
            buffer_.prepare(4096),
            [self = this->shared_from_this()](beast::error_code error, std::size_t bytes) {
                self->watching_ = false;
                if (self->gone_)
                    return;
                if (!error) {
                    self->buffer_.commit(bytes); // the next request, read after this answer
                    if (!self->lateFinished_ && self->buffer_.size() < 64 * 1024)
                        self->watchClient();
                    else if (self->lateFinished_)
                        self->afterLate();
                } else if (error == asio::error::operation_aborted && self->lateFinished_) {
                    self->afterLate();
                } else {
                    self->clientGone();
                }
            });
    }

    void queuePiece(const std::string& piece) {
        if (gone_ || piece.empty())
            return;
        if (chunked_) {
            char size[20];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            pending_ += size;
            pending_ += piece;
            pending_ += "\r\n";
        } else {
            pending_ += piece;
        }
        if (pending_.size() > engine_.options.streamBufferBytes) {
            std::fprintf(stderr, "[scribeon-server] %s %s: the client reads too slowly, dropped\n",
                         logSafe(lateMethod_, 16).c_str(), logSafe(latePath_).c_str());
            clientGone();
        } else if (!writing_) {
            writeMore();
        }
    }

    void lateEnded(ApiReply reply) {
        lateEnded_ = true;
        if (gone_)
            return;
        if (!late_->streams()) {
            finalReply_ = std::move(reply);
            finishLate();
            return;
        }
        if (engine_.options.accessLog)
            logRequest(lateMethod_, latePath_, 200, start_);
        if (chunked_)
            pending_ += "0\r\n\r\n";
        if (!writing_)
            writeMore();
    }

    void writeMore() {
        if (pending_.empty()) {
            if (lateEnded_)
                finishLate();
            return;
        }
        writing_ = true;
        outgoing_ = std::move(pending_);
        pending_.clear();
        // A client that takes nothing for this long is dropped, as with files.
        if (!writeTimer_)
            writeTimer_.emplace(stream_.get_executor());
        writeTimer_->expires_after(idleTimeout);
        writeTimer_->async_wait([self = this->shared_from_this()](beast::error_code error) {
            if (!error)
                self->clientGone();
        });
        asio::async_write(stream_, asio::buffer(outgoing_),
                          [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                              self->writing_ = false;
                              self->writeTimer_->cancel();
                              if (self->gone_)
                                  return;
                              if (error)
                                  self->clientGone();
                              else
                                  self->writeMore();
                          });
    }

    // Everything of the late reply is out (or, plain, is ready): stop
    // watching, and go on once the watch has ended.
    void finishLate() {
        lateFinished_ = true;
        if (watching_)
            beast::get_lowest_layer(stream_).socket().cancel();
        else
            afterLate();
    }

    void afterLate() {
        auto late = std::move(late_);
        late_.reset();
        if (!late->streams()) {
            const ApiRequest request{lateMethod_, latePath_, {}, {}, clientAddress_, {}, {}, {}};
            answer(*finalReply_, request);
            finalReply_.reset();
        } else if (keepAlive_) {
            read();
        } else {
            close();
        }
    }

    void clientGone() {
        if (gone_)
            return;
        gone_ = true;
        if (late_ && !lateEnded_)
            late_->cancel();
        if (writeTimer_)
            writeTimer_->cancel();
        beast::get_lowest_layer(stream_).close();
    }

    bool takeDownloadTurn() {
        if (engine_.downloads.fetch_add(1) >= engine_.options.maxDownloads) {
            engine_.downloads.fetch_sub(1);
            return false;
        }
        holdsDownloadTurn_ = true;
        return true;
    }

    void releaseDownloadTurn() {
        if (holdsDownloadTurn_) {
            holdsDownloadTurn_ = false;
            engine_.downloads.fetch_sub(1);
        }
    }

    void answerAndClose(int status, std::string_view error, const char* message) {
        keepAlive_ = false;
        head_ = false;
        const ApiRequest request{"-", "-", {}, {}, clientAddress_, {}, {}, {}};
        answer(errorReply(status, error, message), request);
    }

    // A client still sending a refused body would block on a full socket and
    // never read our answer; take (and drop) what it sends for a while.
    void drain(std::size_t budget) {
        beast::get_lowest_layer(stream_).expires_after(2s);
        stream_.async_read_some(
            asio::buffer(scratch_),
            [self = this->shared_from_this(), budget](beast::error_code error, std::size_t bytes) {
                if (error || bytes >= budget)
                    self->close();
                else
                    self->drain(budget - bytes);
            });
    }

    void close() {
        beast::error_code ignored;
        if constexpr (std::is_same_v<Stream, beast::ssl_stream<beast::tcp_stream>>) {
            beast::get_lowest_layer(stream_).expires_after(2s);
            stream_.async_shutdown([self = this->shared_from_this()](beast::error_code) {
                beast::error_code ignoredToo;
                beast::get_lowest_layer(self->stream_)
                    .socket()
                    .shutdown(tcp::socket::shutdown_both, ignoredToo);
            });
        } else {
            stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        }
    }

    HttpFrontEnd::Engine& engine_;
    Stream stream_;
    std::string clientAddress_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    std::optional<http::response<http::file_body>> fileResponse_;
    std::optional<http::response_serializer<http::file_body>> fileWriter_;
    bool holdsDownloadTurn_ = false;
    std::chrono::steady_clock::time_point start_;
    bool keepAlive_ = false;
    bool head_ = false;
    bool drainAfterAnswer_ = false;
    std::array<char, 16384> scratch_{};
    unsigned version_ = 11;
    // A late reply: its run, what it waits to send, and where it stands.
    std::shared_ptr<LateReply> late_;
    std::string lateMethod_, latePath_;
    std::optional<ApiReply> finalReply_;
    std::optional<asio::steady_timer> writeTimer_;
    std::string pending_, outgoing_;
    bool chunked_ = false;
    bool watching_ = false;
    bool writing_ = false;
    bool lateEnded_ = false;    // the run has ended
    bool lateFinished_ = false; // and all of it is sent (plain: ready to send)
    bool gone_ = false;         // the client went away or was dropped
};

} // namespace

void HttpFrontEnd::Engine::accept() {
    acceptor.async_accept(
        asio::make_strand(io), [this](beast::error_code error, tcp::socket socket) {
            if (error) {
                if (acceptor.is_open())
                    accept();
                return;
            }
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            const auto remote = socket.remote_endpoint(ignored);
            std::string address = ignored ? std::string() : remote.address().to_string();
            if (options.certificateFile.empty()) {
                std::make_shared<Session<beast::tcp_stream>>(
                    *this, beast::tcp_stream(std::move(socket)), std::move(address))
                    ->start();
            } else {
                std::make_shared<Session<beast::ssl_stream<beast::tcp_stream>>>(
                    *this,
                    beast::ssl_stream<beast::tcp_stream>(beast::tcp_stream(std::move(socket)), tls),
                    std::move(address))
                    ->start();
            }
            accept();
        });
}

HttpFrontEnd::HttpFrontEnd(RequestHandler& handler, ListenOptions options)
    : options_(std::move(options)), engine_(std::make_unique<Engine>(handler, options_)) {}

HttpFrontEnd::~HttpFrontEnd() {
    {
        const std::lock_guard lock(engine_->gate->mutex);
        engine_->gate->open = false;
    }
    // Posting the stop allocates and joining can fail; a destructor that
    // threw would end the process instead of shutting down.
    try {
        stop();
        engine_->workers.join();
        engine_->passwordWorkers.join();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "[scribeon-server] stopping: %s\n", failure.what());
        engine_->io.stop();
    }
}

int HttpFrontEnd::bind() {
    beast::error_code error;
    const auto address = asio::ip::make_address(options_.host, error);
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(options_.port));
    auto& acceptor = engine_->acceptor;
    if (!error)
        acceptor.open(endpoint.protocol(), error);
    if (!error)
        acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error)
        acceptor.bind(endpoint, error);
    if (!error)
        acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error)
        throw std::runtime_error("cannot listen on " + options_.host + ":" +
                                 std::to_string(options_.port) + ": " + error.message());
    return acceptor.local_endpoint().port();
}

void HttpFrontEnd::run() {
    asio::post(engine_->acceptorStrand, [this] { engine_->accept(); });
    engine_->running = true;
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < engine_->ioThreads; ++i)
        helpers.emplace_back([this] { engine_->io.run(); });
    engine_->io.run();
    for (auto& helper : helpers)
        helper.join();
    engine_->running = false;
}

void HttpFrontEnd::stop() {
    asio::post(engine_->acceptorStrand, [this] {
        beast::error_code ignored;
        engine_->acceptor.close(ignored);
        engine_->io.stop();
    });
}

bool HttpFrontEnd::isRunning() const {
    return engine_->running;
}

} // namespace scribeon::server
