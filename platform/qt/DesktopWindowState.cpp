#include "platform/qt/DesktopWindowState.h"

#include <QtGui/private/qtx11extras_p.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace scribeon {

bool desktopComposites() {
    // Every Wayland compositor composites.
    return !QX11Info::isPlatformX11() || QX11Info::isCompositingManagerRunning();
}

bool isActiveOnDesktop(const QWindow& window) {
    xcb_connection_t* connection = QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
    if (!connection)
        return false;
    static constexpr char name[] = "_NET_ACTIVE_WINDOW";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr);
    if (!atom)
        return false;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, QX11Info::appRootWindow(),
                                                atom->atom, XCB_ATOM_WINDOW, 0, 1),
                               nullptr);
    std::free(atom);
    bool active = false;
    if (reply && xcb_get_property_value_length(reply) == sizeof(xcb_window_t)) {
        const auto* value = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        active = *value == static_cast<xcb_window_t>(window.winId());
    }
    std::free(reply);
    return active;
}

} // namespace scribeon
