#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace scribeon::server {

using SystemTime = std::chrono::system_clock::time_point;

// "2026-12-06T19:40:00.000000Z"
std::string isoTimestamp(SystemTime time);
// Reads the timestamps written above, or "YYYY-MM-DDTHH:MM:SS[.fff]Z".
std::optional<SystemTime> parseIsoTimestamp(const std::string& text);

// The UTC calendar month a moment falls in: its key ("2026-12") and the
// first instant of the next month.
struct UtcMonth {
    std::string key;
    SystemTime nextStart;
};
UtcMonth utcMonthOf(SystemTime time);

} // namespace scribeon::server
