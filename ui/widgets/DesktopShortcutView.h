#pragma once

#include "base/Subscription.h"
#include "ui/ShortcutSettingsModel.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QLineEdit;

namespace scribeon {

// The part of the General page that hands the shortcut to the desktop on
// Wayland: the keys the portal reports and the desktop's settings, GNOME's
// custom shortcut, or sway's configuration line with a Copy button.
class DesktopShortcutView final : public QWidget {
    Q_OBJECT
public:
    explicit DesktopShortcutView(ShortcutSettingsModel& model, QWidget* parent = nullptr);

    // After the recorder stored other keys.
    void storedShortcutChanged();

private:
    void refresh();

    ShortcutSettingsModel& model_;
    QLabel* note_;
    QLabel* status_;
    QLineEdit* line_;
    QPushButton* copy_;
    QPushButton* action_;
    QLabel* problem_;
    std::vector<Subscription> subscriptions_;
};

} // namespace scribeon
