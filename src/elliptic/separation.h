// How far one path strays from a track: the distance from points of a curve
// to the nearest point of a TrackLine, and its greatest value along the
// curve. Two uses: the autopilot's rhumb lines between waypoints against the
// leg they stand for (the cross-track limit), and two systems' readings of
// one leg against each other (the great ellipse, the geodesic and the
// sphere's great circle; the rhumb line on the ellipsoid and on the sphere).
//
// The nearest point of a track to a point p is found by Gauss-Newton on the
// arc length s: s += (p - P(s)) . t(s), with P the track's point in
// Earth-centred coordinates and t its unit tangent. Each pass multiplies the
// error by about d * kappa (the separation times the track's curvature,
// 1e-4 for a separation of a nautical mile), so three passes are exact to
// the millimetre. Distances are chords until the greatest is found, then
// measured along the surface (GeographicLib's inverse problem).
#pragma once

#include <functional>

#include "elliptic/track_line.h"
#include "vector/vec3.h"

namespace sailings {

// A position on the ellipsoid, radians.
struct SurfacePoint {
  double phi = 0, lambda = 0;
};

// A curve from one end of a track to the other, u in [0, 1], roughly in
// proportion to its length.
using Curve = std::function<SurfacePoint(double u)>;

struct SeparationResult {
  double metres = 0;  // the greatest distance along the surface, >= 0
  double u = 0;       // where on the curve, [0, 1]
  SurfacePoint at;    // that point of the curve
};

// The greatest distance of `curve` from `track` between its arc lengths
// `s0` and `s1` (metres; the curve's u = 0 lies near s0 and u = 1 near s1):
// the curve sampled `samples` times, then the greatest refined by golden
// sections to a millionth of the span.
SeparationResult GreatestSeparation(const Curve& curve, const TrackLine& track, double s0,
                                    double s1, int samples);

// The rhumb line between two positions (radians), u in [0, 1] along it.
Curve RhumbChord(SurfacePoint from, SurfacePoint to);

// The least number of equal parts (equal distance along `track`) such that
// the rhumb line between consecutive points never strays more than `limit`
// metres from the track; `worst` is the greatest separation then. Counts
// stop at `most` (returns most + 1 when even that is not enough). A track
// that is a rhumb line needs 1 (worst 0). One part fewer always exceeds the
// limit. Counts up to four are tried one by one (across a pole two parts may
// keep within the limit where three do not), larger ones by halves.
long CrossTrackParts(const TrackLine& track, double limit, long most, double& worst);

}  // namespace sailings
