// Typed coordinates: one latitude or longitude in decimal degrees, degrees and
// decimal minutes, or degrees, minutes and decimal seconds, the fields divided
// by blanks, commas, colons or slashes.
#pragma once

#include <string_view>

namespace sailings {

// The separators of the fields of a typed coordinate.
inline constexpr std::string_view kCoordinateSeparators = " ,:/";

// degrees + minutes / 60 + seconds / 3600 from the first three fields; each
// field carries its own sign, a field that does not begin with a number (or
// whose number is out of the range of a double) counts as 0 but takes its
// slot, fields after the third are ignored. Never infinite or not a number.
double DegreesFromText(std::string_view text);

// The same for a zero-terminated buffer, which it splits in place (the
// separators are overwritten with zeros).
double degconverter(char* text);

}  // namespace sailings
