#include "panels/ResultPanelView.h"

#include "app/KeyText.h"
#include "panels/PanelIcons.h"

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

QLabel* icon(const QIcon& source, int size) {
    auto* label = new QLabel;
    label->setPixmap(source.pixmap(size, size));
    return label;
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
    row->addWidget(icon(symbol, 14));
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
    auto* name = new QLabel(QString::fromStdString(content.commandName));
    name->setTextFormat(Qt::PlainText);
    QFont nameFont = name->font();
    nameFont.setWeight(QFont::Medium);
    name->setFont(nameFont);
    titles->addWidget(name);
    titles->addWidget(caption(QStringLiteral("Result ready")));
    header->addLayout(titles);
    header->addStretch();
    auto* close = new QToolButton;
    close->setAutoRaise(true);
    close->setIcon(PanelIcons::close());
    close->setFocusPolicy(Qt::NoFocus);
    close->setAccessibleName(QStringLiteral("Close"));
    connect(close, &QToolButton::clicked, this, [this] {
        if (actions_.close)
            actions_.close();
    });
    header->addWidget(close);
    column->addLayout(header);
    column->addWidget(divider());

    if (content.message) {
        auto* notice = new QHBoxLayout;
        notice->setContentsMargins(14, 8, 14, 8);
        notice->addWidget(icon(PanelIcons::information(), 16));
        auto* message = new QLabel(QString::fromStdString(*content.message));
        message->setWordWrap(true);
        message->setTextFormat(Qt::PlainText);
        notice->addWidget(message, 1);
        column->addLayout(notice);
        column->addWidget(divider());
    }

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(14, 10, 14, 10);
    texts->setSpacing(6);
    auto* processedHeading = new QHBoxLayout;
    processedHeading->addWidget(icon(PanelIcons::done(), 14));
    auto* processedTitle = caption(QStringLiteral("Processed"));
    processedTitle->setForegroundRole(QPalette::WindowText);
    processedHeading->addWidget(processedTitle);
    processedHeading->addWidget(
        caption(QString::number(content.processedCharacters) + QStringLiteral(" chars")));
    processedHeading->addStretch();
    texts->addLayout(processedHeading);
    texts->addWidget(textBox(content.processedText, false), 3);

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
    original_->setVisible(false);
    texts->addWidget(original_, 2);
    connect(originalToggle_, &QToolButton::toggled, this, [this](bool open) {
        originalToggle_->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        original_->setVisible(open);
    });
    column->addLayout(texts, 1);
    column->addWidget(divider());

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
    note->addWidget(icon(PanelIcons::information(), 12));
    note->addWidget(caption(qs(KeyText::resultNote)), 1);
    column->addLayout(note);
}

} // namespace scribeon
