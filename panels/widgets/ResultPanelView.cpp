#include "panels/widgets/ResultPanelView.h"

#include "panels/widgets/PanelIcons.h"
#include "panels/widgets/PanelParts.h"
#include "wording/KeyText.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace scribeon {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Read-only, selectable, scrolling on its own: a 1 MB result stays responsive.
QPlainTextEdit* textBox(const std::string& text, bool secondary) {
    auto* box = new QPlainTextEdit(QString::fromStdString(text));
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setFocusPolicy(Qt::ClickFocus);
    box->setFrameShape(QFrame::StyledPanel);
    if (secondary)
        box->setForegroundRole(QPalette::PlaceholderText);
    return box;
}

QPushButton* buttonWithBadges(const QIcon& symbol, const QString& label, const QString& badge) {
    auto* button = new QPushButton;
    auto* row = new QHBoxLayout(button);
    row->setContentsMargins(10, 4, 10, 4);
    row->setSpacing(6);
    row->addWidget(PanelParts::iconLabel(symbol, 14));
    auto* text = new QLabel(label);
    row->addWidget(text);
    for (const QString& key : {qs(KeyText::editingModifier), badge}) {
        auto* keyBadge = new QLabel(key);
        keyBadge->setObjectName(QStringLiteral("badge"));
        keyBadge->setStyleSheet(
            QStringLiteral("QLabel#badge { border: 1px solid palette(mid); border-radius: 3px;"
                           " padding: 0px 4px; }"));
        row->addWidget(keyBadge);
    }
    button->setMinimumSize(row->sizeHint());
    button->setAccessibleName(label);
    return button;
}

} // namespace

ResultPanelView::ResultPanelView(const ResultPanelContent& content, ResultPanelActions actions)
    : actions_(std::move(actions)), processedText_(content.processedText) {
    setFixedWidth(panelWidth);
    setMinimumHeight(minimumHeight);
    setMaximumHeight(maximumHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 10, 14, 10);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(PanelParts::titleLabel(QString::fromStdString(content.commandName)));
    titles->addWidget(PanelParts::captionLabel(QStringLiteral("Result ready")));
    header->addLayout(titles);
    header->addStretch();
    header->addWidget(PanelParts::closeButton(actions_.close));
    column->addLayout(header);
    column->addWidget(PanelParts::divider());

    if (content.message) {
        auto* notice = new QHBoxLayout;
        notice->setContentsMargins(14, 8, 14, 8);
        notice->addWidget(PanelParts::iconLabel(PanelIcons::information(), 16));
        auto* message = new QLabel(QString::fromStdString(*content.message));
        message->setWordWrap(true);
        message->setTextFormat(Qt::PlainText);
        notice->addWidget(message, 1);
        column->addLayout(notice);
        column->addWidget(PanelParts::divider());
    }

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(14, 10, 14, 10);
    texts->setSpacing(6);
    auto* processedHeading = new QHBoxLayout;
    processedHeading->addWidget(PanelParts::iconLabel(PanelIcons::done(), 14));
    auto* processedTitle = PanelParts::captionLabel(QStringLiteral("Processed"));
    processedTitle->setForegroundRole(QPalette::WindowText);
    processedHeading->addWidget(processedTitle);
    processedHeading->addWidget(PanelParts::captionLabel(
        QString::number(content.processedCharacters) + QStringLiteral(" chars")));
    processedHeading->addStretch();
    texts->addLayout(processedHeading);
    QPlainTextEdit* processed = textBox(content.processedText, false);
    processed->setAccessibleName(QStringLiteral("Processed"));
    texts->addWidget(processed, 3);

    originalToggle_ = new QToolButton;
    originalToggle_->setAutoRaise(true);
    originalToggle_->setCheckable(true);
    originalToggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    originalToggle_->setArrowType(Qt::RightArrow);
    originalToggle_->setFocusPolicy(Qt::NoFocus);
    originalToggle_->setText(QStringLiteral("Original  ") +
                             QString::number(content.originalCharacters) +
                             QStringLiteral(" chars"));
    texts->addWidget(originalToggle_);
    original_ = textBox(content.originalText, true);
    original_->setAccessibleName(QStringLiteral("Original"));
    original_->setVisible(false);
    texts->addWidget(original_, 2);
    connect(originalToggle_, &QToolButton::toggled, this, [this](bool open) {
        originalToggle_->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        original_->setVisible(open);
    });
    column->addLayout(texts, 1);
    column->addWidget(PanelParts::divider());

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(14, 10, 14, 10);
    buttons->addStretch();
    copy_ = buttonWithBadges(PanelIcons::copy(), QStringLiteral("Copy"), qs(KeyText::copyBadge));
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copy_->setFocusPolicy(Qt::NoFocus);
    connect(copy_, &QPushButton::clicked, this, [this] {
        if (actions_.copy)
            actions_.copy(processedText_);
    });
    buttons->addWidget(copy_);
    replace_ = buttonWithBadges(PanelIcons::replace(), QStringLiteral("Replace"),
                                qs(KeyText::replaceBadge));
    replace_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    replace_->setDefault(true);
    replace_->setFocusPolicy(Qt::NoFocus);
    connect(replace_, &QPushButton::clicked, this, [this] {
        if (actions_.replace)
            actions_.replace(processedText_);
    });
    buttons->addWidget(replace_);
    column->addLayout(buttons);

    auto* note = new QHBoxLayout;
    note->setContentsMargins(14, 0, 14, 8);
    note->addWidget(PanelParts::iconLabel(PanelIcons::information(), 12));
    note->addWidget(PanelParts::captionLabel(qs(KeyText::resultNote)), 1);
    column->addLayout(note);
}

} // namespace scribeon
