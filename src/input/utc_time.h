// Times of the passage plan: ISO 8601 in UTC, read and written with Howard
// Hinnant's date library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sailings {

// Seconds since 1970-01-01T00:00Z of `text`, an ISO 8601 time in UTC:
// YYYY-MM-DDTHH:MM, optionally :SS, then Z or +00:00 (2027-01-15T06:00Z).
// False for anything else, and for years outside 1 to 9999.
bool ParseUtcTime(std::string_view text, std::int64_t& seconds);

// `seconds` since 1970 (within the years 1 to 9999) rounded to the minute:
// "2027-01-15T06:00Z", or with `withSeconds` "2027-01-15T06:00:00Z" (the
// form of xsd:dateTime).
std::string FormatUtcMinute(double seconds, bool withSeconds = false);

// The seconds of 9999-12-31T23:59Z: no time is written beyond it.
inline constexpr double kLastUtcSecond = 253402300740.0;

}  // namespace sailings
