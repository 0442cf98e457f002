#include "hotkey/DesktopShortcutText.h"
#include "platform/DesktopSession.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

constexpr std::uint32_t cmd = CarbonModifier::command;
constexpr std::uint32_t shift = CarbonModifier::shift;
constexpr std::uint32_t alt = CarbonModifier::option;
constexpr std::uint32_t ctrl = CarbonModifier::control;

TEST(DesktopShortcutTextTest, EachDesktopsSpelling) {
    struct Row {
        HotkeyPair pair;
        const char *portal, *sway, *gnome;
    };
    const Row rows[] = {
        {{34, cmd | shift}, "LOGO+SHIFT+i", "Mod4+Shift+i", "<Super><Shift>i"},
        {{49, cmd | alt | ctrl},
         "LOGO+ALT+CTRL+space",
         "Mod4+Mod1+Ctrl+space",
         "<Super><Alt><Control>space"},
        {{51, ctrl}, "CTRL+BackSpace", "Ctrl+BackSpace", "<Control>BackSpace"},
        {{36, shift}, "SHIFT+Return", "Shift+Return", "<Shift>Return"},
        {{0, 0}, "a", "a", "a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.portal);
        EXPECT_EQ(DesktopShortcutText::portalTrigger(row.pair), row.portal);
        EXPECT_EQ(DesktopShortcutText::swayBindingLine(row.pair),
                  "bindsym " + std::string(row.sway) + " exec scribeon --trigger");
        EXPECT_EQ(DesktopShortcutText::gnomeAccelerator(row.pair), row.gnome);
    }
}

TEST(DesktopShortcutTextTest, AKeyWithoutANameIsNotGuessed) {
    const HotkeyPair unnamed{18, cmd}; // the recorder shows it as Key(18)
    EXPECT_FALSE(DesktopShortcutText::portalTrigger(unnamed));
    EXPECT_FALSE(DesktopShortcutText::swayBindingLine(unnamed));
    EXPECT_FALSE(DesktopShortcutText::gnomeAccelerator(unnamed));
}

} // namespace
} // namespace scribeon
