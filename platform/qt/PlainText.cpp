#include "platform/qt/PlainText.h"

#include <QImage>
#include <QLabel>

namespace scribeon {

QLabel* plainLabel(const QString& text) {
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QString plainToolTip(const QString& text) {
    if (text.isEmpty())
        return text; // an empty tool tip is no tool tip
    return Qt::convertFromPlainText(text);
}

// An image that is not there is not the end: Qt's text layout then loads the
// file named by the <img> itself. Every image is therefore one transparent
// pixel, and nothing else is loaded.
QVariant InertTextDocument::loadResource(int type, const QUrl& /*name*/) {
    if (type != QTextDocument::ImageResource)
        return {};
    static const QImage nothing = [] {
        QImage pixel(1, 1, QImage::Format_ARGB32);
        pixel.fill(Qt::transparent);
        return pixel;
    }();
    return nothing;
}

} // namespace scribeon
