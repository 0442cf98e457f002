#pragma once

#include <string>

namespace scribeon {

// Hands a web page or a local file to the desktop's handler for it.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openURL(const std::string& url) = 0;
    virtual bool openFile(const std::string& path) = 0;
};

} // namespace scribeon
