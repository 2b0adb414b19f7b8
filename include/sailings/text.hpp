// sailings: numbers and text as every face reads and writes them.
//
// One number grammar for everything read (the location list, typed
// coordinates, leg distances, speeds, counts): an optional sign, digits with
// an optional decimal point and fraction, and an optional exponent; no
// hexadecimal, no "nan", no "inf". One number writer for everything written:
// fixed-point, correctly rounded, never an exponent, never "nan".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sailings {

// Converts the longest beginning of `text` that forms a decimal number and
// stores its length in `used`. Returns nothing when the text does not begin
// with a number (used = 0) or when the number is beyond the range of a double
// (used = its length): no result is ever infinite or not a number.
std::optional<double> ParseDecimalPrefix(std::string_view text, std::size_t& used);

// The whole of `text` as a decimal number, or nothing.
std::optional<double> ParseDecimal(std::string_view text);

// The buffer the number writers need: the widest finite double with 12
// decimals fits.
inline constexpr std::size_t kNumberBuffer = 400;

// Fixed-point decimal text of a finite `value` with `decimals` digits after
// the point (0 to 12), correctly rounded (as printf's "%.*f"), written at
// `out` (room for kNumberBuffer characters); returns the end of the text.
char* FormatFixed(char* out, double value, int decimals);
// The same, but a value that rounds to zero is written without its sign
// ("0.000000", never "-0.000000"): the number writer of every table, record
// and report.
char* FormatNumber(char* out, double value, int decimals);
// An azimuth or a course (degrees, [0, 360)) as FormatNumber writes it, but a
// value that rounds up to 360 at `decimals` is written as 0: due north reads
// 0, never 360.
char* FormatAzimuth(char* out, double degrees, int decimals);

// The same, with at most `decimals` digits after the point: trailing zeros
// (and a point left last) dropped, as maps write coordinates.
char* FormatTrimmed(char* out, double value, int decimals);
// The same as strings.
std::string FixedText(double value, int decimals);
std::string NumberText(double value, int decimals);
std::string AzimuthText(double degrees, int decimals);

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t i);

// The bytes of the character at text[i] that no output shows as they are
// (each becomes one '?'): a byte that is not UTF-8, a C0 or C1 control
// character or DEL, a bidirectional embedding, override or isolate
// (U+202A-U+202E, U+2066-U+2069); 0 for any other character.
std::size_t HiddenLength(std::string_view text, std::size_t i);

// `text` for a terminal or a message: the characters HiddenLength() names
// shown as '?', cut after `limit` bytes with "..." added.
std::string PrintableText(std::string_view text, std::size_t limit = 60);

// Text for an XML element or attribute: & < > " ' escaped, control
// characters and bytes that are not UTF-8 replaced by '?' (uncut).
std::string XmlText(const std::string& text);
// A JSON string, quotes included: " and \\ escaped, control characters and
// bytes that are not UTF-8 replaced by '?' (uncut).
std::string JsonText(std::string_view text);

}  // namespace sailings
