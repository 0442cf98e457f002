#include "hotkey/HotkeyText.h"
#include "hotkey/DesktopShortcutText.h"
#include "platform/HotkeyPair.h"
#include "platform/KeyCodeTable.h"

#include <gtest/gtest.h>

#include <set>

namespace scribeon {
namespace {

using namespace CarbonModifier;

TEST(HotkeyTextTest, RendersWithTheRecordersAndTheMenusTables) {
    const struct {
        std::uint32_t keyCode, modifiers;
        const char *recorder, *menu;
    } rows[] = {
        {49, control | option | command, "Super+Alt+Ctrl+Space", "Super+Alt+Ctrl+Key(49)"},
        {18, command, "Super+Key(18)", "Super+Key(18)"},
        {36, shift, "Shift+Return", "Shift+Key(36)"},
        // Bits outside the four modifiers show nothing.
        {34, 0x300 | 0x400 | 0x1, "Super+Shift+I", "Super+Shift+I"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(formatHotkey(row.keyCode, row.modifiers), row.recorder);
        EXPECT_EQ(formatMenuHotkey(row.keyCode, row.modifiers), row.menu);
    }
    std::set<std::string> letters; // every letter is named in the menu's table
    for (std::uint32_t code = 0; code < 128; ++code)
        if (const auto text = formatMenuHotkey(code, 0); text.find("Key(") == std::string::npos)
            letters.insert(text);
    EXPECT_EQ(letters.size(), 26u);
}

TEST(KeyCodeTableTest, RoundTripsAndStaysOneToOne) {
    std::set<std::uint32_t> evdevCodes;
    for (std::uint32_t virtualKey = 0; virtualKey < 256; ++virtualKey) {
        const auto evdev = KeyCodeTable::evdevFromVirtualKey(virtualKey);
        if (!evdev)
            continue;
        EXPECT_TRUE(evdevCodes.insert(*evdev).second) << "evdev " << *evdev << " used twice";
        EXPECT_EQ(KeyCodeTable::virtualKeyFromEvdev(*evdev), virtualKey);
    }
    EXPECT_EQ(KeyCodeTable::evdevFromVirtualKey(34), 23u);          // I, the default shortcut's key
    EXPECT_EQ(KeyCodeTable::virtualKeyFromEvdev(29), std::nullopt); // left Ctrl is no shortcut key
}

// A key without a name (the recorder shows Key(18)) is not guessed.
TEST(DesktopShortcutTextTest, EachDesktopsSpelling) {
    using S = std::optional<std::string>;
    const struct {
        HotkeyPair pair;
        S portal, sway, gnome;
    } rows[] = {
        {{34, command | shift}, "LOGO+SHIFT+i", "Mod4+Shift+i", "<Super><Shift>i"},
        {{49, command | option | control},
         "LOGO+ALT+CTRL+space",
         "Mod4+Mod1+Ctrl+space",
         "<Super><Alt><Control>space"},
        {{51, control}, "CTRL+BackSpace", "Ctrl+BackSpace", "<Control>BackSpace"},
        {{36, shift}, "SHIFT+Return", "Shift+Return", "<Shift>Return"},
        {{0, 0}, "a", "a", "a"},
        {{18, command}, {}, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pair.keyCode);
        const S sway = row.sway ? "bindsym " + *row.sway + " exec scribeon --trigger" : S();
        EXPECT_EQ(DesktopShortcutText::portalTrigger(row.pair), row.portal);
        EXPECT_EQ(DesktopShortcutText::swayBindingLine(row.pair), sway);
        EXPECT_EQ(DesktopShortcutText::gnomeAccelerator(row.pair), row.gnome);
    }
}

} // namespace
} // namespace scribeon
