#include "platform/qt/Compositing.h"

#include <QtGui/private/qtx11extras_p.h>

namespace scribeon {

bool desktopComposites() {
    // Every Wayland compositor composites.
    return !QX11Info::isPlatformX11() || QX11Info::isCompositingManagerRunning();
}

} // namespace scribeon
