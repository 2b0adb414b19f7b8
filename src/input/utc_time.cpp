#include "input/utc_time.h"

#include <date/date.h>

#include <chrono>
#include <cmath>
#include <sstream>

namespace sailings {

bool ParseUtcTime(std::string_view text, std::int64_t& seconds) {
  if (text.size() > 40) return false;
  for (const char* format : {"%Y-%m-%dT%H:%M:%SZ", "%Y-%m-%dT%H:%MZ", "%Y-%m-%dT%H:%M:%S+00:00",
                             "%Y-%m-%dT%H:%M+00:00"}) {
    std::istringstream in{std::string(text)};
    date::sys_time<std::chrono::seconds> time;
    in >> date::parse(format, time);
    if (in.fail() || in.peek() != std::char_traits<char>::eof()) continue;
    // The fields themselves must be whole and in range (the parser takes
    // 2027-1-5T6:0Z and 24:00 as it finds them).
    if (text.size() < 17 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':') {
      return false;
    }
    const auto day = date::floor<date::days>(time);
    const date::year_month_day ymd(day);
    if (!ymd.ok() || ymd.year() < date::year(1) || ymd.year() > date::year(9999)) return false;
    seconds = time.time_since_epoch().count();
    return true;
  }
  return false;
}

std::string FormatUtcMinute(double seconds, bool withSeconds) {
  if (!(seconds <= kLastUtcSecond)) seconds = kLastUtcSecond;
  if (!(seconds >= -62135596800.0)) seconds = -62135596800.0;  // 0001-01-01T00:00Z
  const auto minutes = static_cast<std::int64_t>(std::floor(seconds / 60.0 + 0.5));
  const date::sys_time<std::chrono::minutes> time{std::chrono::minutes(minutes)};
  return date::format(withSeconds ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%dT%H:%MZ", time);
}

}  // namespace sailings
