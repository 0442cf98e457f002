#pragma once

#include <QStyledItemDelegate>

namespace scribeon {

// Paints a Commands-page row: the emoji button (emoji and a small chevron),
// the name on one line, and a small switch, or a spinner while that row's
// switch waits for the service.
class CommandSettingsRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 40;

    using QStyledItemDelegate::QStyledItemDelegate;

    static QRect emojiButtonRect(const QRect& row);
    static QRect switchRect(const QRect& row);

    void setSpinnerFrame(int frame) { spinnerFrame_ = frame; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int spinnerFrame_ = 0;
};

} // namespace scribeon
