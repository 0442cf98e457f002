#pragma once

#include "ui/MenuBarModel.h"

#include <string>
#include <vector>

namespace scribeon::test {

// The tray panel's state, set by hand, and the actions it asked for by name.
struct MenuBarState {
    Property<bool> isAuthenticated{true};
    Property<std::optional<User>, Notify::Always> user;
    Property<std::optional<std::string>> errorMessage;
    Property<bool> isUpdateAvailable{false};
    Property<std::optional<std::string>> availableVersion;
    std::vector<std::string> asked;
    std::function<void()> ask(std::string what) {
        return [this, what] { asked.push_back(what); };
    }
    MenuBarModel model{isAuthenticated,  user,
                       errorMessage,     isUpdateAvailable,
                       availableVersion, [] { return std::string("Super+Shift+I"); },
                       ask("settings"),  ask("updates"),
                       ask("signout"),   ask("quit"),
                       ask("signin"),    ask("signup")};
};

} // namespace scribeon::test
