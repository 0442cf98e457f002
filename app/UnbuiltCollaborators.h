#pragma once

#include "ui/SettingsPresenter.h"

namespace scribeon {

// Stands in for the settings window until the program has one: the tray's
// "Settings" row does nothing yet.
struct UnbuiltCollaborators final : SettingsPresenter {
    void show() override {}
};

} // namespace scribeon
