#pragma once

#include "server/http/Exchange.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace scribeon::server {

// What the program's updater fetches: GET /appcast.xml and
// GET /downloads/NAME. The feed comes from a file (--appcast), the files
// from a directory (--downloads); with --demo, a release one minor version
// newer than this build, signed with the demo key, is announced when no
// feed file is given.
class UpdateFeed {
public:
    UpdateFeed(std::string appcastFile, std::string downloadsDirectory, bool demo);

    // The origin the feed's download addresses start with, once the port is known.
    void setOrigin(const std::string& origin);

    // The answer for an update path; absent for every other path.
    std::optional<ApiReply> serve(const ApiRequest& request) const;

    static std::string demoFileName();

private:
    std::optional<ApiReply> appcast() const;
    std::optional<ApiReply> download(const std::string& name) const;

    std::string appcastFile_;
    std::string downloadsDirectory_;
    bool demo_;
    mutable std::mutex mutex_;
    std::string origin_;
};

} // namespace scribeon::server
