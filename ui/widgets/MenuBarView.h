#pragma once

#include "base/Subscription.h"
#include "ui/MenuBarModel.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QMenu;
class QVBoxLayout;

namespace scribeon {

// The tray panel: a frameless popup 280 px wide with the account, the
// month's usage, errors, the update banner, the shortcut and the command
// rows while signed in; a welcome with "Sign In" and "Sign Up" while signed
// out. Its content follows the model as it changes.
class MenuBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 280;

    explicit MenuBarView(MenuBarModel& model, QWidget* parent = nullptr);

    // Shows the panel next to `anchor` (the tray icon's rectangle) when it is
    // known, else in the screen corner nearest the pointer.
    void popUp(const QRect& anchor);

    // Where a panel of `size` goes inside `area`: by the icon's rectangle
    // (below it in the upper half of the screen, above it in the lower),
    // or without one in the corner nearest the pointer.
    static QPoint placement(const QRect& anchor, const QSize& size, const QRect& area,
                            const QPoint& pointer);

    // Called when the panel opens and when it closes.
    std::function<void()> onShown;
    std::function<void()> onHidden;

    // Fills a context menu with the same actions, for the tray's right click.
    static void fillMenu(QMenu& menu, MenuBarModel& model);

    // True right after a loss of activation closed the panel: the click on
    // the tray icon that caused it means "close", not "open again".
    bool closedJustNow() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void stateChanged();
    void rebuild();
    std::function<void()> closingFirst(std::function<void()> action);
    void addSignedIn(QVBoxLayout* column);
    void addSignedOut(QVBoxLayout* column);
    void addUpdateBanner(QVBoxLayout* column);
    void addShortcutReminder(QVBoxLayout* column);

    MenuBarModel& model_;
    QWidget* content_ = nullptr;
    std::vector<Subscription> subscriptions_;
    bool wasActive_ = false;
    bool stale_ = false;
    std::optional<User> shownUser_;
    std::string shownHotkey_;
    QElapsedTimer hiddenByDeactivation_;
};

} // namespace scribeon
