#pragma once

#include "base/UnicodeText.h"

#include <cstddef>
#include <string_view>

namespace scribeon::server {

// What the service accepts of the text people give it to keep or to
// process: names, e-mail addresses, prompts. One set of rules, checked
// before any storage sees the text, so every database holds the same thing.

// No address is longer (RFC 5321).
inline constexpr std::size_t maximumEmailBytes = 254;
// Code points in one character: the longest emoji sequences have ten.
inline constexpr std::size_t longestCharacter = 32;

// C0 controls (line breaks and tabs only where allowed), DEL and the C1
// controls U+0080-U+009F. Terminals act on them, and a NUL ends the text
// early in some databases and libraries.
bool hasControlCharacters(std::string_view utf8, bool lineBreaksAllowed);

// A character can be any number of code points ("a" and 5,000 combining
// accents is one): a text of at most `maxCharacters` characters must also
// stay within bytes and code points in proportion, and no character may be
// longer than `longestCharacter`.
bool withinTextBounds(const TextSize& size, std::size_t bytes, std::size_t maxCharacters);
// At most `maxCharacters` characters, and within those bounds.
bool fitsCharacters(std::string_view utf8, std::size_t maxCharacters);

// Something then an @ then a dotted domain, valid UTF-8, with no blanks or
// controls.
bool plausibleEmail(std::string_view email);

} // namespace scribeon::server
