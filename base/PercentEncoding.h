#pragma once

#include <string>
#include <string_view>

namespace scribeon {

// The text as one path segment: every byte but RFC 3986's unreserved
// characters percent-encoded, so "/", "?" and ".." cannot leave the segment.
std::string percentEncodedPathSegment(std::string_view text);

// Percent-decoded text; in a form body "+" stands for a space. A malformed
// escape is kept as written.
std::string percentDecoded(std::string_view text, bool plusIsSpace = false);

} // namespace scribeon
