#pragma once

namespace scribeon {

// True when the desktop composites windows, so that a translucent window
// shows what lies behind it; on X11 without a compositing manager its
// transparent pixels are black.
bool desktopComposites();

} // namespace scribeon
