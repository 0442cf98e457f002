#pragma once

#include "platform/PackageVersionReader.h"

#include <optional>
#include <vector>

namespace scribeon {

// States `statedVersion` for every package, or fails with `failure`.
struct ScriptedPackageVersionReader : PackageVersionReader {
    std::string statedVersion;
    std::optional<std::string> failure;
    std::vector<std::string> read;

    Result<std::string, FileError> version(const std::string& packagePath) override {
        read.push_back(packagePath);
        if (failure)
            return FileError{*failure};
        return statedVersion;
    }
};

} // namespace scribeon
