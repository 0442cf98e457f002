#include "panels/widgets/PanelParts.h"

#include "panels/widgets/PanelIcons.h"

#include <QFrame>
#include <QLabel>
#include <QToolButton>

namespace scribeon::PanelParts {

QWidget* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

QLabel* titleLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setWeight(QFont::Medium);
    label->setFont(font);
    return label;
}

QLabel* captionLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* iconLabel(const QIcon& icon, int size) {
    auto* label = new QLabel;
    label->setPixmap(icon.pixmap(size, size));
    return label;
}

QToolButton* closeButton(std::function<void()> onClose) {
    auto* button = new QToolButton;
    button->setAutoRaise(true);
    button->setIcon(PanelIcons::close());
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibleName(QStringLiteral("Close"));
    QObject::connect(button, &QToolButton::clicked, button, [onClose = std::move(onClose)] {
        if (onClose)
            onClose();
    });
    return button;
}

} // namespace scribeon::PanelParts
