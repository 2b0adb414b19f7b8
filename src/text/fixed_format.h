// Fixed-point decimal text of a double, correctly rounded (as printf's "%.*f"
// or std::to_chars with chars_format::fixed), fast for the table's values.
#pragma once

namespace sailings {

// Writes `value` with `decimals` digits after the point (0 to 12) at `out`,
// which must have room for 400 characters; returns the end of the text.
char* FormatFixed(char* out, double value, int decimals);

// The same, but a value that rounds to zero is written without its sign
// ("0.000000", never "-0.000000"): the number writer of every table, record
// and report.
char* FormatNumber(char* out, double value, int decimals);

// An azimuth or a course (degrees, [0, 360)) as FormatNumber writes it, but a
// value that rounds up to 360 at `decimals` is written as 0: due north reads
// 0, never 360 (the dialogue's tables keep their own 360).
char* FormatAzimuth(char* out, double degrees, int decimals);

}  // namespace sailings
