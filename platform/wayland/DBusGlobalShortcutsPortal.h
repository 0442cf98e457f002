#pragma once

#include "platform/GlobalShortcutsPortal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

namespace scribeon {

// org.freedesktop.portal.GlobalShortcuts on the session bus. Every call is
// asynchronous; each request's Response is subscribed to before the call
// goes out, since a portal may answer before its method returns.
class DBusGlobalShortcutsPortal final : public QObject, public GlobalShortcutsPortal {
    Q_OBJECT
public:
    struct Opened {
        std::unique_ptr<DBusGlobalShortcutsPortal> portal;
        PortalAvailability availability = PortalAvailability::noSessionBus;
    };

    // Asks the portal (starting it if the bus can) whether it offers global
    // shortcuts; blocks at most a few seconds, once, at start-up.
    static Opened open();
    ~DBusGlobalShortcutsPortal() override;

    void installSignalHandlers(Activated activated, Changed changed) override;
    void createSession(const std::string& sessionToken,
                       const std::vector<PortalShortcut>& shortcuts, Reply reply) override;
    void bindShortcuts(const std::vector<PortalShortcut>& shortcuts, Reply reply) override;
    void closeSession() override;

private slots:
    void onResponse(const QDBusMessage& message);
    void onActivated(const QDBusMessage& message);
    void onShortcutsChanged(const QDBusMessage& message);

private:
    explicit DBusGlobalShortcutsPortal(QDBusConnection bus);
    void send(const QDBusMessage& call, const QString& token, Reply reply,
              std::function<void(const QVariantMap&)> onResults = {});
    QString requestPath(const QString& token) const;
    QString nextToken();
    void watchRequest(const QString& path);
    void forgetRequest(const QString& path);

    QDBusConnection bus_;
    std::map<QString, Reply> pending_;
    std::map<QString, std::function<void(const QVariantMap&)>> onResults_;
    QString session_;
    unsigned nextRequest_ = 0;
    Activated activated_;
    Changed changed_;
};

} // namespace scribeon
