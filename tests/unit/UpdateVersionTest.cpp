#include "update/UpdateVersion.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(UpdateVersionTest, OrdersVersionsAsUpdateFeedsDo) {
    const struct {
        const char *older, *newer;
    } cases[] = {
        {"1.9", "1.10"},    {"1.0", "1.0.1"},   {"2.0b1", "2.0"},
        {"2.0a1", "2.0b1"}, {"2.0b1", "2.0b2"}, {"2.0b9", "2.0b10"},
        {"1.0a", "1.0.1"},  {"1.0", "1.0.0.1"}, {"99999999999999999999", "100000000000000000000"},
        {"", "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compareVersions(c.older, c.newer), std::strong_ordering::less)
            << c.older << " < " << c.newer;
        EXPECT_EQ(compareVersions(c.newer, c.older), std::strong_ordering::greater)
            << c.newer << " > " << c.older;
    }
}

// The same version again is not newer in the updater's own test.
TEST(UpdateVersionTest, LeadingZerosDoNotCount) {
    EXPECT_EQ(compareVersions("1.01", "1.1"), std::strong_ordering::equal);
    EXPECT_EQ(compareVersions("01.0", "1.0"), std::strong_ordering::equal);
}

} // namespace
} // namespace scribeon
