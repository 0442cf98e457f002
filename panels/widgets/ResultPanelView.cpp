#include "panels/widgets/ResultPanelView.h"

#include "hotkey/KeyText.h"
#include "panels/widgets/PanelHeader.h"
#include "panels/widgets/PanelIcons.h"

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
    row->addWidget(PanelIcons::label(symbol, 14));
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
    PanelHeader::add(column, QString::fromStdString(content.commandName),
                     QStringLiteral("Result ready"), actions_.close);
    if (content.message) {
        column->addLayout(notice(*content.message));
        column->addWidget(PanelHeader::divider());
    }
    column->addLayout(texts(content), 1);
    column->addWidget(PanelHeader::divider());
    column->addLayout(buttons());
    column->addLayout(footnote());
}

QLayout* ResultPanelView::notice(const std::string& text) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(14, 8, 14, 8);
    row->addWidget(PanelIcons::label(PanelIcons::information(), 16));
    auto* message = new QLabel(QString::fromStdString(text));
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    row->addWidget(message, 1);
    return row;
}

QLayout* ResultPanelView::texts(const ResultPanelContent& content) {
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(14, 10, 14, 10);
    texts->setSpacing(6);
    auto* heading = new QHBoxLayout;
    heading->addWidget(PanelIcons::label(PanelIcons::done(), 14));
    auto* title = PanelHeader::caption(QStringLiteral("Processed"));
    title->setForegroundRole(QPalette::WindowText);
    heading->addWidget(title);
    heading->addWidget(PanelHeader::caption(QString::number(content.processedCharacters) +
                                            QStringLiteral(" chars")));
    heading->addStretch();
    texts->addLayout(heading);
    QPlainTextEdit* processed = textBox(content.processedText, false);
    processed->setAccessibleName(QStringLiteral("Processed"));
    texts->addWidget(processed, 3);
    addOriginal(texts, content);
    return texts;
}

// The original text, folded away until its toggle opens it.
void ResultPanelView::addOriginal(QBoxLayout* texts, const ResultPanelContent& content) {
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
}

QLayout* ResultPanelView::buttons() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(14, 10, 14, 10);
    row->addStretch();
    copy_ = buttonWithBadges(PanelIcons::copy(), QStringLiteral("Copy"), qs(KeyText::copyBadge));
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copy_->setFocusPolicy(Qt::NoFocus);
    connect(copy_, &QPushButton::clicked, this, [this] {
        if (actions_.copy)
            actions_.copy(processedText_);
    });
    row->addWidget(copy_);
    replace_ = buttonWithBadges(PanelIcons::replace(), QStringLiteral("Replace"),
                                qs(KeyText::replaceBadge));
    replace_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    replace_->setDefault(true);
    replace_->setFocusPolicy(Qt::NoFocus);
    connect(replace_, &QPushButton::clicked, this, [this] {
        if (actions_.replace)
            actions_.replace(processedText_);
    });
    row->addWidget(replace_);
    return row;
}

QLayout* ResultPanelView::footnote() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(14, 0, 14, 8);
    row->addWidget(PanelIcons::label(PanelIcons::information(), 12));
    row->addWidget(PanelHeader::caption(qs(KeyText::resultNote)), 1);
    return row;
}

} // namespace scribeon
