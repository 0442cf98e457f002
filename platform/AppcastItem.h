#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scribeon {

// One release announced by the update feed.
struct AppcastItem {
    std::string title;
    std::string version;        // compared with the build number
    std::string displayVersion; // shown to the user; the version when absent
    std::optional<std::string> description;
    std::optional<std::string> releaseNotesURL;
    std::optional<std::string> minimumSystemVersion;
    std::string enclosureURL;
    std::uint64_t enclosureLength = 0;
    std::string edSignature; // base64 Ed25519 signature of the file
    bool operator==(const AppcastItem&) const = default;
};

} // namespace scribeon
