#include "ui/widgets/MenuBarIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace scribeon {

namespace {

QIcon fallbackIcon() {
    for (const char* name : {"internet-chat", "mail-message-new", "text-x-generic"}) {
        QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
        if (!themed.isNull())
            return themed;
    }
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
}

QPixmap drawnAt(const QPixmap& source, qreal devicePixelRatio) {
    const int side = qRound(menuBarIconSize * devicePixelRatio);
    QPixmap canvas(side, side);
    canvas.setDevicePixelRatio(devicePixelRatio);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRectF(0, 0, menuBarIconSize, menuBarIconSize), source, source.rect());
    return canvas;
}

} // namespace

QIcon menuBarIcon(const QString& resourcePath) {
    const QPixmap source(resourcePath);
    if (source.isNull())
        return fallbackIcon();
    QIcon icon;
    icon.addPixmap(drawnAt(source, 1.0));
    icon.addPixmap(drawnAt(source, 2.0));
    // Desktops that tint monochrome tray icons may use it as a mask.
    icon.setIsMask(true);
    return icon;
}

QIcon applicationIcon() {
    QIcon bundled(QStringLiteral(":/MenuBarIcon.png"));
    if (bundled.isNull())
        bundled = fallbackIcon();
    return QIcon::fromTheme(QStringLiteral("app.scribeon.Scribeon"), bundled);
}

} // namespace scribeon
