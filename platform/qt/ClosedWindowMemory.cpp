#include "platform/qt/ClosedWindowMemory.h"

#include <QApplication>
#include <QEvent>
#include <QPixmapCache>
#include <QWidget>

#include <malloc.h>

namespace scribeon {

void ClosedWindowMemory::tuneMalloc() {
    constexpr int largeBlockBytes = 128 * 1024;
    mallopt(M_ARENA_MAX, 2);
    mallopt(M_MMAP_THRESHOLD, largeBlockBytes); // fixed, so a large block is unmapped when freed
    mallopt(M_TRIM_THRESHOLD, largeBlockBytes);
}

ClosedWindowMemory::ClosedWindowMemory() {
    timer_.setSingleShot(true);
    timer_.setInterval(releaseDelayMs);
    connect(&timer_, &QTimer::timeout, this, [this] { release(); });
    qApp->installEventFilter(this);
}

bool ClosedWindowMemory::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
        timer_.start();
    return false;
}

bool ClosedWindowMemory::release() {
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->inherits("QSystemTrayIconSys"))
            return false; // the next one to close brings us back here
    QPixmapCache::clear();
    malloc_trim(0);
    ++releases_;
    return true;
}

} // namespace scribeon
