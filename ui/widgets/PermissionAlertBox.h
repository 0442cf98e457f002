#pragma once

#include "ui/PermissionAlert.h"

namespace scribeon {

// The accessibility alert as a modal warning message box.
class PermissionAlertBox : public PermissionAlert {
public:
    PermissionAnswer run() override;
};

} // namespace scribeon
