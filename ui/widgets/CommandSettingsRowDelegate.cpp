#include "ui/widgets/CommandSettingsRowDelegate.h"

#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/CommandSettingsListModel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace scribeon {

namespace {

constexpr int margin = 8;
constexpr int spacing = 10;
constexpr int emojiButtonWidth = 52;
constexpr int emojiButtonHeight = 32;
constexpr int switchWidth = 34;
constexpr int switchHeight = 20;
constexpr int spinnerSize = 16;
constexpr qreal emojiPointSize = 15;

void paintEmojiButton(QPainter& painter, const QRect& area, const QString& emoji,
                      const QPalette& palette, const QFont& base) {
    QPainterPath shape;
    shape.addRoundedRect(area, 6, 6);
    QColor fill = palette.color(QPalette::PlaceholderText);
    fill.setAlphaF(0.10F);
    painter.fillPath(shape, fill);
    QFont large = base;
    large.setPointSizeF(emojiPointSize);
    painter.setFont(large);
    painter.setPen(palette.color(QPalette::Text));
    const QRect chevron(area.right() - 6 - 10, area.top(), 10, area.height());
    painter.drawText(area.adjusted(6, 0, -(6 + 10 + 4), 0), Qt::AlignCenter, emoji);
    QFont small = base;
    small.setPointSizeF(base.pointSizeF() * 0.75);
    painter.setFont(small);
    painter.setPen(palette.color(QPalette::PlaceholderText));
    painter.drawText(chevron, Qt::AlignCenter, QStringLiteral("\u25BE")); // ▾
}

void paintSwitch(QPainter& painter, const QRect& area, bool on, bool selected,
                 const QPalette& palette) {
    QPainterPath track;
    track.addRoundedRect(area, area.height() / 2.0, area.height() / 2.0);
    painter.fillPath(track, on ? palette.color(QPalette::Highlight) : palette.color(QPalette::Mid));
    if (selected) // an "on" track is the selection's own colour: outline it
        painter.strokePath(track, QPen(palette.color(QPalette::HighlightedText), 1.5));
    const int knob = area.height() - 4;
    const QRect circle(on ? area.right() - 1 - knob : area.left() + 2, area.top() + 2, knob, knob);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(circle);
}

} // namespace

QRect CommandSettingsRowDelegate::emojiButtonRect(const QRect& row) {
    return {row.left() + margin, row.center().y() - emojiButtonHeight / 2, emojiButtonWidth,
            emojiButtonHeight};
}

QRect CommandSettingsRowDelegate::switchRect(const QRect& row) {
    return {row.right() - margin - switchWidth, row.center().y() - switchHeight / 2, switchWidth,
            switchHeight};
}

void CommandSettingsRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    const QRect emoji = emojiButtonRect(row);
    paintEmojiButton(*painter, emoji, index.data(CommandSettingsListModel::EmojiRole).toString(),
                     option.palette, option.font);
    const QRect toggle = switchRect(row);
    if (index.data(CommandSettingsListModel::TogglingRole).toBool()) {
        const QRect spinner(toggle.center().x() - spinnerSize / 2,
                            toggle.center().y() - spinnerSize / 2, spinnerSize, spinnerSize);
        BusySpinner::paintFrame(*painter, spinner, spinnerFrame_,
                                option.palette.color(QPalette::PlaceholderText));
    } else {
        paintSwitch(*painter, toggle, index.data(Qt::CheckStateRole).toInt() == Qt::Checked,
                    (option.state & QStyle::State_Selected) != 0, option.palette);
    }
    const QRect name(emoji.right() + spacing, row.top(),
                     toggle.left() - spacing - emoji.right() - spacing, row.height());
    painter->setFont(option.font);
    painter->setPen(option.palette.color(
        option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    // One line: a long name is cut with an ellipsis, in its own direction.
    const QString text = index.data(Qt::DisplayRole).toString().left(1000);
    const QString elided = option.fontMetrics.elidedText(text, Qt::ElideRight, name.width());
    painter->drawText(name, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, elided);
    painter->restore();
}

QSize CommandSettingsRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                           const QModelIndex&) const {
    return {option.rect.width(), rowHeight};
}

} // namespace scribeon
