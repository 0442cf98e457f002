#include "ui/EmojiCatalogue.h"

#include "base/UnicodeText.h"

#include <gtest/gtest.h>

#include <string>

namespace scribeon {
namespace {

TEST(EmojiCatalogueTest, EveryEntryIsOneGraphemeAndVariationSelectorsAreKept) {
    std::size_t withSelector = 0;
    for (const auto& section : emojiSections)
        for (std::string_view emoji : section.emoji) {
            EXPECT_EQ(graphemeCount(emoji), 1U) << emoji;
            withSelector += emoji.find("\xEF\xB8\x8F") != std::string_view::npos ? 1 : 0;
        }
    // Counted in the table the picker was drawn from; an editor or formatter
    // that strips U+FE0F changes how these render.
    EXPECT_EQ(withSelector, 24U);
    EXPECT_EQ(emojiSections[0].emoji[0], "\xF0\x9F\x93\x9D") << "the default comes first";
}

} // namespace
} // namespace scribeon
