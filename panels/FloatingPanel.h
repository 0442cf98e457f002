#pragma once

#include "panels/PanelPresenter.h"

#include <QWidget>

#include <functional>

namespace scribeon {

// A frameless, always-on-top tool window with rounded corners painted by
// us on a translucent background. The chooser and the result panel take the
// keyboard focus; a hint (takesFocus false) never does.
class FloatingPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int cornerRadius = 12;
    static constexpr int fadeInMs = 200;

    FloatingPanel(QWidget* content, bool takesFocus);

    std::function<bool(PanelKey)> onKey;
    std::function<void()> onDeactivated;

    // Places the panel centred on the primary screen and shows it; a panel
    // that takes focus fades in (a no-op without a compositor) and asks the
    // window manager for activation.
    void present();

    static PanelKey panelKeyOf(int key, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool takesFocus_;
    bool wasActive_ = false;
};

} // namespace scribeon
