#pragma once

#include "base/Property.h"
#include "platform/AutostartEntry.h"
#include "update/UpdateManager.h"

#include <functional>
#include <string>
#include <string_view>

namespace scribeon {

// The General page apart from the shortcut recorder: updates, the start at
// login and the version line.
class GeneralSettingsViewModel {
public:
    using FailureSink = std::function<void(std::string)>;

    // `updater` may be null (a build without one): the switch then shows on
    // and changing it does nothing.
    GeneralSettingsViewModel(UpdateManager* updater, AutostartEntry& autostart,
                             FailureSink onFailure);

    Property<bool> autoCheckUpdates;
    Property<bool> startsAtLogin;

    void setAutoCheckUpdates(bool enabled);
    void checkForUpdatesNow();
    // A refused write keeps the switch where the desktop actually is.
    void setStartsAtLogin(bool enabled);

    // "1.3.0 (42)"; an empty value reads "?".
    static std::string appVersion(std::string_view version, std::string_view build);

private:
    UpdateManager* updater_;
    AutostartEntry& autostart_;
    FailureSink onFailure_;
};

} // namespace scribeon
