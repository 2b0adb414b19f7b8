#include "sailings/schedule.hpp"

#include <date/date.h>

#include <chrono>
#include <cmath>

namespace sailings {

namespace {

// Reads `count` digits at text[at]; false when any is not a digit.
bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = 10 * value + (text[i] - '0');
  }
  return true;
}

}  // namespace

bool ParseUtcTime(std::string_view text, std::int64_t& seconds, std::string& reason) {
  // YYYY-MM-DDTHH:MM, each field of exactly its digits.
  int year, month, day, hour, minute, second = 0;
  const auto at = [&](std::size_t i, char c) { return i < text.size() && text[i] == c; };
  if (!(Digits(text, 0, 4, year) && at(4, '-') && Digits(text, 5, 2, month) && at(7, '-') &&
        Digits(text, 8, 2, day) && at(10, 'T') && Digits(text, 11, 2, hour) && at(13, ':') &&
        Digits(text, 14, 2, minute))) {
    reason = "not an ISO 8601 time in UTC (e.g. 2027-01-15T06:00Z)";
    return false;
  }
  std::size_t i = 16;
  if (at(i, ':')) {  // seconds, then perhaps a fraction of one
    if (!Digits(text, i + 1, 2, second)) {
      reason = "not an ISO 8601 time in UTC: the seconds need two digits";
      return false;
    }
    i += 3;
    if (at(i, '.') || at(i, ',')) {
      std::size_t end = i + 1;
      while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
      if (end == i + 1) {
        reason = "not an ISO 8601 time in UTC: a fraction of a second needs digits";
        return false;
      }
      i = end;
    }
  }
  const std::string_view zone = text.substr(i);
  if (zone != "Z" && zone != "+00:00") {
    reason = zone.empty() ? "not an ISO 8601 time in UTC: no time zone (Z or +00:00)"
             : (zone[0] == '+' || zone[0] == '-')
                 ? "not an ISO 8601 time in UTC: only UTC is taken (Z or +00:00)"
                 : "not an ISO 8601 time in UTC (e.g. 2027-01-15T06:00Z)";
    return false;
  }
  // Every field within its range, the day within its month.
  const date::year_month_day ymd{date::year(year), date::month(static_cast<unsigned>(month)),
                                 date::day(static_cast<unsigned>(day))};
  const char* wrong = year < 1                  ? "years run from 0001 to 9999"
                      : month < 1 || month > 12 ? "no such month"
                      : !ymd.ok()               ? "no such day in that month"
                      : hour > 23               ? "hours run from 00 to 23"
                      : minute > 59             ? "minutes run from 00 to 59"
                      : second > 59             ? "no leap second can be planned"
                                                : nullptr;
  if (wrong) {
    reason = std::string("not an ISO 8601 time in UTC: ") + wrong;
    return false;
  }
  const auto time = date::sys_days(ymd) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
                    std::chrono::seconds(second);
  seconds = std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
  return true;
}

std::string FormatUtcMinute(double seconds, bool withSeconds) {
  if (!(seconds <= kLastUtcSecond)) seconds = kLastUtcSecond;
  if (!(seconds >= -62135596800.0)) seconds = -62135596800.0;  // 0001-01-01T00:00Z
  const auto minutes = static_cast<std::int64_t>(std::floor(seconds / 60.0 + 0.5));
  const date::sys_time<std::chrono::minutes> time{std::chrono::minutes(minutes)};
  return date::format(withSeconds ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%dT%H:%MZ", time);
}

}  // namespace sailings
