#pragma once

#include "platform/PackageVersionReader.h"

#include <chrono>

namespace scribeon {

// Asks `dpkg-deb --field FILE Version`: dpkg is what installs the package,
// so its reading of the control file is the one that counts, whatever
// compression the package uses. A reader that does not answer within
// `timeout` is killed.
class DpkgPackageVersionReader final : public PackageVersionReader {
public:
    explicit DpkgPackageVersionReader(std::string program = "dpkg-deb",
                                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
    Result<std::string, FileError> version(const std::string& packagePath) override;

private:
    std::string program_;
    std::chrono::milliseconds timeout_;
};

} // namespace scribeon
