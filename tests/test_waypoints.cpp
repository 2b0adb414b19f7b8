// Waypoint tables: worked examples, the mended cases, and every waypoint
// against an independent reference: the route plane (mode 1), the exact arc
// of the plane section (great ellipse), GeographicLib's rhumb direct problem.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <random>
#include <sstream>

#include "api/rows.h"
#include "elliptic/waypoints.h"
#include "output_check.h"
#include "reference.h"
#include "sailings/text.hpp"
#include "sailings/writers.hpp"

using namespace sailings;

namespace {

struct Row {
  long number;
  double lat, lon;
  std::optional<double> azimuth;
  double leg, total;  // NM; 0 in the departure row
};

enum Kind { kLongitudes, kEllipse, kRhumb };

// Runs a generator (console and file must receive the same bytes) and reads
// the table back. For the distance steps `legNm` (mode 3) or `count` (mode 2,
// legNm = 0) sets the steps along the method's own line.
std::vector<Row> Table(const RouteGeometry& g, Kind kind, long count, double legNm = 0) {
  std::ostringstream console, file;
  ClassicTableText table(console, &file, {true, false, nullptr});  // the dialogue's table
  struct Classic : RowSink {
    explicit Classic(ClassicTableText& table) : table(table) {}
    void Row(const WaypointRow& row) override { table.Row(ToWaypoint(row), ToClassicCells(row)); }
    ClassicTableText& table;
  } generated(table);
  const double length = kind == kRhumb ? g.loxoDistance : std::fabs(g.distance);
  const double step = legNm > 0 ? legNm * 1852 : length / (count + 1.0);
  const long n = legNm > 0 ? static_cast<long>(length / step) : count;
  if (kind == kLongitudes) IntermediateLongitudeTable(g, count, generated);
  if (kind == kEllipse) GreatEllipseTable(g, n, step, generated);
  if (kind == kRhumb) RhumbLineTable(g, n, step, generated);
  EXPECT_EQ(console.str(), file.str());
  EXPECT_FALSE(check::HasNonFiniteNumber(console.str()));
  std::istringstream in(console.str());
  std::string line, az, leg, total;
  for (int skip = 0; skip < 4; ++skip) std::getline(in, line);
  std::vector<Row> rows;
  for (Row r{}; std::getline(in, line); rows.push_back(r)) {
    std::istringstream(line) >> r.number >> r.lat >> r.lon >> az >> leg >> total;
    r.azimuth = az == "*" ? std::nullopt : std::optional<double>(std::stod(az));
    r.leg = leg == "*" ? 0 : std::stod(leg);
    r.total = total == "*" ? 0 : std::stod(total);
  }
  return rows;
}

void ExpectAt(const Row& r, double lat, double lon, double tol) {
  EXPECT_NEAR(r.lat, lat, tol) << "row " << r.number;
  EXPECT_LT(ref::AngleDiff(r.lon, lon), tol) << "row " << r.number << " lon " << r.lon;
}

// Worked positions {row, latitude, longitude} of one table.
void ExpectRows(const std::vector<Row>& rows, std::initializer_list<std::array<double, 3>> expected,
                double tol) {
  for (const auto& x : expected) {
    ASSERT_LT(x[0], rows.size());
    ExpectAt(rows[static_cast<std::size_t>(x[0])], x[1], x[2], tol);
  }
}

}  // namespace

TEST(IntermediateLongitudes, WorkedExamplesAndThePlane) {
  ExpectRows(Table(ComputeRoute(10, 20, 50, 60), kLongitudes, 2),
             {{1, 28.84086, 33.33333}, {2, 41.83977, 46.66667}}, 1e-5);
  ExpectRows(Table(ComputeRoute(37, -122, 35, 139), kLongitudes, 4),  // westward, dlon = +261
             {{1, 44.6998, -141.8}, {2, 47.9481, -161.6}, {3, 47.6362, 178.6}, {4, 43.6759, 158.8}},
             1e-4);
  ExpectRows(Table(ComputeRoute(40, 170, 40, -170), kLongitudes, 3),  // eastward across 180
             {{1, 40.3247, 175}, {2, 40.4325, 180}, {3, 40.3247, -175}}, 1e-4);
  ExpectRows(Table(ComputeRoute(40, -170, 40, 170), kLongitudes, 3), {{1, 40.3247, -175}}, 1e-4);
  auto rows = Table(ComputeRoute(10, 20, 50, 60), kLongitudes, 0);  // the destination row only
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NEAR(rows[1].total, ref::ExactGreatEllipse(10, 20, 50, 60).distance, 1e-4);

  // Every point lies on the route's plane (the latitude where the plane meets
  // the printed meridian, by bisection) and every leg is the exact arc.
  for (const auto& r : {std::array<double, 4>{-33.9, 18.4, 40.7, -74},
                        {-5, 100, 5, 110},
                        {0, 0, 0.5, 120},
                        {60, -170, 55, 160},
                        {-70, 10, -60, -120}}) {
    const ref::V n = ref::Cross(ref::Ecef(r[0], r[1]), ref::Ecef(r[2], r[3]));
    rows = Table(ComputeRoute(r[0], r[1], r[2], r[3]), kLongitudes, 17);
    for (std::size_t k = 1; k + 1 < rows.size(); ++k) {
      double lo = -89.999999, hi = 89.999999;
      const bool below = ref::Dot(n, ref::Ecef(lo, rows[k].lon)) > 0;
      for (int i = 0; i < 100; ++i)
        ((ref::Dot(n, ref::Ecef((lo + hi) / 2, rows[k].lon)) > 0) == below ? lo : hi) =
            (lo + hi) / 2;
      EXPECT_NEAR(rows[k].lat, lo, 1.5e-6) << k;
      EXPECT_NEAR(rows[k].leg,
                  ref::ExactGreatEllipse(rows[k - 1].lat, rows[k - 1].lon, rows[k].lat, rows[k].lon)
                      .distance,
                  1e-4);
    }
  }
}

TEST(GreatEllipseWaypoints, WorkedExamples) {
  // The worked positions were chained with a closed-form step that had
  // drifted up to 2.6 m by the last row; the exact arc is checked below.
  RouteGeometry g = ComputeRoute(10, -20, 30, 40);
  auto rows = Table(g, kEllipse, 0, 1000);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_NEAR(*rows[0].azimuth, 61.071876, 1e-6);
  ExpectRows(rows,
             {{1, 17.672783, -4.758916}, {2, 24.077782, 11.702250}, {3, 28.564660, 29.592845}},
             1e-5);
  EXPECT_NEAR(*rows[3].azimuth, 78.546413, 1e-5);
  EXPECT_EQ(rows[1].leg, 1000.0);  // where the closed form gave 999.999971
  EXPECT_NEAR(rows[4].leg, 552.565933, 1e-6);
  EXPECT_NEAR(rows[4].total, 3552.565933, 1e-6);
  rows = Table(g, kEllipse, 3);  // mode 2: four equal legs, the destination's too
  ExpectRows(rows, {{1, 16.865771, -6.516823}, {2, 22.788270, 7.896133}, {3, 27.312319, 23.436648}},
             1e-5);
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(rows[k].leg, 888.141483, 1e-6);

  rows = Table(ComputeRoute(30, 170, 40, -170), kEllipse, 0, 300);  // across 180
  EXPECT_NEAR(*rows[0].azimuth, 53.234402, 1e-6);
  ExpectRows(rows,
             {{1, 32.913869, 174.757128}, {2, 35.634458, 179.824591}, {3, 38.127333, -174.768864}},
             3e-5);
  EXPECT_NEAR(rows[4].total, 1149.488700, 1e-6);

  rows = Table(ComputeRoute(0, 0, 0, 40), kEllipse, 0, 600);  // along the equator
  ASSERT_EQ(rows.size(), 6u);
  ExpectRows(rows, {{1, 0, 9.982079}, {2, 0, 19.964159}, {3, 0, 29.946238}, {4, 0, 39.928318}},
             1e-6);
  EXPECT_NEAR(*rows[4].azimuth, 90, 1e-6);
  EXPECT_NEAR(rows[5].leg, 4.308656, 1e-6);

  rows = Table(ComputeRoute(10, 30, 50, 30), kEllipse, 4);  // northwards on a meridian
  for (int k = 1; k <= 4; ++k) EXPECT_TRUE(rows[k].lon == 30.0 && *rows[k].azimuth == 360.0);
}

TEST(GreatEllipseWaypoints, NoDriftAndStepsNearThePoles) {
  const struct {
    double lat1, lon1, lat2, lon2, leg, last;
    std::size_t rows;
  } cases[] = {// Guards drift: 6525.579550 NM in 1 NM legs, every one 1 NM to a
               // micromile, the remainder last (an error that adds up shows by the end).
               {-50, -60, 40, 10, 1, 0.579550, 6527},
               // Guards steps of 90 degrees of longitude and more near a pole (an
               // angle taken modulo the wrong turn).
               {85, 0, 85, 179, 300, 3.061, 4},
               // Guards steps across a vertex a few degrees from the pole (the ends
               // half a turn of longitude apart).
               {70, 0, 75, 179.5, 600, 310.138, 5}};
  for (const auto& c : cases) {
    const auto rows = Table(ComputeRoute(c.lat1, c.lon1, c.lat2, c.lon2), kEllipse, 0, c.leg);
    ASSERT_EQ(rows.size(), c.rows);
    for (std::size_t k = 1; k + 1 < rows.size(); ++k) ASSERT_NEAR(rows[k].leg, c.leg, 1e-6) << k;
    EXPECT_NEAR(rows.back().leg, c.last, c.leg == 1 ? 1e-6 : 1e-3);
  }
}

TEST(RhumbWaypoints, WorkedExamplesAlongTheRhumbLinesOwnLength) {
  RouteGeometry g = ComputeRoute(10, -20, 30, 40);
  auto rows = Table(g, kRhumb, 0, 1000);
  ExpectRows(rows,
             {{1, 15.599643, -3.917598}, {2, 21.196449, 12.607919}, {3, 26.789564, 29.769229}},
             1e-6);
  for (int k = 0; k <= 3; ++k) EXPECT_NEAR(*rows[k].azimuth, 70.458118, 1e-6);
  EXPECT_NEAR(rows[4].leg, 574.346485, 1e-6);
  rows = Table(g, kRhumb, 3);  // mode 2 divides the rhumb line: four equal legs
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(rows[k].leg, 893.586621, 1e-6);
  rows = Table(g, kRhumb, 0, 10);  // 357 waypoints and the remainder
  ASSERT_EQ(rows.size(), 359u);
  EXPECT_NEAR(rows.back().leg, 4.346485, 1e-6);

  rows = Table(ComputeRoute(30, 170, 40, -170), kRhumb, 0, 300);
  ExpectRows(rows,
             {{1, 32.607011, 174.984862}, {2, 35.212939, -179.883685}, {3, 37.817745, -174.585510}},
             1e-6);
  EXPECT_NEAR(*rows[2].azimuth, 58.650872, 1e-6);
  EXPECT_NEAR(rows[4].total, 1151.436247, 1e-6);  // RhumbSolve: 2132459.9295 m

  rows = Table(ComputeRoute(20, 50, 20, 30), kRhumb, 0, 400);  // westward on a parallel
  ExpectRows(rows, {{1, 20, 42.920969}, {2, 20, 35.841937}}, 1e-6);
  EXPECT_EQ(*rows[1].azimuth, 270.0);
  EXPECT_NEAR(rows[3].total, 1130.098124, 1e-6);

  rows = Table(ComputeRoute(90, 0, 12.5, 96.9), kRhumb,
               3);  // from the pole: the destination's meridian
  for (int k = 1; k <= 3; ++k)
    EXPECT_TRUE(std::fabs(rows[k].lon - 96.9) < 1e-9 && *rows[k].azimuth == 180.0);
}

// Each waypoint at k x step from the departure: on the exact arc of the
// plane section (great ellipse) and by GeographicLib's rhumb direct problem.
TEST(WaypointsAgainstReferences, EveryRowAtItsDistance) {
  const struct {
    double lat1, lon1, lat2, lon2, step;
  } routes[] = {{-33.9, 18.4, 40.7, -74, 500},
                {30, 170, 40, -170, 100},
                {0, 10, 0, -20, 250},
                {-20, 30, 60, 30, 333},
                {80, -10, 82, 170, 100},
                {-5, 100, 5, 110, 100},
                {-40, -60, 35, 115, 900},
                {10, 20, 10.01, 20.01, 0.05},
                {-10, 170, 20, -170, 77},
                {20, 30, 20.00001, 50, 50},
                {70, -20, -60, 40, 1000},
                {-40, -60, 35, 115, 1}};  // 10,424 rows: worked out in blocks, on two cores
  for (const auto& r : routes) {
    const RouteGeometry g = ComputeRoute(r.lat1, r.lon1, r.lat2, r.lon2);
    double angle, s12, azi12;
    const ref::Section s =
        ref::SectionThrough(ref::Ecef(r.lat1, r.lon1), ref::Ecef(r.lat2, r.lon2), angle);
    ref::Rhumb().Inverse(r.lat1, r.lon1, r.lat2, r.lon2, s12, azi12);
    const auto ellipse = Table(g, kEllipse, 0, r.step);
    const auto rhumb = Table(g, kRhumb, 0, r.step);
    for (std::size_t k = 1; k + 1 < std::max(ellipse.size(), rhumb.size()); ++k) {
      // Of a long table, the rows next to the blocks' seams and every 61st.
      if (ellipse.size() > 5000 && k % 61 != 0 && (k + 2) % 2048 > 4) {
        EXPECT_TRUE(k + 1 >= ellipse.size() || std::fabs(ellipse[k].total - k * r.step) < 1e-4)
            << k;
        EXPECT_TRUE(k + 1 >= rhumb.size() || std::fabs(rhumb[k].leg - r.step) < 1e-4) << k;
        continue;
      }
      double lat, lon;
      if (k + 1 < ellipse.size()) {
        ref::Geodetic(s.Point(s.AngleAtArc(k * r.step * 1852)), lat, lon);
        ExpectAt(ellipse[k], lat, lon, 1e-6);
        EXPECT_NEAR(ellipse[k].total, k * r.step, 1e-4);
      }
      if (k + 1 < rhumb.size()) {
        ref::Rhumb().Direct(r.lat1, r.lon1, azi12, k * r.step * 1852, lat, lon);
        ExpectAt(rhumb[k], lat, lon, 1e-6);
        EXPECT_NEAR(rhumb[k].leg, r.step, 1e-4);
      }
    }
    EXPECT_NEAR(ellipse.back().total, s.Arc(angle) / 1852, 1e-4);
    EXPECT_NEAR(rhumb.back().total, s12 / 1852, 1e-4);
  }
}

// The table's number writer against the standard library's correctly rounded
// conversion, on random values and on values next to the rounding ties.
TEST(WaypointTableFormat, FixedDecimalsAreCorrectlyRounded) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> wide(-40000, 40000);
  for (int i = 0; i < 200000; ++i) {
    const int decimals = i % 2 ? 6 : 8;
    double v = wide(rng);
    if (i % 3 == 0) v = std::nextafter((std::floor(v * 1e6) + 0.5) / 1e6, (i % 4) ? 1e9 : -1e9);
    if (i % 5 == 0) v = std::ldexp(v, -30);
    char mine[400], theirs[400];
    const std::string a(mine, FormatFixed(mine, v, decimals));
    const std::string b(
        theirs, std::to_chars(theirs, theirs + 400, v, std::chars_format::fixed, decimals).ptr);
    ASSERT_EQ(a, b) << std::hexfloat << v;
  }
}
