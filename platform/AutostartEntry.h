#pragma once

#include "base/Result.h"

#include <string>

namespace scribeon {

// Whether the desktop starts the program when the user logs in.
class AutostartEntry {
public:
    virtual ~AutostartEntry() = default;
    virtual bool isInstalled() = 0;
    // Failures carry a reason a user can read (the file and what went wrong).
    virtual Result<Done, std::string> install() = 0;
    virtual Result<Done, std::string> remove() = 0;
};

} // namespace scribeon
