// The great elliptic and loxodromic sailings: worked examples, the classes of
// route that break naive formulas, and a cross-check against exact geometry
// and GeographicLib over seeded random routes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"
#include "elliptic/route.h"
#include "reference.h"

using namespace sailings;

namespace {

constexpr double kNmTol = 0.001;   // nautical miles
constexpr double kDegTol = 1e-4;   // worked examples are given to 4 decimals

struct Sailing {
  double nm, azimuth;
};
Sailing GreatElliptic(double lat1, double lon1, double lat2, double lon2) {
  double s = 0, az = 0;
  DEllipticDistance(lat1 * kDegree, lon1 * kDegree, lat2 * kDegree, lon2 * kDegree, s, az);
  return {s / kNauticalMile, ToDegrees(az)};
}
Sailing Rhumb(double lat1, double lon1, double lat2, double lon2) {
  double course = 0, d = 0;
  LoxoLeg(lat1 * kDegree, lon1 * kDegree, lat2 * kDegree, lon2 * kDegree, course, d);
  return {d / kNauticalMile, ToDegrees(course)};
}

}  // namespace

TEST(EllipsoidModel, MeridianArcAndSharedOperations) {
  EXPECT_NEAR(MeridianArc(0, kHalfPi, e, kMeridianFactor), 10001965.729, 0.001);
  EXPECT_DOUBLE_EQ(MeridianArc(0.3, 0.3, e, kMeridianFactor), 0.0);
  EXPECT_DOUBLE_EQ(MeridianArc(0.2, 0.7, e, kMeridianFactor),
                   -MeridianArc(0.7, 0.2, e, kMeridianFactor));
  EXPECT_DOUBLE_EQ(MeridianArc(0.1, 0.6, 0.0, 2.0), 2.0 * 0.5);
  EXPECT_EQ(IsometricLatitude(0.0), 0.0);
  EXPECT_DOUBLE_EQ(IsometricLatitude(-0.4), -IsometricLatitude(0.4));
  EXPECT_EQ(PrimeVerticalRadius(0.0), a);
  EXPECT_EQ(GeocentricLatitude(0.0), 0.0);
  // The inverse arc returns the latitude to the ten-billionth of a radian.
  for (double phi : {-1.5, -0.7, 0.0, 0.001, 0.9, 1.55}) {
    EXPECT_NEAR(LatitudeAtMeridianArc(EllipsoidMeridianArc(phi)), phi, 1e-12);
  }
}

TEST(EllipsoidModel, AngleRules) {
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(1, 1), kQuarterPi);
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(1, -1), 3 * kQuarterPi);
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(-1, -1), 5 * kQuarterPi);
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(-1, 1), 7 * kQuarterPi);
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(0, -1), kPi);
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(0, 1), 0);
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(1, 0), kHalfPi);
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(1, -0.0), kHalfPi);  // a negative zero stays east
  EXPECT_DOUBLE_EQ(FullCircleAzimuth(-1, 0), kThreeHalfPi);
  EXPECT_DOUBLE_EQ(WrapLongitudeDifference(kPi), kPi);
  EXPECT_NEAR(WrapLongitudeDifference(-340 * kDegree), 20 * kDegree, 1e-15);
  EXPECT_DOUBLE_EQ(WrapLongitude(190 * kDegree), -170 * kDegree);
  EXPECT_DOUBLE_EQ(WrapLongitude(-kPi), -kPi);
}

TEST(GreatEllipticDistance, OrdinaryRoutesAndExchangedEnds) {
  Sailing r = GreatElliptic(-33.9, 18.4, 40.7, -74.0);
  EXPECT_NEAR(r.nm, 6775.325, kNmTol);
  EXPECT_NEAR(r.azimuth, 304.5272, kDegTol);
  r = GreatElliptic(40.7, -74.0, -33.9, 18.4);
  EXPECT_NEAR(r.nm, -6775.325, kNmTol);
  EXPECT_NEAR(r.azimuth, 115.6736, kDegTol);
  r = GreatElliptic(10, 20, 40, -30);
  EXPECT_NEAR(r.nm, -3204.921, kNmTol);
  EXPECT_NEAR(r.azimuth, 312.8292, kDegTol);
  r = GreatElliptic(-10, 100, -20, 120);
  EXPECT_NEAR(r.nm, 1304.167, kNmTol);
  EXPECT_NEAR(r.azimuth, 119.5623, kDegTol);
  r = GreatElliptic(50, -10, 90, 0);
  EXPECT_NEAR(r.nm, 2408.811, kNmTol);
  EXPECT_NEAR(r.azimuth, 0.0, kDegTol);
}

TEST(GreatEllipticDistance, AlongAndAcrossTheEquator) {
  Sailing r = GreatElliptic(0, 0, 0, 60);
  EXPECT_NEAR(r.nm, 3606.463, kNmTol);
  EXPECT_NEAR(r.nm, a * kPi / 3 / 1852, 1e-6);
  EXPECT_EQ(r.azimuth, 90.0);
  r = GreatElliptic(0, 10, 0, -20);
  EXPECT_NEAR(r.nm, -1803.232, kNmTol);
  EXPECT_EQ(r.azimuth, 270.0);
  // The shorter arc, not the long way round through the other node.
  r = GreatElliptic(-5, 100, 5, 110);
  EXPECT_NEAR(std::fabs(r.nm), 846.683, kNmTol);
  EXPECT_NEAR(r.azimuth, 45.300184, 1e-6);
  // Along the equator beyond 90 degrees of longitude.
  r = GreatElliptic(0, 0, 0, 150);
  EXPECT_NEAR(std::fabs(r.nm), a * 150 * kDegree / 1852, 1e-6);
}

TEST(GreatEllipticDistance, MeridiansPolesAndAntipodes) {
  RouteGeometry g = ComputeRoute(10, 30, 50, 30);
  EXPECT_NEAR(std::fabs(g.distance) / 1852, 2394.704, kNmTol);
  EXPECT_EQ(g.fwdAzimuth, 0.0);
  EXPECT_EQ(g.invAzimuth, kPi);
  EXPECT_TRUE(g.meridian);
  g = ComputeRoute(40, 0, 50, 180);  // over the nearer (north) pole
  EXPECT_NEAR(std::fabs(g.distance) / 1852, 5417.686, kNmTol);
  EXPECT_EQ(g.fwdAzimuth, 0.0);
  EXPECT_EQ(g.invAzimuth, 0.0);
  g = ComputeRoute(-40, 0, -50, -180);  // over the south pole
  EXPECT_NEAR(std::fabs(g.distance) / 1852, 5417.686, kNmTol);
  EXPECT_EQ(g.fwdAzimuth, kPi);
  EXPECT_EQ(g.invAzimuth, kPi);
  // Antipodes: the meridian section, half its circumference, over the
  // departure's pole.
  const double half = 2 * MeridianArc(0, kHalfPi, e, kMeridianFactor) / 1852;
  EXPECT_NEAR(half, 10801.259, kNmTol);
  for (auto [lat, lon] : {std::pair{10.0, 20.0}, {-35.5, 100.0}, {0.0, 0.0}, {89.0, -45.0}}) {
    g = ComputeRoute(lat, lon, -lat, lon > 0 ? lon - 180 : lon + 180);
    EXPECT_NEAR(std::fabs(g.distance) / 1852, 10801.259, kNmTol) << lat << " " << lon;
    EXPECT_EQ(g.fwdAzimuth, lat >= 0 ? 0.0 : kPi);
    EXPECT_TRUE(std::isfinite(g.invAzimuth) && std::isfinite(g.loxoDistance));
  }
  g = ComputeRoute(90, 0, -90, 0);
  EXPECT_NEAR(std::fabs(g.distance) / 1852, 10801.259, kNmTol);
}

TEST(Loxodrome, WorkedExamplesAndEdgeCourses) {
  Sailing r = Rhumb(0, 0, 30, 60);
  EXPECT_NEAR(r.azimuth, 62.4647, kDegTol);
  EXPECT_NEAR(r.nm, 3877.864, kNmTol);
  r = Rhumb(-33.9, 18.4, 40.7, -74.0);
  EXPECT_NEAR(r.azimuth, 310.9697, kDegTol);
  EXPECT_NEAR(r.nm, 6802.230, kNmTol);
  r = Rhumb(40.7, -74.0, -33.9, 18.4);
  EXPECT_NEAR(r.azimuth, 130.9697, kDegTol);
  EXPECT_NEAR(r.nm, 6802.230, kNmTol);
  r = Rhumb(-10, 170, 20, -170);  // across the 180th meridian, eastward
  EXPECT_NEAR(r.azimuth, 33.4515, kDegTol);
  EXPECT_NEAR(r.nm, 2147.409, kNmTol);
  r = Rhumb(20, -170, -10, 170);
  EXPECT_NEAR(r.azimuth, 213.4515, kDegTol);
  r = Rhumb(20, 30, 20, 50);
  EXPECT_EQ(r.azimuth, 90.0);
  EXPECT_NEAR(r.nm, 1130.098, kNmTol);
  r = Rhumb(20, 50, 20, 30);
  EXPECT_EQ(r.azimuth, 270.0);
  r = Rhumb(0, 10, 0, -20);
  EXPECT_EQ(r.azimuth, 270.0);
  EXPECT_NEAR(r.nm, 1803.232, kNmTol);
  r = Rhumb(30, 0, 10, 0);
  EXPECT_EQ(r.azimuth, 180.0);
  EXPECT_NEAR(r.nm, 1195.604, kNmTol);
  r = Rhumb(12, 34, 12, 34);
  EXPECT_EQ(r.azimuth, 90.0);
  EXPECT_EQ(r.nm, 0.0);
}

TEST(Loxodrome, FromAndToThePolesIsTheMeridian) {
  // Through the route computation, which carries the north pole as pi/2 - 1e-8.
  RouteGeometry g = ComputeRoute(90, 0, 12.5, 96.9);
  EXPECT_NEAR(ToDegrees(g.loxoCourse), 180.0, 1e-12);
  EXPECT_NEAR(g.loxoDistance / 1852, 4654.195, kNmTol);
  g = ComputeRoute(90, 0, 0, 0);
  EXPECT_NEAR(ToDegrees(g.loxoCourse), 180.0, 1e-12);
  EXPECT_NEAR(g.loxoDistance / 1852, 5400.629, kNmTol);
  g = ComputeRoute(0, 0, 90, 50);
  EXPECT_EQ(g.loxoCourse, 0.0);
  g = ComputeRoute(-90, 0, 20, 50);
  EXPECT_EQ(g.loxoCourse, 0.0);
  EXPECT_NEAR(g.loxoDistance / 1852, (10001965.729 + MeridianArc(0, 20 * kDegree, e, kMeridianFactor)) / 1852, kNmTol);
  g = ComputeRoute(20, 50, -90, 0);
  EXPECT_NEAR(ToDegrees(g.loxoCourse), 180.0, 1e-12);
}

TEST(EllipticStepDirect, WorkedExamplesOfTheClosedForm) {
  // The closed form is good to a few metres; the refined step moves these
  // positions by less than 1e-4 degrees.
  EllipticStepResult r = EllipticStep(40 * kDegree, -10 * kDegree, 280 * kDegree, 926000);
  EXPECT_NEAR(ToDegrees(r.phi), 40.945140, 1e-4);
  EXPECT_NEAR(ToDegrees(r.lambda), -20.856403, 1e-4);
  EXPECT_NEAR(ToDegrees(r.azimuthGc), 272.968218, 1e-4);
  EXPECT_NEAR(ToDegrees(r.azimuth), 272.968234, 1e-4);
  r = EllipticStep(-35 * kDegree, 20 * kDegree, 120 * kDegree, 555600);
  EXPECT_NEAR(ToDegrees(r.phi), -37.383725, 1e-4);
  EXPECT_NEAR(ToDegrees(r.lambda), 25.433955, 1e-4);
  EXPECT_NEAR(ToDegrees(r.azimuth), 116.803190, 1e-4);
  r = EllipticStep(10 * kDegree, 179 * kDegree, 60 * kDegree, 740800);
  EXPECT_NEAR(ToDegrees(r.lambda), 184.917699, 1e-4);  // not reduced
  EXPECT_NEAR(ToDegrees(r.phi), 13.291069, 1e-4);
  // Along the equator (latitude carried as 1e-8): a pi/18 moves 10 degrees,
  // on the equator itself.
  r = EllipticStep(kEquatorLatitude, 0, kHalfPi, a * kPi / 18);
  EXPECT_NEAR(ToDegrees(r.lambda), 10.0, 1e-12);
  EXPECT_EQ(r.phi, 0.0);
  EXPECT_NEAR(r.azimuth, kHalfPi, 1e-15);
  // Due north on a meridian stays on it and reports 360 degrees.
  r = EllipticStep(20 * kDegree, 30 * kDegree, 0.0, 500000);
  EXPECT_EQ(r.lambda, 30 * kDegree);
  EXPECT_EQ(r.azimuth, kTwoPi);
  r = EllipticStep(20 * kDegree, 30 * kDegree, kPi, 500000);
  EXPECT_EQ(r.azimuth, kPi);
  // Over the pole the meridian continues on the opposite half.
  r = EllipticStep(80 * kDegree, 30 * kDegree, 0.0, 2500000);
  EXPECT_EQ(r.lambda, 30 * kDegree + kPi);
  EXPECT_EQ(r.azimuth, kPi);
}

TEST(EllipticStepDirect, StepsAreExactAgainstTheArcMeasure) {
  // A step and the distance measured back agree to a micro-mile, for steps up
  // to half the globe, past the poles and across the equator.
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

// Cross-check over seeded random routes and each class of route: the great
// ellipse against the exact arc of the plane section, the rhumb line against
// GeographicLib.
TEST(CrossCheck, RandomRoutesAgainstIndependentReferences) {
  struct Route {
    double lat1, lon1, lat2, lon2;
  };
  std::vector<Route> routes = {
      {-33.9, 18.4, 40.7, -74.0}, {-5, 100, 5, 110},     {0, 0, 0, 60},
      {0, 10, 0, -20},            {10, 30, 50, 30},      {40, 0, 50, 180},
      {50, -10, 89.5, 0},         {30, 170, 40, -170},   {-10, 170, 20, -170},
      {20, -170, -10, 170},       {10, 0, 10.001, 0.01}, {-60, -70, -60, -69.99},
      {85, 0, 85, 179},           {-1, -179.9, 1, 179.9}, {0, 0, 0.005, 0.005}};
  std::mt19937 rng(20261206);
  std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180, 180);
  while (routes.size() < 400) {
    Route r{lat(rng), lon(rng), lat(rng), lon(rng)};
    // Leave out near-antipodes, where the plane is undetermined.
    const ref::V p = ref::Ecef(r.lat1, r.lon1), q = ref::Ecef(r.lat2, r.lon2);
    const ref::V n = ref::Cross(ref::Unit(p), ref::Unit(q));
    if (std::sqrt(ref::Dot(n, n)) < 1e-3 && ref::Dot(p, q) < 0) continue;
    routes.push_back(r);
  }
  for (const Route& r : routes) {
    const RouteGeometry g = ComputeRoute(r.lat1, r.lon1, r.lat2, r.lon2);
    const ref::GreatEllipse exact = ref::ExactGreatEllipse(r.lat1, r.lon1, r.lat2, r.lon2);
    SCOPED_TRACE(::testing::Message() << r.lat1 << " " << r.lon1 << " " << r.lat2 << " " << r.lon2);
    EXPECT_NEAR(std::fabs(g.distance) / 1852, exact.distance, kNmTol);
    EXPECT_LT(ref::AngleDiff(ToDegrees(g.fwdAzimuth), exact.forward), 1e-5);
    EXPECT_LT(ref::AngleDiff(ToDegrees(g.invAzimuth), exact.inverse), 1e-5);

    double s12, azi12;
    ref::Rhumb().Inverse(r.lat1, r.lon1, r.lat2, r.lon2, s12, azi12);
    EXPECT_NEAR(g.loxoDistance / 1852, s12 / 1852, kNmTol);
    EXPECT_LT(ref::AngleDiff(ToDegrees(g.loxoCourse), azi12), 1e-5);
  }
}
