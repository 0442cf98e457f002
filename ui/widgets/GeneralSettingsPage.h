#pragma once

#include "base/Property.h"
#include "base/Subscription.h"
#include "hotkey/HotkeyRecorderViewModel.h"
#include "ui/GeneralSettingsViewModel.h"
#include "ui/ShortcutSettingsModel.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QLayout;

namespace scribeon {

// The shortcut recorder, the update switches, the start at login and the
// version line.
class GeneralSettingsPage final : public QWidget {
    Q_OBJECT
public:
    struct Shortcut {
        HotkeyRecorderViewModel& recorder;
        Property<bool>& isRegistered;
        bool available;
        // Null keeps the recorder alone (a session with our own grab).
        ShortcutSettingsModel* desktop = nullptr;
    };

    GeneralSettingsPage(Shortcut shortcut, GeneralSettingsViewModel& model,
                        QWidget* parent = nullptr);

private:
    QWidget* updatesGroup();
    QCheckBox* startAtLoginSwitch();
    void addShortcut(QLayout* column, const Shortcut& shortcut);

    GeneralSettingsViewModel& model_;
    std::vector<Subscription> subscriptions_;
};

} // namespace scribeon
