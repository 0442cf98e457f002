#pragma once

namespace scribeon {

// Opens the settings window or brings it forward.
class SettingsPresenter {
public:
    virtual ~SettingsPresenter() = default;
    virtual void show() = 0;
};

} // namespace scribeon
