#pragma once

#include <string>

namespace scribeon {

// The public key downloaded updates must be signed with. A package carries
// its release key as data, in <prefix>/share/scribeon/update-key beside
// <prefix>/bin, so one build can be released under any key; a program run
// from its build directory has no such file and trusts the key built in.
// A key file that is there but unreadable or malformed yields no key at all:
// updates are refused rather than checked against the built-in one.
std::string updatePublicKey(const std::string& executablePath, const std::string& builtInKey);

// The key file that belongs to the program at `executablePath`.
std::string installedUpdateKeyPath(const std::string& executablePath);

} // namespace scribeon
