#include "hotkey/HotkeyText.h"

#include "platform/HotkeyPair.h"

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace scribeon {

namespace {

// The order of the model: Command, Shift, Option, Control.
constexpr std::array<std::pair<std::uint32_t, std::string_view>, 4> modifierNames{{
    {CarbonModifier::command, "Super"},
    {CarbonModifier::shift, "Shift"},
    {CarbonModifier::option, "Alt"},
    {CarbonModifier::control, "Ctrl"},
}};

constexpr std::array<std::pair<std::uint32_t, std::string_view>, 26> letterNames{{
    {0, "A"},  {1, "S"},  {2, "D"},  {3, "F"},  {4, "H"},  {5, "G"},  {6, "Z"},
    {7, "X"},  {8, "C"},  {9, "V"},  {11, "B"}, {12, "Q"}, {13, "W"}, {14, "E"},
    {15, "R"}, {16, "Y"}, {17, "T"}, {31, "O"}, {32, "U"}, {34, "I"}, {35, "P"},
    {37, "L"}, {38, "J"}, {40, "K"}, {45, "N"}, {46, "M"},
}};

constexpr std::array<std::pair<std::uint32_t, std::string_view>, 5> recorderOnlyNames{{
    {36, "Return"},
    {48, "Tab"},
    {49, "Space"},
    {51, "Delete"},
    {53, "Escape"},
}};

template <std::size_t N>
std::optional<std::string_view>
lookUp(const std::array<std::pair<std::uint32_t, std::string_view>, N>& table,
       std::uint32_t keyCode) {
    for (const auto& [code, name] : table)
        if (code == keyCode)
            return name;
    return std::nullopt;
}

std::string render(std::uint32_t modifiers, std::optional<std::string_view> keyName,
                   std::uint32_t keyCode) {
    std::string text;
    for (const auto& [bit, word] : modifierNames) {
        if (!(modifiers & bit))
            continue;
        text += word;
        text += '+';
    }
    if (keyName)
        text += *keyName;
    else
        text += "Key(" + std::to_string(keyCode) + ")";
    return text;
}

} // namespace

std::optional<std::string_view> hotkeyKeyName(std::uint32_t keyCode) {
    if (auto name = lookUp(letterNames, keyCode))
        return name;
    return lookUp(recorderOnlyNames, keyCode);
}

std::string formatHotkey(std::uint32_t keyCode, std::uint32_t modifiers) {
    return render(modifiers, hotkeyKeyName(keyCode), keyCode);
}

std::string formatMenuHotkey(std::uint32_t keyCode, std::uint32_t modifiers) {
    return render(modifiers, lookUp(letterNames, keyCode), keyCode);
}

} // namespace scribeon
