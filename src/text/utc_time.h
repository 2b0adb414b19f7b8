// Times of the passage plan: ISO 8601 in UTC. The text's shape and every
// field's range are checked here, digit by digit, before any calendar
// arithmetic (Howard Hinnant's date library) sees a number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sailings {

// Seconds since 1970-01-01T00:00Z of `text`, an ISO 8601 time in UTC:
// YYYY-MM-DDTHH:MM, optionally :SS and then a fraction (.5, .250: dropped,
// the time is kept to the whole second), then Z or +00:00
// (2027-01-15T06:00Z, 2027-01-15T06:00:30.5+00:00). Years 0001 to 9999;
// the month's own days; hours 00 to 23 (24:00 is written 00:00 of the next
// day); no leap second. False with the reason in `reason` ("month 13",
// "there is no 2027-02-30", ...) for anything else.
bool ParseUtcTime(std::string_view text, std::int64_t& seconds, std::string& reason);

// `seconds` since 1970 (within the years 1 to 9999) rounded to the minute:
// "2027-01-15T06:00Z", or with `withSeconds` "2027-01-15T06:00:00Z" (the
// form of xsd:dateTime).
std::string FormatUtcMinute(double seconds, bool withSeconds = false);

// The seconds of 9999-12-31T23:59Z: no time is written beyond it.
inline constexpr double kLastUtcSecond = 253402300740.0;

}  // namespace sailings
