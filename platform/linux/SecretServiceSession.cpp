#include "platform/linux/SecretServiceSession.h"

#include "platform/linux/SecretPrompt.h"
#include "platform/linux/SecretServiceNames.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>

#include <mutex>

namespace scribeon {

// A secret as the service carries it, (oayays).
struct SecretValue {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

QDBusArgument& operator<<(QDBusArgument& argument, const SecretValue& secret) {
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SecretValue& secret) {
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

} // namespace scribeon

Q_DECLARE_METATYPE(scribeon::SecretValue)

namespace scribeon {

namespace {

const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");
const QString itemInterface = QStringLiteral("org.freedesktop.Secret.Item");
const QString noObject = QStringLiteral("/");

void registerTypes() {
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<SecretValue>();
        qDBusRegisterMetaType<QMap<QString, QString>>();
    });
}

template <typename T> T argumentAs(const QVariant& argument) {
    if (argument.canConvert<QDBusArgument>())
        return qdbus_cast<T>(argument.value<QDBusArgument>());
    return argument.value<T>();
}

bool isObject(const QDBusObjectPath& path) {
    return !path.path().isEmpty() && path.path() != noObject;
}

QList<QDBusObjectPath> objectsIn(const QVariant& argument) {
    auto paths = argumentAs<QList<QDBusObjectPath>>(argument);
    paths.removeIf([](const QDBusObjectPath& path) { return !isObject(path); });
    return paths;
}

} // namespace

SecretServiceSession::SecretServiceSession(std::chrono::milliseconds budget)
    : deadline_(std::chrono::steady_clock::now() + budget), bus_(QDBusConnection::sessionBus()) {
    registerTypes();
}

SecretServiceSession::~SecretServiceSession() {
    if (!session_.path().isEmpty())
        bus_.send(QDBusMessage::createMethodCall(secretServiceName(), session_.path(),
                                                 QStringLiteral("org.freedesktop.Secret.Session"),
                                                 QStringLiteral("Close")));
}

std::optional<QDBusMessage> SecretServiceSession::call(const QString& path,
                                                       const QString& interface,
                                                       const QString& method,
                                                       const QVariantList& arguments) {
    if (!bus_.isConnected() || std::chrono::steady_clock::now() >= deadline_)
        return std::nullopt;
    auto message = QDBusMessage::createMethodCall(secretServiceName(), path, interface, method);
    message.setArguments(arguments);
    QDBusMessage answer = bus_.call(message, QDBus::Block, remainingMs(deadline_));
    if (answer.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return answer;
}

bool SecretServiceSession::open() {
    const auto answer =
        call(servicePath, serviceInterface, QStringLiteral("OpenSession"),
             {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    if (!answer || answer->arguments().size() != 2)
        return false;
    session_ = argumentAs<QDBusObjectPath>(answer->arguments().at(1));
    return isObject(session_);
}

QList<QDBusObjectPath> SecretServiceSession::search(const Attributes& attributes) {
    const auto answer = call(servicePath, serviceInterface, QStringLiteral("SearchItems"),
                             {QVariant::fromValue(attributes)});
    if (!answer || answer->arguments().size() != 2)
        return {};
    auto unlocked = objectsIn(answer->arguments().at(0));
    const auto locked = objectsIn(answer->arguments().at(1));
    if (!locked.isEmpty())
        unlocked += unlock(locked);
    return unlocked;
}

QList<QDBusObjectPath> SecretServiceSession::unlock(const QList<QDBusObjectPath>& objects) {
    const auto answer = call(servicePath, serviceInterface, QStringLiteral("Unlock"),
                             {QVariant::fromValue(objects)});
    if (!answer || answer->arguments().size() != 2)
        return {};
    const auto prompt = argumentAs<QDBusObjectPath>(answer->arguments().at(1));
    if (!isObject(prompt))
        return objectsIn(answer->arguments().at(0));
    const auto result = completed(prompt);
    return result ? objectsIn(*result) : QList<QDBusObjectPath>{};
}

std::optional<QByteArray> SecretServiceSession::secretOf(const QDBusObjectPath& item) {
    const auto answer = call(item.path(), itemInterface, QStringLiteral("GetSecret"),
                             {QVariant::fromValue(session_)});
    if (!answer || answer->arguments().size() != 1)
        return std::nullopt;
    return argumentAs<SecretValue>(answer->arguments().at(0)).value;
}

void SecretServiceSession::remove(const QDBusObjectPath& item) {
    const auto answer = call(item.path(), itemInterface, QStringLiteral("Delete"));
    if (answer && answer->arguments().size() == 1) {
        const auto prompt = argumentAs<QDBusObjectPath>(answer->arguments().at(0));
        if (isObject(prompt))
            completed(prompt);
    }
}

bool SecretServiceSession::create(const QString& label, const Attributes& attributes,
                                  const QByteArray& secret) {
    const auto collection = defaultCollection();
    if (!collection || (isLocked(*collection) && unlock({*collection}).isEmpty()))
        return false;
    const QVariantMap properties{{QStringLiteral("org.freedesktop.Secret.Item.Label"), label},
                                 {QStringLiteral("org.freedesktop.Secret.Item.Attributes"),
                                  QVariant::fromValue(attributes)}};
    const SecretValue value{session_, {}, secret, QStringLiteral("text/plain")};
    const auto answer =
        call(collection->path(), QStringLiteral("org.freedesktop.Secret.Collection"),
             QStringLiteral("CreateItem"), {properties, QVariant::fromValue(value), true});
    if (!answer || answer->arguments().size() != 2)
        return false;
    return isObject(argumentAs<QDBusObjectPath>(answer->arguments().at(0))) ||
           isObject(promptedObject(argumentAs<QDBusObjectPath>(answer->arguments().at(1))));
}

std::optional<QDBusObjectPath> SecretServiceSession::defaultCollection() {
    const auto alias = call(servicePath, serviceInterface, QStringLiteral("ReadAlias"),
                            {QStringLiteral("default")});
    if (!alias || alias->arguments().size() != 1)
        return std::nullopt;
    const auto path = argumentAs<QDBusObjectPath>(alias->arguments().at(0));
    if (isObject(path))
        return path;
    // No default keyring yet: the service asks the user for a new one's password.
    const QVariantMap properties{{QStringLiteral("org.freedesktop.Secret.Collection.Label"),
                                  QStringLiteral("Default keyring")}};
    const auto made = call(servicePath, serviceInterface, QStringLiteral("CreateCollection"),
                           {properties, QStringLiteral("default")});
    if (!made || made->arguments().size() != 2)
        return std::nullopt;
    auto collection = argumentAs<QDBusObjectPath>(made->arguments().at(0));
    if (!isObject(collection))
        collection = promptedObject(argumentAs<QDBusObjectPath>(made->arguments().at(1)));
    if (!isObject(collection))
        return std::nullopt;
    return collection;
}

bool SecretServiceSession::isLocked(const QDBusObjectPath& object) {
    const auto answer = call(
        object.path(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Locked")});
    return !answer || answer->arguments().size() != 1 ||
           argumentAs<QDBusVariant>(answer->arguments().at(0)).variant().toBool();
}

QDBusObjectPath SecretServiceSession::promptedObject(const QDBusObjectPath& prompt) {
    if (!isObject(prompt))
        return {};
    const auto result = completed(prompt);
    return result ? argumentAs<QDBusObjectPath>(*result) : QDBusObjectPath();
}

std::optional<QVariant> SecretServiceSession::completed(const QDBusObjectPath& prompt) {
    const auto result = SecretPrompt::run(bus_, prompt.path(), deadline_);
    if (!result)
        return std::nullopt;
    return result->variant();
}

} // namespace scribeon
