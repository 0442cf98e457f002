#include "ui/widgets/CommandSettingsListView.h"

#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/CommandSettingsListModel.h"
#include "ui/widgets/CommandSettingsRowDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace scribeon {

CommandSettingsListView::CommandSettingsListView(CommandSettingsListModel& model, QWidget* parent)
    : QListView(parent), model_(model), delegate_(new CommandSettingsRowDelegate(this)) {
    setModel(&model);
    setItemDelegate(delegate_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setAccessibleName(tr("Your commands"));
    // A reset (a load or a move) keeps the row the user was on.
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        keepCurrent_ = currentIndex().data(CommandSettingsListModel::CodeRole).toString();
    });
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        const int row = model_.rowOf(keepCurrent_.toStdString());
        if (row >= 0)
            setCurrentIndex(model_.index(row));
    });
    spinner_.setInterval(BusySpinner::frameIntervalMs);
    connect(&spinner_, &QTimer::timeout, this, [this] { animateSpinner(); });
    connect(&model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.contains(CommandSettingsListModel::TogglingRole))
                    spinner_.start(); // stops itself once no row is switching
            });
}

void CommandSettingsListView::animateSpinner() {
    bool any = false;
    for (int row = 0; row < model_.rowCount(); ++row) {
        const QModelIndex index = model_.index(row);
        if (!index.data(CommandSettingsListModel::TogglingRole).toBool())
            continue;
        any = true;
        viewport()->update(visualRect(index));
    }
    spinnerFrame_ = (spinnerFrame_ + 1) % BusySpinner::frames;
    delegate_->setSpinnerFrame(spinnerFrame_);
    if (!any)
        spinner_.stop();
}

int CommandSettingsListView::dropRow(const QPoint& point) const {
    const QModelIndex over = indexAt(point);
    if (!over.isValid())
        return point.y() < 0 ? 0 : model_.rowCount();
    const QRect area = visualRect(over);
    return point.y() < area.center().y() ? over.row() : over.row() + 1;
}

void CommandSettingsListView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    pressedRow_.reset();
    dropRow_.reset();
    if (!index.isValid() || event->button() != Qt::LeftButton) {
        QListView::mousePressEvent(event);
        return;
    }
    setCurrentIndex(index);
    const QRect row = visualRect(index);
    const QRect emoji = CommandSettingsRowDelegate::emojiButtonRect(row);
    if (emoji.contains(at)) {
        emit emojiButtonPressed(index.row(),
                                QRect(viewport()->mapToGlobal(emoji.topLeft()), emoji.size()));
        return;
    }
    if (CommandSettingsRowDelegate::switchRect(row).adjusted(-4, -6, 4, 6).contains(at)) {
        if (!index.data(CommandSettingsListModel::TogglingRole).toBool())
            emit toggleRequested(index.row());
        return;
    }
    pressedRow_ = index.row();
    pressedAt_ = at;
}

void CommandSettingsListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!pressedRow_ || !(event->buttons() & Qt::LeftButton)) {
        const QModelIndex over = indexAt(at);
        const bool onButton =
            over.isValid() &&
            (CommandSettingsRowDelegate::emojiButtonRect(visualRect(over)).contains(at) ||
             CommandSettingsRowDelegate::switchRect(visualRect(over)).contains(at));
        viewport()->setCursor(onButton ? Qt::PointingHandCursor : Qt::OpenHandCursor);
        return;
    }
    if (!dropRow_ && (at - pressedAt_).manhattanLength() < QApplication::startDragDistance())
        return;
    viewport()->setCursor(Qt::ClosedHandCursor);
    dropRow_ = dropRow(at);
    // Near an edge the list scrolls, so a row can travel the whole list.
    constexpr int edge = 24;
    constexpr int step = 12;
    if (at.y() < edge)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - step);
    else if (at.y() > viewport()->height() - edge)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + step);
    viewport()->update();
}

void CommandSettingsListView::mouseReleaseEvent(QMouseEvent* event) {
    const auto row = pressedRow_;
    const auto destination = dropRow_;
    pressedRow_.reset();
    dropRow_.reset();
    viewport()->setCursor(Qt::OpenHandCursor);
    viewport()->update();
    if (row && destination)
        requestMove(*row, *destination);
    else
        QListView::mouseReleaseEvent(event);
}

void CommandSettingsListView::requestMove(int row, int destination) {
    if (destination == row || destination == row + 1)
        return; // lands where it is
    emit moveRequested(row, destination);
}

void CommandSettingsListView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (current.isValid() && alt && event->key() == Qt::Key_Up && current.row() > 0) {
        requestMove(current.row(), current.row() - 1);
        return;
    }
    if (current.isValid() && alt && event->key() == Qt::Key_Down &&
        current.row() + 1 < model_.rowCount()) {
        requestMove(current.row(), current.row() + 2);
        return;
    }
    if (current.isValid() && event->key() == Qt::Key_Space) {
        if (!current.data(CommandSettingsListModel::TogglingRole).toBool())
            emit toggleRequested(current.row());
        return;
    }
    if (current.isValid() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        const QRect emoji = CommandSettingsRowDelegate::emojiButtonRect(visualRect(current));
        emit emojiButtonPressed(current.row(),
                                QRect(viewport()->mapToGlobal(emoji.topLeft()), emoji.size()));
        return;
    }
    QListView::keyPressEvent(event);
}

void CommandSettingsListView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (!dropRow_)
        return;
    const int rows = model_.rowCount();
    int y = 0;
    if (*dropRow_ < rows)
        y = visualRect(model_.index(*dropRow_)).top();
    else if (rows > 0)
        y = visualRect(model_.index(rows - 1)).bottom() + 1;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(4, y, viewport()->width() - 4, y);
}

} // namespace scribeon
