// The times of a passage at a steady speed: the hours from the departure of
// every row, and with a departure time its time of arrival.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "elliptic/ellipsoid.h"
#include "text/utc_time.h"

namespace sailings {

struct Schedule {
  double knots = 0;                    // speed over ground, > 0
  std::optional<std::int64_t> depart;  // seconds since 1970-01-01T00:00Z

  // Hours to sail `metres` (the row's total distance).
  double Hours(double metres) const { return ToNauticalMiles(metres) / knots; }
  // Its time of arrival, to the minute (needs `depart`).
  std::string Eta(double metres, bool withSeconds = false) const {
    return FormatUtcMinute(static_cast<double>(depart.value_or(0)) + Hours(metres) * 3600.0,
                           withSeconds);
  }
};

}  // namespace sailings
