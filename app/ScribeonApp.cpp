#include "app/ScribeonApp.h"

#include "app/MenuBarIcon.h"

#include <QApplication>

namespace scribeon {

ScribeonApp::ScribeonApp() {
    auto appViewModel = AppViewModel::create(queue_, keychain_, apiClient_, authService_);
    delegate_ =
        AppDelegate::create(AppCollaborators{queue_, unbuilt_, unbuilt_, trust_, permissionAlert_,
                                             unbuilt_, unbuilt_, unbuilt_, unbuilt_, unbuilt_},
                            std::move(appViewModel));
    scene_ = std::make_unique<AppScene>(delegate_, queue_);
    buildTray();
}

ScribeonApp::~ScribeonApp() {
    terminate();
}

void ScribeonApp::buildTray() {
    QAction* quit = trayMenu_.addAction(tr("Quit"));
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit);
    connect(&trayMenu_, &QMenu::aboutToShow, this, [this] { scene_->menuShown(); });
    connect(&trayMenu_, &QMenu::aboutToHide, this, [this] { scene_->menuHidden(); });
    trayIcon_.setIcon(menuBarIcon());
    trayIcon_.setToolTip(QStringLiteral("Scribeon"));
    trayIcon_.setContextMenu(&trayMenu_);
    trayIcon_.show();
}

void ScribeonApp::launch() {
    delegate_->applicationDidFinishLaunching();
}

void ScribeonApp::terminate() {
    if (terminated_)
        return;
    terminated_ = true;
    delegate_->applicationWillTerminate();
    trayIcon_.hide();
}

} // namespace scribeon
