#pragma once

#include <string>
#include <string_view>

namespace scribeon {

// A strict RFC 3986 check of an absolute http(s) URL: scheme, "//", a
// non-empty authority, and only the characters the grammar allows (percent
// signs must start a valid escape). Anything else is not sent.
bool isWellFormedHttpURL(std::string_view url);

// The text as one path segment: every byte but RFC 3986's unreserved
// characters percent-encoded, so "/", "?" and ".." cannot leave the segment.
std::string percentEncodedPathSegment(std::string_view text);

} // namespace scribeon
