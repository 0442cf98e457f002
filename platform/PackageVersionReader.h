#pragma once

#include "base/Result.h"
#include "platform/FileError.h"

#include <string>

namespace scribeon {

// Reads the version a package file states about itself, as the package
// manager that would install it reads it; the feed that announced the file
// is not signed, the file is.
class PackageVersionReader {
public:
    virtual ~PackageVersionReader() = default;
    virtual Result<std::string, FileError> version(const std::string& packagePath) = 0;
};

} // namespace scribeon
