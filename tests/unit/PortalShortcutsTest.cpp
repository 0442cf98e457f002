#include "hotkey/PortalShortcuts.h"
#include "hotkey/AppConfig.h"
#include "tests/fakes/FakeDesktopKeybinding.h"
#include "tests/fakes/FakeGlobalShortcutsPortal.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"
#include "ui/ShortcutSettingsModel.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using State = PortalBinding::State;
using Section = ShortcutSettingsModel::Section;

PortalShortcut reported(std::string keys) {
    return {PortalShortcuts::shortcutId, PortalShortcuts::shortcutDescription, {}, std::move(keys)};
}

DesktopSession wayland(const char* desktop) {
    return DesktopSession::from("wayland", "wayland-0", desktop);
}

struct PortalShortcutsTest : ::testing::Test {
    FakeGlobalShortcutsPortal portal;
    FakeMainQueue queue;
    RecordingLog log;
    PortalShortcuts shortcuts{portal, queue, log};
    InMemoryPreferences preferences;
    FakeDesktopKeybinding keybinding;
    int presses = 0;

    void open(HotkeyPair pair = {}) {
        shortcuts.installPressHandler([this] { ++presses; });
        ASSERT_TRUE(shortcuts.registerHotkey(pair).has_value());
    }
    ShortcutSettingsModel model(DesktopSession session, bool withPortal) {
        return ShortcutSettingsModel(
            {std::move(session), preferences, withPortal ? &shortcuts : nullptr, &keybinding});
    }
};
using ShortcutSettingsModelTest = PortalShortcutsTest;

TEST_F(PortalShortcutsTest, TheSessionRequestCarriesTheStoredKeys) {
    open({40, CarbonModifier::command | CarbonModifier::option});
    EXPECT_TRUE(shortcuts.registerHotkey({}).has_value());
    ASSERT_EQ(portal.requests.size(), 1u) << "one session at a time";
    ASSERT_EQ(portal.requests[0].shortcuts.size(), 1u);
    EXPECT_EQ(portal.requests[0].shortcuts[0].preferredTrigger, "LOGO+ALT+k");
}

// The answers that leave no shortcut; Plasma's and newer desktops' orders, a
// refused session, double deliveries and changes run over the bus in the
// portal's own test.
TEST_F(PortalShortcutsTest, AnswersThatLeaveNoShortcut) {
    using Answers = std::vector<std::pair<std::uint32_t, std::vector<PortalShortcut>>>;
    const std::pair<const char*, Answers> rows[] = {
        {"the user declines the desktop's dialog", {{0, {}}, {1, {}}}},
        {"the shortcut is known but the user removed its keys", {{0, {reported("")}}}},
        {"someone else's shortcut only", {{0, {}}, {0, {{"other", "", "", "Ctrl+K"}}}}},
    };
    for (const auto& [what, answers] : rows) {
        FakeGlobalShortcutsPortal rowPortal;
        PortalShortcuts rowShortcuts{rowPortal, queue, log};
        rowShortcuts.registerHotkey({});
        for (const auto& [code, reportedShortcuts] : answers)
            rowPortal.answer(code, reportedShortcuts);
        EXPECT_EQ(rowShortcuts.binding.get(), (PortalBinding{State::notSet, ""})) << what;
    }
}

TEST_F(PortalShortcutsTest, AnActivationDuringTheTriggerIsDroppedButALaterOneCounts) {
    open();
    portal.answer(0, {reported("Meta+Shift+I")});
    shortcuts.installPressHandler([this] {
        ++presses;
        portal.activate("trigger"); // arrives while the capture runs
    });
    portal.activate("trigger");
    EXPECT_EQ(presses, 1);
    queue.advance(PortalShortcuts::repeatWindow); // a later press is a new one
    portal.activate("trigger");
    EXPECT_EQ(presses, 2);
}

TEST_F(PortalShortcutsTest, OtherShortcutsRemovedKeysAndClosedSessionsTriggerNothing) {
    open();
    portal.answer(0, {reported("Meta+Shift+I")});
    portal.activate("something-else");
    EXPECT_EQ(presses, 0);
    portal.change({reported("")}); // keys removed in the desktop
    EXPECT_EQ(shortcuts.binding.get().state, State::notSet);
    shortcuts.unregisterHotkey(1);
    EXPECT_EQ(portal.closeCount, 1);
    portal.activate("trigger");
    EXPECT_EQ(presses, 0);
}

TEST_F(PortalShortcutsTest, AnAnswerForAClosedSessionIsDropped) {
    open();
    shortcuts.unregisterHotkey(1);
    open();
    portal.answer(0, {reported("Meta+Shift+I")}); // the first session's late answer
    EXPECT_EQ(shortcuts.binding.get().state, State::pending);
    portal.answer(0, {reported("Alt+K")});
    EXPECT_EQ(shortcuts.binding.get(), (PortalBinding{State::bound, "Alt+K"}));
}

TEST_F(PortalShortcutsTest, TheDesktopSettingsAskToBindAndOnlyAChangeReplacesTheKeys) {
    open();
    portal.answer(0, {reported("Meta+Shift+I")});
    for (std::uint32_t code : {1u, 0u}) { // the dialog cancelled; an answer without the list
        SCOPED_TRACE(code);
        shortcuts.openDesktopSettings();
        portal.answer(code, {});
        EXPECT_EQ(shortcuts.binding.get(), (PortalBinding{State::bound, "Meta+Shift+I"}));
    }
    shortcuts.openDesktopSettings();
    portal.answer(0, {reported("Meta+J")});
    EXPECT_EQ(shortcuts.binding.get(), (PortalBinding{State::bound, "Meta+J"}));
}

TEST_F(PortalShortcutsTest, AnswersAndTimersAfterDestructionDoNothing) {
    auto owned = std::make_unique<PortalShortcuts>(portal, queue, log);
    owned->installPressHandler([] {});
    owned->registerHotkey({});
    portal.requests[0].reply({0, {reported("Meta+Shift+I")}});
    portal.activate("trigger");
    auto lateReply = portal.requests[0].reply;
    owned.reset();
    EXPECT_EQ(portal.closeCount, 1);
    lateReply({0, {}});
    portal.activate("trigger");
    queue.advance(Milliseconds{1000});
}

TEST_F(ShortcutSettingsModelTest, SectionAndTrayTextPerSession) {
    const DesktopSession x11 = DesktopSession::from("x11", nullptr, "KDE");
    const DesktopSession kde = wayland("KDE"), gnome = wayland("GNOME");
    const std::string none(ShortcutSettingsModel::noShortcutText);
    const std::optional<std::uint32_t> asking; // the portal has not answered yet
    using S = Section;
    // What, the session, whether a portal is used and its answer, whether GNOME's
    // keybindings are there; the section shown and the tray's text.
    using Row = std::tuple<const char*, DesktopSession, bool, std::optional<std::uint32_t>, bool,
                           Section, std::string>;
    const Row rows[] = {
        {"X11: our grab", x11, false, asking, true, S::recorder, "Super+Shift+I"},
        {"Plasma, portal bound", kde, true, 0u, true, S::portal, "Meta+Shift+I"},
        {"portal still answering", kde, true, asking, true, S::portal, none},
        {"portal refused on Plasma", kde, true, 2u, true, S::manual, none},
        {"portal refused on GNOME", gnome, true, 2u, true, S::gnomeKeybinding, none},
        {"GNOME 43", wayland("ubuntu:GNOME"), false, asking, true, S::gnomeKeybinding, none},
        {"GNOME, no schema", gnome, false, asking, false, S::manual, none},
        {"sway", wayland("sway"), false, asking, true, S::swayLine, none},
        {"Hyprland: not sway's syntax", wayland("Hyprland"), false, asking, true, S::manual, none},
    };
    for (const auto& [what, session, withPortal, code, available, section, tray] : rows) {
        FakeGlobalShortcutsPortal rowPortal;
        PortalShortcuts rowShortcuts{rowPortal, queue, log};
        rowShortcuts.registerHotkey({});
        if (code)
            rowPortal.answer(*code, {{"trigger", "", "", "Meta+Shift+I"}});
        keybinding.available = available;
        ShortcutSettingsModel rowModel(
            {session, preferences, withPortal ? &rowShortcuts : nullptr, &keybinding});
        EXPECT_EQ(std::pair(rowModel.section(), rowModel.trayShortcutText()),
                  std::pair(section, tray))
            << what;
    }
}

TEST_F(ShortcutSettingsModelTest, OnX11TheTrayNamesTheKeysOnlyWhileOurGrabHoldsThem) {
    Property<bool> registered{true};
    ShortcutSettingsModel settings(
        {DesktopSession::from("x11", nullptr, "XFCE"), preferences, nullptr, nullptr, &registered});
    EXPECT_EQ(settings.trayShortcutText(), "Super+Shift+I");
    registered.set(false); // another application took the keys
    EXPECT_EQ(settings.trayShortcutText(), ShortcutSettingsModel::noShortcutText);
}

TEST_F(ShortcutSettingsModelTest, ARefusedPortalIsNamedInTheNote) {
    shortcuts.registerHotkey({});
    portal.answer(2, {});
    EXPECT_NE(model(wayland("KDE"), true).note().find("refused"), std::string::npos);
    EXPECT_EQ(model(wayland("KDE"), false).note(), "");
}

// Adding and removing through the button is covered with the page; here the
// stored shortcut's later changes and the tray.
TEST_F(ShortcutSettingsModelTest, AnAddedGnomeKeybindingFollowsTheStoredShortcut) {
    AppConfig::Hotkey::save(preferences, 40, CarbonModifier::command | CarbonModifier::control);
    auto settings = model(wayland("GNOME"), false);
    settings.toggleKeybinding();
    EXPECT_EQ(settings.trayShortcutText(), "Super+Ctrl+K");
    AppConfig::Hotkey::save(preferences, 34, CarbonModifier::command);
    settings.storedShortcutChanged();
    EXPECT_EQ(keybinding.installed->binding, "<Super>i");
    settings.toggleKeybinding();
    EXPECT_EQ(settings.trayShortcutText(), ShortcutSettingsModel::noShortcutText);
    settings.storedShortcutChanged(); // not installed: nothing is written
    EXPECT_EQ(keybinding.installCount, 2);
}

TEST_F(ShortcutSettingsModelTest, AKeybindingThatCannotBeWrittenIsSaidAndNotClaimed) {
    // The settings refuse the write; a key GNOME cannot name.
    for (const auto& [pair, refuse] : {std::pair{HotkeyPair{}, true},
                                       std::pair{HotkeyPair{18, CarbonModifier::command}, false}}) {
        FakeDesktopKeybinding rowKeybinding;
        rowKeybinding.refuseWrites = refuse;
        AppConfig::Hotkey::save(preferences, pair.keyCode, pair.modifiers);
        ShortcutSettingsModel settings({wayland("GNOME"), preferences, nullptr, &rowKeybinding});
        settings.toggleKeybinding();
        EXPECT_EQ(std::tuple(settings.keybindingInstalled.get(), settings.problem.get().has_value(),
                             settings.trayShortcutText()),
                  std::tuple(false, true, std::string(ShortcutSettingsModel::noShortcutText)))
            << refuse;
    }
}

} // namespace
} // namespace scribeon
