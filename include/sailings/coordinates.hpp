// sailings: reading and writing a latitude or a longitude as navigators
// write it.
//
// One coordinate is one token (no blanks inside), as on a chart or in a
// pilot book:
//   decimal degrees with an optional sign      -33.9249  +18.4241  151.2093
//   a hemisphere letter before or after        33.9249S  S33.9249  18.4241e
//   degrees, minutes, seconds with marks       33°55.5'S  33d55'30"S  018°25'26.8"E
//     (degrees ° º d, minutes ' ′ ’, seconds " ″ ” or '')
//   or with colons                             33:55:30S  -33:55:30
// A sign before the degrees applies to the whole value (-33:55:30 is
// -33.925). Only the last component may have a decimal point; minutes and
// seconds must be below 60; a plain decimal number may have an exponent.
#pragma once

#include <string>
#include <string_view>

#include "sailings/status.hpp"

namespace sailings {

enum class Axis { latitude, longitude };

// Parses `text` as a coordinate of `axis` into `degrees` (north and east
// positive). Refused, with `degrees` untouched: anything that is not one
// coordinate in the notation above, a latitude with E or W or a longitude
// with N or S, two hemisphere letters, a sign together with a letter, a
// letter with no number, minutes or seconds of 60 or more, and a latitude
// beyond 90 degrees. Longitudes are not limited (the routes fold them).
Status ParseCoordinate(std::string_view text, Axis axis, double& degrees);

enum class CoordinateStyle {
  decimal,  // -33.924900
  dm,       // 33°55.494000'S
  dms,      // 33°55'29.640000"S
};

// `degrees` (finite; longitudes are not folded) in `style`, with `decimals`
// (0 to 12) decimals in the last component, correctly rounded; minutes and
// seconds with two digits (33°05'07.0"S). A value that
// rounds to zero has no sign; in the dm and dms styles it takes N or E.
std::string FormatCoordinate(double degrees, Axis axis, CoordinateStyle style, int decimals);

}  // namespace sailings
