#pragma once

#include <string>
#include <string_view>

namespace scribeon::server {

// Text from a client or a back end made safe for one log line: control
// characters (line breaks included) and DEL as \xHH, and the Unicode
// characters that reorder or hide what a terminal shows (bidirectional
// embeddings, overrides, isolates and marks) as \u{HHHH}. Bytes that are not
// UTF-8 are escaped as \xHH too. At most `limit` bytes of the input are read.
std::string logSafe(std::string_view text, std::size_t limit = 300);

} // namespace scribeon::server
