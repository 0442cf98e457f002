#include "hotkey/DesktopShortcutText.h"

#include "hotkey/HotkeyText.h"

#include <array>
#include <cctype>
#include <string_view>

namespace scribeon::DesktopShortcutText {

namespace {

struct ModifierSpelling {
    std::uint32_t bit;
    std::string_view portal;
    std::string_view sway;
    std::string_view gnome;
};

// The model's order: Command, Shift, Option, Control.
constexpr std::array<ModifierSpelling, 4> modifierSpellings{{
    {CarbonModifier::command, "LOGO", "Mod4", "<Super>"},
    {CarbonModifier::shift, "SHIFT", "Shift", "<Shift>"},
    {CarbonModifier::option, "ALT", "Mod1", "<Alt>"},
    {CarbonModifier::control, "CTRL", "Ctrl", "<Control>"},
}};

// Every desktop here names keys by their XKB keysym: lower-case letters,
// "space", and "BackSpace" for the key the recorder calls Delete.
std::optional<std::string> keysymName(std::uint32_t keyCode) {
    const std::optional<std::string_view> name = hotkeyKeyName(keyCode);
    if (!name)
        return std::nullopt;
    if (*name == "Space")
        return "space";
    if (*name == "Delete")
        return "BackSpace";
    std::string keysym(*name);
    if (keysym.size() == 1)
        keysym[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(keysym[0])));
    return keysym;
}

template <typename Spelling>
std::optional<std::string> spell(HotkeyPair pair, Spelling spelling, std::string_view separator) {
    auto key = keysymName(pair.keyCode);
    if (!key)
        return std::nullopt;
    std::string text;
    for (const ModifierSpelling& modifier : modifierSpellings) {
        if (pair.modifiers & modifier.bit) {
            text += spelling(modifier);
            text += separator;
        }
    }
    return text + *key;
}

} // namespace

std::optional<std::string> portalTrigger(HotkeyPair pair) {
    return spell(
        pair, [](const ModifierSpelling& m) { return m.portal; }, "+");
}

std::optional<std::string> swayKeys(HotkeyPair pair) {
    return spell(
        pair, [](const ModifierSpelling& m) { return m.sway; }, "+");
}

std::optional<std::string> swayBindingLine(HotkeyPair pair) {
    auto keys = swayKeys(pair);
    if (!keys)
        return std::nullopt;
    return "bindsym " + *keys + " exec " + triggerCommand;
}

std::optional<std::string> gnomeAccelerator(HotkeyPair pair) {
    return spell(
        pair, [](const ModifierSpelling& m) { return m.gnome; }, "");
}

} // namespace scribeon::DesktopShortcutText
