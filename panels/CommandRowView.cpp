#include "panels/CommandRowView.h"

#include "panels/PanelIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace scribeon {

CommandRowView::CommandRowView(const std::string& emoji, const std::string& name, bool isSelected)
    : isSelected_(isSelected) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(12);
    auto* icon = new QLabel(QString::fromStdString(emoji));
    QFont iconFont = icon->font();
    iconFont.setPointSizeF(iconFont.pointSizeF() * 1.5);
    icon->setFont(iconFont);
    layout->addWidget(icon);
    name_ = new QLabel(QString::fromStdString(name));
    name_->setTextFormat(Qt::PlainText);
    layout->addWidget(name_, 1);
    if (isSelected) {
        auto* chevron = new QLabel;
        chevron->setPixmap(PanelIcons::next().pixmap(12, 12));
        layout->addWidget(chevron);
    }
    setCursor(Qt::PointingHandCursor);
    restyle();
}

void CommandRowView::restyle() {
    QFont font = name_->font();
    font.setWeight(isHighlighted() ? QFont::Medium : QFont::Normal);
    name_->setFont(font);
    QPalette palette = name_->palette();
    palette.setColor(QPalette::WindowText,
                     isHighlighted() ? Qt::white : this->palette().color(QPalette::WindowText));
    name_->setPalette(palette);
    update();
}

void CommandRowView::paintEvent(QPaintEvent*) {
    if (!isHighlighted())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 6, 6);
    painter.fillPath(shape, palette().highlight());
}

void CommandRowView::enterEvent(QEnterEvent*) {
    isHovered_ = true;
    restyle();
}

void CommandRowView::leaveEvent(QEvent*) {
    isHovered_ = false;
    restyle();
}

void CommandRowView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onClicked)
        onClicked();
}

} // namespace scribeon
