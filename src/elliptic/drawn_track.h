// A track as a map draws it: straight lines in longitude and latitude
// between vertices (GeoJSON, KML, any plate carree map). Vertices are placed
// until no chord strays more than a tolerance from the true track, and the
// track is split where it crosses the 180th meridian.
#pragma once

#include <vector>

#include "elliptic/track_line.h"

namespace sailings {

struct DrawnVertex {
  double lat = 0;  // degrees, [-90, 90]
  double lon = 0;  // degrees, [-180, 180]
};

// The vertices of `line`, in pieces. Every chord between consecutive
// vertices of a piece keeps within `tolerance` metres (> 0) of the track,
// measured on the ellipsoid from the track's points to the chord. A track
// that crosses the 180th meridian is split there: a piece ends on it (at 180
// or -180, on its own side) and the next begins on it (at the other), both
// at the track's own latitude. A track through a pole has two vertices there,
// on the meridian arriving and on the one leaving; a track from or to a pole
// leaves or reaches it along its own meridian.
std::vector<std::vector<DrawnVertex>> DrawTrackLine(const TrackLine& line, double tolerance);

}  // namespace sailings
