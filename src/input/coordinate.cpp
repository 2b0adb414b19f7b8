#include "sailings/coordinates.hpp"

#include <cmath>
#include <cstdint>
#include <string>

#include "sailings/text.hpp"

namespace sailings {

namespace {

enum Mark { kNoMark = -1, kDegreeMark = 0, kMinuteMark = 1, kSecondMark = 2, kColon = 3 };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The hemisphere of a letter, upper case, or 0.
char Hemisphere(char c) {
  switch (c) {
    case 'N':
    case 'n': return 'N';
    case 'S':
    case 's': return 'S';
    case 'E':
    case 'e': return 'E';
    case 'W':
    case 'w': return 'W';
    default: return 0;
  }
}

bool StartsWith(std::string_view s, std::size_t i, std::string_view prefix) {
  return s.substr(i, prefix.size()) == prefix;
}

// The mark at s[i] and its length in bytes (0 when there is none). Two
// apostrophes are a seconds mark.
std::size_t MatchMark(std::string_view s, std::size_t i, Mark& mark) {
  mark = kNoMark;
  if (i >= s.size()) return 0;
  switch (s[i]) {
    case 'd':
    case 'D': mark = kDegreeMark; return 1;
    case ':': mark = kColon; return 1;
    case '"': mark = kSecondMark; return 1;
    case '\'':
      if (StartsWith(s, i, "''")) {
        mark = kSecondMark;
        return 2;
      }
      mark = kMinuteMark;
      return 1;
    default: break;
  }
  static const struct {
    const char* utf8;
    Mark mark;
  } kMarks[] = {{"\u00b0", kDegreeMark}, {"\u00ba", kDegreeMark}, {"\u2032", kMinuteMark},
                {"\u2019", kMinuteMark}, {"\u2033", kSecondMark}, {"\u201d", kSecondMark}};
  for (const auto& m : kMarks) {
    if (StartsWith(s, i, m.utf8)) {
      mark = m.mark;
      return std::string_view(m.utf8).size();
    }
  }
  return 0;
}

Status CheckHemisphere(char hemisphere, Axis axis) {
  if (axis == Axis::latitude && (hemisphere == 'E' || hemisphere == 'W')) {
    return Status::latitude_with_e_or_w;
  }
  if (axis == Axis::longitude && (hemisphere == 'N' || hemisphere == 'S')) {
    return Status::longitude_with_n_or_s;
  }
  return Status::ok;
}

bool MinutesOrSecondsTooLarge(const double slots[3]) {
  return !(std::fabs(slots[1]) < 60.0) || !(std::fabs(slots[2]) < 60.0);
}

// degrees + minutes / 60 + seconds / 3600, in the order of operations the
// dialogue has always used, so that every face gives the same double.
double Sum(const double slots[3]) { return (slots[1] / 60.0 + slots[0]) + slots[2] / 3600.0; }

// An unsigned decimal number at s[i]: digits with an optional point and
// fraction, and an exponent where `exponent` allows. Advances i.
Status ReadUnsigned(std::string_view s, std::size_t& i, bool exponent, double& value, bool& point) {
  std::size_t j = i;
  while (j < s.size() && IsDigit(s[j])) ++j;
  point = j < s.size() && s[j] == '.';
  if (point) {
    ++j;
    while (j < s.size() && IsDigit(s[j])) ++j;
  }
  if (j == i + (point ? 1 : 0)) return Status::not_a_number;  // no digit
  if (exponent && j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    std::size_t k = j + 1;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    if (k < s.size() && IsDigit(s[k])) {  // otherwise the letter is a hemisphere
      while (k < s.size() && IsDigit(s[k])) ++k;
      j = k;
    }
  }
  std::size_t used = 0;
  const std::optional<double> number = ParseDecimalPrefix(s.substr(i, j - i), used);
  if (!number) return Status::number_out_of_range;
  value = *number;
  i = j;
  return Status::ok;
}

}  // namespace

Status ParseCoordinateToken(std::string_view s, Axis axis, double& degrees) {
  std::size_t i = 0;
  char hemisphere = 0, sign = 0;
  if (i < s.size() && Hemisphere(s[i])) hemisphere = Hemisphere(s[i++]);
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (hemisphere) return Status::sign_and_hemisphere;
    sign = s[i++];
  }
  double slots[3] = {0.0, 0.0, 0.0};
  int components = 0, next = 0;  // next: the slot an unmarked component takes
  bool colons = false, marks = false, lastHadPoint = false;
  for (;;) {
    if (i >= s.size() || !(IsDigit(s[i]) || s[i] == '.')) {
      if (components > 0) return Status::unexpected_text;  // "33:" wants a component
      if (i == s.size() && hemisphere) return Status::hemisphere_without_number;
      if (i < s.size() && Hemisphere(s[i])) {
        return hemisphere ? Status::two_hemispheres : Status::hemisphere_without_number;
      }
      return Status::not_a_number;
    }
    if (lastHadPoint) return Status::decimal_point_not_last;
    double value = 0;
    const Status read = ReadUnsigned(s, i, components == 0, value, lastHadPoint);
    if (read != Status::ok) return read;
    Mark mark;
    i += MatchMark(s, i, mark);
    int slot = next;
    if (mark == kColon) {
      if (marks) return Status::marks_out_of_order;
      colons = true;
    } else if (mark != kNoMark) {
      if (colons || mark < next) return Status::marks_out_of_order;
      marks = true;
      slot = mark;
    }
    if (slot > 2) return Status::unexpected_text;
    slots[slot] = value;
    next = slot + 1;
    ++components;
    if (mark == kNoMark) break;
    if (mark == kColon) continue;  // another component must follow
    if (i >= s.size() || !(IsDigit(s[i]) || s[i] == '.')) break;
  }
  if (i < s.size() && Hemisphere(s[i])) {
    if (hemisphere) return Status::two_hemispheres;
    if (sign) return Status::sign_and_hemisphere;
    hemisphere = Hemisphere(s[i++]);
    if (i < s.size() && Hemisphere(s[i])) return Status::two_hemispheres;
  }
  if (i != s.size()) {
    return IsDigit(s[i]) || s[i] == '.' ? Status::decimal_point_not_last : Status::unexpected_text;
  }
  const Status letter = CheckHemisphere(hemisphere, axis);
  if (letter != Status::ok) return letter;
  if (MinutesOrSecondsTooLarge(slots)) return Status::minutes_or_seconds_60;
  double value = Sum(slots);
  if (!std::isfinite(value)) return Status::number_out_of_range;
  if (sign == '-' || hemisphere == 'S' || hemisphere == 'W') value = -value;
  degrees = value;
  return Status::ok;
}

Status ParseTypedCoordinate(std::string_view text, Axis axis, double& degrees) {
  double slots[3] = {0.0, 0.0, 0.0};
  int next = 0;
  char hemisphere = 0;
  bool signed_ = false, number = false, twoLetters = false;
  const auto letter = [&](char h) {
    if (hemisphere) twoLetters = true;
    hemisphere = h;
  };
  std::size_t i = 0;
  for (;;) {
    i = text.find_first_not_of(kCoordinateSeparators, i);
    if (i == std::string_view::npos) break;
    std::size_t end = text.find_first_of(kCoordinateSeparators, i);
    if (end == std::string_view::npos) end = text.size();
    std::string_view field = text.substr(i, end - i);
    i = end;
    // White space that is no separator (tabs, a carriage return) around a field.
    std::size_t j = field.find_first_not_of("\t\r\v\f\n");
    if (j == std::string_view::npos) j = field.size();
    field.remove_prefix(j);
    const std::size_t last = field.find_last_not_of("\t\r\v\f\n");
    field.remove_suffix(last == std::string_view::npos ? field.size() : field.size() - last - 1);
    if (field.size() == 1 && Hemisphere(field[0])) {  // a letter of its own
      letter(Hemisphere(field[0]));
      continue;
    }
    std::size_t k = 0;
    if (field.size() > 1 && Hemisphere(field[0]) &&
        (IsDigit(field[1]) || field[1] == '.')) {  // S33
      letter(Hemisphere(field[0]));
      k = 1;
    }
    // The first component carries the field's own sign; marks may join more.
    std::size_t used = 0;
    const std::optional<double> first = ParseDecimalPrefix(field.substr(k), used);
    if (!first) {
      if (next < 3) slots[next] = 0.0;
      ++next;
      continue;
    }
    number = true;
    signed_ = signed_ || field[k] == '+' || field[k] == '-';
    double value = *first;
    k += used;
    for (;;) {
      Mark mark;
      const std::size_t length = MatchMark(field, k, mark);
      const int slot = mark >= kDegreeMark && mark <= kSecondMark && mark >= next ? mark : next;
      if (slot < 3) slots[slot] = value;
      next = slot + 1;
      if (mark == kNoMark || mark == kColon) break;
      k += length;
      if (k >= field.size() || !(IsDigit(field[k]) || field[k] == '.')) break;
      const std::optional<double> more = ParseDecimalPrefix(field.substr(k), used);
      if (!more) break;
      value = *more;
      k += used;
    }
    if (k + 1 == field.size() && Hemisphere(field[k])) letter(Hemisphere(field[k]));  // 30S
  }
  if (MinutesOrSecondsTooLarge(slots)) return Status::minutes_or_seconds_60;
  if (hemisphere) {
    if (twoLetters) return Status::two_hemispheres;
    const Status wrong = CheckHemisphere(hemisphere, axis);
    if (wrong != Status::ok) return wrong;
    if (signed_) return Status::sign_and_hemisphere;
    if (!number) return Status::hemisphere_without_number;
  }
  double value = Sum(slots);
  // Three fields near the largest double can still sum beyond it.
  if (!std::isfinite(value)) value = 0.0;
  degrees = hemisphere == 'S' || hemisphere == 'W' ? -value : value;
  return Status::ok;
}

Status ParseCoordinate(std::string_view text, Axis axis, double& degrees) {
  double value = 0;
  const Status status = ParseCoordinateToken(text, axis, value);
  if (status != Status::ok) return status;
  if (axis == Axis::latitude && !(std::fabs(value) <= 90.0)) return Status::latitude_beyond_90;
  degrees = value;
  return Status::ok;
}

std::string FormatCoordinate(double degrees, Axis axis, CoordinateStyle style, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 12) decimals = 12;
  if (!std::isfinite(degrees)) degrees = 0.0;
  char text[480];
  if (style == CoordinateStyle::degrees) {
    // A letter for the side; none on the equator or the meridians 0 and 180,
    // which divide the hemispheres.
    const std::string number = NumberText(std::fabs(degrees), decimals);
    const double rounded = std::stod(number);
    const bool dividing = rounded == 0 || (axis == Axis::longitude && rounded == 180);
    if (dividing) return number + "\u00b0";
    const bool negative = degrees < 0;
    return number + "\u00b0" +
           (axis == Axis::latitude ? (negative ? 'S' : 'N') : (negative ? 'W' : 'E'));
  }
  if (style == CoordinateStyle::decimal) {
    char* end = FormatFixed(text, degrees, decimals);
    std::string out(text, end);
    if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return out;
  }
  // The whole value in units of the last decimal of the last component,
  // rounded once, then split: no 60 can appear in a minutes or seconds cell.
  const double perDegree = style == CoordinateStyle::dm ? 60.0 : 3600.0;
  const double scale = std::pow(10.0, decimals);
  const double magnitude = std::fabs(degrees);
  std::string out;
  const long double units = std::nearbyint(static_cast<long double>(magnitude) * perDegree * scale);
  if (units < 9.0e15L) {
    auto u = static_cast<std::uint64_t>(units);
    const auto unitsPerLast = static_cast<std::uint64_t>(scale);  // per minute (dm), second (dms)
    const std::uint64_t last = u % (60 * unitsPerLast);
    const std::uint64_t whole = u / (60 * unitsPerLast);  // degrees (dm) or minutes (dms)
    std::uint64_t deg = whole, min = 0;
    if (style == CoordinateStyle::dms) deg = whole / 60, min = whole % 60;
    // Minutes and seconds are written with two digits, as on charts (33°05').
    const auto twoDigits = [](std::uint64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    out = std::to_string(deg) + "\u00b0";
    if (style == CoordinateStyle::dms) out += twoDigits(min) + "'";
    std::string cell = twoDigits(last / unitsPerLast);
    if (decimals > 0) {
      std::string fraction = std::to_string(last % unitsPerLast);
      cell +=
          "." + std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0') + fraction;
    }
    out += cell + (style == CoordinateStyle::dm ? "'" : "\"");
    const bool zero = units == 0;
    const bool negative = degrees < 0 && !zero;
    out += axis == Axis::latitude ? (negative ? 'S' : 'N') : (negative ? 'W' : 'E');
    return out;
  }
  // Beyond the exact integers of the split: decimal degrees with a letter.
  char* end = FormatFixed(text, magnitude, decimals);
  out.assign(text, end);
  out += "\u00b0";
  out += axis == Axis::latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
  return out;
}

}  // namespace sailings

namespace sailings {

std::string FormatPositionShort(double lat, double lon, int decimals) {
  // The hemisphere of the value's sign, even where the figure reads 0.0: a
  // crossing 0.04 degrees south of the equator is "0.0S".
  const auto part = [decimals](double degrees, char positive, char negative) {
    return NumberText(std::fabs(degrees), decimals) + (degrees < 0 ? negative : positive);
  };
  return part(lat, 'N', 'S') + ' ' + part(std::remainder(lon, 360.0), 'E', 'W');
}

}  // namespace sailings
