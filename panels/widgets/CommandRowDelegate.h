#pragma once

#include <QStyledItemDelegate>

namespace scribeon {

// Paints one command of the chooser: emoji, name and, when selected, a
// chevron, on the accent colour when selected or under the pointer.
class CommandRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace scribeon
