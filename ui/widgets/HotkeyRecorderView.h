#pragma once

#include "base/Property.h"
#include "base/Subscription.h"
#include "hotkey/HotkeyRecorderViewModel.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;

namespace scribeon {

// Shows the global shortcut and records a new one: while recording, every
// key press the application receives goes to the recorder, and none reaches
// a window. Under it, a line says when another application holds the
// shortcut.
class HotkeyRecorderView final : public QWidget {
    Q_OBJECT
public:
    HotkeyRecorderView(HotkeyRecorderViewModel& model, Property<bool>& isRegistered,
                       bool shortcutsAvailable, QWidget* parent = nullptr);
    ~HotkeyRecorderView() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();
    void setMonitoring(bool on);

    HotkeyRecorderViewModel& model_;
    Property<bool>& isRegistered_;
    bool shortcutsAvailable_;
    QLabel* display_;
    QPushButton* record_;
    QPushButton* reset_;
    QLabel* problem_;
    bool monitoring_ = false;
    std::vector<Subscription> subscriptions_;
};

} // namespace scribeon
