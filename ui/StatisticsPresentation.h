#pragma once

#include "wire/Records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scribeon {

enum class PlanColour { blue, purple, gray };

// What the usage block of the tray panel shows for one account.
struct StatisticsPresentation {
    std::string count;   // "12 / 100", or "37" on an unlimited plan
    std::string caption; // "requests used" / "requests this month"
    bool unlimited = false;
    double barFraction = 0;               // 0 … 1; a finite plan only
    bool barIsRed = false;                // past 90 % of a finite allowance
    std::optional<std::int64_t> resetsAt; // ms since the epoch, when the date parses
};

inline constexpr std::string_view usageTitle = "Usage";
inline constexpr std::string_view unlimitedLabel = "Unlimited";
inline constexpr std::string_view resetsOnPrefix = "Resets on ";

StatisticsPresentation presentStatistics(const UserStatistics& statistics);

struct PlanBadgeStyle {
    std::string text; // each word capitalized
    PlanColour colour;
};

PlanBadgeStyle planBadgeStyle(std::string_view plan);

// An internet date-time with fractional seconds and a zone
// ("2025-02-01T00:00:00.000Z", "…T01:00:00.5+01:00") as ms since the epoch;
// absent for anything else, a date-time without fractional seconds included.
std::optional<std::int64_t> parseDateTimeWithFraction(std::string_view text);

} // namespace scribeon
