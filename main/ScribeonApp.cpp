#include "main/ScribeonApp.h"

#include "hotkey/AppConfig.h"
#include "hotkey/HotkeyText.h"
#include "platform/UnavailableDesktop.h"
#include "platform/UnavailableGlobalHotkey.h"
#include "platform/linux/X11GlobalHotkey.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/XTestKeySynth.h"
#include "platform/qt/QtUserTime.h"
#include "ui/widgets/MenuBarIcon.h"
#include "update/UpdateKey.h"
#include "wording/KeyText.h"

#include <QApplication>
#include <QCursor>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace scribeon {

namespace {

std::unique_ptr<GlobalHotkey> openGlobalHotkey(DiagnosticLog& log) {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const bool wayland = session && std::string_view(session) == "wayland";
    if (auto x11 = X11GlobalHotkey::open(adoptUserActionTime, &log)) {
        if (wayland)
            std::fprintf(stderr, "%s\n", KeyText::waylandShortcutHint.data());
        return x11;
    }
    std::fprintf(stderr, "%s\n", KeyText::noGlobalShortcutHint.data());
    return std::make_unique<UnavailableGlobalHotkey>();
}

std::unique_ptr<Workspace> openWorkspace(AtspiAccessibilityBridge& bridge) {
    if (auto x11 = X11Workspace::open([&bridge](int pid) { return bridge.applicationName(pid); }))
        return x11;
    return std::make_unique<UnavailableWorkspace>();
}

UpdaterSettings updaterSettings() {
    QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty())
        downloads = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                    QStringLiteral("/updates");
    const std::string executable = QCoreApplication::applicationFilePath().toStdString();
    std::string key = updatePublicKey(executable, SCRIBEON_UPDATE_PUBLIC_KEY);
    if (key.empty())
        std::fprintf(stderr, "scribeon: %s holds no update key; updates will be refused\n",
                     installedUpdateKeyPath(executable).c_str());
    return {appcastURL(), SCRIBEON_BUILD, SCRIBEON_VERSION, std::move(key),
            downloads.toStdString()};
}

std::unique_ptr<KeySynth> openKeySynth() {
    if (auto xtest = XTestKeySynth::open())
        return xtest;
    return std::make_unique<UnavailableKeySynth>();
}

} // namespace

ScribeonApp::ScribeonApp()
    : globalHotkey_(openGlobalHotkey(systemLog_)),
      hotkeyService_(*globalHotkey_, client_.preferences, client_.queue),
      workspace_(openWorkspace(accessibilityBridge_)), keySynth_(openKeySynth()),
      accessibilityService_(
          {*workspace_, accessibilityBridge_, *keySynth_, clipboard_, sleeper_, systemLog_},
          ApplicationKeys::withUserEntries(client_.preferences, systemLog_)),
      commandPanel_(CommandPanelController::create(panelPresenter_, *workspace_,
                                                   client_.commandService, client_.queue)),
      resultPanel_(ResultPanelController::create({panelPresenter_, *workspace_, clipboard_,
                                                  accessibilityService_, client_.preferences,
                                                  client_.queue, systemLog_})),
      updater_(AppcastUpdater::create({client_.transport, appcastParser_, client_.preferences,
                                       client_.queue, updateDialog_, urlOpener_, systemLog_},
                                      updaterSettings())),
      autostart_(QStringLiteral(":/scribeon-autostart.desktop"),
                 QCoreApplication::applicationFilePath()),
      settingsWindow_(std::make_unique<SettingsWindow>(SettingsCollaborators{
          client_.commandService, client_.queue, client_.preferences, hotkeyService_,
          hotkeyService_.isRegistered, globalHotkey_->isAvailable(), updater_.get(), autostart_,
          urlOpener_, serviceOrigin()})) {
    auto appViewModel = AppViewModel::create(client_.queue, client_.keychain, client_.apiClient,
                                             client_.authService);
    delegate_ = AppDelegate::create(
        AppCollaborators{client_.queue, *updater_, hotkeyService_, trust_, permissionAlert_,
                         accessibilityService_, *commandPanel_, *resultPanel_, loginWindow_,
                         *settingsWindow_, notifier_},
        std::move(appViewModel));
    scene_ = std::make_unique<AppScene>(delegate_, client_.queue);
    buildTray();
    watchShortcutRegistration();
}

void ScribeonApp::watchShortcutRegistration() {
    if (!globalHotkey_->isAvailable())
        return; // already explained on the terminal; nobody else holds anything
    hotkeyService_.setOnRegistrationFailed([this](HotkeyPair pair) {
        notifier_.notify(std::string(KeyText::notificationTitle),
                         KeyText::shortcutTakenMessage(pair), std::nullopt);
    });
}

SingleInstance::Listen ScribeonApp::serveOtherInstances() {
    return singleInstance_.listen([this](SingleInstance::Message message) {
        switch (message) {
        case SingleInstance::Message::trigger:
            trigger();
            break;
        case SingleInstance::Message::show:
            openTrayPanel(QRect());
            break;
        case SingleInstance::Message::accountChanged:
            delegate_->appViewModel().adoptStoredSignIn();
            break;
        }
    });
}

void ScribeonApp::trigger() {
    // A desktop's own shortcut ran `--trigger`: no X event of ours carries
    // the user's action, so its time is the server's now.
    if (const std::optional<unsigned long> now = clipboard_.serverTime())
        adoptUserActionTime(*now);
    hotkeyService_.handlePress();
}

ScribeonApp::~ScribeonApp() {
    terminate();
}

MenuBarModel ScribeonApp::menuBarModel() {
    AppViewModel& state = delegate_->appViewModel();
    return {state.isAuthenticated,
            state.user,
            state.errorMessage,
            state.isUpdateAvailable,
            state.availableVersion,
            [this] {
                const HotkeyPair pair = AppConfig::Hotkey::read(client_.preferences);
                return formatMenuHotkey(pair.keyCode, pair.modifiers);
            },
            [&state] { state.showSettingsWindow.set(true); },
            [this] { updater_->checkForUpdates(); },
            [vm = state.shared_from_this()] { vm->logout(); },
            [] { QCoreApplication::quit(); },
            [&state] { state.showLoginWindow.set(true); },
            [this] { urlOpener_.openURL(serviceOrigin() + "/sign-up"); }};
}

void ScribeonApp::buildTray() {
    menuModel_ = std::make_unique<MenuBarModel>(menuBarModel());
    connect(&trayMenu_, &QMenu::aboutToShow, this, [this] {
        MenuBarView::fillMenu(trayMenu_, *menuModel_);
        scene_->menuShown();
    });
    connect(&trayMenu_, &QMenu::aboutToHide, this, [this] { scene_->menuHidden(); });
    connect(&trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    openTrayPanel(trayIcon_.geometry());
            });
    trayIcon_.setIcon(menuBarIcon());
    trayIcon_.setToolTip(QStringLiteral("Scribeon"));
    trayIcon_.setContextMenu(&trayMenu_);
    trayIcon_.show();
}

void ScribeonApp::openTrayPanel(const QRect& anchor) {
    if (!menuView_) { // built on first use: most runs never open it
        menuView_ = std::make_unique<MenuBarView>(*menuModel_);
        menuView_->onShown = [this] { scene_->menuShown(); };
        menuView_->onHidden = [this] { scene_->menuHidden(); };
    }
    if (menuView_->isVisible() || menuView_->closedJustNow()) {
        menuView_->hide();
        return;
    }
    menuView_->popUp(anchor);
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
