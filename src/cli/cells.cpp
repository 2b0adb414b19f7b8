#include "cli/cells.h"

#include <algorithm>

#include "sailings/coordinates.hpp"
#include "sailings/text.hpp"
#include "sailings/voyage_files.hpp"

namespace sailings {

// Pads or cuts `text` to `width` characters (UTF-8 aware), left-aligned.
std::string Cell(const std::string& raw, std::size_t width) {
  const std::string text = PrintableText(raw, 400);
  std::string out;
  std::size_t shown = 0, i = 0;
  while (i < text.size() && shown < width) {
    const std::size_t n = std::max<std::size_t>(1, Utf8Length(text, i));
    out.append(text, i, n);
    i += n;
    ++shown;
  }
  if (i < text.size() && width > 0) {  // cut: the last character becomes '~'
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty()) out.pop_back();
    out += '~';
  }
  out.append(width - std::min(width, shown), ' ');
  return out;
}

// The characters of UTF-8 text.
std::size_t CharacterCount(const std::string& text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); i += std::max<std::size_t>(1, Utf8Length(text, i))) ++n;
  return n;
}

std::string Right(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// A leg's end as a person reads it: its name, or its position in the
// navigator's notation (as the files name it).
std::string Shown(const Place& place) { return EndName(place); }

// "waypoint 3" or "waypoint 3 (Lizard)".
std::string WaypointText(const std::vector<VoyagePoint>& points, long waypoint) {
  std::string text = "waypoint " + std::to_string(waypoint);
  if (waypoint >= 1 && static_cast<std::size_t>(waypoint) <= points.size() &&
      !points[static_cast<std::size_t>(waypoint - 1)].name.empty()) {
    text += " (" + PrintableText(points[static_cast<std::size_t>(waypoint - 1)].name, 40) + ")";
  }
  return text;
}

// The sailings as the option and a CSV file name them (the orthodrome on the
// ellipsoid is the great ellipse, the loxodrome the rhumb line).
std::optional<Sailing> SailingOf(const std::string& text) {
  if (text == "great-ellipse" || text == "great_ellipse" || text == "orthodrome") {
    return Sailing::great_ellipse;
  }
  if (text == "rhumb" || text == "rhumb-line" || text == "rhumb_line" || text == "loxodrome") {
    return Sailing::rhumb_line;
  }
  if (text == "geodesic") return Sailing::geodesic;
  return std::nullopt;
}

// "leg 3", "legs 1-4, 7, 9-10".
std::string LegList(const std::vector<long>& legs) {
  std::string text = legs.size() == 1 ? "leg " : "legs ";
  for (std::size_t i = 0; i < legs.size();) {
    std::size_t j = i;
    while (j + 1 < legs.size() && legs[j + 1] == legs[j] + 1) ++j;
    if (i > 0) text += ", ";
    text += std::to_string(legs[i]);
    if (j > i) text += "-" + std::to_string(legs[j]);
    i = j + 1;
  }
  return text;
}

}  // namespace sailings
