#include "ui/ShortcutSettingsModel.h"
#include "hotkey/AppConfig.h"
#include "tests/fakes/FakeDesktopKeybinding.h"
#include "tests/fakes/FakeGlobalShortcutsPortal.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"

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
};

TEST_F(ShortcutSettingsModelTest, SectionAndTrayTextPerSession) {
    const DesktopSession x11 = DesktopSession::from("x11", nullptr, "KDE");
    const std::string none(ShortcutSettingsModel::noShortcutText);
    const std::optional<std::uint32_t> asking; // the portal has not answered yet
    const struct {
        const char* what;
        DesktopSession session;
        bool portal;
        std::optional<std::uint32_t> portalCode;
        bool keybindingAvailable;
        Section section;
        std::string tray;
    } rows[] = {
        {"X11: our grab", x11, false, asking, true, Section::recorder, "Super+Shift+I"},
        {"Plasma, portal bound", wayland("KDE"), true, 0u, true, Section::portal, "Meta+Shift+I"},
        {"portal still answering", wayland("KDE"), true, asking, true, Section::portal, none},
        {"portal refused on Plasma", wayland("KDE"), true, 2u, true, Section::manual, none},
        {"portal refused on GNOME", wayland("GNOME"), true, 2u, true, Section::gnomeKeybinding,
         none},
        {"GNOME 43", wayland("ubuntu:GNOME"), false, asking, true, Section::gnomeKeybinding, none},
        {"GNOME, no schema", wayland("GNOME"), false, asking, false, Section::manual, none},
        {"sway", wayland("sway"), false, asking, true, Section::swayLine, none},
        {"Hyprland: not sway's syntax", wayland("Hyprland"), false, asking, true, Section::manual,
         none},
    };
    for (const auto& row : rows) {
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
    const struct {
        const char* what;
        HotkeyPair pair;
        bool refuse;
    } rows[] = {
        {"settings refuse the write", {}, true},
        {"a key GNOME cannot name", {18, CarbonModifier::command}, false},
    };
    for (const auto& row : rows) {
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

} // namespace
} // namespace scribeon
