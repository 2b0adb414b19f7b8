// Waypoint tables: the worked examples, the mended cases, and every waypoint
// against an independent reference: the route plane (mode 1), the exact arc
// of the plane section (great ellipse) and GeographicLib's rhumb direct
// problem (rhumb line).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

#include "elliptic/waypoints.h"
#include "reference.h"

using namespace sailings;

namespace {

struct Row {
  long number;
  double lat, lon;
  std::optional<double> azimuth;
  double leg, total;  // NM; 0 in the departure row
};

// Runs a generator and reads its table back; the console and the file copy
// must be byte for byte the same.
std::vector<Row> Table(const std::function<void(WaypointTable&)>& generate) {
  std::ostringstream console, file;
  WaypointTable table(console, file, false);
  generate(table);
  EXPECT_EQ(console.str(), file.str());
  EXPECT_EQ(console.str().find("nan"), std::string::npos);
  EXPECT_EQ(console.str().find("inf"), std::string::npos);
  std::istringstream in(console.str());
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  std::getline(in, line);
  EXPECT_EQ(line, "WP    latitude    longitude    azimuth   legdistance  totaldistance");
  std::getline(in, line);
  std::vector<Row> rows;
  while (std::getline(in, line)) {
    std::istringstream cells(line);
    Row r{};
    std::string az, leg, total;
    cells >> r.number >> r.lat >> r.lon >> az >> leg >> total;
    if (az != "*") r.azimuth = std::stod(az);
    r.leg = leg == "*" ? 0 : std::stod(leg);
    r.total = total == "*" ? 0 : std::stod(total);
    rows.push_back(r);
  }
  return rows;
}

std::vector<Row> GreatEllipse(const RouteGeometry& g, long n, double stepNm) {
  return Table([&](WaypointTable& t) { GreatEllipseTable(g, n, stepNm * 1852, t); });
}
std::vector<Row> Rhumb(const RouteGeometry& g, long n, double stepNm) {
  return Table([&](WaypointTable& t) { RhumbLineTable(g, n, stepNm * 1852, t); });
}
std::vector<Row> Longitudes(const RouteGeometry& g, long n) {
  return Table([&](WaypointTable& t) { IntermediateLongitudeTable(g, n, t); });
}
long Legs(const RouteGeometry& g, double legNm, bool rhumb) {
  const double length = rhumb ? g.loxoDistance : std::fabs(g.distance);
  return static_cast<long>(length / (legNm * 1852));
}

void ExpectAt(const Row& r, double lat, double lon, double tol) {
  EXPECT_NEAR(r.lat, lat, tol) << "row " << r.number;
  EXPECT_LT(ref::AngleDiff(r.lon, lon), tol) << "row " << r.number << " lon " << r.lon;
}

}  // namespace

TEST(IntermediateLongitudes, WorkedExamples) {
  auto rows = Longitudes(ComputeRoute(10, 20, 50, 60), 2);
  ASSERT_EQ(rows.size(), 4u);
  ExpectAt(rows[1], 28.84086, 33.33333, 1e-5);
  ExpectAt(rows[2], 41.83977, 46.66667, 1e-5);
  EXPECT_FALSE(rows[0].azimuth.has_value());
  EXPECT_TRUE(rows[3].azimuth.has_value());

  rows = Longitudes(ComputeRoute(37, -122, 35, 139), 4);  // westward, dlon = +261
  ASSERT_EQ(rows.size(), 6u);
  ExpectAt(rows[1], 44.6998, -141.8, 1e-4);
  ExpectAt(rows[2], 47.9481, -161.6, 1e-4);
  ExpectAt(rows[3], 47.6362, 178.6, 1e-4);
  ExpectAt(rows[4], 43.6759, 158.8, 1e-4);

  rows = Longitudes(ComputeRoute(40, 170, 40, -170), 3);  // eastward across 180
  ExpectAt(rows[1], 40.3247, 175, 1e-4);
  ExpectAt(rows[2], 40.4325, 180, 1e-4);
  ExpectAt(rows[3], 40.3247, -175, 1e-4);
  rows = Longitudes(ComputeRoute(40, -170, 40, 170), 3);  // westward across 180
  ExpectAt(rows[1], 40.3247, -175, 1e-4);

  // No intermediate point: the destination row carries the whole route.
  const RouteGeometry g = ComputeRoute(10, 20, 50, 60);
  rows = Longitudes(g, 0);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].number, 1);
  EXPECT_NEAR(rows[1].leg, std::fabs(g.distance) / 1852, 1e-6);
  EXPECT_NEAR(rows[1].total, rows[1].leg, 1e-6);
}

TEST(IntermediateLongitudes, PointsLieOnTheRoutePlane) {
  struct R {
    double lat1, lon1, lat2, lon2;
  };
  for (const R r : {R{10, 20, 50, 60}, R{-33.9, 18.4, 40.7, -74}, R{-5, 100, 5, 110},
                    R{0, 0, 0.5, 120}, R{60, -170, 55, 160}, R{-70, 10, -60, -120}}) {
    const RouteGeometry g = ComputeRoute(r.lat1, r.lon1, r.lat2, r.lon2);
    const ref::V n = ref::Cross(ref::Ecef(r.lat1, r.lon1), ref::Ecef(r.lat2, r.lon2));
    const auto rows = Longitudes(g, 17);
    double total = 0;
    for (std::size_t k = 1; k + 1 < rows.size(); ++k) {
      // The latitude where the plane meets the printed meridian, by bisection.
      double lo = -89.999999, hi = 89.999999;
      const double slo = ref::Dot(n, ref::Ecef(lo, rows[k].lon));
      for (int i = 0; i < 100; ++i) {
        const double mid = 0.5 * (lo + hi);
        ((ref::Dot(n, ref::Ecef(mid, rows[k].lon)) > 0) == (slo > 0) ? lo : hi) = mid;
      }
      EXPECT_NEAR(rows[k].lat, lo, 1.5e-6) << k;
      const ref::GreatEllipse leg =
          ref::ExactGreatEllipse(rows[k - 1].lat, rows[k - 1].lon, rows[k].lat, rows[k].lon);
      EXPECT_NEAR(rows[k].leg, leg.distance, 1e-4);
      total += rows[k].leg;
    }
    EXPECT_NEAR(rows.back().total, std::fabs(g.distance) / 1852, 1e-4);
  }
}

TEST(GreatEllipseWaypoints, WorkedExamples) {
  RouteGeometry g = ComputeRoute(10, -20, 30, 40);
  EXPECT_NEAR(std::fabs(g.distance) / 1852, 3552.565933, 1e-6);
  auto rows = GreatEllipse(g, Legs(g, 1000, false), 1000);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_NEAR(*rows[0].azimuth, 61.071876, 1e-6);
  // The worked positions were chained with the closed-form step, which had
  // drifted 0.3 m by row 2 and 0.7 m by row 3; the exact arc is checked below.
  ExpectAt(rows[1], 17.672783, -4.758916, 2e-6);
  EXPECT_NEAR(*rows[1].azimuth, 64.722307, 2e-6);
  EXPECT_EQ(rows[1].leg, 1000.0);  // exact, where the closed form gave 999.999971
  EXPECT_EQ(rows[2].leg, 1000.0);
  ExpectAt(rows[2], 24.077782, 11.702250, 1e-5);
  ExpectAt(rows[3], 28.564660, 29.592845, 1e-5);
  EXPECT_NEAR(*rows[3].azimuth, 78.546413, 1e-5);
  EXPECT_NEAR(rows[4].leg, 552.565933, 1e-6);
  EXPECT_NEAR(rows[4].total, 3552.565933, 1e-6);
  EXPECT_FALSE(rows[4].azimuth.has_value());

  rows = GreatEllipse(g, 3, std::fabs(g.distance) / 1852 / 4);  // mode 2, n = 3
  ExpectAt(rows[1], 16.865771, -6.516823, 2e-6);
  ExpectAt(rows[2], 22.788270, 7.896133, 1e-5);
  ExpectAt(rows[3], 27.312319, 23.436648, 1e-5);
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(rows[k].leg, 888.141483, 1e-6);  // the destination leg too

  g = ComputeRoute(30, 170, 40, -170);  // across the 180th meridian
  rows = GreatEllipse(g, Legs(g, 300, false), 300);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_NEAR(*rows[0].azimuth, 53.234402, 1e-6);
  ExpectAt(rows[1], 32.913869, 174.757128, 5e-6);
  ExpectAt(rows[2], 35.634458, 179.824591, 2e-5);
  ExpectAt(rows[3], 38.127333, -174.768864, 3e-5);  // the closed form had drifted 2.6 m
  EXPECT_NEAR(rows[4].total, 1149.488700, 1e-6);

  g = ComputeRoute(0, 0, 0, 40);  // along the equator
  rows = GreatEllipse(g, Legs(g, 600, false), 600);
  ASSERT_EQ(rows.size(), 6u);
  const double lons[] = {9.982079, 19.964159, 29.946238, 39.928318};
  for (int k = 1; k <= 4; ++k) {
    ExpectAt(rows[k], 0.0, lons[k - 1], 1e-6);
    EXPECT_NEAR(*rows[k].azimuth, 90, 1e-6);
    EXPECT_EQ(rows[k].leg, 600.0);
  }
  EXPECT_NEAR(rows[5].leg, 4.308656, 1e-6);
  EXPECT_NEAR(rows[5].total, 2404.308656, 1e-6);

  g = ComputeRoute(10, 30, 50, 30);  // along a meridian, northwards
  rows = GreatEllipse(g, 4, 400);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(rows[k].lon, 30.0);
    EXPECT_EQ(*rows[k].azimuth, 360.0);
  }
}

TEST(GreatEllipseWaypoints, MendedDriftAndStepsNearThePoles) {
  // 1 NM legs from 50 S 60 W to 40 N 10 E: every leg one mile to the
  // micro-mile, the last leg the remainder.
  RouteGeometry g = ComputeRoute(-50, -60, 40, 10);
  auto rows = GreatEllipse(g, Legs(g, 1, false), 1);
  ASSERT_GT(rows.size(), 6000u);
  for (std::size_t k = 1; k + 1 < rows.size(); ++k) ASSERT_NEAR(rows[k].leg, 1.0, 1e-6) << k;
  EXPECT_NEAR(rows.back().leg, 0.579550, 1e-6);
  const ref::GreatEllipse exact = ref::ExactGreatEllipse(-50, -60, 40, 10);
  EXPECT_NEAR(rows.back().total, exact.distance, 1e-4);

  // A great ellipse passing close to the pole: steps of 90 degrees of
  // longitude and more land where they should.
  g = ComputeRoute(85, 0, 85, 179);
  rows = GreatEllipse(g, Legs(g, 300, false), 300);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1].leg, 300.0);
  EXPECT_EQ(rows[2].leg, 300.0);
  EXPECT_NEAR(rows[3].leg, 3.061, 0.001);
  g = ComputeRoute(70, 0, 75, 179.5);
  rows = GreatEllipse(g, Legs(g, 600, false), 600);
  ASSERT_EQ(rows.size(), 5u);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(rows[k].leg, 600.0);
  EXPECT_NEAR(rows[4].leg, 310.138, 0.001);
}

TEST(GreatEllipseWaypoints, EachWaypointAtItsDistanceAlongTheExactArc) {
  struct R {
    double lat1, lon1, lat2, lon2, step;
  };
  for (const R r : {R{-33.9, 18.4, 40.7, -74, 500}, R{30, 170, 40, -170, 100},
                    R{0, 10, 0, -20, 250}, R{-20, 30, 60, 30, 333}, R{80, -10, 82, 170, 100},
                    R{-5, 100, 5, 110, 100}, R{-40, -60, 35, 115, 900}, R{10, 20, 10.01, 20.01, 0.05}}) {
    const RouteGeometry g = ComputeRoute(r.lat1, r.lon1, r.lat2, r.lon2);
    const auto rows = GreatEllipse(g, Legs(g, r.step, false), r.step);
    double angle;
    const ref::Section s =
        ref::SectionThrough(ref::Ecef(r.lat1, r.lon1), ref::Ecef(r.lat2, r.lon2), angle);
    for (std::size_t k = 1; k + 1 < rows.size(); ++k) {
      double lat, lon;
      ref::Geodetic(s.Point(s.AngleAtArc(k * r.step * 1852)), lat, lon);
      ExpectAt(rows[k], lat, lon, 1e-6);
      EXPECT_NEAR(rows[k].total, k * r.step, 1e-4);
    }
    EXPECT_NEAR(rows.back().total, s.Arc(angle) / 1852, 1e-4);
  }
}

TEST(RhumbWaypoints, WorkedExamplesAndTheRhumbLinesOwnLength) {
  RouteGeometry g = ComputeRoute(10, -20, 30, 40);
  EXPECT_NEAR(g.loxoDistance / 1852, 3574.346485, 1e-6);
  auto rows = Rhumb(g, Legs(g, 1000, true), 1000);
  ASSERT_EQ(rows.size(), 5u);
  ExpectAt(rows[1], 15.599643, -3.917598, 1e-6);
  ExpectAt(rows[2], 21.196449, 12.607919, 1e-6);
  ExpectAt(rows[3], 26.789564, 29.769229, 1e-6);
  for (int k = 0; k <= 3; ++k) EXPECT_NEAR(*rows[k].azimuth, 70.458118, 1e-6);
  EXPECT_NEAR(rows[4].leg, 574.346485, 1e-6);
  // Mode 2 divides the rhumb line itself: four equal legs.
  rows = Rhumb(g, 3, g.loxoDistance / 1852 / 4);
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(rows[k].leg, 893.586621, 1e-6);
  // Mode 3 with 10 NM legs: 357 waypoints and the remainder.
  EXPECT_EQ(Legs(g, 10, true), 357);
  rows = Rhumb(g, 357, 10);
  EXPECT_NEAR(rows.back().leg, 4.346485, 1e-6);

  g = ComputeRoute(30, 170, 40, -170);
  rows = Rhumb(g, Legs(g, 300, true), 300);
  ASSERT_EQ(rows.size(), 5u);
  ExpectAt(rows[1], 32.607011, 174.984862, 1e-6);
  ExpectAt(rows[2], 35.212939, -179.883685, 1e-6);
  ExpectAt(rows[3], 37.817745, -174.585510, 1e-6);
  EXPECT_NEAR(*rows[2].azimuth, 58.650872, 1e-6);
  EXPECT_NEAR(rows[4].leg, 251.436246, 1e-6);
  EXPECT_NEAR(rows[4].total, 1151.436247, 1e-6);  // RhumbSolve: 2132459.9295 m

  g = ComputeRoute(20, 50, 20, 30);  // westward along a parallel
  rows = Rhumb(g, Legs(g, 400, true), 400);
  ASSERT_EQ(rows.size(), 4u);
  ExpectAt(rows[1], 20, 42.920969, 1e-6);
  ExpectAt(rows[2], 20, 35.841937, 1e-6);
  EXPECT_EQ(*rows[1].azimuth, 270.0);
  EXPECT_NEAR(rows[3].leg, 330.098124, 1e-6);
  EXPECT_NEAR(rows[3].total, 1130.098124, 1e-6);

  g = ComputeRoute(90, 0, 12.5, 96.9);  // from the pole: down the destination's meridian
  rows = Rhumb(g, 3, 1000);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_NEAR(rows[k].lon, 96.9, 1e-9);
    EXPECT_EQ(*rows[k].azimuth, 180.0);
    EXPECT_NEAR(rows[k].leg, 1000, 1e-6);
  }
}

TEST(RhumbWaypoints, EachWaypointIsTheRhumbDirectProblem) {
  struct R {
    double lat1, lon1, lat2, lon2, step;
  };
  for (const R r : {R{-33.9, 18.4, 40.7, -74, 500}, R{30, 170, 40, -170, 100},
                    R{0, 10, 0, -20, 250}, R{-20, 30, 60, 30, 333}, R{-10, 170, 20, -170, 77},
                    R{20, 30, 20.00001, 50, 50}, R{70, -20, -60, 40, 1000}, R{1, 1, 1.001, 1.001, 0.01}}) {
    const RouteGeometry g = ComputeRoute(r.lat1, r.lon1, r.lat2, r.lon2);
    double s12, azi12;
    ref::Rhumb().Inverse(r.lat1, r.lon1, r.lat2, r.lon2, s12, azi12);
    const auto rows = Rhumb(g, Legs(g, r.step, true), r.step);
    for (std::size_t k = 1; k + 1 < rows.size(); ++k) {
      double lat, lon;
      ref::Rhumb().Direct(r.lat1, r.lon1, azi12, k * r.step * 1852, lat, lon);
      ExpectAt(rows[k], lat, lon, 1e-6);
      EXPECT_NEAR(rows[k].leg, r.step, 1e-4);
    }
    EXPECT_NEAR(rows.back().total, s12 / 1852, 1e-4);
  }
}
