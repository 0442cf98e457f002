#pragma once

#include <string>
#include <string_view>

namespace scribeon {

// The kind of graphical session the program runs in, recognised once at
// start-up. A Wayland session stays one when Qt itself talks X11 through
// XWayland: an X grab or XTest there only reaches X clients, so nothing X11
// may be taken as working for the whole desktop.
struct DesktopSession {
    enum class Kind { x11, wayland };

    Kind kind = Kind::x11;
    std::string desktop; // XDG_CURRENT_DESKTOP as given ("KDE", "ubuntu:GNOME", "sway")
    bool wlroots = false;
    bool kde = false;
    bool gnome = false;

    bool isWayland() const { return kind == Kind::wayland; }

    static DesktopSession recognise(std::string_view waylandDisplay, std::string_view sessionType,
                                    std::string_view currentDesktop);
    static DesktopSession fromEnvironment();
};

} // namespace scribeon
