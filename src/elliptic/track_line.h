// The direct problem of every track of a route: a line built once from the
// route (and its composite sailing), giving the position and the azimuth of
// travel at any distance along it, in the manner of GeographicLib's
// GeodesicLine. The waypoint tables, the composite table, the chart and the
// public SailingLine all place their points with it.
#pragma once

#include <memory>
#include <optional>

#include <GeographicLib/GeodesicLine.hpp>

#include "elliptic/great_ellipse.h"
#include "elliptic/passage.h"
#include "elliptic/route.h"

namespace sailings {

// A position of a track (radians): latitudes as the route record carries
// them at T1 and T2 (AdjustedLatitude), the longitude not reduced on the
// great ellipses (lambda_p plus the change of longitude), the azimuth of
// travel in (0, 2pi] on a great ellipse, the course on a rhumb line or a
// parallel.
struct TrackPoint {
  double phi = 0, lambda = 0;
  double azimuth = 0;
  bool loxodrome = false;  // on a rhumb line or a parallel
};

class TrackLine {
 public:
  enum Kind { kGreatEllipse, kRhumbLine, kGeodesic, kComposite };

  // The track `kind` of `route`; kComposite needs `composite` (composite).
  TrackLine(const RouteGeometry& route, Kind kind, const CompositeSailing* composite = nullptr);

  Kind kind() const { return kind_; }
  double length() const { return length_; }  // metres
  // The point s metres from the departure, 0 <= s <= length().
  TrackPoint At(double s) const;
  // The azimuth leaving the departure, radians.
  double InitialAzimuth() const;

 private:
  Kind kind_;
  double length_ = 0;
  // The great ellipse (the first one of a composite track) and the last
  // one of a composite track.
  std::optional<EllipticStepper> first_, last_;
  // The rhumb line: departure, course and the meridian from a pole.
  double phi1_ = 0, lambda1_ = 0, course_ = 0, poleMeridian_ = 0;
  std::optional<GeographicLib::GeodesicLine> geodesic_;
  // The composite track's parallel.
  CompositeSailing composite_;
  double east_ = 1, parallelRadius_ = 1, endFirst_ = 0, endParallel_ = 0;
};

}  // namespace sailings
