#pragma once

#include <map>
#include <string>
#include <string_view>

namespace scribeon::server {

// Percent-decoded text; in a form body "+" stands for a space. A malformed
// escape is kept as written.
std::string percentDecoded(std::string_view text, bool plusIsSpace = false);

// The fields of an application/x-www-form-urlencoded body. A name given
// twice keeps its first value: no form of ours repeats a name.
std::map<std::string, std::string> formFields(std::string_view body);

// One cookie's value from a Cookie header, or empty.
std::string cookieValue(std::string_view header, std::string_view name);

} // namespace scribeon::server
