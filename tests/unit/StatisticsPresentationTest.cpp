#include "ui/StatisticsPresentation.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

UserStatistics usage(std::int64_t used, std::int64_t limit,
                     std::optional<std::string> reset = std::nullopt) {
    return UserStatistics{used, limit - used, limit, std::move(reset)};
}

TEST(StatisticsPresentationTest, CountLineBarAndTint) {
    const struct {
        std::int64_t used, limit;
        std::string count, caption;
        bool unlimited, red;
        double fraction;
    } cases[] = {
        {37, -1, "37", "requests this month", true, false, 0},
        {90, 100, "90 / 100", "requests used", false, false, 0.90}, // exactly 90 % stays blue
        {91, 100, "91 / 100", "requests used", false, true, 0.91},
        {5, 0, "5 / 0", "requests used", false, false, 0}, // no allowance: blue, empty bar
        {250, 100, "250 / 100", "requests used", false, true, 1.0},
        {0, -2, "0 / -2", "requests used", false, false, 0}, // only -1 means unlimited
    };
    for (const auto& c : cases) {
        const auto shown = presentStatistics(usage(c.used, c.limit));
        EXPECT_EQ(shown.count, c.count);
        EXPECT_EQ(shown.caption, c.caption) << c.count;
        EXPECT_EQ(shown.unlimited, c.unlimited) << c.count;
        EXPECT_EQ(shown.barIsRed, c.red) << c.count;
        EXPECT_DOUBLE_EQ(shown.barFraction, c.fraction) << c.count;
    }
}

TEST(StatisticsPresentationTest, ResetLineOnlyForADateTimeWithFractionalSeconds) {
    constexpr std::int64_t feb1 = 1738368000000; // 2025-02-01T00:00:00Z
    const struct {
        std::optional<std::string> text;
        std::optional<std::int64_t> at;
    } cases[] = {
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
    for (const auto& c : cases) {
        EXPECT_EQ(presentStatistics(usage(1, 10, c.text)).resetsAt, c.at)
            << c.text.value_or("(none)");
    }
}

TEST(PlanBadgeStyleTest, CapitalizedNameAndColourFromTheLowerCasedName) {
    const struct {
        std::string plan, text;
        PlanColour colour;
    } cases[] = {
        {"pro", "Pro", PlanColour::blue},   {"Unlimited", "Unlimited", PlanColour::purple},
        {"team", "Team", PlanColour::gray}, {"pro plus", "Pro Plus", PlanColour::gray},
        {"", "", PlanColour::gray},
    };
    for (const auto& c : cases) {
        const auto style = planBadgeStyle(c.plan);
        EXPECT_EQ(style.text, c.text);
        EXPECT_EQ(style.colour, c.colour) << c.plan;
    }
}

} // namespace
} // namespace scribeon
