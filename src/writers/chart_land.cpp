// The land the charts draw, as GeoJSON for a map library (writers.hpp).
#include <ostream>

#include "land/land.h"
#include "sailings/text.hpp"
#include "sailings/writers.hpp"

namespace sailings {

void WriteChartLand(std::ostream& out) {
  out << "{\"type\":\"Feature\",\"properties\":{\"scale\":\"1:110m\",\"fill_rule\":\"evenodd\"},"
         "\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[";
  const char* ring_gap = "";
  for (const std::vector<LonLat>& ring : LandRings()) {
    if (ring.size() < 3) continue;
    out << ring_gap << '[';
    ring_gap = ",";
    // (GeoJSON closes a ring by repeating its first position.)
    for (std::size_t i = 0; i <= ring.size(); ++i) {
      const LonLat& p = ring[i % ring.size()];
      out << (i ? "," : "") << '[' << NumberText(p.lon, 3) << ',' << NumberText(p.lat, 3) << ']';
    }
    out << ']';
  }
  out << "]}}\n";
}

}  // namespace sailings
