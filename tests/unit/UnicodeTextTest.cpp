#include "base/UnicodeText.h"
#include "ui/EmojiCatalogue.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// isBlank: only white space and line breaks; isValidUtf8: scalar values only.
TEST(UnicodeClassTest, BlankAndValid) {
    const std::tuple<bool (*)(std::string_view), std::string_view, bool> cases[] = {
        {isBlank, "", true},
        {isBlank, "\t\n\r\n \v\f", true},
        {isBlank, "  hi  ", false},
        {isBlank, "\xE2\x80\x8B", false}, // zero-width space is not white space
        {isBlank, " \xFF ", false},       // invalid UTF-8 counts as content
        {isBlank, std::string_view(" \0 ", 3), false},
        // accents, emoji, combining mark
        {isValidUtf8, "Cr\xC3\xA8me \xF0\x9F\x8D\xAE e\xCC\x81", true},
        {isValidUtf8, "caf\xE9", false},                  // Latin-1
        {isValidUtf8, "\xC3", false},                     // cut short
        {isValidUtf8, "\xC0\xAF", false},                 // overlong "/"
        {isValidUtf8, "\xF4\x90\x80\x80", false},         // past U+10FFFF
        {isValidUtf8, std::string_view("a\0b", 3), true}, // NUL is a character
    };
    for (const auto& [test, text, holds] : cases)
        EXPECT_EQ(test(text), holds) << testing::PrintToString(std::string(text));
}

TEST(GraphemeCountTest, CountsUserPerceivedCharacters) {
    const std::tuple<const char*, std::string, std::size_t> cases[] = {
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
    for (const auto& [name, text, count] : cases)
        EXPECT_EQ(graphemeCount(text), count) << name;
    // A picker cell shows one character, and a section fills whole rows.
    for (const auto& section : emojiSections) {
        EXPECT_EQ(section.emoji.size() % 8, 0U) << section.title;
        for (std::string_view emoji : section.emoji)
            EXPECT_EQ(graphemeCount(emoji), 1U) << emoji;
    }
}

TEST(GraphemePrefixTest, NeverCutsACharacterApart) {
    const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {"abc", 2, "ab"},
        {thumbs + thumbs + "x", 1, thumbs},
        {"e\xCC\x81o", 1, "e\xCC\x81"},
        {"a\r\nb", 2, "a\r\n"},
    };
    for (const auto& [text, count, expected] : cases)
        EXPECT_EQ(graphemePrefix(text, count), expected) << text;
}

// trimmed drops white space and line breaks at both ends, trimmedBlanks
// blanks and tabs only; capitalizedWords upper-cases the first letter of each
// word only; withoutTextArtefacts drops placeholders and keeps what the user
// sees.
TEST(TextRewritesTest, EachRewriteOnItsCases) {
    const std::string family = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"; // woman ZWJ girl
    using Rewrite = std::string (*)(std::string_view);
    const Rewrite trim = [](std::string_view t) { return std::string(trimmed(t)); };
    const Rewrite blanks = [](std::string_view t) { return std::string(trimmedBlanks(t)); };
    const Rewrite cap = capitalizedWords, strip = withoutTextArtefacts;
    const std::tuple<Rewrite, std::string, std::string> cases[] = {
        {trim, " \t\n", ""},
        {trim, "  a b \r\n", "a b"},
        {trim, "\xE2\x80\x83x\xC2\xA0", "x"}, // em space, no-break space
        {trim, "\xFFz\xFF", "\xFFz\xFF"},     // stray bytes are content
        {blanks, "  bob@example.com ", "bob@example.com"},
        {blanks, " \n ", "\n"},
        {blanks, "\xC2\xA0x\xE2\x80\x83", "x"},     // no-break space, em space
        {blanks, "\xE2\x80\xA8x", "\xE2\x80\xA8x"}, // line separator stays
        {cap, "pro", "Pro"},
        {cap, "PRO", "Pro"},
        {cap, "  two  spaces", "  Two  Spaces"},
        {cap, "\xC3\xA9quipe", "\xC3\x89quipe"}, // équipe -> Équipe
        {cap, "\xFFxy", "\xFFxy"},               // a stray byte starts the word and stays
        {strip, "caf\xC3\xA9 \xF0\x9F\x98\x80\xEF\xBB\xBF ok",
         "caf\xC3\xA9 \xF0\x9F\x98\x80 ok"},                             // U+FEFF
        {strip, "see \xEF\xBF\xBC here", "see  here"},                   // U+FFFC
        {strip, "w\xEF\xB7\x90x\xEF\xBF\xBEy\xF0\x9F\xBF\xBFz", "wxyz"}, // U+FDD0, U+FFFE, U+1FFFF
        {strip, family + " e\xCC\x81", family + " e\xCC\x81"}, // ZWJ and combining marks stay
        {strip, "bad \xFF byte", "bad \xFF byte"},
    };
    for (const auto& [rewrite, text, expected] : cases)
        EXPECT_EQ(rewrite(text), expected) << text;
}

// A hostile service's escape sequences run end to end through the script
// modes; here the other controls and byte forms.
TEST(TerminalSafeTest, ShowsControlsInsteadOfSendingThem) {
    using enum TerminalLayout;
    const std::tuple<std::string_view, TerminalLayout, std::string_view> cases[] = {
        {"a\x9Bz", lines, "a\xEF\xBF\xBDz"},                     // C1 CSI as a raw byte
        {"\xC2\x80\xC2\x9F\xC2\xA0", oneLine, "^[@^[_\xC2\xA0"}, // C1 edges; NBSP stays
        {std::string_view("nul\0del\x7F", 8), oneLine, "nul^@del^?"},
        {"a\tb\nc\r\nd\v\fe", oneLine, "a b c  d  e"},     // a field stays one line
        {"a\tb\nc\r\nd\v\fe", lines, "a\tb\nc^M\nd^K^Le"}, // a document keeps its lines
        {"\xED\xA0\x80", lines, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // a surrogate is not UTF-8
    };
    for (const auto& [text, layout, shown] : cases)
        EXPECT_EQ(terminalSafe(text, layout), shown) << text;
}

} // namespace
} // namespace scribeon
