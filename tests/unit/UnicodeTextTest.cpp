#include "base/UnicodeText.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(IsBlankTest, ClassifiesWhiteSpaceAndLineBreaks) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"\t\n\r\n \v\f", true},
        {"\xC2\xA0", true},             // no-break space
        {"\xE2\x80\xA8", true},         // line separator
        {"\xE2\x80\xA9\xC2\x85", true}, // paragraph separator, NEL
        {"\xE3\x80\x80", true},         // ideographic space
        {"  hi  ", false},
        {"\xE2\x80\x8B", false}, // zero-width space is not white space
        {" \xFF ", false},       // invalid UTF-8 counts as content
        {std::string(" \0 ", 3), false},
    };
    for (const auto& [text, blank] : cases)
        EXPECT_EQ(isBlank(text), blank) << testing::PrintToString(text);
}

TEST(IsValidUtf8Test, AcceptsScalarValuesOnly) {
    const std::pair<std::string_view, bool> cases[] = {
        {"", true},
        {"plain ASCII\r\n", true},
        {"Cr\xC3\xA8me \xF0\x9F\x8D\xAE e\xCC\x81", true}, // accents, emoji, combining mark
        {"caf\xE9", false},                                // Latin-1
        {"\xC3", false},                                   // cut short
        {"\xC0\xAF", false},                               // overlong "/"
        {"\xED\xA0\x80", false},                           // a surrogate
        {"\xF4\x90\x80\x80", false},                       // past U+10FFFF
        {std::string_view("a\0b", 3), true},               // NUL is a character
    };
    for (const auto& [bytes, valid] : cases)
        EXPECT_EQ(isValidUtf8(bytes), valid) << testing::PrintToString(std::string(bytes));
}

TEST(GraphemeCountTest, CountsUserPerceivedCharacters) {
    const struct {
        const char* name;
        std::string text;
        std::size_t count;
    } cases[] = {
        {"empty", "", 0},
        {"ascii", "abc", 3},
        {"CR LF is one", "a\r\nb", 3},
        {"combining acute", "e\xCC\x81t\xC3\xA9", 3},
        {"flag from two regional indicators", "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA!", 2},
        {"family joined by ZWJ",
         "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7", 1},
        {"skin tone modifier", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", 1},
        {"stray bytes count one each", "a\xFF\xFEz", 4},
        {"truncated sequence", "\xE2\x82", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(graphemeCount(c.text), c.count) << c.name;
}

TEST(TrimmedTest, DropsWhiteSpaceAndLineBreaksAtBothEnds) {
    const struct {
        std::string text, expected;
    } cases[] = {
        {"", ""},
        {" \t\n", ""},
        {"  a b \r\n", "a b"},
        {"\xE2\x80\x83x\xC2\xA0", "x"}, // em space, no-break space
        {"\xFFz\xFF", "\xFFz\xFF"},     // stray bytes are content
        {"e\xCC\x81 ", "e\xCC\x81"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trimmed(c.text), c.expected) << c.text;
}

TEST(TrimmedBlanksTest, DropsBlanksAndTabsButKeepsLineBreaks) {
    const struct {
        std::string text, expected;
    } cases[] = {
        {"  bob@example.com ", "bob@example.com"},
        {"\t \t", ""},
        {"\nbob\n", "\nbob\n"},
        {" \n ", "\n"},
        {"\xC2\xA0x\xE2\x80\x83", "x"},     // no-break space, em space
        {"\xE2\x80\xA8x", "\xE2\x80\xA8x"}, // line separator stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(trimmedBlanks(c.text), c.expected) << c.text;
}

TEST(CapitalizedWordsTest, UpperCasesTheFirstLetterOfEachWordOnly) {
    const struct {
        std::string text, expected;
    } cases[] = {
        {"pro", "Pro"},
        {"PRO", "Pro"},
        {"  two  spaces", "  Two  Spaces"},
        {"\xC3\xA9quipe", "\xC3\x89quipe"}, // équipe -> Équipe
        {"\xFFxy", "\xFFxy"},               // a stray byte starts the word and stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(capitalizedWords(c.text), c.expected) << c.text;
}

TEST(GraphemePrefixTest, NeverCutsACharacterApart) {
    const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";
    const struct {
        std::string text;
        std::size_t count;
        std::string expected;
    } cases[] = {
        {"abc", 0, ""},
        {"abc", 2, "ab"},
        {thumbs + thumbs + "x", 1, thumbs},
        {"e\xCC\x81o", 1, "e\xCC\x81"},
        {"a\r\nb", 2, "a\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(graphemePrefix(c.text, c.count), c.expected) << c.text;
}

TEST(WithoutTextArtefactsTest, DropsPlaceholdersAndKeepsWhatTheUserSees) {
    const std::string family = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"; // woman ZWJ girl
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"caf\xC3\xA9 \xF0\x9F\x98\x80\xEF\xBB\xBF ok",
         "caf\xC3\xA9 \xF0\x9F\x98\x80 ok"},                      // U+FEFF
        {"see \xEF\xBF\xBC here", "see  here"},                   // U+FFFC
        {"w\xEF\xB7\x90x\xEF\xBF\xBEy\xF0\x9F\xBF\xBFz", "wxyz"}, // U+FDD0, U+FFFE, U+1FFFF
        {family + " e\xCC\x81", family + " e\xCC\x81"},           // ZWJ and combining marks stay
        {"\xEF\xBF\xBD kept", "\xEF\xBF\xBD kept"},               // U+FFFD is visible
        {"bad \xFF byte", "bad \xFF byte"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withoutTextArtefacts(c.text), c.expected) << c.text;
}

TEST(TerminalSafeTest, ShowsControlsInsteadOfSendingThem) {
    using enum TerminalLayout;
    const struct {
        std::string_view text;
        TerminalLayout layout;
        std::string_view shown;
    } cases[] = {
        {"plain \xC3\xA9t\xC3\xA9 \xF0\x9F\x9A\x80", oneLine,
         "plain \xC3\xA9t\xC3\xA9 \xF0\x9F\x9A\x80"},
        {"\x1B]0;owned\x07title", oneLine, "^[]0;owned^Gtitle"}, // OSC retitle, BEL
        {"\x1B[2J\x1B[H", lines, "^[[2J^[[H"},                   // clear screen, CSI
        {"a\xC2\x9B[m", oneLine, "a^[[[m"},                      // C1 CSI as UTF-8
        {"a\x9Bz", lines, "a\xEF\xBF\xBDz"},                     // C1 CSI as a raw byte
        {"\xC2\x80\xC2\x9F\xC2\xA0", oneLine, "^[@^[_\xC2\xA0"}, // C1 edges; NBSP stays
        {std::string_view("nul\0del\x7F", 8), oneLine, "nul^@del^?"},
        {"a\tb\nc\r\nd\v\fe", oneLine, "a b c  d  e"},     // a field stays one line
        {"a\tb\nc\r\nd\v\fe", lines, "a\tb\nc^M\nd^K^Le"}, // a document keeps its lines
        {"\xED\xA0\x80", lines, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // a surrogate is not UTF-8
    };
    for (const auto& c : cases)
        EXPECT_EQ(terminalSafe(c.text, c.layout), c.shown) << c.text;
}

} // namespace
} // namespace scribeon
