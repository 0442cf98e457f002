#include "ui/StatisticsPresentation.h"

#include "base/UnicodeText.h"

#include <algorithm>
#include <cctype>

namespace scribeon {

namespace {

constexpr std::int64_t unlimitedPlan = -1;
constexpr double redThreshold = 0.9;

// Reads exactly `digits` decimal digits at `at`, advancing it.
std::optional<int> readNumber(std::string_view text, std::size_t& at, std::size_t digits) {
    if (at + digits > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[at + i];
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    at += digits;
    return value;
}

bool expect(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
std::int64_t daysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<std::int64_t>(year - era * 400);
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Milliseconds from the fraction's digits (at least one).
std::optional<std::int64_t> readFraction(std::string_view text, std::size_t& at) {
    const std::size_t start = at;
    std::int64_t millis = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        if (at - start < 3)
            millis = millis * 10 + (text[at] - '0');
        ++at;
    }
    if (at == start)
        return std::nullopt;
    for (std::size_t i = at - start; i < 3; ++i)
        millis *= 10;
    return millis;
}

// The zone's offset east of UTC in minutes.
std::optional<int> readZone(std::string_view text, std::size_t& at) {
    if (expect(text, at, 'Z'))
        return 0;
    if (at >= text.size() || (text[at] != '+' && text[at] != '-'))
        return std::nullopt;
    const int sign = text[at++] == '-' ? -1 : 1;
    const auto hours = readNumber(text, at, 2);
    if (!hours || !expect(text, at, ':'))
        return std::nullopt;
    const auto minutes = readNumber(text, at, 2);
    if (!minutes || *hours > 23 || *minutes > 59)
        return std::nullopt;
    return sign * (*hours * 60 + *minutes);
}

} // namespace

std::optional<std::int64_t> parseDateTimeWithFraction(std::string_view text) {
    std::size_t at = 0;
    const auto year = readNumber(text, at, 4);
    if (!year || !expect(text, at, '-'))
        return std::nullopt;
    const auto month = readNumber(text, at, 2);
    if (!month || *month < 1 || *month > 12 || !expect(text, at, '-'))
        return std::nullopt;
    const auto day = readNumber(text, at, 2);
    if (!day || *day < 1 || *day > daysInMonth(*year, *month) || !expect(text, at, 'T'))
        return std::nullopt;
    const auto hour = readNumber(text, at, 2);
    if (!hour || *hour > 23 || !expect(text, at, ':'))
        return std::nullopt;
    const auto minute = readNumber(text, at, 2);
    if (!minute || *minute > 59 || !expect(text, at, ':'))
        return std::nullopt;
    const auto second = readNumber(text, at, 2);
    if (!second || *second > 59 || !expect(text, at, '.'))
        return std::nullopt;
    const auto millis = readFraction(text, at);
    const auto zone = millis ? readZone(text, at) : std::nullopt;
    if (!zone || at != text.size())
        return std::nullopt;
    const std::int64_t seconds = daysFromCivil(*year, *month, *day) * 86400 +
                                 std::int64_t{*hour} * 3600 + std::int64_t{*minute} * 60 + *second -
                                 std::int64_t{*zone} * 60;
    return seconds * 1000 + *millis;
}

StatisticsPresentation presentStatistics(const UserStatistics& statistics) {
    StatisticsPresentation shown;
    shown.unlimited = statistics.monthlyLimit == unlimitedPlan;
    if (shown.unlimited) {
        shown.count = std::to_string(statistics.monthlyUsage);
        shown.caption = "requests this month";
    } else {
        shown.count = std::to_string(statistics.monthlyUsage) + " / " +
                      std::to_string(statistics.monthlyLimit);
        shown.caption = "requests used";
        if (statistics.monthlyLimit >= 1) {
            const double used = static_cast<double>(statistics.monthlyUsage) /
                                static_cast<double>(statistics.monthlyLimit);
            shown.barFraction = std::clamp(used, 0.0, 1.0);
            shown.barIsRed = used > redThreshold;
        }
    }
    if (statistics.nextResetDate)
        shown.resetsAt = parseDateTimeWithFraction(*statistics.nextResetDate);
    return shown;
}

PlanBadgeStyle planBadgeStyle(std::string_view plan) {
    PlanBadgeStyle style{capitalizedWords(plan), PlanColour::gray};
    std::string lower(plan);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "pro")
        style.colour = PlanColour::blue;
    else if (lower == "unlimited")
        style.colour = PlanColour::purple;
    return style;
}

} // namespace scribeon
