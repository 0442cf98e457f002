#pragma once

#include "hotkey/AppConfig.h"
#include "hotkey/HotkeyRegistration.h"
#include "tests/fakes/FakeAutostartEntry.h"
#include "tests/fakes/RecordingUrlOpener.h"
#include "tests/fakes/ServiceStack.h"
#include "ui/widgets/SettingsWindow.h"

#include <QApplication>

namespace scribeon::test {

// Registers whatever pair is stored, except the one another application holds.
struct ScriptedHotkey : HotkeyRegistration {
    explicit ScriptedHotkey(Preferences& stored) : preferences(stored) {}
    void registerHotkey(std::function<void()>) override {}
    bool reregister() override { return AppConfig::Hotkey::read(preferences) != refused; }
    void release() override {}
    Preferences& preferences;
    std::optional<HotkeyPair> refused;
};

// The settings window over the real client stack, in virtual time, with the
// service's answers scripted.
struct SettingsWindowStack : ServiceStack {
    ~SettingsWindowStack() {
        settings.reset();
        QApplication::processEvents();
    }
    // Shows the window, the commands list answered with `body`.
    SettingsView* opened(int status, const std::string& body) {
        transport.reply(status, body);
        settings->show();
        queue.runPending();
        return settings->window();
    }
    void closeWindow() {
        settings->window()->close();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ScriptedHotkey hotkey{preferences};
    Property<bool> isRegistered{true};
    FakeAutostartEntry autostart;
    RecordingUrlOpener urlOpener;
    std::unique_ptr<SettingsWindow> settings = std::make_unique<SettingsWindow>(
        SettingsCollaborators{service, queue, preferences, hotkey, isRegistered, true, nullptr,
                              autostart, urlOpener, "https://scribeon.test"});
};

} // namespace scribeon::test
