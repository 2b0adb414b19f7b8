// Whether a track crosses land, on the coast the sea passages keep clear of
// (Natural Earth's 1:10m land, land/coast.h), so that the check and the
// planner never disagree; and the coarser 1:110m polygons the charts draw.
//
// At 1:10m the coastline is right to a few hundred metres and harbours,
// canals and the narrowest straits are closed. The check answers "does this
// track run over land?" for ocean passage planning, never "is this track
// safe?" for pilotage.
#pragma once

#include <optional>
#include <vector>

#include "elliptic/passage.h"
#include "elliptic/route.h"

namespace sailings {

struct LonLat {
  double lon, lat;  // degrees
};

// The 1:110m land's rings that the charts draw, in degrees (longitudes in
// [-180, 180]); inside is by the even-odd rule in the plane of longitude and
// latitude.
const std::vector<std::vector<LonLat>>& LandRings();

// The first point of a track on land (degrees), leaving out the first and
// last 20 NM (ports lie on the coast, and many of them fall inside the
// polygons). A crossing is placed within 0.1 NM past the point where the
// track meets the coast. None in a build without the coast (the page).
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
