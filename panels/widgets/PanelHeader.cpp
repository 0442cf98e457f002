#include "panels/widgets/PanelHeader.h"

#include "panels/widgets/PanelIcons.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace scribeon::PanelHeader {

namespace {

QLabel* title(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setWeight(QFont::Medium);
    label->setFont(font);
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

} // namespace

QLabel* add(QBoxLayout* column, const QString& titleText, const QString& captionText,
            std::function<void()> onClose) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(14, 10, 14, 10);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(title(titleText));
    QLabel* captionLabel = captionText.isEmpty() ? nullptr : caption(captionText);
    if (captionLabel)
        titles->addWidget(captionLabel);
    row->addLayout(titles);
    row->addStretch();
    row->addWidget(closeButton(std::move(onClose)));
    column->addLayout(row);
    column->addWidget(divider());
    return captionLabel;
}

QWidget* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

QLabel* caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace scribeon::PanelHeader
