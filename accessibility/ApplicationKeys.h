#pragma once

#include "platform/DiagnosticLog.h"
#include "platform/Preferences.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace scribeon {

// What an application makes of the editing keystrokes the program posts.
enum class EditingKeys {
    // Ctrl+C copies, Ctrl+V pastes over the selection, Ctrl+Z undoes.
    standard,
    // Ctrl+C and Ctrl+Z interrupt or suspend the program in the terminal:
    // the selection is read from the primary selection, Shift+Insert pastes,
    // and no undo key is posted.
    terminal,
    // No keystroke means copy or paste-over-the-selection (Emacs: Ctrl+C is
    // a prefix key, Ctrl+V scrolls, Ctrl+Z iconifies): the selection is read
    // from the primary selection and the result is left on the clipboard.
    none,
};

// The applications whose keys differ from the standard ones, by the class
// part of their window's WM_CLASS, or on Wayland by the application's name on
// the accessibility bus (compared without regard to case). Users
// add to it, or override it, under `preferenceKey`: a map from window class
// to "standard", "terminal" or "none".
class ApplicationKeys {
public:
    static constexpr const char* preferenceKey = "applicationKeys";

    ApplicationKeys(); // the built-in table only

    // The built-in table with the user's entries over it. An entry naming no
    // known kind is skipped (and logged): a typo must not stop the program.
    static ApplicationKeys withUserEntries(Preferences& preferences, DiagnosticLog& log);

    EditingKeys of(std::string_view windowClass) const;
    void set(std::string_view windowClass, EditingKeys keys);

private:
    std::map<std::string, EditingKeys, std::less<>> byClass_;
};

std::optional<EditingKeys> editingKeysNamed(std::string_view name);

} // namespace scribeon
