#include "platform/qt/SingleInstance.h"

#include <QLocalSocket>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace scribeon {

namespace {

constexpr int answerTimeoutMs = 3000;
constexpr qint64 longestMessage = 64;

const char* wireName(SingleInstance::Message message) {
    switch (message) {
    case SingleInstance::Message::trigger:
        return "trigger\n";
    case SingleInstance::Message::signedIn:
        return "signed-in\n";
    case SingleInstance::Message::show:
        break;
    }
    return "show\n";
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// A connected socket, or -1 when nobody listens at the path.
int connectTo(const QString& socketPath) {
    const QByteArray path = socketPath.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path))
        return -1;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QString SingleInstance::defaultSocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return QString::fromLocal8Bit(runtime) + QStringLiteral("/scribeon.socket");
    return QStringLiteral("/tmp/scribeon-%1.socket").arg(::getuid());
}

SingleInstance::HandOff SingleInstance::handOff(Message message, const QString& socketPath) {
    // No file, or a file nobody listens on (the instance crashed): no instance.
    FileDescriptor socket(connectTo(socketPath));
    if (socket.get() < 0)
        return HandOff::noInstance;

    const std::string request = wireName(message);
    if (::send(socket.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size()))
        return HandOff::noAnswer;
    std::string answer;
    pollfd readable{socket.get(), POLLIN, 0};
    while (answer.find('\n') == std::string::npos) {
        const int ready = ::poll(&readable, 1, answerTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return HandOff::noAnswer;
        char buffer[64];
        const ssize_t got = ::recv(socket.get(), buffer, sizeof(buffer), 0);
        if (got <= 0)
            return HandOff::noAnswer;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    return answer.rfind("ok\n", 0) == 0 ? HandOff::delivered : HandOff::noAnswer;
}

SingleInstance::Listen SingleInstance::listen(std::function<void(Message)> onMessage,
                                              const QString& socketPath) {
    onMessage_ = std::move(onMessage);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath)) {
        if (server_.serverError() != QAbstractSocket::AddressInUseError)
            return Listen::failed;
        if (FileDescriptor probe(connectTo(socketPath)); probe.get() >= 0)
            return Listen::otherInstance;
        // A socket file left behind by an instance that is gone.
        QLocalServer::removeServer(socketPath);
        if (!server_.listen(socketPath))
            return Listen::failed;
    }
    QObject::connect(&server_, &QLocalServer::newConnection, &server_,
                     [this] { acceptConnections(); });
    return Listen::listening;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* connection = server_.nextPendingConnection()) {
        QObject::connect(connection, &QLocalSocket::disconnected, connection,
                         &QObject::deleteLater);
        QObject::connect(connection, &QLocalSocket::readyRead, connection, [this, connection] {
            if (!connection->canReadLine()) {
                if (connection->bytesAvailable() > longestMessage)
                    connection->disconnectFromServer();
                return;
            }
            const QByteArray line = connection->readLine(longestMessage).trimmed();
            std::optional<Message> message;
            if (line == "trigger")
                message = Message::trigger;
            else if (line == "show")
                message = Message::show;
            else if (line == "signed-in")
                message = Message::signedIn;
            connection->write(message ? "ok\n" : "unknown\n");
            connection->flush();
            connection->disconnectFromServer();
            if (message && onMessage_)
                onMessage_(*message);
        });
    }
}

} // namespace scribeon
