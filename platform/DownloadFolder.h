#pragma once

#include "base/Result.h"
#include "platform/FileError.h"

#include <string>
#include <string_view>

namespace scribeon {

// The folder a verified update is saved to for the user. A download is
// first written to a private file nobody else can open and nothing can
// redirect, checked there, and only then published under a free name, so
// the files the user already keeps in the folder are never replaced,
// followed or removed, whatever the download turns out to be.
class DownloadFolder {
public:
    virtual ~DownloadFolder() = default;
    // A new private file in the folder holding `bytes`: its path.
    virtual Result<std::string, FileError> stage(std::string_view bytes) = 0;
    // Gives the staged file `name`, or "stem (1).ext", "stem (2).ext" … when
    // that is taken by anything, a dangling link included: the path it got.
    virtual Result<std::string, FileError> publish(const std::string& stagedPath,
                                                   const std::string& name) = 0;
    // Removes a staged file that is not to be published.
    virtual void discard(const std::string& stagedPath) = 0;
};

} // namespace scribeon
