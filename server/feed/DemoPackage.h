#pragma once

#include <string>

namespace scribeon::server {

// The demo release the local service announces: a Debian package of the
// given version that installs nothing, so the program's updater can read
// its version as it reads a real release's.
std::string demoPackage(const std::string& version);

} // namespace scribeon::server
