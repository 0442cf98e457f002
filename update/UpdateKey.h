#pragma once

#include <string>
#include <string_view>

namespace scribeon {

// The public key downloaded updates must be signed with, or none, and why.
struct UpdateKeyChoice {
    std::string key;     // base64; empty: updates are off
    std::string problem; // when they are off, for the log
};

// A package carries its release key as data, in
// <prefix>/share/scribeon/update-key beside <prefix>/bin, so one build can
// be released under any key; a program run from its build directory has no
// such file and trusts the key built in. A key file that is there but
// unreadable or malformed yields no key at all rather than the built-in one.
// The demo key's secret half is public, so it is trusted only by a
// development build, and only as its built-in key: a key file holding it,
// or a release build made with it, turns updates off.
UpdateKeyChoice chooseUpdateKey(const std::string& executablePath, const std::string& builtInKey,
                                bool developmentBuild);

// The key file that belongs to the program at `executablePath`.
std::string installedUpdateKeyPath(const std::string& executablePath);

// The public half of the local service's demo signing key.
std::string_view demoUpdatePublicKey();

// Whether this program was configured without a release key, to be run
// from its build directory by the developers' scripts and the tests.
bool builtForDevelopment();

} // namespace scribeon
