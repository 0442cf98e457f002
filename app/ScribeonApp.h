#pragma once

#include "app/AppDelegate.h"
#include "app/AppScene.h"
#include "app/CommandLine.h"
#include "app/UnbuiltCollaborators.h"
#include "platform/linux/CurlHttpTransport.h"
#include "platform/linux/LibsecretCredentialStore.h"
#include "platform/linux/LinuxAccessibilityTrust.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/QtPreferences.h"
#include "service/APIClient.h"
#include "service/KeychainService.h"
#include "service/RemoteAuthService.h"
#include "ui/PermissionAlertBox.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

namespace scribeon {

// The program as a whole: builds every collaborator, the delegate and the
// tray scene, and runs launch and termination.
class ScribeonApp : public QObject {
    Q_OBJECT
public:
    ScribeonApp();
    ~ScribeonApp() override;

    void launch();
    void terminate();

private:
    void buildTray();

    QtMainQueue queue_;
    CurlHttpTransport transport_;
    LibsecretCredentialStore credentialStore_;
    KeychainService keychain_{credentialStore_};
    QtPreferences preferences_;
    APIClient apiClient_{transport_, keychain_, serviceBaseURL()};
    RemoteAuthService authService_{apiClient_, keychain_, preferences_, queue_};
    UnbuiltCollaborators unbuilt_;
    LinuxAccessibilityTrust trust_;
    PermissionAlertBox permissionAlert_;
    std::shared_ptr<AppDelegate> delegate_;
    std::unique_ptr<AppScene> scene_;
    QMenu trayMenu_;
    QSystemTrayIcon trayIcon_;
    bool terminated_ = false;
};

} // namespace scribeon
