#include "platform/DesktopSession.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace scribeon {

namespace {

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
bool names(std::string_view list, std::string_view wanted) {
    const std::string all = lowered(list);
    std::string_view rest(all);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        if (rest.substr(0, colon) == wanted)
            return true;
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return false;
}

// Compositors built on wlroots that ship its virtual-keyboard and
// data-control protocols.
constexpr std::array<std::string_view, 6> wlrootsDesktops{"sway",    "hyprland", "river",
                                                          "wayfire", "labwc",    "wlroots"};

std::string_view variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

DesktopSession DesktopSession::recognise(std::string_view waylandDisplay,
                                         std::string_view sessionType,
                                         std::string_view currentDesktop) {
    DesktopSession session;
    if (!waylandDisplay.empty() || lowered(sessionType) == "wayland")
        session.kind = Kind::wayland;
    session.desktop = std::string(currentDesktop);
    session.kde = names(currentDesktop, "kde");
    session.gnome = names(currentDesktop, "gnome");
    session.wlroots =
        std::any_of(wlrootsDesktops.begin(), wlrootsDesktops.end(),
                    [&](std::string_view name) { return names(currentDesktop, name); });
    return session;
}

DesktopSession DesktopSession::fromEnvironment() {
    return recognise(variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE"),
                     variable("XDG_CURRENT_DESKTOP"));
}

} // namespace scribeon
