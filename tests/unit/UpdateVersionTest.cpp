#include "update/UpdateVersion.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// The same version again is not newer in the updater's own test; leading
// zeros do not count.
TEST(UpdateVersionTest, OrdersVersionsAsUpdateFeedsDo) {
    constexpr auto less = std::strong_ordering::less, equal = std::strong_ordering::equal;
    const std::tuple<const char*, const char*, std::strong_ordering> cases[] = {
        {"1.9", "1.10", less},    {"1.0", "1.0.1", less},
        {"2.0b1", "2.0", less},   {"2.0a1", "2.0b1", less},
        {"2.0b1", "2.0b2", less}, {"2.0b9", "2.0b10", less},
        {"1.0a", "1.0.1", less},  {"1.0", "1.0.0.1", less},
        {"", "0", less},          {"99999999999999999999", "100000000000000000000", less},
        {"1.01", "1.1", equal},   {"01.0", "1.0", equal},
    };
    for (const auto& [a, b, order] : cases) {
        EXPECT_EQ(compareVersions(a, b), order) << a << " vs " << b;
        EXPECT_EQ(compareVersions(b, a), 0 <=> order) << b << " vs " << a;
    }
}

} // namespace
} // namespace scribeon
