#pragma once

#include <functional>
#include <optional>
#include <string>

namespace scribeon {

// Software updates: started once at launch; reports the outcome of every
// check on the main queue.
class UpdateManager {
public:
    using AvailabilityCallback =
        std::function<void(bool available, std::optional<std::string> version)>;
    virtual ~UpdateManager() = default;
    virtual void startUpdater() = 0;
    virtual void setOnUpdateAvailabilityChanged(AvailabilityCallback callback) = 0;
};

} // namespace scribeon
