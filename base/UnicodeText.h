#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scribeon {

// True when the UTF-8 text holds nothing but Unicode white space and line
// breaks (or nothing at all). Bytes that are not valid UTF-8 count as content.
bool isBlank(std::string_view utf8);

// True when every byte belongs to a well-formed UTF-8 sequence of a Unicode
// scalar value (no surrogates, no overlong forms).
bool isValidUtf8(std::string_view bytes);

// The number of user-perceived characters (extended grapheme clusters). Each
// byte that is not valid UTF-8 counts as one character.
std::size_t graphemeCount(std::string_view utf8);

// The text without leading and trailing white space and line breaks.
std::string_view trimmed(std::string_view utf8);

// The text without leading and trailing white space other than line breaks
// (blanks and tabs): what a one-line form field ignores.
std::string_view trimmedBlanks(std::string_view utf8);

// Every word (a run after white space) with its first letter upper-cased and
// the rest lower-cased: "PRO team" -> "Pro Team".
std::string capitalizedWords(std::string_view utf8);

// How long a text is by each measure a limit may need.
struct TextSize {
    std::size_t graphemes = 0;
    std::size_t codePoints = 0;
    std::size_t longestGrapheme = 0; // in code points: a base and what combines with it
};
TextSize measureText(std::string_view utf8);

// The first `count` user-perceived characters of the text.
std::string_view graphemePrefix(std::string_view utf8, std::size_t count);

// The text without the placeholders an accessibility interface may put in a
// document's text: U+FEFF (Firefox, after each emoji), U+FFFC (an embedded
// object such as an image) and the Unicode noncharacters. None of them is
// something the user typed or sees.
std::string withoutTextArtefacts(std::string_view utf8);

// How a text from outside is laid out where it is written to a terminal.
enum class TerminalLayout {
    oneLine, // a field or a message: tabs and line breaks become spaces
    lines,   // a document: tabs and line feeds stay
};

// Text from outside made safe to write to a terminal, which would act on the
// control characters in it (retitle the window, clear the screen, answer
// with keystrokes): every other C0 control, DEL and every C1 control
// (U+0080-U+009F) is shown in caret form ("^[", "^?", U+009B as "^[["), and
// a byte that is not UTF-8 becomes U+FFFD, since a terminal may read a lone
// byte 0x9B as a control too.
std::string terminalSafe(std::string_view utf8, TerminalLayout layout);

} // namespace scribeon
