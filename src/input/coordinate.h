// The one coordinate reader of every face: the location list and the command
// line read one token per coordinate; the dialogue reads an answer made of
// fields divided by blanks, commas, colons or slashes. The notation itself is
// stated in include/sailings/coordinates.hpp.
#pragma once

#include <string_view>

#include "sailings/coordinates.hpp"

namespace sailings {

// One token. No range test (a latitude of 100 is returned as such).
Status ParseCoordinateToken(std::string_view token, Axis axis, double& degrees);

// The separators of the fields of a typed coordinate.
inline constexpr std::string_view kCoordinateSeparators = " ,:/";

// A typed answer of the dialogue: up to three fields (degrees, minutes,
// seconds), each carrying its own sign, divided by " ,:/"; a field may also
// carry marks and a hemisphere letter (33°55.5'S), and a hemisphere letter
// may stand as a field of its own (33 55 30 S). A field that is neither a
// number nor a hemisphere letter counts as 0 but takes its slot; fields
// after the third are ignored; a sum beyond the range of a double is 0.
// Refused: the faults of the token notation that apply to fields (letters,
// signs with letters, minutes or seconds of 60 or more).
Status ParseTypedCoordinate(std::string_view text, Axis axis, double& degrees);

}  // namespace sailings
