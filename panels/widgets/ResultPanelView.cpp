#include "panels/widgets/ResultPanelView.h"

#include "base/UnicodeText.h"
#include "hotkey/KeyText.h"
#include "panels/widgets/PanelHeader.h"
#include "panels/widgets/PanelIcons.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
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

// The caption changes only when the run starts and ends, so a screen
// reader tells those two moments and not every piece of text.
QString statusText(ResultRun::State state) {
    switch (state) {
    case ResultRun::State::writing:
        return QStringLiteral("Writing...");
    case ResultRun::State::complete:
        return QStringLiteral("Result ready");
    case ResultRun::State::stopped:
        return QStringLiteral("Stopped");
    case ResultRun::State::failed:
        return QStringLiteral("Stopped by an error");
    }
    return {};
}

} // namespace

ResultPanelView::ResultPanelView(const ResultPanelContent& content, ResultPanelActions actions)
    : actions_(std::move(actions)), run_(content.run) {
    setFixedWidth(panelWidth);
    setMinimumHeight(minimumHeight);
    setMaximumHeight(maximumHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    status_ = PanelHeader::add(column, QString::fromStdString(content.commandName),
                               statusText(run_->state.get()), actions_.close);
    status_->setObjectName(QStringLiteral("status"));
    if (content.message) {
        column->addLayout(notice(*content.message));
        column->addWidget(PanelHeader::divider());
    }
    column->addLayout(texts(content), 1);
    column->addWidget(PanelHeader::divider());
    column->addLayout(buttons());
    column->addLayout(footnote());
    showState();
    watches_.push_back(run_->textChanged.observe(
        [this](const ResultRun::TextChange& change) { showChange(change); }));
    watches_.push_back(run_->state.observe([this](ResultRun::State) { showState(); }));
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
    count_ = PanelHeader::caption({});
    heading->addWidget(count_);
    heading->addStretch();
    texts->addLayout(heading);
    processed_ = textBox(run_->result().processedText, false);
    processed_->setAccessibleName(QStringLiteral("Processed"));
    texts->addWidget(processed_, 3);
    texts->addLayout(failureRow());
    addOriginal(texts, content);
    return texts;
}

// A failure after some text: the text stays, the reason under it.
QLayout* ResultPanelView::failureRow() {
    auto* row = new QHBoxLayout;
    failure_ = new QWidget;
    auto* inner = new QHBoxLayout(failure_);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(PanelIcons::label(PanelIcons::warning(), 14));
    failureText_ = new QLabel;
    failureText_->setObjectName(QStringLiteral("failure"));
    failureText_->setTextFormat(Qt::PlainText);
    failureText_->setWordWrap(true);
    inner->addWidget(failureText_, 1);
    failure_->setVisible(false);
    row->addWidget(failure_);
    return row;
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
    stop_ = new QPushButton(PanelIcons::stop(), QStringLiteral("Stop"));
    stop_->setAccessibleName(QStringLiteral("Stop"));
    stop_->setAccessibleDescription(QStringLiteral("Stops writing; the text so far stays"));
    stop_->setFocusPolicy(Qt::NoFocus);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (actions_.stop)
            actions_.stop();
    });
    row->addWidget(stop_);
    row->addStretch();
    copy_ = buttonWithBadges(PanelIcons::copy(), QStringLiteral("Copy"), qs(KeyText::copyBadge));
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copy_->setFocusPolicy(Qt::NoFocus);
    connect(copy_, &QPushButton::clicked, this, [this] {
        if (actions_.copy)
            actions_.copy();
    });
    row->addWidget(copy_);
    replace_ = buttonWithBadges(PanelIcons::replace(), QStringLiteral("Replace"),
                                qs(KeyText::replaceBadge));
    replace_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    replace_->setDefault(true);
    replace_->setFocusPolicy(Qt::NoFocus);
    connect(replace_, &QPushButton::clicked, this, [this] {
        if (actions_.replace)
            actions_.replace();
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

// Kept at the end while the reader is there; one who scrolled up to read
// stays where they are.
void ResultPanelView::showChange(const ResultRun::TextChange& change) {
    QScrollBar* bar = processed_->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (change.whole) {
        processed_->setPlainText(QString::fromStdString(change.text));
    } else {
        QTextCursor end(processed_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromStdString(change.text));
    }
    if (atEnd)
        bar->setValue(bar->maximum());
}

void ResultPanelView::showState() {
    const ResultRun::State state = run_->state.get();
    const bool writing = state == ResultRun::State::writing;
    status_->setText(statusText(state));
    count_->setText(writing ? QString()
                            : QString::number(graphemeCount(run_->result().processedText)) +
                                  QStringLiteral(" chars"));
    stop_->setVisible(writing);
    copy_->setEnabled(!writing);
    replace_->setEnabled(!writing);
    const auto& error = run_->errorMessage.get();
    failure_->setVisible(error.has_value());
    failureText_->setText(QString::fromStdString(error.value_or(std::string())));
}

} // namespace scribeon
