#include "platform/qt/QtUserTime.h"

#include <QtGui/private/qtx11extras_p.h>

namespace scribeon {

void adoptUserActionTime(unsigned long serverTime) {
    if (!QX11Info::isPlatformX11() || serverTime == 0)
        return;
    QX11Info::setAppTime(static_cast<quint32>(serverTime));
    QX11Info::setAppUserTime(static_cast<quint32>(serverTime));
}

} // namespace scribeon
