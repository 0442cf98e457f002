#include "ui/GeneralSettingsViewModel.h"

namespace scribeon {

GeneralSettingsViewModel::GeneralSettingsViewModel(UpdateManager* updater,
                                                   AutostartEntry& autostart, FailureSink onFailure)
    : autoCheckUpdates(updater ? updater->automaticallyChecksForUpdates() : true),
      startsAtLogin(autostart.isInstalled()), updater_(updater), autostart_(autostart),
      onFailure_(std::move(onFailure)) {}

void GeneralSettingsViewModel::setAutoCheckUpdates(bool enabled) {
    autoCheckUpdates.set(enabled);
    if (updater_)
        updater_->setAutomaticallyChecksForUpdates(enabled);
}

void GeneralSettingsViewModel::checkForUpdatesNow() {
    if (updater_)
        updater_->checkForUpdates();
}

void GeneralSettingsViewModel::setStartsAtLogin(bool enabled) {
    auto written = enabled ? autostart_.install() : autostart_.remove();
    startsAtLogin.set(autostart_.isInstalled());
    if (!written && onFailure_)
        onFailure_("Could not change the start at login: " + written.error());
}

std::string GeneralSettingsViewModel::appVersion(std::string_view version, std::string_view build) {
    auto orUnknown = [](std::string_view text) {
        return text.empty() ? std::string("?") : std::string(text);
    };
    return orUnknown(version) + " (" + orUnknown(build) + ")";
}

} // namespace scribeon
