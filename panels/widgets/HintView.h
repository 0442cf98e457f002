#pragma once

#include "panels/PanelPresenter.h"

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace scribeon {

// The copy hint and the replace hint: the message, "Don't show again" (every
// change told at once) and "OK".
class HintView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 280;

    HintView(HintKind kind, HintActions actions);
    QCheckBox* dontShowAgain() const { return dontShowAgain_; }
    QPushButton* okButton() const { return ok_; }

private:
    HintActions actions_;
    QCheckBox* dontShowAgain_;
    QPushButton* ok_;
};

} // namespace scribeon
