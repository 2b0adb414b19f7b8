// The land of Natural Earth's 1:110m polygons (built into the program), and
// whether a track crosses it.
//
// The data is coarse: a coastline to some kilometres, small islands and
// narrow straits missing or closed. It answers "does this track obviously
// run over land?", never "is this track safe?".
#pragma once

#include <optional>
#include <vector>

#include "elliptic/passage.h"
#include "elliptic/route.h"

namespace sailings {

struct LonLat {
  double lon, lat;  // degrees
};

// The land's rings, in degrees (longitudes in [-180, 180]); inside is by the
// even-odd rule in the plane of longitude and latitude.
const std::vector<std::vector<LonLat>>& LandRings();

// Whether a position (degrees, any longitude) lies on land. A raster of
// 1-degree cells answers for cells wholly land or sea; cells that a
// coastline crosses are answered exactly against the rings.
bool IsLand(double lat, double lon);
// How far (metres) a track may run from (lat, lon) in any direction without
// meeting a cell of the index that is not open sea; 0 near land.
double OpenSeaDistance(double lat, double lon);

// The first point of a track on land, and where (degrees), leaving out the
// first and last 20 NM (ports lie on the coast, and at this scale many of
// them fall inside the polygons). The track is examined every 10 NM or
// less, and a crossing is placed to within 0.1 NM of the first sample on
// land.
struct LandPoint {
  double lat, lon;
};
// The tracks the land check examines, built as the tables' own lines are.
enum class CheckedTrack { kGreatEllipse, kRhumbLine, kGeodesic, kComposite };
// `count` (at least 2) positions from the departure to the destination,
// evenly along the track's own parameter (not its length): what the check
// samples, for comparing it with the tables. `composite` with kComposite.
std::vector<LandPoint> CheckedTrackPositions(const RouteGeometry& route, CheckedTrack track,
                                             const CompositeSailing* composite, int count);

std::optional<LandPoint> GreatEllipseCrossesLand(const RouteGeometry& route);
std::optional<LandPoint> RhumbLineCrossesLand(const RouteGeometry& route);
std::optional<LandPoint> GeodesicCrossesLand(const RouteGeometry& route);
std::optional<LandPoint> CompositeCrossesLand(const RouteGeometry& route,
                                              const CompositeSailing& composite);

}  // namespace sailings
