#include "ui/EmojiCatalogue.h"

#include "base/UnicodeText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scribeon {
namespace {

TEST(EmojiCatalogueTest, SevenSectionsOfWholeRowsWithSingleGraphemes) {
    const std::vector<std::pair<std::string_view, std::size_t>> expected = {
        {"Writing & Text", 16}, {"Languages & Flags", 24}, {"Tools & Actions", 24},
        {"Communication", 16},  {"Creative", 16},          {"Status & Symbols", 32},
        {"Smileys", 16}};
    ASSERT_EQ(emojiSections.size(), expected.size());
    std::size_t total = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(emojiSections[i].title, expected[i].first);
        EXPECT_EQ(emojiSections[i].emoji.size(), expected[i].second);
        for (std::string_view emoji : emojiSections[i].emoji)
            EXPECT_EQ(graphemeCount(emoji), 1U) << emoji;
        total += emojiSections[i].emoji.size();
    }
    EXPECT_EQ(total, 144U);
    EXPECT_EQ(emojiSections[0].emoji[0], "\xF0\x9F\x93\x9D") << "the default comes first";
}

TEST(EmojiCatalogueTest, FlagsAreRegionalIndicatorPairsAndVariationSelectorsAreKept) {
    const std::string_view flagBritain = "\xF0\x9F\x87\xAC\xF0\x9F\x87\xA7";
    EXPECT_EQ(emojiSections[1].emoji[2], flagBritain);
    std::size_t withSelector = 0;
    for (const auto& section : emojiSections)
        for (std::string_view emoji : section.emoji)
            withSelector += emoji.find("\xEF\xB8\x8F") != std::string_view::npos ? 1 : 0;
    // Counted in the table the picker was drawn from; an editor or formatter
    // that strips U+FE0F changes how these render.
    EXPECT_EQ(withSelector, 24U);
    EXPECT_EQ(emojiSections[0].emoji[1], "\xE2\x9C\x8D\xEF\xB8\x8F"); // writing hand
    EXPECT_EQ(emojiSections[5].emoji[1], "\xF0\x9F\x9A\x80");         // rocket
}

} // namespace
} // namespace scribeon
