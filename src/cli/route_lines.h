// The lines of `sailings route` on standard input: four coordinates
//   LAT1 LON1 LAT2 LON2
// divided by blanks, tabs or commas, each in the navigator's notation.
#pragma once

#include <string>
#include <string_view>

namespace sailings {

// True for a line of nothing but blanks, tabs and a final carriage return:
// such lines give no output line.
bool IsBlankRouteLine(std::string_view line);

// Reads one line (without its line feed; a final carriage return is
// dropped) into degrees[0..3]; false with a one-line reason, which quotes
// the offending token printably, when it cannot be read.
bool ReadRouteLine(std::string_view line, double degrees[4], std::string& reason);

}  // namespace sailings
