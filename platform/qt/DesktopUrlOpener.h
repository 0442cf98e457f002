#pragma once

#include "platform/UrlOpener.h"

namespace scribeon {

// The desktop's default browser and file handlers (xdg-open).
class DesktopUrlOpener final : public UrlOpener {
public:
    bool openURL(const std::string& url) override;
    bool openFile(const std::string& path) override;
};

} // namespace scribeon
