#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace scribeon {

// Our own windows open in the middle of the primary screen's free area.
inline void centreOnPrimaryScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window.size());
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

} // namespace scribeon
