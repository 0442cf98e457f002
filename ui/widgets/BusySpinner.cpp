#include "ui/widgets/BusySpinner.h"

#include <QAccessible>
#include <QPainter>

namespace scribeon {

BusySpinner::BusySpinner(int diameter, QWidget* parent) : QWidget(parent) {
    setFixedSize(diameter, diameter);
    setAccessibleName(tr("Busy"));
    timer_.setInterval(frameIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % frames;
        update();
    });
}

void BusySpinner::paintFrame(QPainter& painter, const QRectF& area, int frame,
                             const QColor& color) {
    constexpr int sixteenthsPerTurn = 360 * 16;
    QPen pen(color, std::max(1.5, area.width() / 8));
    pen.setCapStyle(Qt::RoundCap);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    const qreal inset = pen.widthF();
    const int start = -frame * sixteenthsPerTurn / frames;
    painter.drawArc(area.adjusted(inset, inset, -inset, -inset), start, sixteenthsPerTurn * 3 / 4);
    painter.restore();
}

void BusySpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFrame(painter, rect(), frame_, palette().color(QPalette::PlaceholderText));
}

void BusySpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_.start();
}

void BusySpinner::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

} // namespace scribeon
