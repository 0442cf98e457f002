#include "panels/widgets/FloatingPanel.h"

#include "panels/WindowPositioning.h"
#include "platform/qt/DesktopWindowState.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace scribeon {

namespace {

ScreenRect rectOf(const QRect& rect) {
    return {double(rect.x()), double(rect.y()), double(rect.width()), double(rect.height())};
}

} // namespace

FloatingPanel::FloatingPanel(QWidget* content, bool takesFocus) : takesFocus_(takesFocus) {
    // A dialog, not a tool window: under KWin a tool window that opens as
    // the chooser hands over did not always get the focus, and the user's
    // next keys (Ctrl+Return among them) went to the application behind.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   (takesFocus ? Qt::WindowFlags() : Qt::WindowDoesNotAcceptFocus));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, !takesFocus);
    setFocusPolicy(takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    if (takesFocus)
        setFocusProxy(content);
    adjustSize();
    // Application-wide, so that a key reaches onKey even when a list, a
    // scroll area or a text box inside took the focus with a click.
    qApp->installEventFilter(this);
    activationWatch_.setInterval(activationWatchMs);
    connect(&activationWatch_, &QTimer::timeout, this, [this] {
        if (!windowHandle() || !isActiveOnDesktop(*windowHandle()))
            deactivated();
    });
}

void FloatingPanel::present() {
    adjustSize();
    std::optional<ScreenRect> primary;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        primary = rectOf(screen->availableGeometry());
    std::vector<ScreenRect> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens.push_back(rectOf(screen->availableGeometry()));
    const PanelOrigin origin = WindowPositioning::positionNearCursor(
        {double(width()), double(height())}, primary, screens);
    move(int(origin.x), int(origin.y));
    // A panel shown again after it was retired and closed starts afresh.
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    wasActive_ = false;
    activationWatch_.stop();
    stopFading();
    if (!takesFocus_) {
        show();
        return;
    }
    setWindowOpacity(0.0);
    show();
    raise();
    activateWindow();
    setFocus();
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(fadeInMs);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void FloatingPanel::stopFading() {
    for (auto* fade : findChildren<QPropertyAnimation*>())
        fade->stop();
}

void FloatingPanel::retire() {
    stopFading(); // a fade-in still running would bring it back
    setWindowOpacity(0.0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

PanelKey FloatingPanel::panelKeyOf(int key, Qt::KeyboardModifiers modifiers) {
    switch (key) {
    case Qt::Key_Return:
        return PanelKey::returnKey;
    case Qt::Key_Enter:
        return modifiers & Qt::KeypadModifier ? PanelKey::keypadEnter : PanelKey::returnKey;
    case Qt::Key_Escape:
        return PanelKey::escape;
    case Qt::Key_Up:
        return PanelKey::up;
    case Qt::Key_Down:
        return PanelKey::down;
    default:
        return PanelKey::other;
    }
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !onKey)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    return onKey(panelKeyOf(key->key(), key->modifiers()));
}

// On X11 the panel follows the pointer itself: a move by the window manager
// grabs the keyboard, which the panel would take for a click elsewhere and
// close. Wayland lets only the compositor move windows.
void FloatingPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (QGuiApplication::platformName() == QLatin1String("wayland") && windowHandle() &&
        windowHandle()->startSystemMove())
        return;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void FloatingPanel::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *dragOffset_);
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent*) {
    dragOffset_.reset();
}

QPainterPath FloatingPanel::outline() const {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    return shape;
}

void FloatingPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (desktopComposites())
        clearMask();
    else
        setMask(QRegion(outline().toFillPolygon().toPolygon()));
}

bool FloatingPanel::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        wasActive_ = true;
        activationWatch_.stop();
        emit activated();
    } else if (event->type() == QEvent::WindowDeactivate && wasActive_ && isVisible()) {
        if (windowHandle() && isActiveOnDesktop(*windowHandle())) {
            // Qt gave up on a FocusIn that a busy desktop sent late; the
            // window manager still has us in front. A click elsewhere will
            // show there.
            activationWatch_.start();
            return true;
        }
        deactivated();
        return true;
    }
    return QWidget::event(event);
}

// Another window took the activation: a click elsewhere.
void FloatingPanel::deactivated() {
    wasActive_ = false;
    activationWatch_.stop();
    if (onDeactivated)
        onDeactivated();
}

void FloatingPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = outline();
    painter.fillPath(shape, palette().window());
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPath(shape);
}

} // namespace scribeon
