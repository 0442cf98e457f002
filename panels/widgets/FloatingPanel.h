#pragma once

#include "panels/PanelPresenter.h"

#include <QWidget>

#include <QPainterPath>
#include <QTimer>

#include <functional>
#include <optional>

namespace scribeon {

// A frameless, always-on-top dialog window with rounded corners painted by
// us on a translucent background (cut to that shape where nothing
// composites). The chooser and the result panel take the keyboard focus; a
// hint (takesFocus false) never does. Its keys reach `onKey` whichever of
// its widgets has the focus, and it can be dragged by its background.
class FloatingPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int cornerRadius = 12;
    static constexpr int fadeInMs = 200;

    FloatingPanel(QWidget* content, bool takesFocus);

    std::function<bool(PanelKey)> onKey;
    std::function<void()> onDeactivated;
    // Set on a panel that is kept for reuse: called instead of deleting it
    // once it has been closed (hidden).
    std::function<void()> onClosed;

    // Places the panel centred on the primary screen and shows it; a panel
    // that takes focus fades in (a no-op without a compositor) and asks the
    // window manager for activation.
    void present();

    // Invisible (where windows can be) and inert, but still mapped.
    void retire();

    static PanelKey panelKeyOf(int key, Qt::KeyboardModifiers modifiers);

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPainterPath outline() const;
    void deactivated();
    void stopFading();

    static constexpr int activationWatchMs = 250;

    bool takesFocus_;
    bool wasActive_ = false;
    std::optional<QPoint> dragOffset_; // while dragged by hand, not by the window manager
    QTimer activationWatch_;
};

} // namespace scribeon
