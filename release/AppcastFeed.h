#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scribeon::release {

// One release as the updater reads it from the feed.
struct ReleaseEntry {
    std::string version;            // sparkle:version, the build number compared
    std::string shortVersion;       // shown to the user
    std::string url;                // where the package is downloaded from
    std::uint64_t length = 0;       // the package's size in bytes
    std::string signature;          // Ed25519 over the package, base64
    std::string date;               // RFC 2822, for pubDate
    std::vector<std::string> notes; // one line of the release notes each
};

// A whole feed with one item. Every text is escaped; notes become a list.
std::string appcastFeed(const ReleaseEntry& entry);

} // namespace scribeon::release
