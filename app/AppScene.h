#pragma once

#include "app/AppDelegate.h"
#include "base/Subscription.h"

#include <memory>

namespace scribeon {

// The tray scene's behaviour: acts on the window request pulses and loads
// the account shortly after the tray panel is shown.
class AppScene {
public:
    static constexpr Milliseconds menuLoadDelay{100};

    AppScene(std::shared_ptr<AppDelegate> delegate, MainQueue& queue);
    ~AppScene();

    void menuShown();
    void menuHidden();

private:
    std::shared_ptr<AppDelegate> delegate_;
    MainQueue& queue_;
    Subscription loginPulse_;
    Subscription settingsPulse_;
    Cancel pendingLoad_;
};

} // namespace scribeon
