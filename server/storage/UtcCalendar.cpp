#include "server/storage/UtcCalendar.h"

#include <cstdio>

namespace scribeon::server {

using namespace std::chrono;

std::string isoTimestamp(SystemTime time) {
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{floor<microseconds>(time - day)};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02lld.%06lldZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), long(clock.hours().count()),
                  long(clock.minutes().count()), static_cast<long long>(clock.seconds().count()),
                  static_cast<long long>(clock.subseconds().count()));
    return text;
}

std::optional<SystemTime> parseIsoTimestamp(const std::string& text) {
    int y = 0;
    unsigned mo = 0, d = 0, h = 0, mi = 0, s = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%n", &y, &mo, &d, &h, &mi, &s,
                    &consumed) != 6)
        return std::nullopt;
    const year_month_day date{year{y}, month{mo}, day{d}};
    if (!date.ok() || h > 23 || mi > 59 || s > 60)
        return std::nullopt;
    std::size_t at = static_cast<std::size_t>(consumed);
    microseconds fraction{0};
    if (at < text.size() && text[at] == '.') {
        long long scale = 100000;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
            fraction += microseconds{(text[at] - '0') * scale};
    }
    if (at + 1 != text.size() || text[at] != 'Z')
        return std::nullopt;
    return sys_days{date} + hours{h} + minutes{mi} + seconds{s} + fraction;
}

UtcMonth utcMonthOf(SystemTime time) {
    const year_month_day date{floor<days>(time)};
    char key[16];
    std::snprintf(key, sizeof key, "%04d-%02u", int(date.year()), unsigned(date.month()));
    const year_month next = year_month{date.year(), date.month()} + months{1};
    return {key, sys_days{next / day{1}}};
}

} // namespace scribeon::server
