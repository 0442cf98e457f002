#include "platform/linux/LinuxAccessibilityTrust.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

#include <X11/Xlib.h>

namespace scribeon {

namespace {

constexpr int dbusTimeoutMs = 2000;
const QString a11yService = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString enabledProperty = QStringLiteral("IsEnabled");

bool accessibilityBusEnabled() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(a11yService, a11yPath, propertiesInterface,
                                                      QStringLiteral("Get"));
    get << statusInterface << enabledProperty;
    QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, dbusTimeoutMs);
    return reply.isValid() && reply.value().variant().toBool();
}

} // namespace

bool LinuxAccessibilityTrust::hasXTest() {
    // The extension cannot disappear from a running server: remember a yes.
    if (xtestFound_)
        return true;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    int opcode = 0, event = 0, error = 0;
    xtestFound_ = XQueryExtension(display, "XTEST", &opcode, &event, &error) == True;
    XCloseDisplay(display);
    return xtestFound_;
}

bool LinuxAccessibilityTrust::isTrusted() {
    // XWayland has XTest too, but its keys reach X clients only: not asked.
    const bool xtest = !session_.isWayland() && hasXTest();
    return trustedIn(session_, accessibilityBusEnabled(), xtest);
}

void LinuxAccessibilityTrust::prompt() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage set = QDBusMessage::createMethodCall(a11yService, a11yPath, propertiesInterface,
                                                      QStringLiteral("Set"));
    set << statusInterface << enabledProperty << QVariant::fromValue(QDBusVariant(true));
    bus.call(set, QDBus::Block, dbusTimeoutMs);
}

} // namespace scribeon
