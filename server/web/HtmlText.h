#pragma once

#include <string>
#include <string_view>

namespace scribeon::server {

// Text for HTML content and quoted attribute values: & < > " ' escaped.
std::string htmlEscaped(std::string_view text);

} // namespace scribeon::server
