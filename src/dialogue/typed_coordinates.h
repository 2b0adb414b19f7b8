// Typed coordinates of the dialogue: one latitude or longitude in decimal
// degrees, degrees and decimal minutes, or degrees, minutes and decimal
// seconds, the fields divided by blanks, commas, colons or slashes, each
// field with its own sign; or with a hemisphere letter (33 55 30 S, 33°55.5'S).
#pragma once

#include <string_view>

#include "sailings/coordinates.hpp"

namespace sailings {

// The typed answer `text` as degrees of `axis` (see ParseTypedCoordinate):
// degrees + minutes / 60 + seconds / 3600 from the first three fields, never
// infinite or not a number. A refusal leaves `degrees` unchanged.
Status degconverter(std::string_view text, Axis axis, double& degrees);

}  // namespace sailings
