#include "panels/widgets/PanelIcons.h"

#include "platform/qt/ThemedIcon.h"

#include <QLabel>

namespace scribeon::PanelIcons {

QIcon close() {
    return themedIcon("window-close", QStyle::SP_TitleBarCloseButton);
}
QIcon warning() {
    return themedIcon("dialog-warning", QStyle::SP_MessageBoxWarning);
}
QIcon empty() {
    return themedIcon("mail-inbox", QStyle::SP_DirIcon);
}
QIcon next() {
    return themedIcon("go-next", QStyle::SP_ArrowRight);
}
QIcon information() {
    return themedIcon("dialog-information", QStyle::SP_MessageBoxInformation);
}
QIcon done() {
    return themedIcon("emblem-ok-symbolic", QStyle::SP_DialogApplyButton);
}
QIcon document() {
    return themedIcon("text-x-generic", QStyle::SP_FileIcon);
}
QIcon copy() {
    return themedIcon("edit-copy", QStyle::SP_FileDialogNewFolder);
}
QIcon replace() {
    return themedIcon("view-refresh", QStyle::SP_BrowserReload);
}

QIcon stop() {
    return themedIcon("process-stop", QStyle::SP_BrowserStop);
}

QLabel* label(const QIcon& icon, int size) {
    auto* picture = new QLabel;
    picture->setPixmap(icon.pixmap(size, size));
    return picture;
}

} // namespace scribeon::PanelIcons
