#pragma once

#include <map>
#include <string>
#include <string_view>

namespace scribeon::server {

// The fields of an application/x-www-form-urlencoded body. A name given
// twice keeps its first value: no form of ours repeats a name.
std::map<std::string, std::string> formFields(std::string_view body);

// One cookie's value from a Cookie header, or empty.
std::string cookieValue(std::string_view header, std::string_view name);

} // namespace scribeon::server
