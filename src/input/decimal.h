// The one number grammar of every text the program reads (the location list,
// typed coordinates, leg distances): an optional sign, digits with an optional
// decimal point and fraction, and an optional exponent. No hexadecimal, no
// "nan", no "inf".
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace sailings {

// Converts the longest beginning of `text` that forms a decimal number and
// stores its length in `used`. Returns nothing when the text does not begin
// with a number (used = 0) or when the number is beyond the range of a double
// (used = its length): no result is ever infinite or not a number.
std::optional<double> ParseDecimalPrefix(std::string_view text, std::size_t& used);

}  // namespace sailings
