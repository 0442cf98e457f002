#include "base/FileName.h"

namespace scribeon {

namespace {

constexpr std::size_t longestExtension = 16;
constexpr const char* fallbackName = "scribeon-update";

// Where the extension starts; the end when there is none. A leading dot
// (which downloadFileName never leaves) is part of the stem.
std::size_t extensionStart(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name.size() : dot;
}

} // namespace

std::string downloadFileName(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    path = path.substr(path.find_last_of('/') + 1);
    std::string name;
    for (const char c : path)
        name += isPlainFileNameCharacter(c) ? c : '_';
    while (!name.empty() && name.front() == '.')
        name.erase(name.begin());
    if (name.empty())
        return fallbackName;
    if (name.size() > longestDownloadFileName) {
        std::string extension = name.substr(extensionStart(name));
        if (extension.size() > longestExtension)
            extension.clear();
        name = name.substr(0, longestDownloadFileName - extension.size()) + extension;
    }
    return name;
}

std::string numberedFileName(const std::string& name, int n) {
    if (n == 0)
        return name;
    const std::size_t dot = extensionStart(name);
    return name.substr(0, dot) + " (" + std::to_string(n) + ")" + name.substr(dot);
}

} // namespace scribeon
