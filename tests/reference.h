// Independent references for the tests: exact geometry of the plane section
// of the ellipsoid (numerical integration, no series) and GeographicLib's
// rhumb line. Nothing here calls the program's own formulas.
#pragma once

#include <GeographicLib/Rhumb.hpp>

#include <array>
#include <cmath>
#include <functional>

namespace ref {

constexpr double kA = 6378137.0;
constexpr double kESq = 0.00669438;
const double kB = kA * std::sqrt(1.0 - kESq);
const double kF = 1.0 - std::sqrt(1.0 - kESq);
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kNm = 1852.0;

using V = std::array<double, 3>;
inline V Add(V p, V q) { return {p[0] + q[0], p[1] + q[1], p[2] + q[2]}; }
inline V Scale(double s, V p) { return {s * p[0], s * p[1], s * p[2]}; }
inline double Dot(V p, V q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }
inline V Cross(V p, V q) {
  return {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
}
inline V Unit(V p) { return Scale(1.0 / std::sqrt(Dot(p, p)), p); }

// Geodetic latitude and longitude (degrees) to Earth-centred coordinates.
inline V Ecef(double latDeg, double lonDeg) {
  const double phi = latDeg * kDeg, lam = lonDeg * kDeg;
  const double N = kA / std::sqrt(1.0 - kESq * std::sin(phi) * std::sin(phi));
  return {N * std::cos(phi) * std::cos(lam), N * std::cos(phi) * std::sin(lam),
          N * (1.0 - kESq) * std::sin(phi)};
}

// Geodetic latitude and longitude (degrees) of a point of the surface.
inline void Geodetic(V p, double& latDeg, double& lonDeg) {
  latDeg = std::atan2(p[2], (1.0 - kESq) * std::hypot(p[0], p[1])) / kDeg;
  lonDeg = std::atan2(p[1], p[0]) / kDeg;
}

// The plane section through the centre spanned by the unit vectors e1 (the
// start direction) and e2; its points are r(t) (cos t e1 + sin t e2).
struct Section {
  V e1, e2;
  double Radius(double t) const {
    const V d = Add(Scale(std::cos(t), e1), Scale(std::sin(t), e2));
    return 1.0 / std::sqrt((d[0] * d[0] + d[1] * d[1]) / (kA * kA) + d[2] * d[2] / (kB * kB));
  }
  V Point(double t) const {
    return Scale(Radius(t), Add(Scale(std::cos(t), e1), Scale(std::sin(t), e2)));
  }
  // Speed |dP/dt| = sqrt(r^2 + r'^2), with r' from the quadratic form.
  double Speed(double t) const {
    const V d = Add(Scale(std::cos(t), e1), Scale(std::sin(t), e2));
    const V dd = Add(Scale(-std::sin(t), e1), Scale(std::cos(t), e2));
    const double q = (d[0] * d[0] + d[1] * d[1]) / (kA * kA) + d[2] * d[2] / (kB * kB);
    const double dq = 2.0 * ((d[0] * dd[0] + d[1] * dd[1]) / (kA * kA) + d[2] * dd[2] / (kB * kB));
    const double r = 1.0 / std::sqrt(q);
    const double dr = -0.5 * dq / (q * std::sqrt(q));
    return std::sqrt(r * r + dr * dr);
  }
  // Arc length from t = 0 to t by 10-point Gauss-Legendre on 64 panels.
  double Arc(double t) const {
    static const double x[5] = {0.1488743389816312, 0.4333953941292472, 0.6794095682990244,
                                0.8650633666889845, 0.9739065285171717};
    static const double w[5] = {0.2955242247147529, 0.2692667193099963, 0.2190863625159820,
                                0.1494513491505806, 0.0666713443086881};
    const int panels = 64;
    const double h = t / panels;
    double sum = 0;
    for (int p = 0; p < panels; ++p) {
      const double mid = (p + 0.5) * h, half = 0.5 * h;
      for (int k = 0; k < 5; ++k) {
        sum += w[k] * half * (Speed(mid - half * x[k]) + Speed(mid + half * x[k]));
      }
    }
    return sum;
  }
  // The t at which the arc from t = 0 is s (bisection, then it is exact).
  double AngleAtArc(double s) const {
    double lo = 0, hi = 2 * kPi;
    for (int i = 0; i < 200 && hi - lo > 1e-15; ++i) {
      const double mid = 0.5 * (lo + hi);
      (Arc(mid) < s ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
  }
};

// The section through two points, oriented from the first towards the second
// the shorter way; `angle` receives the angle between them at the centre.
inline Section SectionThrough(V p1, V p2, double& angle) {
  const V u1 = Unit(p1), u2 = Unit(p2);
  const V n = Cross(u1, u2);
  const V e2 = Unit(Cross(n, u1));
  angle = std::atan2(std::sqrt(Dot(n, n)), Dot(u1, u2));
  return Section{u1, e2};
}

// Geodetic azimuth (degrees, [0, 360)) of a direction t at a surface point.
inline double AzimuthAt(V p, V t) {
  double lat, lon;
  Geodetic(p, lat, lon);
  const double phi = lat * kDeg, lam = lon * kDeg;
  const V east = {-std::sin(lam), std::cos(lam), 0};
  const V north = {-std::sin(phi) * std::cos(lam), -std::sin(phi) * std::sin(lam), std::cos(phi)};
  double az = std::atan2(Dot(t, east), Dot(t, north)) / kDeg;
  if (az < 0) az += 360.0;
  return az;
}

// The tangent of the section at t, in the direction of growing t.
inline V Tangent(const Section& s, double t) {
  const double h = 1e-6;
  return Unit(Add(s.Point(t + h), Scale(-1.0, s.Point(t - h))));
}

// Great elliptic distance (NM) and azimuths (degrees) by exact geometry.
struct GreatEllipse {
  double distance, forward, inverse;
};
inline GreatEllipse ExactGreatEllipse(double lat1, double lon1, double lat2, double lon2) {
  const V p1 = Ecef(lat1, lon1), p2 = Ecef(lat2, lon2);
  double angle;
  const Section s = SectionThrough(p1, p2, angle);
  double back;
  const Section r = SectionThrough(p2, p1, back);
  return {s.Arc(angle) / kNm, AzimuthAt(p1, Tangent(s, 0)), AzimuthAt(p2, Tangent(r, 0))};
}

inline const GeographicLib::Rhumb& Rhumb() {
  static const GeographicLib::Rhumb rhumb(kA, kF, true);
  return rhumb;
}

// Smallest difference of two azimuths in degrees.
inline double AngleDiff(double x, double y) {
  double d = std::fmod(std::fabs(x - y), 360.0);
  return d > 180 ? 360 - d : d;
}

}  // namespace ref
