#include "platform/qt/ClosedWindowMemory.h"

#include <QApplication>
#include <QBackingStore>
#include <QEvent>
#include <QPixmapCache>
#include <QWidget>

#include <malloc.h>

namespace scribeon {

namespace {

// A hidden window keeps its whole-window image (shared with the X server on
// X11: width × height × 4 bytes); it is made again, at the window's size,
// before the next paint.
void dropBackingStore(QWidget& window) {
    if (window.isVisible() || window.property(ClosedWindowMemory::keepsBackingStore).toBool())
        return;
    QBackingStore* store = window.backingStore();
    if (store && !store->size().isEmpty())
        store->resize(QSize());
}

} // namespace

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
    for (QWidget* window : QApplication::topLevelWidgets())
        dropBackingStore(*window);
    QPixmapCache::clear();
    malloc_trim(0);
    ++releases_;
    return true;
}

} // namespace scribeon
