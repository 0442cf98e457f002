#include "platform/qt/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace scribeon {

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");

// A notification with a set time is a passing one: low urgency, and not
// kept in the desktop's notification history.
QVariantMap hintsFor(std::optional<std::chrono::milliseconds> shownFor) {
    QVariantMap hints;
    if (shownFor) {
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(0));
        hints.insert(QStringLiteral("transient"), true);
    }
    return hints;
}
} // namespace

void DesktopNotifier::notify(const std::string& title, const std::string& message,
                             std::optional<std::chrono::milliseconds> shownFor) {
    const int timeoutMs = shownFor ? static_cast<int>(shownFor->count()) : -1;
    auto bus = QDBusConnection::sessionBus();
    const auto* daemon = bus.isConnected() ? bus.interface() : nullptr;
    // Many notification services start on their first call, so an activatable
    // name counts as well as a running one.
    if (daemon && (daemon->isServiceRegistered(service).value() ||
                   daemon->activatableServiceNames().value().contains(service))) {
        auto call = QDBusMessage::createMethodCall(service,
                                                   QStringLiteral("/org/freedesktop/Notifications"),
                                                   service, QStringLiteral("Notify"));
        call << QStringLiteral("Scribeon") << 0u << QStringLiteral("scribeon")
             << QString::fromStdString(title) << QString::fromStdString(message) << QStringList()
             << hintsFor(shownFor) << timeoutMs;
        // Not waited for: a slow notification service must not hold up the program.
        bus.send(call);
        return;
    }
    trayIcon_.showMessage(QString::fromStdString(title), QString::fromStdString(message),
                          QSystemTrayIcon::Information, shownFor ? timeoutMs : 10'000);
}

} // namespace scribeon
