// The text the commands print: the cells of their tables (the voyage's legs,
// the check's findings; UTF-8 aware widths, text cut with '~'), and the names
// of places, waypoints, legs and sailings in messages.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sailings/places.hpp"
#include "sailings/voyage.hpp"

namespace sailings {

// Pads or cuts `text` to `width` characters (UTF-8 aware), left-aligned.
std::string Cell(const std::string& raw, std::size_t width);
// The characters of UTF-8 text.
std::size_t CharacterCount(const std::string& text);
// `text` right-aligned in `width` (bytes).
std::string Right(const std::string& text, std::size_t width);

// A leg's end as a person reads it: its name, or its position in the
// navigator's notation.
std::string Shown(const Place& place);
// "waypoint 3" or "waypoint 3 (Lizard)" (`waypoint` from 1).
std::string WaypointText(const std::vector<VoyagePoint>& points, long waypoint);
// The sailing --sailing and --orthodrome name (great-ellipse or orthodrome,
// rhumb or loxodrome, geodesic), or none.
std::optional<Sailing> SailingOf(const std::string& text);
// "leg 3", "legs 1-4, 7, 9-10" (`legs` ascending).
std::string LegList(const std::vector<long>& legs);

}  // namespace sailings
