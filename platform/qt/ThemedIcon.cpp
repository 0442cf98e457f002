#include "platform/qt/ThemedIcon.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace scribeon {

namespace {

// Beyond this many times the side shown, decoding the theme's picture costs
// far more memory than the picture on screen.
constexpr int largestUsefulScale = 4;

bool hasPictureNear(const QIcon& icon, int side) {
    const QList<QSize> sizes = icon.availableSizes();
    return std::any_of(sizes.begin(), sizes.end(), [side](const QSize& size) {
        return size.width() <= side * largestUsefulScale;
    });
}

QPixmap inked(QPixmap picture, const QColor& ink) {
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), picture.deviceIndependentSize()), ink);
    return picture;
}

} // namespace

QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

QPixmap themedPixmap(const char* name, QStyle::StandardPixmap fallback, int side,
                     const QColor& ink) {
    const QString full = QString::fromLatin1(name);
    const QIcon icon = QIcon::fromTheme(full);
    if (!icon.isNull() && hasPictureNear(icon, side))
        return icon.pixmap(side, side);
    const QIcon symbolic = QIcon::fromTheme(full + QLatin1String("-symbolic"));
    if (!symbolic.isNull() && hasPictureNear(symbolic, side))
        return inked(symbolic.pixmap(side, side), ink);
    if (!icon.isNull())
        return icon.pixmap(side, side);
    return QApplication::style()->standardIcon(fallback).pixmap(side, side);
}

} // namespace scribeon
