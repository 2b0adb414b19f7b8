// sailings: the direct problem of each sailing: a line built once from a
// passage, giving the position and the azimuth of travel at any distance
// along one of its tracks, in the manner of GeographicLib's GeodesicLine.
// The waypoint tables place their points along the same lines.
//
// Units as in route.hpp: degrees and nautical miles; positions are true
// (the poles at +-90, the equator at 0), azimuths in [0, 360).
#pragma once

#include <memory>
#include <vector>

#include "sailings/passage.hpp"
#include "sailings/status.hpp"

namespace sailings {

class TrackLine;  // the computation's line (not part of this interface)

struct LinePosition {
  double lat = 0;      // degrees, [-90, 90]
  double lon = 0;      // degrees, [-180, 180]
  double azimuth = 0;  // degrees, [0, 360): the direction of travel there (the course
                       // on a rhumb line or along the limiting parallel)
};

// A vertex of a track drawn on a map.
struct MapPoint {
  double lat = 0;  // degrees, [-90, 90]
  double lon = 0;  // degrees, [-180, 180]
};

// The tolerances a track may be drawn to, NM.
inline constexpr double kMinDrawTolerance = 0.001;
inline constexpr double kMaxDrawTolerance = 100.0;

class SailingLine {
 public:
  // `track` of `passage`: the great ellipse, the rhumb line, the geodesic, or
  // the composite track (the great ellipse when the passage has no limit or
  // keeps within it). A route from or to a pole runs along the meridian its
  // table follows.
  SailingLine(const Passage& passage, Track track);

  // The track's length, NM, >= 0.
  double length_nm() const;
  // The point `s_nm` nautical miles from the departure along the track
  // (clamped to [0, length_nm()]).
  LinePosition Position(double s_nm) const;

  // The track as a map draws it, with straight lines in longitude and
  // latitude between vertices (GeoJSON, KML, a plate carree chart). Between
  // the ends, vertices are placed until no chord strays more than
  // `tolerance_nm` from the track (measured on the ellipsoid from the
  // track's points to the chord). A track that crosses the 180th meridian
  // is split there into pieces, never drawn the long way round: a piece
  // ends on the meridian (at 180 or -180, on its own side) and the next
  // begins on it (at the other), both at the track's own latitude there. A
  // track through a pole has two vertices at it, on the meridian arriving
  // and on the one leaving; one from or to a pole leaves or reaches it along
  // its own meridian. Status: ok, or tolerance_out_of_range for a tolerance
  // not in [kMinDrawTolerance, kMaxDrawTolerance] (`pieces` untouched).
  Status Draw(double tolerance_nm, std::vector<std::vector<MapPoint>>& pieces) const;

 private:
  std::shared_ptr<const TrackLine> line_;
};

}  // namespace sailings
