#pragma once

#include <string>

namespace scribeon {

// Why a file could not be written, moved or read, for the log.
struct FileError {
    std::string reason;
};

} // namespace scribeon
