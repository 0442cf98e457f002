#include "ui/ShortcutSettingsModel.h"
#include "hotkey/AppConfig.h"
#include "platform/fake/FakeDesktopKeybinding.h"
#include "platform/fake/FakeGlobalShortcutsPortal.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/InMemoryPreferences.h"
#include "platform/fake/RecordingLog.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using Section = ShortcutSettingsModel::Section;

DesktopSession wayland(const char* desktop) {
    return DesktopSession::from("wayland", "wayland-0", desktop);
}

struct ShortcutSettingsModelTest : ::testing::Test {
    InMemoryPreferences preferences;
    FakeGlobalShortcutsPortal portal;
    FakeMainQueue queue;
    RecordingLog log;
    PortalShortcuts shortcuts{portal, queue, log};
    FakeDesktopKeybinding keybinding;

    ShortcutSettingsModel model(DesktopSession session, bool withPortal) {
        return ShortcutSettingsModel(
            {std::move(session), preferences, withPortal ? &shortcuts : nullptr, &keybinding});
    }
    void portalAnswers(std::uint32_t code, std::string keys) {
        shortcuts.registerHotkey({});
        std::vector<PortalShortcut> reported;
        if (code == 0)
            reported.push_back({"trigger", "", "", std::move(keys)});
        portal.answer(code, reported);
    }
};

TEST_F(ShortcutSettingsModelTest, SectionAndTrayTextPerSession) {
    struct Row {
        const char* what;
        DesktopSession session;
        bool portal;
        std::optional<std::uint32_t> portalCode;
        bool keybindingAvailable;
        Section section;
        const char* tray;
    };
    const std::string none(ShortcutSettingsModel::noShortcutText);
    const Row rows[] = {
        {"X11: our grab",
         DesktopSession::from("x11", nullptr, "KDE"),
         false,
         {},
         true,
         Section::recorder,
         "Super+Shift+I"},
        {"Plasma with the portal bound", wayland("KDE"), true, 0u, true, Section::portal,
         "Meta+Shift+I"},
        {"portal still answering", wayland("KDE"), true, {}, true, Section::portal, none.c_str()},
        {"portal refused on Plasma", wayland("KDE"), true, 2u, true, Section::manual, none.c_str()},
        {"portal refused on GNOME", wayland("GNOME"), true, 2u, true, Section::gnomeKeybinding,
         none.c_str()},
        {"GNOME 43, no portal",
         wayland("ubuntu:GNOME"),
         false,
         {},
         true,
         Section::gnomeKeybinding,
         none.c_str()},
        {"GNOME without its settings schema",
         wayland("GNOME"),
         false,
         {},
         false,
         Section::manual,
         none.c_str()},
        {"sway", wayland("sway"), false, {}, true, Section::swayLine, none.c_str()},
        {"Hyprland: not sway's syntax",
         wayland("Hyprland"),
         false,
         {},
         true,
         Section::manual,
         none.c_str()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeGlobalShortcutsPortal rowPortal;
        PortalShortcuts rowShortcuts{rowPortal, queue, log};
        rowShortcuts.registerHotkey({});
        if (row.portalCode)
            rowPortal.answer(*row.portalCode, {{"trigger", "", "", "Meta+Shift+I"}});
        keybinding.available = row.keybindingAvailable;
        ShortcutSettingsModel rowModel(
            {row.session, preferences, row.portal ? &rowShortcuts : nullptr, &keybinding});
        EXPECT_EQ(rowModel.section(), row.section);
        EXPECT_EQ(rowModel.trayShortcutText(), row.tray);
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
    portalAnswers(2, "");
    auto settings = model(wayland("KDE"), true);
    EXPECT_NE(settings.note().find("refused"), std::string::npos);
    EXPECT_NE(settings.note().find("scribeon --trigger"), std::string::npos);
    ShortcutSettingsModel unrefused({wayland("KDE"), preferences, nullptr, &keybinding});
    EXPECT_EQ(unrefused.note(), "");
}

TEST_F(ShortcutSettingsModelTest, ThePortalSectionShowsTheDesktopsKeys) {
    auto settings = model(wayland("KDE"), true);
    portalAnswers(0, "Meta+Shift+I");
    EXPECT_NE(settings.portalStatus().find("Meta+Shift+I"), std::string::npos);
}

TEST_F(ShortcutSettingsModelTest, TheGnomeButtonAddsOnlyWhenPressedAndRemovesAgain) {
    AppConfig::Hotkey::save(preferences, 40, CarbonModifier::command | CarbonModifier::control);
    auto settings = model(wayland("GNOME"), false);
    EXPECT_EQ(keybinding.installCount, 0);
    EXPECT_EQ(settings.keybindingButtonTitle(), ShortcutSettingsModel::addKeybindingTitle);

    settings.toggleKeybinding();
    ASSERT_TRUE(keybinding.installed);
    EXPECT_EQ(keybinding.installed->command, "scribeon --trigger");
    EXPECT_EQ(keybinding.installed->binding, "<Super><Control>k");
    EXPECT_EQ(settings.trayShortcutText(), "Super+Ctrl+K");
    EXPECT_EQ(settings.keybindingButtonTitle(), ShortcutSettingsModel::removeKeybindingTitle);

    AppConfig::Hotkey::save(preferences, 34, CarbonModifier::command);
    settings.storedShortcutChanged();
    EXPECT_EQ(keybinding.installed->binding, "<Super>i");

    settings.toggleKeybinding();
    EXPECT_FALSE(keybinding.installed);
    EXPECT_EQ(settings.trayShortcutText(), ShortcutSettingsModel::noShortcutText);
    settings.storedShortcutChanged(); // not installed: nothing is written
    EXPECT_EQ(keybinding.installCount, 2);
}

TEST_F(ShortcutSettingsModelTest, AKeybindingThatCannotBeWrittenIsSaidAndNotClaimed) {
    struct Row {
        const char* what;
        HotkeyPair pair;
        bool refuse;
    };
    const Row rows[] = {
        {"settings refuse the write", {}, true},
        {"a key GNOME cannot name", {18, CarbonModifier::command}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeDesktopKeybinding rowKeybinding;
        rowKeybinding.refuseWrites = row.refuse;
        AppConfig::Hotkey::save(preferences, row.pair.keyCode, row.pair.modifiers);
        ShortcutSettingsModel settings({wayland("GNOME"), preferences, nullptr, &rowKeybinding});
        settings.toggleKeybinding();
        EXPECT_FALSE(settings.keybindingInstalled.get());
        EXPECT_TRUE(settings.problem.get().has_value());
        EXPECT_EQ(settings.trayShortcutText(), ShortcutSettingsModel::noShortcutText);
    }
}

TEST_F(ShortcutSettingsModelTest, TheSwayLineFollowsTheStoredKeys) {
    auto settings = model(wayland("sway"), false);
    EXPECT_EQ(settings.swayLine(), "bindsym Mod4+Shift+i exec scribeon --trigger");
    AppConfig::Hotkey::save(preferences, 49, CarbonModifier::option);
    EXPECT_EQ(settings.swayLine(), "bindsym Mod1+space exec scribeon --trigger");
}

} // namespace
} // namespace scribeon
