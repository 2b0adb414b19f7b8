// Independent references for tracks: the exact plane section of the great
// ellipse, GeographicLib's geodesic and rhumb line, each as a function of a
// parameter along it, and the distance of any point from such a track found
// by a dense search and golden sections with GeographicLib's inverse problem.
#pragma once

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "reference.h"

namespace ref {

inline const GeographicLib::Geodesic& Geod() {
  static const GeographicLib::Geodesic g(kA, 1.0 - std::sqrt(1.0 - kESq));
  return g;
}

// Golden-section maximum of f on [lo, hi].
inline double GoldenMax(const std::function<double(double)>& f, double lo, double hi, double& at) {
  const double g = 0.6180339887498949;
  double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo), f1 = f(x1), f2 = f(x2);
  for (int i = 0; i < 50; ++i) {
    if (f1 > f2) {
      hi = x2, x2 = x1, f2 = f1, x1 = hi - g * (hi - lo), f1 = f(x1);
    } else {
      lo = x1, x1 = x2, f1 = f2, x2 = lo + g * (hi - lo), f2 = f(x2);
    }
  }
  at = f1 > f2 ? x1 : x2;
  return std::max(f1, f2);
}

struct RefTrack {
  // The point at parameter t of the track, and the parameter at arc length
  // s (metres): the plane section's angle at the centre, or the geodesic's
  // own arc length.
  std::function<void(double t, double& lat, double& lon)> at;
  std::function<double(double s)> param;
  double length;
};

inline RefTrack GreatEllipseTrack(double lat1, double lon1, double lat2, double lon2) {
  double angle;
  const Section section = SectionThrough(Ecef(lat1, lon1), Ecef(lat2, lon2), angle);
  return {[section](double t, double& lat, double& lon) { Geodetic(section.Point(t), lat, lon); },
          [section](double s) { return section.AngleAtArc(s); }, section.Arc(angle)};
}

inline RefTrack GeodesicTrack(double lat1, double lon1, double lat2, double lon2) {
  const GeographicLib::GeodesicLine line = Geod().InverseLine(lat1, lon1, lat2, lon2);
  return {[line](double s, double& lat, double& lon) { line.Position(s, lat, lon); },
          [](double s) { return s; }, line.Distance()};
}

inline RefTrack RhumbTrack(double lat1, double lon1, double lat2, double lon2) {
  double s12, azi;
  Rhumb().Inverse(lat1, lon1, lat2, lon2, s12, azi);
  return {[lat1, lon1, azi](double s, double& lat, double& lon) {
            Rhumb().Direct(lat1, lon1, azi, s, lat, lon);
          },
          [](double s) { return s; }, s12};
}

// The distance (metres) of (lat, lon) from `track` between the parameters
// lo and hi (the whole track when they are not given): the nearest of 400
// samples by their straight distance, then golden sections on the distance
// along the ellipsoid.
inline double DistanceFromTrack(const RefTrack& track, double lat, double lon, double lo, double hi,
                                int samples = 400, double* where = nullptr) {
  const V p = Ecef(lat, lon);
  double best = 1e300, bestT = lo;
  for (int k = 0; k <= samples; ++k) {
    const double t = lo + (hi - lo) * k / samples;
    double tl, tn;
    track.at(t, tl, tn);
    const V q = Ecef(tl, tn);
    const V d = Lin(1, p, -1, q);
    const double dd = Dot(d, d);
    if (dd < best) best = dd, bestT = t;
  }
  const double step = (hi - lo) / samples;
  double at;
  const double d = -GoldenMax(
      [&](double t) {
        double tl, tn, d;
        track.at(t, tl, tn);
        Geod().Inverse(lat, lon, tl, tn, d);
        return -d;
      },
      std::max(lo, bestT - step), std::min(hi, bestT + step), at);
  if (where) *where = at;
  return d;
}

}  // namespace ref
