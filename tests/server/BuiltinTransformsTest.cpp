#include "server/processors/BuiltinTransforms.h"
#include "server/storage/UtcCalendar.h"

#include <gtest/gtest.h>

namespace scribeon::server {
namespace {

TEST(BuiltinTransformsTest, EachTransformOnTypicalAndAwkwardText) {
    const struct {
        const char* transform;
        std::string input;
        std::string expected;
    } cases[] = {
        {"fix-sentences", "hello   world .this is  fine ,right?yes",
         "Hello world. This is fine, right? Yes"},
        {"fix-sentences", "pi is 3.14 ok,see e.g. example.com",
         "Pi is 3.14 ok, see e.g. example.com"},
        {"fix-sentences", "done.Next one!and more", "Done. Next one! And more"},
        {"fix-sentences", "first line\nsecond line", "First line\nsecond line"},
        {"fix-sentences", "\xC3\xA9t\xC3\xA9 ici. \xC3\xA0 bient\xC3\xB4t",
         "\xC3\x89t\xC3\xA9 ici. \xC3\x80 bient\xC3\xB4t"},
        {"lower-case", "\xC3\x89T\xC3\x89 ABC", "\xC3\xA9t\xC3\xA9 abc"},
        {"title-case", "the QUICK brown-fox o'neil", "The Quick Brown-Fox O'neil"},
        {"sort-lines", "pear\napple\nfig\n", "apple\nfig\npear\n"},
        {"remove-duplicate-lines", "a\nb\na\n\nb\n", "a\nb\n\n"},
        {"trim-trailing-space", "a  \r\nb\t\n  \nc ", "a\r\nb\n\nc"},
        {"reverse-lines", "1\n2\n3", "3\n2\n1"},
        {"upper-case", "\xF0\x9F\x91\x8D ok", "\xF0\x9F\x91\x8D OK"},
        {"upper-case", "a\xFF", "A\xEF\xBF\xBD"}, // invalid bytes become U+FFFD
    };
    for (const auto& c : cases) {
        const auto* transform = findBuiltinTransform(c.transform);
        ASSERT_NE(transform, nullptr) << c.transform;
        EXPECT_EQ(transform->apply(c.input), c.expected) << c.transform << ": " << c.input;
    }
}

// Stored timestamps are read back exactly; anything else is no time at all.
TEST(UtcCalendarTest, TimestampsRoundTripAndMalformedOnesAreRefused) {
    using namespace std::chrono;
    const SystemTime moment =
        sys_days{year{2026} / 7 / 4} + hours{9} + minutes{5} + seconds{7} + microseconds{1234};
    EXPECT_EQ(parseIsoTimestamp(isoTimestamp(moment)), moment);
    EXPECT_EQ(parseIsoTimestamp("2026-07-04T09:05:07Z"), moment - microseconds{1234});
    for (const char* bad : {"", "2026-13-01T00:00:00Z", "2026-02-30T00:00:00Z",
                            "2026-07-04 09:05:07", "2026-07-04T09:05:07+02:00"})
        EXPECT_FALSE(parseIsoTimestamp(bad)) << bad;
}

} // namespace
} // namespace scribeon::server
