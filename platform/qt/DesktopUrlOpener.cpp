#include "platform/qt/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace scribeon {

bool DesktopUrlOpener::openURL(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

bool DesktopUrlOpener::openFile(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

} // namespace scribeon
