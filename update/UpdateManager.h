#pragma once

#include <functional>
#include <optional>
#include <string>

namespace scribeon {

// Software updates: started once at launch; reports whether a newer version
// exists after every check that got an answer, on the main queue.
class UpdateManager {
public:
    using AvailabilityCallback =
        std::function<void(bool available, std::optional<std::string> version)>;
    virtual ~UpdateManager() = default;
    virtual void startUpdater() = 0;
    virtual void setOnUpdateAvailabilityChanged(AvailabilityCallback callback) = 0;
    // Asked for by the user: shows the updater's own dialog.
    virtual void checkForUpdates() = 0;
    virtual bool automaticallyChecksForUpdates() = 0;
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;
};

} // namespace scribeon
