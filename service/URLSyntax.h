#pragma once

#include "base/PercentEncoding.h"

#include <string>
#include <string_view>

namespace scribeon {

// A strict RFC 3986 check of an absolute http(s) URL: scheme, "//", a
// non-empty authority, and only the characters the grammar allows (percent
// signs must start a valid escape). Anything else is not sent.
bool isWellFormedHttpURL(std::string_view url);

} // namespace scribeon
