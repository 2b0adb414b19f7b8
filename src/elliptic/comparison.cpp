#include "elliptic/comparison.h"

#include <GeographicLib/GeodesicLine.hpp>

#include <cmath>
#include <vector>

#include "elliptic/great_ellipse.h"

namespace sailings {

const GeographicLib::Geodesic& Geodesic() {
  static const GeographicLib::Geodesic geodesic(a, kFlattening);
  return geodesic;
}

void SphereGreatCircle(double phi1, double lambda1, double phi2, double lambda2, double radius,
                       double& distance, double& course) {
  const double dlambda = WrapLongitudeDifference(lambda2 - lambda1);
  const double h =
      std::sin(0.5 * (phi2 - phi1)) * std::sin(0.5 * (phi2 - phi1)) +
      std::cos(phi1) * std::cos(phi2) * std::sin(0.5 * dlambda) * std::sin(0.5 * dlambda);
  distance = 2.0 * radius * std::asin(std::sqrt(std::fmin(1.0, std::fmax(0.0, h))));
  course = std::atan2(
      std::sin(dlambda) * std::cos(phi2),
      std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dlambda));
  if (course < 0) course += kTwoPi;  // (a hair below 0 gives 2pi: the interface writes it 0)
}

namespace {

double Azimuth(double degrees) {
  double r = std::remainder(degrees, 360.0) * kDegree;
  if (r < 0) r += kTwoPi;
  return r >= kTwoPi ? 0.0 : r;
}

double Chord(Vec3 p, Vec3 q) { return Length(p - q); }

// Minimises f on [lo, hi] (f unimodal there) by golden sections; returns the
// argument and stores the value.
template <typename F>
double GoldenMinimum(F f, double lo, double hi, double& value, int passes = 40) {
  const double g = 0.6180339887498949;
  double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
  double f1 = f(x1), f2 = f(x2);
  for (int i = 0; i < passes; ++i) {
    if (f1 < f2) {
      hi = x2, x2 = x1, f2 = f1;
      x1 = hi - g * (hi - lo), f1 = f(x1);
    } else {
      lo = x1, x1 = x2, f1 = f2;
      x2 = lo + g * (hi - lo), f2 = f(x2);
    }
  }
  value = f1 < f2 ? f1 : f2;
  return f1 < f2 ? x1 : x2;
}

// The geodesic track, sampled once, and the nearest point of it to a point.
class GeodesicTrack {
 public:
  GeodesicTrack(const GeographicLib::GeodesicLine& line, double length)
      : line_(line), length_(length) {
    for (int j = 0; j <= kSamples; ++j) samples_.push_back(At(length * j / kSamples));
  }
  Vec3 At(double s) const {
    double lat, lon;
    line_.Position(s, lat, lon);
    return EllipsoidPoint(lat * kDegree, lon * kDegree);
  }
  // The arc length of the point of the track nearest to p (by chord), and
  // that point.
  double Nearest(Vec3 p, Vec3& point) const {
    int best = 0;
    double bestChord = Chord(p, samples_[0]);
    for (int j = 1; j <= kSamples; ++j) {
      const double d = Chord(p, samples_[j]);
      if (d < bestChord) bestChord = d, best = j;
    }
    const double step = length_ / kSamples;
    const double lo = std::fmax(0.0, (best - 1) * step), hi = std::fmin(length_, (best + 1) * step);
    double chord;
    const double s = GoldenMinimum([&](double u) { return Chord(p, At(u)); }, lo, hi, chord);
    point = At(s);
    return s;
  }

 private:
  static constexpr int kSamples = 128;
  const GeographicLib::GeodesicLine& line_;
  double length_;
  std::vector<Vec3> samples_;
};

}  // namespace

SailingComparison CompareSailings(const RouteGeometry& g) {
  SailingComparison c;
  const double phi1 = TrueLatitude(g.lat1), phi2 = TrueLatitude(g.lat2);
  const double lat1 = ToDegrees(phi1), lat2 = ToDegrees(phi2);
  const double lon1 = ToDegrees(g.lon1), lon2 = ToDegrees(TrackLongitude2(g));
  const GeographicLib::GeodesicLine line = Geodesic().InverseLine(lat1, lon1, lat2, lon2);
  double azi2 = 0, unused = 0;
  Geodesic().Inverse(lat1, lon1, lat2, lon2, c.geodesicDistance, unused, azi2);
  c.geodesicAzimuth1 = Azimuth(line.Azimuth());
  c.geodesicAzimuth2 = Azimuth(azi2);
  const double lambda2 = TrackLongitude2(g);
  SphereGreatCircle(phi1, g.lon1, phi2, lambda2, kMeanEarthRadius, c.sphereDistance,
                    c.sphereCourse);
  double back = 0, unusedDistance = 0;
  SphereGreatCircle(phi2, lambda2, phi1, g.lon1, kMeanEarthRadius, unusedDistance, back);
  c.sphereCourseFinal = back >= kPi ? back - kPi : back + kPi;

  // The separation: the gap from the great ellipse's points to the geodesic
  // track, sampled along the great ellipse, then the greatest refined.
  const double length = std::fabs(g.distance);
  if (!(length > 0) || !(c.geodesicDistance > 0)) return c;
  const GeodesicTrack geodesic(line, c.geodesicDistance);
  const EllipticStepper ellipse(g.lat1, g.lon1, g.fwdAzimuthGc);
  const auto gap = [&](double s) {
    const EllipticStepResult q = ellipse.At(s);
    const Vec3 p = EllipsoidPoint(q.phi, q.lambda);
    Vec3 nearest;
    geodesic.Nearest(p, nearest);
    return Chord(p, nearest);
  };
  constexpr int kEllipseSamples = 32;
  int worst = 0;
  double worstGap = -1;
  for (int k = 0; k <= kEllipseSamples; ++k) {
    const double d = gap(length * k / kEllipseSamples);
    if (d > worstGap) worstGap = d, worst = k;
  }
  const double step = length / kEllipseSamples;
  double negated;
  const double s =
      GoldenMinimum([&](double x) { return -gap(x); }, std::fmax(0.0, (worst - 1) * step),
                    std::fmin(length, (worst + 1) * step), negated, 30);
  // The gap itself measured along the surface, between the two points.
  const EllipticStepResult q = ellipse.At(-negated >= worstGap ? s : worst * step);
  const Vec3 p = EllipsoidPoint(q.phi, q.lambda);
  Vec3 nearest;
  geodesic.Nearest(p, nearest);
  double lat, lon, latN, lonN;
  lat = ToDegrees(q.phi), lon = ToDegrees(q.lambda);
  LatLonOf(nearest, latN, lonN);
  Geodesic().Inverse(lat, lon, latN, lonN, c.separation);
  return c;
}

}  // namespace sailings
