#pragma once

#include "base/Property.h"
#include "wire/Records.h"

#include <functional>
#include <optional>
#include <string>

namespace scribeon {

// What the tray panel reads from the application state, and what its
// buttons ask of the program. The panel never calls the service itself.
struct MenuBarModel {
    Property<bool>& isAuthenticated;
    Property<std::optional<User>, Notify::Always>& user;
    Property<std::optional<std::string>>& errorMessage;
    Property<bool>& isUpdateAvailable;
    Property<std::optional<std::string>>& availableVersion;
    // The shortcut that reaches the program, as the desktop writes shortcuts
    // ("Super+Shift+I"), or the pointer to Settings where none is known to.
    std::function<std::string()> formattedHotkey;

    std::function<void()> openSettings;
    std::function<void()> checkForUpdates;
    std::function<void()> signOut;
    std::function<void()> quit;
    std::function<void()> signIn;
    std::function<void()> signUp;
};

} // namespace scribeon
