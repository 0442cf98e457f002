#pragma once

#include "platform/UrlOpener.h"

#include <vector>

namespace scribeon {

struct RecordingUrlOpener : UrlOpener {
    std::vector<std::string> urls;
    std::vector<std::string> files;
    bool openURL(const std::string& url) override {
        urls.push_back(url);
        return true;
    }
    bool openFile(const std::string& path) override {
        files.push_back(path);
        return true;
    }
};

} // namespace scribeon
