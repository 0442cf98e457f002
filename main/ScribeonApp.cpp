#include "main/ScribeonApp.h"

#include "hotkey/AppConfig.h"
#include "hotkey/HotkeyText.h"
#include "hotkey/KeyText.h"
#include "platform/UnavailableGlobalHotkey.h"
#include "platform/qt/QtUserTime.h"
#include "platform/x11/X11GlobalHotkey.h"
#include "ui/widgets/MenuBarIcon.h"
#include "update/UpdateKey.h"

#include <QApplication>
#include <QCursor>
#include <QStandardPaths>

#include <cstdio>

namespace scribeon {

namespace {

const char* portalAbsence(PortalAvailability availability) {
    switch (availability) {
    case PortalAvailability::noSessionBus:
        return "no session bus";
    case PortalAvailability::noPortal:
        return "no desktop portal";
    case PortalAvailability::noGlobalShortcuts:
        return "the desktop portal offers no global shortcuts";
    case PortalAvailability::available:
        break;
    }
    return "available";
}

std::string downloadDirectory() {
    QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty())
        downloads = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                    QStringLiteral("/updates");
    return downloads.toStdString();
}

UpdaterSettings updaterSettings(DiagnosticLog& log) {
    const std::string executable = QCoreApplication::applicationFilePath().toStdString();
    UpdateKeyChoice key =
        chooseUpdateKey(executable, SCRIBEON_UPDATE_PUBLIC_KEY, builtForDevelopment());
    if (key.key.empty()) {
        std::fprintf(stderr, "scribeon: %s; updates are off\n", key.problem.c_str());
        log.write("update: " + key.problem);
    }
    return {appcastURL(), SCRIBEON_BUILD, SCRIBEON_VERSION, std::move(key.key)};
}

} // namespace

ScribeonApp::ScribeonApp()
    : desktop_(DesktopSession::fromEnvironment(), accessibilityBridge_, sleeper_),
      gnomeKeybinding_(desktop_.session().isWayland() &&
                               desktop_.session().family() == DesktopSession::Family::gnome
                           ? std::make_unique<GnomeCustomKeybinding>()
                           : nullptr),
      globalHotkey_(openGlobalHotkey()),
      hotkeyService_(*globalHotkey_, client_.preferences, client_.queue),
      shortcutSettings_({desktop_.session(), client_.preferences, portalShortcuts_,
                         gnomeKeybinding_.get(), &hotkeyService_.isRegistered}),
      focusedText_({desktop_.workspace(), accessibilityBridge_, desktop_.keys(),
                    desktop_.clipboard(), sleeper_, systemLog_},
                   ApplicationKeys::withUserEntries(client_.preferences, systemLog_)),
      commandPanel_(CommandPanelController::create(panelPresenter_, desktop_.workspace(),
                                                   client_.commandService, client_.queue)),
      resultPanel_(ResultPanelController::create({panelPresenter_, desktop_.workspace(),
                                                  desktop_.clipboard(), replacement_,
                                                  client_.preferences, client_.queue, systemLog_})),
      downloadFolder_(downloadDirectory()),
      updater_(AppcastUpdater::create({client_.transport, appcastParser_, client_.preferences,
                                       client_.queue, updateDialog_, urlOpener_, systemLog_,
                                       downloadFolder_, packageReader_},
                                      updaterSettings(systemLog_))),
      autostart_(QStringLiteral(":/scribeon-autostart.desktop"),
                 QCoreApplication::applicationFilePath()),
      settingsWindow_(std::make_unique<SettingsWindow>(SettingsCollaborators{
          client_.commandService, client_.queue, client_.preferences, hotkeyService_,
          hotkeyService_.isRegistered, globalHotkey_->isAvailable(), updater_.get(), autostart_,
          urlOpener_, serviceOrigin(), &shortcutSettings_})) {
    auto appViewModel = AppViewModel::create(client_.queue, client_.keychain, client_.apiClient,
                                             client_.authService);
    delegate_ = AppDelegate::create(AppCollaborators{client_.queue, *updater_, hotkeyService_,
                                                     trust_, permissionAlert_, capture_,
                                                     *commandPanel_, *resultPanel_, loginWindow_,
                                                     *settingsWindow_, notifier_},
                                    std::move(appViewModel));
    scene_ = std::make_unique<AppScene>(delegate_, client_.queue);
    buildTray();
    watchShortcutRegistration();
}

// On Wayland only the desktop's shortcuts portal can see the keyboard; an X11
// grab through Xwayland would see only keys typed into X11 applications and
// is never opened there. Without a shortcut the user binds
// `scribeon --trigger` in the desktop.
std::unique_ptr<GlobalHotkey> ScribeonApp::openGlobalHotkey() {
    switch (desktop_.hotkeyKind()) {
    case SessionPorts::Hotkey::portal: {
        DBusGlobalShortcutsPortal::Opened opened = DBusGlobalShortcutsPortal::open();
        if (opened.portal) {
            shortcutsPortal_ = std::move(opened.portal);
            auto portal =
                std::make_unique<PortalShortcuts>(*shortcutsPortal_, client_.queue, systemLog_);
            portalShortcuts_ = portal.get();
            return portal;
        }
        systemLog_.write(std::string("shortcut portal: unavailable (") +
                         portalAbsence(opened.availability) + ")");
        break;
    }
    case SessionPorts::Hotkey::x11Grab:
        if (auto x11 = X11GlobalHotkey::open(adoptUserActionTime, &systemLog_))
            return x11;
        break;
    case SessionPorts::Hotkey::none:
        break;
    }
    std::fprintf(stderr, "%s\n", KeyText::noGlobalShortcutHint.data());
    return std::make_unique<UnavailableGlobalHotkey>();
}

void ScribeonApp::watchShortcutRegistration() {
    // A refused portal session leaves the desktop's own binding as the way in.
    if (portalShortcuts_)
        portalRefusal_ = portalShortcuts_->binding.observe([](const PortalBinding& binding) {
            if (binding.state == PortalBinding::State::refused)
                std::fprintf(stderr, "%s\n", KeyText::noGlobalShortcutHint.data());
        });
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
    if (const std::optional<unsigned long> now = desktop_.qtClipboard().serverTime())
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
            [this] { return shortcutSettings_.trayShortcutText(); },
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
