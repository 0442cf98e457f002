#pragma once

#include <string>
#include <string_view>

namespace scribeon {

// The kind of graphical session the program runs in, read once at start-up.
// Plain values, so the choices that depend on it can be tested anywhere.
struct DesktopSession {
    enum class Kind { x11, wayland };
    // sway apart from the other wlroots compositors: its configuration syntax
    // is the one we can show.
    enum class Family { other, gnome, kde, sway, wlroots };

    Kind kind = Kind::x11;
    // XDG_CURRENT_DESKTOP as the session set it ("KDE", "ubuntu:GNOME", "sway").
    std::string desktop;

    bool isWayland() const { return kind == Kind::wayland; }
    Family family() const;
    // Compositors built on wlroots offer the virtual-keyboard and
    // data-control protocols that a paste from the background needs.
    bool isWlroots() const {
        const Family f = family();
        return f == Family::sway || f == Family::wlroots;
    }

    // From the session's variables (any of them may be null). Qt running on
    // XWayland still counts as Wayland: an X11 grab there sees only keys
    // typed into X11 clients.
    static DesktopSession from(const char* sessionType, const char* waylandDisplay,
                               const char* currentDesktop);
    static DesktopSession fromEnvironment();
};

} // namespace scribeon
