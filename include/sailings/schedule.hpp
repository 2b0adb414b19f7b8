// sailings: the times of a passage at a steady speed: the hours from the
// departure to every waypoint and, with a departure time, its time of
// arrival. Times are ISO 8601 in UTC, years 0001 to 9999.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sailings {

// Seconds since 1970-01-01T00:00Z of `text`, an ISO 8601 time in UTC:
// YYYY-MM-DDTHH:MM, optionally :SS and then a fraction (.5, .250: dropped,
// the time is kept to the whole second), then Z or +00:00
// (2027-01-15T06:00Z, 2027-01-15T06:00:30.5+00:00). Years 0001 to 9999;
// the month's own days; hours 00 to 23 (24:00 is written 00:00 of the next
// day); no leap second. False with the reason in `reason` ("month 13",
// "there is no 2027-02-30", ...) for anything else. The text's shape and
// every field's range are checked before any calendar arithmetic.
bool ParseUtcTime(std::string_view text, std::int64_t& seconds, std::string& reason);

// `seconds` since 1970 (within the years 1 to 9999) rounded to the minute:
// "2027-01-15T06:00Z", or with `withSeconds` "2027-01-15T06:00:00Z" (the
// form of xsd:dateTime).
std::string FormatUtcMinute(double seconds, bool withSeconds = false);

// The speeds a passage is planned at, knots: a vessel's speed through its
// passage, from a slow drift to a fast craft. A speed outside them is a slip
// of the keyboard or a file's own "unset" (0 is read as no speed).
inline constexpr double kMinSpeedKnots = 0.1;
inline constexpr double kMaxSpeedKnots = 100.0;
inline bool SpeedInRange(double knots) {
  return knots >= kMinSpeedKnots && knots <= kMaxSpeedKnots;
}

// The seconds of 9999-12-31T23:59Z: no time is written beyond it.
inline constexpr double kLastUtcSecond = 253402300740.0;

struct Schedule {
  double knots = 0;                    // speed over ground, knots, > 0
  std::optional<std::int64_t> depart;  // seconds since 1970-01-01T00:00Z

  // Hours to sail `nm` nautical miles.
  double Hours(double nm) const { return nm / knots; }
  // The time of arrival after `nm` nautical miles, to the minute (or the
  // second); needs `depart`.
  std::string Eta(double nm, bool withSeconds = false) const {
    return EtaAfter(Hours(nm), withSeconds);
  }
  // The time `hours` after the departure; needs `depart`.
  std::string EtaAfter(double hours, bool withSeconds = false) const {
    return FormatUtcMinute(static_cast<double>(depart.value_or(0)) + hours * 3600.0, withSeconds);
  }
  // Whether a passage of `nm` ends within the years a calendar can write
  // (before 9999-12-31T23:59Z, and within 10^8 hours).
  bool EndsInTime(double nm) const {
    const double hours = Hours(nm);
    const double end = static_cast<double>(depart.value_or(0)) + hours * 3600.0;
    return hours < 1e8 && end <= kLastUtcSecond;
  }
};

}  // namespace sailings
