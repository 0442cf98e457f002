#pragma once

#include <QWindow>

namespace scribeon {

// True when the desktop composites windows, so that a translucent window
// shows what lies behind it; on X11 without a compositing manager its
// transparent pixels are black.
bool desktopComposites();

// True when the window manager reports the window as the active one
// (_NET_ACTIVE_WINDOW). Qt deactivates a window when a FocusIn does not
// follow a FocusOut fast enough, which on a loaded desktop happens while the
// window keeps the focus; this tells such a deactivation from a real one.
// Without X11 the question cannot be asked and the answer is false.
bool isActiveOnDesktop(const QWindow& window);

} // namespace scribeon
