#include "panels/widgets/CommandRowDelegate.h"

#include "panels/widgets/CommandListModel.h"
#include "panels/widgets/PanelIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace scribeon {

namespace {

constexpr int paddingX = 12;
constexpr int paddingY = 10;
constexpr int spacing = 12;
constexpr int chevronSize = 12;
constexpr qreal emojiScale = 1.5;
constexpr qreal cornerRadius = 6;

QFont emojiFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(font.pointSizeF() * emojiScale);
    return font;
}

} // namespace

void CommandRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const bool highlighted = selected || (option.state & QStyle::State_MouseOver);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    if (highlighted) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(row), cornerRadius, cornerRadius);
        painter->fillPath(shape, option.palette.highlight());
    }
    QRect content = row.adjusted(paddingX, paddingY, -paddingX, -paddingY);

    const QFont emoji = emojiFont(option.font);
    const QString emojiText = index.data(CommandListModel::emojiRole).toString();
    const int emojiWidth = QFontMetrics(emoji).horizontalAdvance(emojiText);
    painter->setFont(emoji);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(content, Qt::AlignLeft | Qt::AlignVCenter, emojiText);
    content.setLeft(content.left() + emojiWidth + spacing);

    if (selected) {
        const QRect chevron(content.right() - chevronSize + 1,
                            content.center().y() - chevronSize / 2, chevronSize, chevronSize);
        painter->setOpacity(0.7);
        PanelIcons::next().paint(painter, chevron);
        painter->setOpacity(1.0);
        content.setRight(chevron.left() - spacing);
    }

    QFont name = option.font;
    name.setWeight(highlighted ? QFont::Medium : QFont::Normal);
    painter->setFont(name);
    painter->setPen(highlighted ? QColor(Qt::white) : option.palette.color(QPalette::Text));
    const QString text = QFontMetrics(name).elidedText(index.data(Qt::DisplayRole).toString(),
                                                       Qt::ElideRight, content.width());
    painter->drawText(content, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}

QSize CommandRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const int line =
        std::max(QFontMetrics(emojiFont(option.font)).height(), QFontMetrics(option.font).height());
    return {option.rect.width(), line + 2 * paddingY};
}

} // namespace scribeon
