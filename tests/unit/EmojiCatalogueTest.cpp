#include "ui/EmojiCatalogue.h"

#include "base/UnicodeText.h"

#include <gtest/gtest.h>

#include <string>

namespace scribeon {
namespace {

// A picker cell shows one character, and a section fills whole rows.
TEST(EmojiCatalogueTest, EveryEntryIsOneGraphemeInRowsOfEight) {
    for (const auto& section : emojiSections) {
        EXPECT_EQ(section.emoji.size() % 8, 0U) << section.title;
        for (std::string_view emoji : section.emoji)
            EXPECT_EQ(graphemeCount(emoji), 1U) << emoji;
    }
}

} // namespace
} // namespace scribeon
