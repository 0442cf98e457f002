#include "platform/DesktopSession.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace scribeon {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Desktop names as XDG_CURRENT_DESKTOP lists them; a derived desktop puts
// its own name first ("ubuntu:GNOME"), so every entry is looked at.
constexpr std::array<std::pair<std::string_view, DesktopSession::Family>, 10> familyNames{{
    {"gnome", DesktopSession::Family::gnome},
    {"gnome-classic", DesktopSession::Family::gnome},
    {"kde", DesktopSession::Family::kde},
    {"sway", DesktopSession::Family::sway},
    {"hyprland", DesktopSession::Family::wlroots},
    {"river", DesktopSession::Family::wlroots},
    {"wayfire", DesktopSession::Family::wlroots},
    {"labwc", DesktopSession::Family::wlroots},
    {"niri", DesktopSession::Family::wlroots},
    {"wlroots", DesktopSession::Family::wlroots},
}};

} // namespace

DesktopSession::Family DesktopSession::family() const {
    std::string_view rest = desktop;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string entry = lowered(rest.substr(0, colon));
        for (const auto& [name, family] : familyNames)
            if (entry == name)
                return family;
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
    return Family::other;
}

DesktopSession DesktopSession::from(const char* sessionType, const char* waylandDisplay,
                                    const char* currentDesktop) {
    DesktopSession session;
    const bool wayland =
        (sessionType && lowered(sessionType) == "wayland") || (waylandDisplay && *waylandDisplay);
    session.kind = wayland ? Kind::wayland : Kind::x11;
    session.desktop = currentDesktop ? currentDesktop : "";
    return session;
}

DesktopSession DesktopSession::fromEnvironment() {
    return from(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"),
                std::getenv("XDG_CURRENT_DESKTOP"));
}

} // namespace scribeon
