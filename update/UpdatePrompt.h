#pragma once

#include "platform/AppcastItem.h"

#include <functional>
#include <string>

namespace scribeon {

// The dialog of a check the user asked for. Each call replaces what it
// shows; the user may close it at any time.
class UpdatePrompt {
public:
    virtual ~UpdatePrompt() = default;
    virtual void showChecking() = 0;
    virtual void showUpToDate(const std::string& currentVersion) = 0;
    // `download` fetches, verifies and opens the announced file.
    virtual void showFound(const AppcastItem& item, const std::string& currentVersion,
                           std::function<void()> download) = 0;
    virtual void showDownloading() = 0;
    // The share of the announced size received so far, 0 … 1.
    virtual void showProgress(double fraction) = 0;
    virtual void showDownloaded(const std::string& filePath) = 0;
    virtual void showFailure(const std::string& message) = 0;
};

} // namespace scribeon
