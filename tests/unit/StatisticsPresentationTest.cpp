#include "ui/StatisticsPresentation.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

UserStatistics usage(std::int64_t used, std::int64_t limit,
                     std::optional<std::string> reset = std::nullopt) {
    return UserStatistics{used, limit - used, limit, std::move(reset)};
}

// Count, caption, unlimited, red bar and the bar's fraction.
TEST(StatisticsPresentationTest, CountLineBarAndTint) {
    using Shown = std::tuple<std::string, std::string, bool, bool, double>;
    const std::tuple<std::int64_t, std::int64_t, Shown> cases[] = {
        {37, -1, {"37", "requests this month", true, false, 0}},
        {90, 100, {"90 / 100", "requests used", false, false, 0.90}}, // exactly 90 % stays blue
        {91, 100, {"91 / 100", "requests used", false, true, 0.91}},
        {5, 0, {"5 / 0", "requests used", false, false, 0}}, // no allowance: blue, empty bar
        {250, 100, {"250 / 100", "requests used", false, true, 1.0}},
        {0, -2, {"0 / -2", "requests used", false, false, 0}}, // only -1 means unlimited
    };
    for (const auto& [used, limit, expected] : cases) {
        const auto s = presentStatistics(usage(used, limit));
        EXPECT_EQ(Shown(s.count, s.caption, s.unlimited, s.barIsRed, s.barFraction), expected);
    }
}

TEST(StatisticsPresentationTest, ResetLineOnlyForADateTimeWithFractionalSeconds) {
    constexpr std::int64_t feb1 = 1738368000000; // 2025-02-01T00:00:00Z
    const std::pair<std::optional<std::string>, std::optional<std::int64_t>> cases[] = {
        {"2025-02-01T00:00:00.5Z", feb1 + 500},
        {"2025-02-01T00:00:00.123456Z", feb1 + 123},
        {"2025-02-01T01:00:00.000+01:00", feb1},
        {"2024-02-29T00:00:00.000Z", 1709164800000},
        {"2025-02-01T00:00:00Z", std::nullopt},    // no fractional seconds
        {"2025-02-01T00:00:00.000", std::nullopt}, // no zone
        {"2025-02-29T00:00:00.000Z", std::nullopt},
        {"2025-02-01T00:00:00.000Z trailing", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& [text, at] : cases)
        EXPECT_EQ(presentStatistics(usage(1, 10, text)).resetsAt, at) << text.value_or("(none)");
}

TEST(PlanBadgeStyleTest, CapitalizedNameAndColourFromTheLowerCasedName) {
    const std::tuple<std::string, std::string, PlanColour> cases[] = {
        {"pro", "Pro", PlanColour::blue},   {"Unlimited", "Unlimited", PlanColour::purple},
        {"team", "Team", PlanColour::gray}, {"pro plus", "Pro Plus", PlanColour::gray},
        {"", "", PlanColour::gray},
    };
    for (const auto& [plan, text, colour] : cases) {
        const auto style = planBadgeStyle(plan);
        EXPECT_EQ(std::pair(style.text, style.colour), std::pair(text, colour)) << plan;
    }
}

} // namespace
} // namespace scribeon
