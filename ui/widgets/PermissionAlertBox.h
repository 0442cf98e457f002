#pragma once

#include "ui/PermissionAlert.h"

namespace scribeon {

// The accessibility alert as a modal warning message box.
class PermissionAlertBox : public PermissionAlert {
public:
    explicit PermissionAlertBox(bool wayland = false) : wayland_(wayland) {}
    PermissionAnswer run() override;

private:
    bool wayland_;
};

} // namespace scribeon
