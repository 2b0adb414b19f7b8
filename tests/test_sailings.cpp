// The great elliptic and loxodromic sailings: worked examples by class of
// route, and a cross-check against exact geometry and GeographicLib over
// seeded random routes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"
#include "elliptic/route.h"
#include "reference.h"

using namespace sailings;

namespace {

struct Example {
  double lat1, lon1, lat2, lon2;
  double nm;       // signed great elliptic distance, or the rhumb distance
  double azimuth;  // degrees
  double tol;      // on the azimuth
};

}  // namespace

TEST(EllipsoidModel, ArcsAndAngleRules) {
  EXPECT_NEAR(MeridianArc(0, kHalfPi, e, kMeridianFactor), 10001965.729, 0.001);
  EXPECT_DOUBLE_EQ(MeridianArc(0.1, 0.6, 0.0, 2.0), 1.0);
  for (double phi : {-1.5, -0.7, 0.0, 0.001, 0.9, 1.55}) {
    EXPECT_NEAR(LatitudeAtMeridianArc(EllipsoidMeridianArc(phi)), phi, 1e-12);
  }
  const double y[] = {1, 1, -1, -1, 0, 0, 1, 1, -1}, x[] = {1, -1, -1, 1, -1, 1, 0, -0.0, 0};
  const double want[] = {1, 3, 5, 7, 4, 0, 2, 2, 6};  // multiples of pi/4
  for (int k = 0; k < 9; ++k) EXPECT_DOUBLE_EQ(FullCircleAzimuth(y[k], x[k]), want[k] * kQuarterPi);
  EXPECT_DOUBLE_EQ(WrapLongitudeDifference(kPi), kPi);
  EXPECT_NEAR(WrapLongitude(190 * kDegree), -170 * kDegree, 1e-15);
}

TEST(GreatEllipticDistance, WorkedExamplesByClass) {
  const Example examples[] = {
      {-33.9, 18.4, 40.7, -74.0, 6775.325, 304.5272, 1e-4},   // ordinary
      {40.7, -74.0, -33.9, 18.4, -6775.325, 115.6736, 1e-4},  // exchanged ends
      {10, 20, 40, -30, -3204.921, 312.8292, 1e-4},
      {-10, 100, -20, 120, 1304.167, 119.5623, 1e-4},
      {50, -10, 90, 0, 2408.811, 0, 1e-4},  // to the pole
      {0, 0, 0, 60, 3606.463, 90, 0},       // along the equator
      {0, 10, 0, -20, -1803.232, 270, 0},
      {-5, 100, 5, 110, 846.683, 45.300184, 1e-6},  // across: the shorter arc
  };
  for (const Example& x : examples) {
    double s = 0, az = 0;
    DEllipticDistance(x.lat1 * kDegree, x.lon1 * kDegree, x.lat2 * kDegree, x.lon2 * kDegree, s,
                      az);
    EXPECT_NEAR(std::fabs(s) / 1852, std::fabs(x.nm), 0.001) << x.lat1 << " " << x.lon1;
    if (x.nm < 0) {
      EXPECT_LT(s, 0) << x.lat1 << " " << x.lon1;  // the sign of the worked examples
    }
    EXPECT_NEAR(ToDegrees(az), x.azimuth, x.tol) << x.lat1 << " " << x.lon1;
  }
  double s, az;
  DEllipticDistance(0, 0, 0, 150 * kDegree, s, az);  // the equator beyond 90 degrees
  EXPECT_NEAR(s, a * 150 * kDegree, 1e-6);
}

TEST(GreatEllipticDistance, MeridiansPolesAndAntipodes) {
  const struct {
    double lat1, lon1, lat2, lon2, nm, fwd, inv;
  } cases[] = {
      // Guards the meridian's own plane (the ends' cross product names no
      // other): the meridian ellipse's arc, due north.
      {10, 30, 50, 30, 2394.704, 0, kPi},
      // Guards 180 degrees of longitude apart: over the nearer pole, north
      // and south, not along some other plane.
      {40, 0, 50, 180, 5417.686, 0, 0},
      {-40, 0, -50, -180, 5417.686, kPi, kPi},
      // Guards antipodes (every plane holds both): over the departure's pole.
      {10, 20, -10, -160, 10801.259, 0, 0},
      {-35.5, 100, 35.5, -80, 10801.259, kPi, kPi},
      // Guards antipodes on the equator, and pole to pole.
      {0, 0, 0, 180, 10801.259, 0, 0},
      {90, 0, -90, 0, 10801.259, kPi, 0},
  };
  for (const auto& c : cases) {
    const RouteGeometry g = ComputeRoute(c.lat1, c.lon1, c.lat2, c.lon2);
    EXPECT_NEAR(std::fabs(g.distance) / 1852, c.nm, 0.001) << c.lat1 << " " << c.lon2;
    EXPECT_EQ(g.fwdAzimuth, c.fwd) << c.lat1 << " " << c.lon2;
    EXPECT_EQ(g.invAzimuth, c.inv) << c.lat1 << " " << c.lon2;
    EXPECT_TRUE(g.meridian);
  }
}

TEST(Loxodrome, WorkedExamplesEdgeCoursesAndPoles) {
  const Example examples[] = {
      // Guards the isometric latitude and the course in the first quadrant.
      {0, 0, 30, 60, 3877.864, 62.4647, 1e-4},
      // Guards the course's quadrant across the equator (westward, and its
      // reciprocal eastward).
      {-33.9, 18.4, 40.7, -74.0, 6802.230, 310.9697, 1e-4},
      {40.7, -74.0, -33.9, 18.4, 6802.230, 130.9697, 1e-4},
      // Guards the difference of longitude across 180 (the short way, not
      // round the world), eastward and westward.
      {-10, 170, 20, -170, 2147.409, 33.4515, 1e-4},
      {20, -170, -10, 170, 2147.409, 213.4515, 1e-4},
      // Guards along a parallel (no difference of isometric latitude: the
      // parallel's arc, not 0/0), both ways, and the equator.
      {20, 30, 20, 50, 1130.098, 90, 0},
      {20, 50, 20, 30, 1130.098, 270, 0},
      {0, 10, 0, -20, 1803.232, 270, 0},
      // Guards along a meridian (no difference of longitude): the meridian arc.
      {30, 0, 10, 0, 1195.604, 180, 0},
      // Guards one position twice: no distance, the course the program gives.
      {12, 34, 12, 34, 0, 90, 0},
      // Guards a pole (infinite isometric latitude): the meridian, from and to.
      {90, 0, 12.5, 96.9, 4654.195, 180, 1e-12},
      {90, 0, 0, 0, 5400.629, 180, 1e-12},
      {0, 0, 90, 50, 5400.629, 0, 0},
      // Guards the south pole and a meridian's quadrant beyond it (RhumbSolve:
      // 5400.629443 + 1194.582211 on meridians).
      {-90, 0, 20, 50, 6595.212, 0, 0},
      {20, 50, -90, 0, 6595.212, 180, 1e-12},
  };
  for (const Example& x : examples) {
    const RouteGeometry g = ComputeRoute(x.lat1, x.lon1, x.lat2, x.lon2);
    EXPECT_NEAR(g.loxoDistance / 1852, x.nm, 0.001) << x.lat1 << " " << x.lon1 << " " << x.lat2;
    EXPECT_NEAR(ToDegrees(g.loxoCourse), x.azimuth, x.tol)
        << x.lat1 << " " << x.lon1 << " " << x.lat2;
  }
}

TEST(EllipticStepDirect, WorkedExamplesEdgesAndExactness) {
  const struct {
    double lat, lon, az, s, wantLat, wantLon, wantAz;
  } cases[] = {
      // Guards the direct problem's plane and arc, north and south.
      {40, -10, 280, 926000, 40.945140, -20.856403, 272.968234},
      {-35, 20, 120, 555600, -37.383725, 25.433955, 116.803190},
      // Guards the longitude left unreduced past 180 (a table runs on).
      {10, 179, 60, 740800, 13.291069, 184.917699, 61.188334},
      // Guards the equator's plane: it stays the equator.
      {0, 0, 90, a * kPi / 18, 0, 10, 90},
      // Guards due north: azimuth 360 and the same meridian.
      {20, 30, 0, 500000, 24.513, 30, 360},
      // Guards over the pole: longitude 180 on, the azimuth reversed.
      {80, 30, 0, 2500000, 77.6, 210, 180},
  };
  for (const auto& c : cases) {
    const EllipticStepResult r =
        EllipticStep(AdjustedLatitude(c.lat * kDegree), c.lon * kDegree, c.az * kDegree, c.s);
    EXPECT_NEAR(ToDegrees(r.phi), c.wantLat, c.wantLat == std::round(c.wantLat) ? 1e-12 : 0.05);
    EXPECT_NEAR(ToDegrees(r.lambda), c.wantLon, 1e-4);
    EXPECT_NEAR(ToDegrees(r.azimuth), c.wantAz, 1e-4);
  }
  // A step and the distance measured back agree to a micro-mile, up to half
  // the globe, past the poles and across the equator.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> lat(-89, 89), lon(-180, 180), az(0, 360), nm(0.5, 10000);
  for (int i = 0; i < 300; ++i) {
    const double phi = lat(rng) * kDegree, lambda = lon(rng) * kDegree, s = nm(rng) * 1852;
    const EllipticStepResult r = EllipticStep(phi, lambda, az(rng) * kDegree, s);
    double back = 0, unused = 0;
    DEllipticDistance(phi, lambda, r.phi, r.lambda, back, unused);
    ASSERT_NEAR(std::fabs(back) / 1852, s / 1852, 1e-6) << i;
  }
}

// Each class of route and 385 seeded random ones: the great ellipse against
// the exact arc of the plane section, the rhumb line against GeographicLib.
TEST(CrossCheck, RandomRoutesAgainstIndependentReferences) {
  struct Route {
    double lat1, lon1, lat2, lon2;
  };
  std::vector<Route> routes = {{-33.9, 18.4, 40.7, -74.0},
                               {-5, 100, 5, 110},
                               {0, 0, 0, 60},
                               {0, 10, 0, -20},
                               {10, 30, 50, 30},
                               {40, 0, 50, 180},
                               {50, -10, 89.5, 0},
                               {30, 170, 40, -170},
                               {-10, 170, 20, -170},
                               {20, -170, -10, 170},
                               {10, 0, 10.001, 0.01},
                               {-60, -70, -60, -69.99},
                               {85, 0, 85, 179},
                               {-1, -179.9, 1, 179.9},
                               {0, 0, 0.005, 0.005}};
  std::mt19937 rng(20261206);
  std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180, 180);
  while (routes.size() < 400) {
    const Route r{lat(rng), lon(rng), lat(rng), lon(rng)};
    const ref::V p = ref::Ecef(r.lat1, r.lon1), q = ref::Ecef(r.lat2, r.lon2);
    const ref::V n = ref::Cross(ref::Unit(p), ref::Unit(q));
    if (std::sqrt(ref::Dot(n, n)) > 1e-3 || ref::Dot(p, q) > 0)
      routes.push_back(r);  // no near-antipodes
  }
  double worstNm = 0, worstDeg = 0;
  for (const Route& r : routes) {
    const RouteGeometry g = ComputeRoute(r.lat1, r.lon1, r.lat2, r.lon2);
    const ref::GreatEllipse exact = ref::ExactGreatEllipse(r.lat1, r.lon1, r.lat2, r.lon2);
    double s12, azi12;
    ref::Rhumb().Inverse(r.lat1, r.lon1, r.lat2, r.lon2, s12, azi12);
    const double nm[] = {std::fabs(g.distance) / 1852 - exact.distance,
                         (g.loxoDistance - s12) / 1852};
    const double deg[] = {ref::AngleDiff(ToDegrees(g.fwdAzimuth), exact.forward),
                          ref::AngleDiff(ToDegrees(g.invAzimuth), exact.inverse),
                          ref::AngleDiff(ToDegrees(g.loxoCourse), azi12)};
    for (double d : nm) worstNm = std::max(worstNm, std::fabs(d));
    for (double d : deg) worstDeg = std::max(worstDeg, d);
    ASSERT_LT(worstNm, 0.001) << r.lat1 << " " << r.lon1 << " " << r.lat2 << " " << r.lon2;
    ASSERT_LT(worstDeg, 1e-5) << r.lat1 << " " << r.lon1 << " " << r.lat2 << " " << r.lon2;
  }
  std::printf("worst difference over %zu routes: %.3g NM, %.3g degrees\n", routes.size(), worstNm,
              worstDeg);
}
