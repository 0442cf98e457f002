#pragma once

#include "panels/widgets/FloatingPanel.h"

namespace scribeon {

// A floating panel that never takes the keyboard focus, so that typing goes
// on in the application the user is working in.
class HintPanel : public FloatingPanel {
    Q_OBJECT
public:
    explicit HintPanel(QWidget* content) : FloatingPanel(content, false) {}
};

} // namespace scribeon
