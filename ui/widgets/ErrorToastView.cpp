#include "ui/widgets/ErrorToastView.h"

#include "platform/qt/PlainText.h"
#include "platform/qt/ThemedIcon.h"

#include <QAccessible>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace scribeon {

namespace {

constexpr int cornerRadius = 10;
constexpr int shadowRadius = 4;

} // namespace

QString elidedLines(const QString& text, const QFont& font, int width, int lines) {
    QTextLayout layout(text, font);
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrapping);
    QStringList shown;
    layout.beginLayout();
    for (int i = 0; i < lines; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const QString part = text.mid(line.textStart(), line.textLength());
        const bool last = i == lines - 1 && line.textStart() + line.textLength() < text.size();
        shown << (last ? QFontMetrics(font).elidedText(text.mid(line.textStart()), Qt::ElideRight,
                                                       width)
                       : part.trimmed());
    }
    layout.endLayout();
    return shown.join(QLatin1Char('\n'));
}

ErrorToastView::ErrorToastView(QWidget* parent)
    : QWidget(parent), text_(plainLabel()), opacity_(new QGraphicsOpacityEffect(this)),
      slide_(this, "pos"), fade_(opacity_, "opacity") {
    constexpr int iconSize = 16;
    constexpr int spacing = 8;
    constexpr int horizontalPadding = 16;
    constexpr int verticalPadding = 10;
    auto* row = new QHBoxLayout(this);
    row->setSpacing(spacing);
    row->setContentsMargins(horizontalPadding + shadowRadius, verticalPadding + shadowRadius,
                            horizontalPadding + shadowRadius, verticalPadding + shadowRadius);
    auto* icon = new QLabel;
    icon->setPixmap(themedPixmap("dialog-warning", QStyle::SP_MessageBoxWarning, iconSize,
                                 icon->palette().color(QPalette::WindowText)));
    row->addWidget(icon, 0, Qt::AlignVCenter);
    row->addWidget(text_, 1, Qt::AlignVCenter);
    setGraphicsEffect(opacity_);
    for (QPropertyAnimation* animation : {&slide_, &fade_}) {
        animation->setDuration(animationMs);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
    }
    connect(&fade_, &QPropertyAnimation::finished, this, [this] {
        if (message_.isEmpty())
            hide();
    });
    setCursor(Qt::PointingHandCursor);
    parent->installEventFilter(this);
    hide();
}

void ErrorToastView::setMessage(const QString& message) {
    const bool entering = message_.isEmpty() && !message.isEmpty();
    const bool leaving = !message_.isEmpty() && message.isEmpty();
    message_ = message;
    if (!message.isEmpty()) {
        const int textWidth = maximumWidth - 2 * (16 + shadowRadius) - 24;
        text_->setText(elidedLines(message, text_->font(), textWidth, 2));
        setAccessibleName(message);
        text_->setAccessibleName(message);
        adjustSize();
    }
    if (entering) {
        animate(true);
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    } else if (leaving) {
        animate(false);
    } else if (!message.isEmpty()) {
        move(restingPosition());
    }
}

QString ErrorToastView::shownText() const {
    return isVisible() || !message_.isEmpty() ? text_->text() : QString();
}

QPoint ErrorToastView::restingPosition() const {
    const QWidget* area = parentWidget();
    const QSize size = sizeHint().boundedTo(QSize(maximumWidth, area->height()));
    return {(area->width() - size.width()) / 2,
            area->height() - size.height() - bottomMargin + shadowRadius};
}

void ErrorToastView::animate(bool entering) {
    const QPoint resting = restingPosition();
    const QPoint below(resting.x(), parentWidget()->height());
    resize(sizeHint().boundedTo(QSize(maximumWidth, parentWidget()->height())));
    slide_.stop();
    fade_.stop();
    slide_.setStartValue(entering ? below : pos());
    slide_.setEndValue(entering ? resting : below);
    fade_.setStartValue(entering ? 0.0 : opacity_->opacity());
    fade_.setEndValue(entering ? 1.0 : 0.0);
    if (entering) {
        move(below);
        show();
        raise();
    }
    slide_.start();
    fade_.start();
}

void ErrorToastView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card =
        QRectF(rect()).adjusted(shadowRadius, shadowRadius, -shadowRadius, -shadowRadius);
    // A soft shadow, black at 15 % in all, spread over a few rings.
    for (int ring = shadowRadius; ring > 0; --ring) {
        QPainterPath path;
        path.addRoundedRect(card.adjusted(-ring, -ring + 1, ring, ring + 1), cornerRadius + ring,
                            cornerRadius + ring);
        painter.fillPath(path, QColor(0, 0, 0, 38 / shadowRadius));
    }
    QPainterPath body;
    body.addRoundedRect(card, cornerRadius, cornerRadius);
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.94F);
    painter.fillPath(body, material);
}

void ErrorToastView::mouseReleaseEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

bool ErrorToastView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize && !message_.isEmpty() &&
        slide_.state() != QAbstractAnimation::Running)
        move(restingPosition());
    return QWidget::eventFilter(watched, event);
}

} // namespace scribeon
