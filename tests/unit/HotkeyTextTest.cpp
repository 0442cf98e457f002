#include "hotkey/HotkeyText.h"
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
}

TEST(HotkeyTextTest, EveryLetterIsNamedInTheMenuTable) {
    std::set<std::string> letters;
    for (std::uint32_t code = 0; code < 128; ++code) {
        const auto text = formatMenuHotkey(code, 0);
        if (text.find("Key(") == std::string::npos)
            letters.insert(text);
    }
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

} // namespace
} // namespace scribeon
