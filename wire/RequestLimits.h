#pragma once

#include <cstddef>
#include <string_view>

namespace scribeon {

// The largest request body the service reads; a longer one is answered with
// 413 before it is parsed.
inline constexpr std::size_t maximumRequestBodyBytes = std::size_t{1024} * 1024;

// The longest text a process request can carry whatever the plan allows: the
// body is {"text":"…"} and JSON only ever lengthens the text (escapes), so
// a longer text can be refused before anything is read past it or sent.
inline constexpr std::size_t maximumProcessTextBytes =
    maximumRequestBodyBytes - std::string_view(R"({"text":""})").size();

} // namespace scribeon
