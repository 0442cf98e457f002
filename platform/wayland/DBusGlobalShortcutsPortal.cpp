#include "platform/wayland/DBusGlobalShortcutsPortal.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace scribeon {

// The portal's shortcut list, a(sa{sv}).
struct PortalShortcutEntry {
    QString id;
    QVariantMap options;
};
using PortalShortcutEntries = QList<PortalShortcutEntry>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.options;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.options;
    argument.endStructure();
    return argument;
}

} // namespace scribeon

Q_DECLARE_METATYPE(scribeon::PortalShortcutEntry)
Q_DECLARE_METATYPE(scribeon::PortalShortcutEntries)

namespace scribeon {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
// Starting the portal by activation takes about a second on a slow machine.
constexpr int probeTimeoutMs = 5000;

PortalShortcutEntries toEntries(const std::vector<PortalShortcut>& shortcuts) {
    PortalShortcutEntries entries;
    for (const PortalShortcut& shortcut : shortcuts) {
        QVariantMap options{
            {QStringLiteral("description"), QString::fromStdString(shortcut.description)}};
        if (!shortcut.preferredTrigger.empty())
            options.insert(QStringLiteral("preferred_trigger"),
                           QString::fromStdString(shortcut.preferredTrigger));
        entries.push_back({QString::fromStdString(shortcut.id), options});
    }
    return entries;
}

// A value the portal sent may arrive still marshalled, or already as a list.
std::vector<PortalShortcut> fromVariant(const QVariant& value) {
    PortalShortcutEntries entries;
    if (value.canConvert<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("a(sa{sv})"))
            entries = qdbus_cast<PortalShortcutEntries>(argument);
    } else if (value.canConvert<PortalShortcutEntries>()) {
        entries = value.value<PortalShortcutEntries>();
    }
    std::vector<PortalShortcut> shortcuts;
    for (const PortalShortcutEntry& entry : entries) {
        shortcuts.push_back(
            {entry.id.toStdString(),
             entry.options.value(QStringLiteral("description")).toString().toStdString(),
             {},
             entry.options.value(QStringLiteral("trigger_description")).toString().toStdString()});
    }
    return shortcuts;
}

QVariantMap mapArgument(const QVariant& value) {
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

QString objectPathText(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

DBusGlobalShortcutsPortal::Opened DBusGlobalShortcutsPortal::open() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {nullptr, PortalAvailability::noSessionBus};
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    const QDBusMessage answer = bus.call(get, QDBus::Block, probeTimeoutMs);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        const QString error = answer.errorName();
        const bool noPortal = error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                              error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
                              error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                              error.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn"));
        return {nullptr,
                noPortal ? PortalAvailability::noPortal : PortalAvailability::noGlobalShortcuts};
    }
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<PortalShortcutEntries>();
    return {std::unique_ptr<DBusGlobalShortcutsPortal>(new DBusGlobalShortcutsPortal(bus)),
            PortalAvailability::available};
}

DBusGlobalShortcutsPortal::DBusGlobalShortcutsPortal(QDBusConnection bus) : bus_(std::move(bus)) {
    bus_.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                 SLOT(onActivated(QDBusMessage)));
    bus_.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"),
                 this, SLOT(onShortcutsChanged(QDBusMessage)));
}

DBusGlobalShortcutsPortal::~DBusGlobalShortcutsPortal() {
    closeSession();
    while (!pending_.empty())
        forgetRequest(pending_.begin()->first);
}

void DBusGlobalShortcutsPortal::installSignalHandlers(Activated activated, Changed changed) {
    activated_ = std::move(activated);
    changed_ = std::move(changed);
}

QString DBusGlobalShortcutsPortal::nextToken() {
    return QStringLiteral("scribeon%1").arg(++nextRequest_);
}

// The portal names a request after the caller's unique name without its
// colon, dots as underscores, and the caller's handle token.
QString DBusGlobalShortcutsPortal::requestPath(const QString& token) const {
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

void DBusGlobalShortcutsPortal::watchRequest(const QString& path) {
    bus_.connect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                 SLOT(onResponse(QDBusMessage)));
}

void DBusGlobalShortcutsPortal::forgetRequest(const QString& path) {
    bus_.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                    SLOT(onResponse(QDBusMessage)));
    pending_.erase(path);
    onResults_.erase(path);
}

void DBusGlobalShortcutsPortal::send(const QDBusMessage& call, const QString& token, Reply reply,
                                     std::function<void(const QVariantMap&)> onResults) {
    const QString expected = requestPath(token);
    pending_[expected] = std::move(reply);
    if (onResults)
        onResults_[expected] = std::move(onResults);
    watchRequest(expected);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, expected](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> answer = *finished;
                auto entry = pending_.find(expected);
                if (entry == pending_.end())
                    return; // answered already
                if (answer.isError()) {
                    Reply reply = std::move(entry->second);
                    forgetRequest(expected);
                    reply({2, {}});
                    return;
                }
                // An older portal may choose another path than the one
                // derived from the token; follow it.
                const QString actual = answer.value().path();
                if (actual == expected)
                    return;
                pending_[actual] = std::move(entry->second);
                auto results = onResults_.find(expected);
                if (results != onResults_.end())
                    onResults_[actual] = std::move(results->second);
                forgetRequest(expected);
                watchRequest(actual);
            });
}

void DBusGlobalShortcutsPortal::onResponse(const QDBusMessage& message) {
    auto entry = pending_.find(message.path());
    if (entry == pending_.end() || message.arguments().size() < 2)
        return;
    Reply reply = std::move(entry->second);
    std::function<void(const QVariantMap&)> onResults;
    if (auto results = onResults_.find(message.path()); results != onResults_.end())
        onResults = std::move(results->second);
    forgetRequest(message.path());
    const std::uint32_t code = message.arguments().at(0).toUInt();
    const QVariantMap results = mapArgument(message.arguments().at(1));
    if (onResults && code == 0)
        onResults(results);
    reply({code, fromVariant(results.value(QStringLiteral("shortcuts")))});
}

void DBusGlobalShortcutsPortal::createSession(const std::string& sessionToken,
                                              const std::vector<PortalShortcut>& shortcuts,
                                              Reply reply) {
    const QString token = nextToken();
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, shortcutsInterface, QStringLiteral("CreateSession"));
    const QString sessionName = QString::fromStdString(sessionToken);
    // Plasma 5.27 registers the shortcuts given here and nowhere else.
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), sessionName},
                        {QStringLiteral("shortcuts"), QVariant::fromValue(toEntries(shortcuts))}};
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString derived =
        QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2").arg(sender, sessionName);
    send(call, token, std::move(reply), [this, derived](const QVariantMap& results) {
        const QString given = objectPathText(results.value(QStringLiteral("session_handle")));
        session_ = given.isEmpty() ? derived : given;
    });
}

void DBusGlobalShortcutsPortal::bindShortcuts(const std::vector<PortalShortcut>& shortcuts,
                                              Reply reply) {
    if (session_.isEmpty()) {
        reply({2, {}});
        return;
    }
    const QString token = nextToken();
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, shortcutsInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_))
         << QVariant::fromValue(toEntries(shortcuts)) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    send(call, token, std::move(reply));
}

void DBusGlobalShortcutsPortal::closeSession() {
    if (session_.isEmpty())
        return;
    bus_.asyncCall(QDBusMessage::createMethodCall(portalService, session_, sessionInterface,
                                                  QStringLiteral("Close")));
    session_.clear();
}

void DBusGlobalShortcutsPortal::onActivated(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || session_.isEmpty() || objectPathText(arguments[0]) != session_)
        return;
    if (activated_)
        activated_(arguments[1].toString().toStdString());
}

void DBusGlobalShortcutsPortal::onShortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || session_.isEmpty() || objectPathText(arguments[0]) != session_)
        return;
    if (changed_)
        changed_(fromVariant(arguments[1]));
}

} // namespace scribeon
