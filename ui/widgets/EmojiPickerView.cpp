#include "ui/widgets/EmojiPickerView.h"

#include "platform/qt/DesktopWindowState.h"
#include "ui/EmojiCatalogue.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace scribeon {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString cellStyle(bool selected) {
    return QStringLiteral("QToolButton { border: 2px solid transparent; border-radius: 6px; "
                          "background: %1; }"
                          "QToolButton:hover { background: rgba(128, 128, 128, 0.18); }"
                          "QToolButton:focus { border-color: palette(highlight); }")
        .arg(selected ? QStringLiteral("rgba(0, 122, 255, 0.20)") : QStringLiteral("transparent"));
}

} // namespace

EmojiPickerView::EmojiPickerView(const QString& selected, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), scroll_(new QScrollArea) {
    constexpr int spacing = 12;
    constexpr int padding = 16;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Choose Emoji"));
    setAccessibleName(tr("Choose Emoji"));
    setFixedWidth(pickerWidth);
    auto* column = new QVBoxLayout(this);
    column->setSpacing(spacing);
    column->setContentsMargins(padding, padding, padding, padding);
    auto* title = new QLabel(tr("Choose Emoji"));
    QFont headline = title->font();
    headline.setBold(true);
    title->setFont(headline);
    column->addWidget(title);
    scroll_->setWidget(sections(selected));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setMaximumHeight(maximumScrollHeight);
    column->addWidget(scroll_);
    setStyleSheet(QStringLiteral("EmojiPickerView { border: 1px solid palette(mid); }"));
}

QWidget* EmojiPickerView::sections(const QString& selected) {
    constexpr int sectionSpacing = 16;
    constexpr int titleSpacing = 6;
    constexpr int rowSpacing = 8;
    constexpr qreal emojiPointSize = 17;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(sectionSpacing);
    QToolButton* focusFirst = nullptr;
    for (const EmojiSection& section : emojiSections) {
        auto* block = new QVBoxLayout;
        block->setSpacing(titleSpacing);
        auto* title = new QLabel(qs(section.title));
        QFont caption = title->font();
        caption.setPointSizeF(caption.pointSizeF() * 0.85);
        title->setFont(caption);
        title->setForegroundRole(QPalette::PlaceholderText);
        block->addWidget(title);
        auto* grid = new QGridLayout;
        grid->setVerticalSpacing(rowSpacing);
        grid->setHorizontalSpacing(0);
        for (std::size_t i = 0; i < section.emoji.size(); ++i) {
            const QString emoji = qs(section.emoji[i]);
            auto* cell = new QToolButton;
            cell->setText(emoji);
            cell->setAccessibleName(emoji);
            cell->setFixedSize(cellSize, cellSize);
            QFont large = cell->font();
            large.setPointSizeF(emojiPointSize);
            cell->setFont(large);
            cell->setAutoRaise(true);
            cell->setFocusPolicy(Qt::StrongFocus);
            cell->setStyleSheet(cellStyle(emoji == selected));
            cell->installEventFilter(this);
            connect(cell, &QToolButton::clicked, this, [this, emoji] { choose(emoji); });
            grid->addWidget(cell, static_cast<int>(i) / columns, static_cast<int>(i) % columns,
                            Qt::AlignCenter);
            if (!focusFirst || emoji == selected)
                focusFirst = cell; // the current emoji, else the first
            cells_.push_back(cell);
        }
        block->addLayout(grid);
        column->addLayout(block);
    }
    if (focusFirst)
        setFocusProxy(focusFirst);
    return content;
}

void EmojiPickerView::popUp(const QRect& anchor) {
    adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    QPoint at(anchor.left(), anchor.bottom() + 4);
    if (at.y() + height() > area.bottom())
        at.setY(anchor.top() - height() - 4);
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    move(at);
    show();
    raise();
    activateWindow();
    if (QWidget* first = focusProxy()) {
        first->setFocus(Qt::OtherFocusReason);
        scroll_->ensureWidgetVisible(first);
    }
}

void EmojiPickerView::choose(const QString& emoji) {
    emit chosen(emoji);
    close();
}

void EmojiPickerView::moveFocus(int from, int step) {
    const int to = from + step;
    if (to < 0 || to >= static_cast<int>(cells_.size()))
        return;
    QToolButton* cell = cells_[static_cast<std::size_t>(to)];
    cell->setFocus(Qt::TabFocusReason);
    scroll_->ensureWidgetVisible(cell);
}

bool EmojiPickerView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto it = std::find(cells_.begin(), cells_.end(), watched);
    if (it == cells_.end())
        return QWidget::eventFilter(watched, event);
    const int index = static_cast<int>(it - cells_.begin());
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
        moveFocus(index, -1);
        return true;
    case Qt::Key_Right:
        moveFocus(index, 1);
        return true;
    case Qt::Key_Up:
        moveFocus(index, -columns);
        return true;
    case Qt::Key_Down:
        moveFocus(index, columns);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        (*it)->click();
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

bool EmojiPickerView::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        wasActive_ = true;
    } else if (event->type() == QEvent::WindowDeactivate && wasActive_ && isVisible()) {
        if (!windowHandle() || !isActiveOnDesktop(*windowHandle()))
            close();
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::event(event);
}

} // namespace scribeon
