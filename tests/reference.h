// Independent references for the tests: the exact geometry of the plane
// section of the ellipsoid (numerical integration, no series) and
// GeographicLib's rhumb line. Nothing here calls the program's formulas.
#pragma once

#include <GeographicLib/Rhumb.hpp>

#include <array>
#include <cmath>

namespace ref {

constexpr double kA = 6378137.0, kESq = 0.00669438, kDeg = M_PI / 180.0, kNm = 1852.0;
const double kB = kA * std::sqrt(1.0 - kESq);

using V = std::array<double, 3>;
inline V Lin(double s, V p, double t, V q) {
  return {s * p[0] + t * q[0], s * p[1] + t * q[1], s * p[2] + t * q[2]};
}
inline double Dot(V p, V q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }
inline V Cross(V p, V q) {
  return {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
}
inline V Unit(V p) { return Lin(1.0 / std::sqrt(Dot(p, p)), p, 0, p); }

// Geodetic degrees to Earth-centred coordinates, and back for surface points.
inline V Ecef(double lat, double lon) {
  const double phi = lat * kDeg, lam = lon * kDeg;
  const double N = kA / std::sqrt(1.0 - kESq * std::sin(phi) * std::sin(phi));
  return {N * std::cos(phi) * std::cos(lam), N * std::cos(phi) * std::sin(lam),
          N * (1.0 - kESq) * std::sin(phi)};
}
inline void Geodetic(V p, double& lat, double& lon) {
  lat = std::atan2(p[2], (1.0 - kESq) * std::hypot(p[0], p[1])) / kDeg;
  lon = std::atan2(p[1], p[0]) / kDeg;
}

// The plane section through the centre spanned by unit vectors e1, e2: its
// points are r(t) (cos t e1 + sin t e2), r from the ellipsoid's equation.
struct Section {
  V e1, e2;
  V Dir(double t) const { return Lin(std::cos(t), e1, std::sin(t), e2); }
  double Q(V d, V w) const {
    return (d[0] * w[0] + d[1] * w[1]) / (kA * kA) + d[2] * w[2] / (kB * kB);
  }
  V Point(double t) const { return Lin(1.0 / std::sqrt(Q(Dir(t), Dir(t))), Dir(t), 0, e1); }
  double Speed(double t) const {  // |dP/dt| = sqrt(r^2 + r'^2)
    const V d = Dir(t), dd = Lin(-std::sin(t), e1, std::cos(t), e2);
    const double q = Q(d, d), r = 1.0 / std::sqrt(q), dr = -Q(d, dd) / (q * std::sqrt(q));
    return std::sqrt(r * r + dr * dr);
  }
  double Arc(double t) const {  // 10-point Gauss-Legendre on 64 panels
    static const double x[] = {0.1488743389816312, 0.4333953941292472, 0.6794095682990244,
                               0.8650633666889845, 0.9739065285171717};
    static const double w[] = {0.2955242247147529, 0.2692667193099963, 0.2190863625159820,
                               0.1494513491505806, 0.0666713443086881};
    const double h = t / 64;
    double sum = 0;
    for (int p = 0; p < 64; ++p) {
      for (int k = 0; k < 5; ++k)
        sum += w[k] * h / 2 *
               (Speed((p + 0.5) * h - h / 2 * x[k]) + Speed((p + 0.5) * h + h / 2 * x[k]));
    }
    return sum;
  }
  double AngleAtArc(double s) const {  // by bisection
    double lo = 0, hi = 2 * M_PI;
    for (int i = 0; i < 200 && hi - lo > 1e-15; ++i)
      (Arc(0.5 * (lo + hi)) < s ? lo : hi) = 0.5 * (lo + hi);
    return 0.5 * (lo + hi);
  }
};

// The section through p1 and p2, from p1 towards p2 the shorter way; `angle`
// is the angle between them at the centre.
inline Section SectionThrough(V p1, V p2, double& angle) {
  const V u1 = Unit(p1), n = Cross(u1, Unit(p2));
  angle = std::atan2(std::sqrt(Dot(n, n)), Dot(u1, Unit(p2)));
  return Section{u1, Unit(Cross(n, u1))};
}

// Geodetic azimuth (degrees, [0, 360)) of the section's direction at t.
inline double AzimuthAt(const Section& s, double t) {
  double lat, lon;
  Geodetic(s.Point(t), lat, lon);
  const double phi = lat * kDeg, lam = lon * kDeg;
  const V dir = Lin(1, s.Point(t + 1e-6), -1, s.Point(t - 1e-6));
  const V east = {-std::sin(lam), std::cos(lam), 0};
  const V north = {-std::sin(phi) * std::cos(lam), -std::sin(phi) * std::sin(lam), std::cos(phi)};
  const double az = std::atan2(Dot(dir, east), Dot(dir, north)) / kDeg;
  return az < 0 ? az + 360 : az;
}

// Great elliptic distance (NM) and forward and inverse azimuths (degrees).
struct GreatEllipse {
  double distance, forward, inverse;
};
inline GreatEllipse ExactGreatEllipse(double lat1, double lon1, double lat2, double lon2) {
  double angle, back;
  const Section s = SectionThrough(Ecef(lat1, lon1), Ecef(lat2, lon2), angle);
  const Section r = SectionThrough(Ecef(lat2, lon2), Ecef(lat1, lon1), back);
  return {s.Arc(angle) / kNm, AzimuthAt(s, 0), AzimuthAt(r, 0)};
}

inline const GeographicLib::Rhumb& Rhumb() {
  static const GeographicLib::Rhumb rhumb(kA, 1.0 - std::sqrt(1.0 - kESq), true);
  return rhumb;
}

// The smaller difference of two directions, degrees.
inline double AngleDiff(double x, double y) {
  const double d = std::fmod(std::fabs(x - y), 360.0);
  return d > 180 ? 360 - d : d;
}

}  // namespace ref
