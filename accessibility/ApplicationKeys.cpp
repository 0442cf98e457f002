#include "accessibility/ApplicationKeys.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace scribeon {

namespace {

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

constexpr std::array<std::string_view, 22> terminals{"xterm",          "uxterm",
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

// Editors whose Ctrl+C / Ctrl+V are commands of their own, and which put an
// active region or visual selection in the primary selection.
constexpr std::array<std::string_view, 2> withoutEditingKeys{"emacs", "gvim"};

} // namespace

ApplicationKeys::ApplicationKeys() {
    for (const std::string_view terminal : terminals)
        byClass_.emplace(terminal, EditingKeys::terminal);
    for (const std::string_view editor : withoutEditingKeys)
        byClass_.emplace(editor, EditingKeys::none);
}

ApplicationKeys ApplicationKeys::withUserEntries(Preferences& preferences, DiagnosticLog& log) {
    ApplicationKeys table;
    const auto entries = preferences.textMap(preferenceKey);
    if (!entries)
        return table;
    for (const auto& [windowClass, name] : *entries) {
        const std::optional<EditingKeys> keys = editingKeysNamed(name);
        if (!keys || windowClass.empty()) {
            std::string line = "settings: ";
            line.append(preferenceKey).append(" entry '").append(windowClass);
            line.append("' = '").append(name);
            line.append("' skipped (standard, terminal or none expected)");
            log.write(line);
            continue;
        }
        table.set(windowClass, *keys);
    }
    return table;
}

EditingKeys ApplicationKeys::of(std::string_view windowClass) const {
    const auto found = byClass_.find(lowerCase(windowClass));
    return found == byClass_.end() ? EditingKeys::standard : found->second;
}

void ApplicationKeys::set(std::string_view windowClass, EditingKeys keys) {
    byClass_[lowerCase(windowClass)] = keys;
}

std::optional<EditingKeys> editingKeysNamed(std::string_view name) {
    const std::string lower = lowerCase(name);
    if (lower == "standard")
        return EditingKeys::standard;
    if (lower == "terminal")
        return EditingKeys::terminal;
    if (lower == "none")
        return EditingKeys::none;
    return std::nullopt;
}

} // namespace scribeon
