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
  degrees,  // 34°S: a chart's label (no letter on the equator, 0° and 180°)
  decimal,  // -33.924900
  dm,       // 33°55.494000'S
  dms,      // 33°55'29.640000"S
};

// `degrees` (finite; longitudes are not folded) in `style`, with `decimals`
// (0 to 12) decimals in the last component, correctly rounded; minutes and
// seconds with two digits (33°05'07.0"S). A value that
// rounds to zero has no sign; in the dm and dms styles it takes N or E.
std::string FormatCoordinate(double degrees, Axis axis, CoordinateStyle style, int decimals);

// A position in few characters, "54.8S 68.3W": degrees with `decimals`
// (0 to 12) decimals and the hemisphere letter of the value's sign each
// (0.04 degrees south of the equator reads "0.0S"), the longitude folded
// into [-180, 180]. For messages.
std::string FormatPositionShort(double lat, double lon, int decimals = 1);

// One token, as ParseCoordinate but with no range test (a latitude of 100 is
// returned as such): the location list and the command line read one token
// per coordinate.
Status ParseCoordinateToken(std::string_view token, Axis axis, double& degrees);

// The separators of the fields of a typed coordinate.
inline constexpr std::string_view kCoordinateSeparators = " ,:/";

// A coordinate typed at the console: up to three fields (degrees, minutes,
// seconds), each carrying its own sign, divided by " ,:/"; a field may also
// carry marks and a hemisphere letter (33°55.5'S), and a hemisphere letter
// may stand as a field of its own (33 55 30 S). A field that is neither a
// number nor a hemisphere letter counts as 0 but takes its slot; fields
// after the third are ignored; a sum beyond the range of a double is 0.
// Refused: the faults of the token notation that apply to fields (letters,
// signs with letters, minutes or seconds of 60 or more).
Status ParseTypedCoordinate(std::string_view text, Axis axis, double& degrees);

}  // namespace sailings
