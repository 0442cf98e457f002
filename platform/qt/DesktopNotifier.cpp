#include "platform/qt/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace scribeon {

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
}

void DesktopNotifier::notify(const std::string& title, const std::string& message) {
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
             << QVariantMap() << -1;
        // Not waited for: a slow notification service must not hold up the program.
        bus.send(call);
        return;
    }
    trayIcon_.showMessage(QString::fromStdString(title), QString::fromStdString(message));
}

} // namespace scribeon
