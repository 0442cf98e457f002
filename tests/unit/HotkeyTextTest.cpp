#include "hotkey/HotkeyText.h"
#include "platform/HotkeyPair.h"
#include "platform/KeyCodeTable.h"

#include <gtest/gtest.h>

#include <set>

namespace scribeon {
namespace {

using namespace CarbonModifier;

TEST(HotkeyTextTest, RendersInBothStylesWithBothTables) {
    struct Row {
        std::uint32_t keyCode, modifiers;
        const char *symbols, *words, *menuSymbols, *menuWords;
    };
    const Row rows[] = {
        {34, command | shift, "⌘ ⇧ I", "Super+Shift+I", "⌘ ⇧ I", "Super+Shift+I"},
        {49, control | option | command, "⌘ ⌥ ⌃ Space", "Super+Alt+Ctrl+Space", "⌘ ⌥ ⌃ Key(49)",
         "Super+Alt+Ctrl+Key(49)"},
        {18, command, "⌘ Key(18)", "Super+Key(18)", "⌘ Key(18)", "Super+Key(18)"},
        {0, command | shift, "⌘ ⇧ A", "Super+Shift+A", "⌘ ⇧ A", "Super+Shift+A"},
        {36, shift, "⇧ Return", "Shift+Return", "⇧ Key(36)", "Shift+Key(36)"},
        {54, command, "⌘ Key(54)", "Super+Key(54)", "⌘ Key(54)", "Super+Key(54)"},
        // Bits outside the four modifiers show nothing.
        {34, 0x300 | 0x400 | 0x1, "⌘ ⇧ I", "Super+Shift+I", "⌘ ⇧ I", "Super+Shift+I"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(formatHotkey(row.keyCode, row.modifiers, HotkeyStyle::symbols), row.symbols);
        EXPECT_EQ(formatHotkey(row.keyCode, row.modifiers), row.words);
        EXPECT_EQ(formatMenuHotkey(row.keyCode, row.modifiers, HotkeyStyle::symbols),
                  row.menuSymbols);
        EXPECT_EQ(formatMenuHotkey(row.keyCode, row.modifiers), row.menuWords);
    }
}

TEST(HotkeyTextTest, EveryLetterIsNamedInTheMenuTable) {
    std::set<std::string> letters;
    for (std::uint32_t code = 0; code < 128; ++code) {
        const auto text = formatMenuHotkey(code, command, HotkeyStyle::symbols);
        if (text.find("Key(") == std::string::npos)
            letters.insert(text.substr(std::string("⌘ ").size()));
    }
    EXPECT_EQ(letters.size(), 26u);
}

TEST(HotkeyTextTest, EventFlagsBecomeTheCarbonMask) {
    struct Row {
        std::uint64_t flags;
        std::uint32_t mask;
    };
    const Row rows[] = {
        {0, 0},
        {1u << 17, shift},
        {1u << 18, control},
        {1u << 19, option},
        {1u << 20, command},
        {(1u << 20) | (1u << 17), 768},
        {(1u << 16) | (1u << 23) | (1u << 21), 0}, // Caps Lock, Function, numeric pad
        {(1u << 17) | (1u << 18) | (1u << 19) | (1u << 20) | (1u << 16), 0x1B00},
    };
    for (const auto& row : rows)
        EXPECT_EQ(carbonModifiersFromEventFlags(row.flags), row.mask) << row.flags;
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
