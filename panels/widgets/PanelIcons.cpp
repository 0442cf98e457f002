#include "panels/widgets/PanelIcons.h"

#include <QLabel>

#include <QApplication>

namespace scribeon::PanelIcons {

namespace {

QIcon themed(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

} // namespace

QIcon close() {
    return themed("window-close", QStyle::SP_TitleBarCloseButton);
}
QIcon warning() {
    return themed("dialog-warning", QStyle::SP_MessageBoxWarning);
}
QIcon empty() {
    return themed("mail-inbox", QStyle::SP_DirIcon);
}
QIcon next() {
    return themed("go-next", QStyle::SP_ArrowRight);
}
QIcon information() {
    return themed("dialog-information", QStyle::SP_MessageBoxInformation);
}
QIcon done() {
    return themed("emblem-ok-symbolic", QStyle::SP_DialogApplyButton);
}
QIcon document() {
    return themed("text-x-generic", QStyle::SP_FileIcon);
}
QIcon copy() {
    return themed("edit-copy", QStyle::SP_FileDialogNewFolder);
}
QIcon replace() {
    return themed("view-refresh", QStyle::SP_BrowserReload);
}

QLabel* label(const QIcon& icon, int size) {
    auto* picture = new QLabel;
    picture->setPixmap(icon.pixmap(size, size));
    return picture;
}

} // namespace scribeon::PanelIcons
