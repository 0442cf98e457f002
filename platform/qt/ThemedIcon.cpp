#include "platform/qt/ThemedIcon.h"

#include <QApplication>

namespace scribeon {

QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

} // namespace scribeon
