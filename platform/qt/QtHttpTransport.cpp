#include "platform/qt/QtHttpTransport.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <arpa/inet.h>

#include <cstdint>
#include <optional>

namespace scribeon {

namespace {

using Code = TransportError::Code;

// How soon a cancelled exchange lets go of its connection.
constexpr std::chrono::milliseconds cancelCheck{100};
constexpr qint64 readPiece = qint64{64} * 1024;

// A proxy from the environment would read the password and the token of a
// plain-http request to this computer; everything else goes the system's way.
class LoopbackDirect : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        if (QtHttpTransport::isLoopbackHost(query.peerHostName().toStdString()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

// Errors whose reply still carries the server's status and body (4xx, 5xx)
// are replies; the rest are failures of the exchange itself.
bool exchangeFailed(QNetworkReply::NetworkError error) {
    const int code = error;
    return code != 0 && (code < 200 || (code >= 300 && code < 400));
}

TransportError classify(const QNetworkReply& reply, bool untrusted) {
    const std::string description = reply.errorString().toStdString();
    switch (reply.error()) {
    case QNetworkReply::HostNotFoundError:
        return {Code::cannotFindHost, description};
    case QNetworkReply::ConnectionRefusedError:
        return {Code::cannotConnectToHost, description};
    case QNetworkReply::TimeoutError:
        return {Code::timedOut, description};
    case QNetworkReply::SslHandshakeFailedError:
        return {untrusted ? Code::serverCertificateUntrusted : Code::secureConnectionFailed,
                description};
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return {Code::notConnectedToInternet, description};
    default:
        return {description.find("unreachable") != std::string::npos ? Code::notConnectedToInternet
                                                                     : Code::other,
                description};
    }
}

HttpReplyHead headOf(const QNetworkReply& reply) {
    return {reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            reply.rawHeader("Content-Type").toStdString()};
}

// One exchange under way, owned by the network thread.
struct Exchange : QObject {
    HttpRequest request;
    std::function<void(HttpOutcome)> completion;
    QNetworkReply* reply = nullptr;
    QTimer deadline{this};
    QTimer cancelWatch{this};
    std::string body;
    std::uint64_t received = 0;
    std::optional<HttpReplyHead> head;
    bool overflowed = false;
    bool timedOut = false;
    bool untrusted = false;
    bool cancelled = false;
    bool done = false;
};

} // namespace

// Lives on the network thread: takes the callers' jobs and runs them.
class QtHttpTransport::Network : public QObject {
public:
    Network(QtHttpTransport& owner, QEventLoop& loop) : owner_(owner), loop_(loop) {
        manager_.setProxyFactory(new LoopbackDirect);
    }

    void takeJobs() {
        std::deque<Job> jobs;
        {
            std::lock_guard lock(owner_.mutex_);
            jobs.swap(owner_.jobs_);
        }
        for (auto& job : jobs)
            start(std::move(job));
        quitWhenDone();
    }

private:
    void start(Job job) {
        const HttpRequest& request = job.request;
        if (request.cancel.isCancelled())
            return job.completion(TransportError{Code::cancelled, "stopped"});
        const QUrl url(QString::fromStdString(request.url), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty())
            return job.completion(TransportError{Code::foreign, "the address " + request.url +
                                                                    " is not a valid URL"});
        const std::string host = url.host().toStdString();
        if (url.scheme() != "https" && !(url.scheme() == "http" && isLoopbackHost(host)))
            return job.completion(TransportError{
                Code::foreign, "refusing to send to " + host +
                                   " without encryption (http:// is allowed only for this "
                                   "computer)"});
        auto* exchange = new Exchange;
        exchange->setParent(this);
        exchange->request = std::move(job.request);
        exchange->completion = std::move(job.completion);
        exchange->reply = post(exchange->request, url);
        watch(*exchange);
        ++active_;
    }

    QNetworkReply* post(const HttpRequest& request, const QUrl& url) {
        QNetworkRequest wire(url);
        for (const auto& [name, value] : request.headers)
            wire.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
        wire.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                          QNetworkRequest::ManualRedirectPolicy);
        wire.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        wire.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        if (!owner_.caFile_.empty()) {
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            tls.setCaCertificates(
                QSslCertificate::fromPath(QString::fromStdString(owner_.caFile_)));
            wire.setSslConfiguration(tls);
        }
        if (request.method == "GET")
            return manager_.get(wire);
        return manager_.sendCustomRequest(wire, QByteArray::fromStdString(request.method),
                                          QByteArray::fromStdString(request.body));
    }

    void watch(Exchange& exchange) {
        QNetworkReply* reply = exchange.reply;
        connect(reply, &QNetworkReply::metaDataChanged, &exchange, [this, &exchange] {
            const QVariant length = exchange.reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toULongLong() > owner_.maxReplyBytes_)
                stop(exchange, exchange.overflowed);
        });
        connect(reply, &QNetworkReply::readyRead, &exchange, [this, &exchange] { read(exchange); });
        connect(reply, &QNetworkReply::sslErrors, &exchange,
                [&exchange] { exchange.untrusted = true; });
        connect(reply, &QNetworkReply::finished, &exchange,
                [this, &exchange] { finish(exchange); });
        // A streamed reply has no deadline, only a limit on silence: read()
        // starts the count again at every piece.
        exchange.deadline.setSingleShot(true);
        connect(&exchange.deadline, &QTimer::timeout, &exchange,
                [&exchange] { stop(exchange, exchange.timedOut); });
        exchange.deadline.start(exchange.request.timeout);
        connect(&exchange.cancelWatch, &QTimer::timeout, &exchange, [&exchange] {
            if (exchange.request.cancel.isCancelled())
                stop(exchange, exchange.cancelled);
        });
        exchange.cancelWatch.start(cancelCheck);
    }

    // Marks why the exchange ends and aborts it; finish() reports it.
    static void stop(Exchange& exchange, bool& reason) {
        reason = true;
        exchange.reply->abort();
    }

    // Whatever has arrived, in pieces of at most `readPiece`: a reply that
    // piled up while this thread was busy still reports its progress, and
    // a streamed one is handed on in pieces of a bounded size.
    void read(Exchange& exchange) const {
        while (!exchange.done && exchange.reply->isOpen()) {
            const QByteArray data = exchange.reply->read(readPiece);
            if (data.isEmpty() || !take(exchange, data))
                return;
        }
    }

    // False once the piece has ended the exchange.
    bool take(Exchange& exchange, const QByteArray& data) const {
        const HttpRequest& request = exchange.request;
        if (request.cancel.isCancelled()) {
            stop(exchange, exchange.cancelled);
            return false;
        }
        if (exchange.received + static_cast<std::uint64_t>(data.size()) > owner_.maxReplyBytes_) {
            stop(exchange, exchange.overflowed);
            return false;
        }
        exchange.received += static_cast<std::uint64_t>(data.size());
        if (request.onChunk) {
            if (!exchange.head)
                exchange.head = headOf(*exchange.reply);
            request.onChunk(
                *exchange.head,
                std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
            exchange.deadline.start(request.timeout);
        } else {
            exchange.body.append(data.constData(), static_cast<std::size_t>(data.size()));
        }
        if (request.onProgress)
            request.onProgress(exchange.received);
        return true;
    }

    HttpOutcome outcome(Exchange& exchange) const {
        const QNetworkReply& reply = *exchange.reply;
        if (exchange.cancelled || exchange.request.cancel.isCancelled())
            return TransportError{Code::cancelled, "stopped"};
        if (exchange.overflowed)
            return TransportError{
                Code::replyTooLarge,
                "more than " + std::to_string(owner_.maxReplyBytes_ / (std::size_t{1024} * 1024)) +
                    " MiB"};
        if (exchange.timedOut)
            return TransportError{Code::timedOut,
                                  "no reply within " +
                                      std::to_string(exchange.request.timeout.count()) + " ms"};
        const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid() || exchangeFailed(reply.error()))
            return classify(reply, exchange.untrusted);
        return HttpReply{status.toInt(), std::move(exchange.body)};
    }

    void finish(Exchange& exchange) {
        if (exchange.done)
            return;
        read(exchange);
        exchange.deadline.stop();
        exchange.cancelWatch.stop();
        exchange.reply->disconnect(&exchange);
        HttpOutcome result = outcome(exchange);
        exchange.done = true;
        exchange.completion(std::move(result));
        exchange.reply->deleteLater();
        exchange.deleteLater();
        --active_;
        quitWhenDone();
    }

    // The transport is being destroyed: end the loop once the last exchange
    // has been answered.
    void quitWhenDone() {
        std::lock_guard lock(owner_.mutex_);
        if (owner_.stopping_ && owner_.jobs_.empty() && active_ == 0)
            loop_.quit();
    }

    QtHttpTransport& owner_;
    QEventLoop& loop_;
    QNetworkAccessManager manager_;
    int active_ = 0;
};

bool QtHttpTransport::isLoopbackHost(const std::string& host) {
    if (host == "localhost")
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    in6_addr v6{};
    return inet_pton(AF_INET6, bare.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

QtHttpTransport::QtHttpTransport(std::size_t maxReplyBytes) : maxReplyBytes_(maxReplyBytes) {}

QtHttpTransport::~QtHttpTransport() {
    Network* network = nullptr;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        network = network_;
    }
    if (!network)
        return;
    QMetaObject::invokeMethod(
        network, [network] { network->takeJobs(); }, Qt::QueuedConnection);
    thread_->wait();
}

void QtHttpTransport::send(HttpRequest request, std::function<void(HttpOutcome)> completion) {
    std::unique_lock lock(mutex_);
    jobs_.push_back({std::move(request), std::move(completion)});
    if (!thread_) {
        thread_.reset(QThread::create([this] { run(); }));
        thread_->setObjectName(QStringLiteral("scribeon-http"));
        thread_->start();
    }
    ready_.wait(lock, [this] { return network_ != nullptr; });
    Network* network = network_;
    lock.unlock();
    QMetaObject::invokeMethod(
        network, [network] { network->takeJobs(); }, Qt::QueuedConnection);
}

void QtHttpTransport::run() {
    QEventLoop loop;
    Network network(*this, loop);
    {
        std::lock_guard lock(mutex_);
        network_ = &network;
    }
    ready_.notify_all();
    loop.exec();
    std::lock_guard lock(mutex_);
    network_ = nullptr;
}

} // namespace scribeon
