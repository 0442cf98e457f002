#include "accessibility/TerminalWindows.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace scribeon {

bool isTerminalWindowClass(std::string_view windowClass) {
    static constexpr std::array<std::string_view, 22> terminals{
        "xterm",          "uxterm",
        "gnome-terminal", "gnome-terminal-server",
        "konsole",        "xfce4-terminal",
        "mate-terminal",  "lxterminal",
        "qterminal",      "terminator",
        "tilix",          "alacritty",
        "kitty",          "urxvt",
        "rxvt",           "st-256color",
        "foot",           "wezterm",
        "sakura",         "terminology",
        "guake",          "org.gnome.console"};
    std::string lower(windowClass);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(terminals.begin(), terminals.end(), lower) != terminals.end();
}

} // namespace scribeon
