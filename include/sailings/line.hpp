// sailings: the direct problem of each sailing: a line built once from a
// passage, giving the position and the azimuth of travel at any distance
// along one of its tracks, in the manner of GeographicLib's GeodesicLine.
// The waypoint tables place their points along the same lines.
//
// Units as in route.hpp: degrees and nautical miles; positions are true
// (the poles at +-90, the equator at 0), azimuths in [0, 360).
#pragma once

#include <memory>

#include "sailings/passage.hpp"

namespace sailings {

class TrackLine;  // the computation's line (not part of this interface)

struct LinePosition {
  double lat = 0;      // degrees, [-90, 90]
  double lon = 0;      // degrees, [-180, 180]
  double azimuth = 0;  // degrees, [0, 360): the direction of travel there (the course
                       // on a rhumb line or along the limiting parallel)
};

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

 private:
  std::shared_ptr<const TrackLine> line_;
};

}  // namespace sailings
