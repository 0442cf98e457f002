#pragma once

#include <string>

namespace scribeon {

// `scribeon --sign-in EMAIL`: reads the password from standard input, signs
// in against the configured service and stores the token in the desktop's
// credential store, without opening any window. Returns the exit status.
int runSignInCommand(const std::string& email, int argc, char** argv);

} // namespace scribeon
