// Passage planning: the vertex and the composite track against exact
// geometry computed independently (the plane section's highest point by
// bisection on the slope of its height; tangent points by bisection on the
// section's azimuth; lengths by integration along the section and the
// parallel's radius), times of arrival worked by hand, RTZ files through the
// schema's checks, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "command.h"
#include "reference.h"
#include "sailings/line.hpp"
#include "sailings/passage.hpp"
#include "sailings/waypoints.hpp"
#include "scratch.h"

namespace fs = std::filesystem;

namespace {

Outcome Cli(const std::vector<std::string>& args,
            const fs::path& dir = scratch::Folder("passage")) {
  return RunCommand(args, dir);
}

// The whitespace-separated words of a line; "true"/"false"/"-" kept as text.
std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Z, the height above the equator's plane, of the section's point at t.
double Height(const ref::Section& s, double t) { return s.Point(t)[2]; }

// The t in [lo, hi] where the height is greatest (`sign` 1) or least (-1):
// the slope of the height, by central differences, changes sign there.
double Extreme(const ref::Section& s, double lo, double hi, double sign) {
  const double h = 1e-5;
  const auto slope = [&](double t) { return sign * (Height(s, t + h) - Height(s, t - h)); };
  for (int i = 0; i < 200 && hi - lo > 1e-14; ++i) {
    const double mid = 0.5 * (lo + hi);
    (slope(mid) > 0 ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

struct Vertex {
  double lat, lon;
  bool onRoute;
};

// The route's vertex: the highest (or lowest) point of the whole section,
// on the side where the route itself reaches farthest from the equator.
Vertex ReferenceVertex(double lat1, double lon1, double lat2, double lon2) {
  double angle;
  const ref::Section s = ref::SectionThrough(ref::Ecef(lat1, lon1), ref::Ecef(lat2, lon2), angle);
  // The highest and lowest points of the whole ellipse: bracket each from a scan.
  double tHigh = 0, tLow = 0;
  for (int k = 0; k < 3600; ++k) {
    const double t = 2 * M_PI * k / 3600;
    if (Height(s, t) > Height(s, tHigh)) tHigh = t;
    if (Height(s, t) < Height(s, tLow)) tLow = t;
  }
  tHigh = Extreme(s, tHigh - 0.01, tHigh + 0.01, 1);
  tLow = Extreme(s, tLow - 0.01, tLow + 0.01, -1);
  const auto within = [&](double t) {
    t = std::fmod(t + 4 * M_PI, 2 * M_PI);
    return t <= angle + 1e-12;
  };
  double latHigh, lonHigh, latLow, lonLow;
  ref::Geodetic(s.Point(tHigh), latHigh, lonHigh);
  ref::Geodetic(s.Point(tLow), latLow, lonLow);
  const double highest = within(tHigh) ? latHigh : std::max(lat1, lat2);
  const double lowest = within(tLow) ? latLow : std::min(lat1, lat2);
  if (highest >= -lowest) return {latHigh, lonHigh, within(tHigh)};
  return {latLow, lonLow, within(tLow)};
}

// The longitude of the point of latitude `limit` where the section from
// (lat1, lon1) touches that parallel, going east (`east` = 1) or west: there
// the section runs due east or west.
double TangentLongitude(double lat1, double lon1, double limit, double east) {
  const double target = east > 0 ? 270 : 90;  // looking back from the tangent point
  const auto off = [&](double lon) {
    return std::remainder(ref::ExactGreatEllipse(lat1, lon1, limit, lon).inverse - target, 360.0);
  };
  double lo = lon1 + east * 1e-3, hi = lon1 + east * 179;
  const double sign = off(lo) > 0 ? 1 : -1;
  for (int i = 0; i < 80; ++i) {
    const double mid = 0.5 * (lo + hi);
    (off(mid) * sign > 0 ? lo : hi) = mid;
  }
  return std::remainder(0.5 * (lo + hi), 360.0);
}

}  // namespace

TEST(Passage, VertexAgainstTheHighestPointOfTheSection) {
  const struct {
    double lat1, lon1, lat2, lon2;
  } routes[] = {{-33.9249, 18.4241, -33.8688, 151.2093},  // south of both ends, on the route
                {35.4437, 139.638, 37.808, -122.4177},    // north, across 180
                {-33.9249, 18.4241, 40.7128, -74.006},    // beyond the destination: off the route
                {40.7128, -74.006, -33.9249, 18.4241},    // the same, the other way
                {-10, 20, 15, 100},                       // across the equator
                {60, -170, 55, 160},                      // near the pole, across 180
                {-70, 10, -60, -120}};
  for (const auto& r : routes) {
    const Vertex expected = ReferenceVertex(r.lat1, r.lon1, r.lat2, r.lon2);
    const Outcome run =
        Cli({"route", "--line", "--full", std::to_string(r.lat1), std::to_string(r.lon1),
             std::to_string(r.lat2), std::to_string(r.lon2), "-p", "9"});
    const std::vector<std::string> w = Words(run.out);
    ASSERT_EQ(w.size(), 8u) << run.out << run.err;
    EXPECT_NEAR(std::stod(w[5]), expected.lat, 1e-6) << run.out;
    EXPECT_LT(ref::AngleDiff(std::stod(w[6]), expected.lon), 1e-6) << run.out;
    EXPECT_EQ(w[7], expected.onRoute ? "true" : "false") << run.out;
  }
  // Meridians: the pole of the side; on the route only over the pole. The
  // equator: latitude 0, no longitude, never on the route.
  const struct {
    const char* args[4];
    const char* vertex;
  } special[] = {{{"10", "30", "50", "30"}, "90.000000 - false"},
                 {{"-10", "30", "-50", "30"}, "-90.000000 - false"},
                 {{"80", "0", "70", "180"}, "90.000000 - true"},
                 {{"-80", "0", "-70", "180"}, "-90.000000 - true"},
                 {{"60", "-30", "-5", "150"}, "90.000000 - true"},  // 180 apart, given in degrees
                 {{"-80", "-60", "-75", "120"}, "-90.000000 - true"},
                 {{"90", "0", "60", "-150"}, "90.000000 - true"},    // from a pole
                 {{"10", "0", "-90", "-150"}, "-90.000000 - true"},  // to a pole
                 {{"0", "0", "0", "60"}, "0.000000 - false"}};
  for (const auto& c : special) {
    const Outcome run =
        Cli({"route", "--line", "--full", c.args[0], c.args[1], c.args[2], c.args[3]});
    EXPECT_NE(run.out.find(std::string(" ") + c.vertex + "\n"), std::string::npos) << run.out;
  }
  const Outcome json = Cli({"route", "--json", "0", "0", "0", "60"});
  EXPECT_NE(json.out.find("\"vertex_lat\":0.000000,\"vertex_lon\":null,\"vertex_on_route\":false"),
            std::string::npos)
      << json.out;
}

TEST(Passage, CompositeTrackAgainstExactGeometry) {
  const struct {
    double lat1, lon1, lat2, lon2, limit, east;
  } cases[] = {// Guards the tangents from the south eastward (Cape Town to Sydney, 50 S).
               {-33.9249, 18.4241, -33.8688, 151.2093, 50, 1},
               // Guards the tangents' sides swapped westward (Sydney to Cape Town).
               {-33.8688, 151.2093, -33.9249, 18.4241, 50, -1},
               // Guards the northern hemisphere and the parallel across 180 eastward
               // (Yokohama to San Francisco, 45 N).
               {35.4437, 139.638, 37.808, -122.4177, 45, 1},
               // Guards the parallel's length across 180 westward (its span mod 360).
               {-50, -70, -34, 151, 60, -1},
               // Guards a departure on the limit: no first great ellipse, T1 the departure.
               {-50, 18, -33.8688, 151.2093, 50, 1}};
  for (const auto& c : cases) {
    const double side = -1 + 2 * (c.lat1 > 0);
    const double L = side * c.limit;
    const double t1 = c.lat1 == L ? c.lon1 : TangentLongitude(c.lat1, c.lon1, L, c.east);
    const double t2 = TangentLongitude(c.lat2, c.lon2, L, -c.east);
    const double radius = 6378137.0 /
                          std::sqrt(1 - ref::kESq * std::pow(std::sin(L * ref::kDeg), 2)) *
                          std::cos(L * ref::kDeg);
    const double span = std::fabs(std::remainder(t2 - t1, 360.0)) * ref::kDeg;
    const double ge1 = c.lat1 == L ? 0 : ref::ExactGreatEllipse(c.lat1, c.lon1, L, t1).distance;
    const double ge2 = ref::ExactGreatEllipse(L, t2, c.lat2, c.lon2).distance;
    const double parallel = radius * span / 1852;
    const Outcome run = Cli({"route", "--line", std::to_string(c.lat1), std::to_string(c.lon1),
                             std::to_string(c.lat2), std::to_string(c.lon2), "--limit",
                             std::to_string(c.limit), "-p", "9"});
    const std::vector<std::string> w = Words(run.out);
    ASSERT_EQ(w.size(), 20u) << run.out << run.err;
    SCOPED_TRACE(run.out);
    EXPECT_EQ(w[5], "true");
    EXPECT_NEAR(std::stod(w[6]), L, 1e-9);
    EXPECT_LT(ref::AngleDiff(std::stod(w[7]), t1), 1e-6);
    EXPECT_NEAR(std::stod(w[8]), L, 1e-9);
    EXPECT_LT(ref::AngleDiff(std::stod(w[9]), t2), 1e-6);
    EXPECT_NEAR(std::stod(w[10]), ge1, 1e-6);
    EXPECT_NEAR(std::stod(w[11]), parallel, 1e-6);
    EXPECT_NEAR(std::stod(w[12]), ge2, 1e-6);
    EXPECT_NEAR(std::stod(w[13]), ge1 + parallel + ge2, 3e-6);
    EXPECT_EQ(std::stod(w[15]), c.east > 0 ? 90 : 270);  // the parallel's course
    // The course arriving: the last great ellipse's, the way back from the
    // destination reversed.
    const double back = ref::ExactGreatEllipse(L, t2, c.lat2, c.lon2).inverse;
    EXPECT_LT(ref::AngleDiff(std::stod(w[17]), back + 180), 1e-6);
    // What it costs over the great ellipse, and saves over the rhumb line.
    EXPECT_NEAR(std::stod(w[18]), std::stod(w[13]) - std::stod(w[0]), 1e-8);
    EXPECT_NEAR(std::stod(w[19]), std::stod(w[4]) - std::stod(w[13]), 1e-8);
    EXPECT_GT(std::stod(w[18]), 0);
  }
  // Over the north pole along a meridian: turned east.
  const Outcome pole = Cli({"route", "--line", "80", "0", "70", "180", "--limit", "85", "-p", "9"});
  const std::vector<std::string> p = Words(pole.out);
  ASSERT_EQ(p.size(), 20u) << pole.out << pole.err;
  EXPECT_LT(ref::AngleDiff(std::stod(p[7]), TangentLongitude(80, 0, 85, 1)), 1e-6) << pole.out;
  EXPECT_LT(ref::AngleDiff(std::stod(p[9]), TangentLongitude(70, 180, 85, -1)), 1e-6) << pole.out;
  EXPECT_EQ(p[15], "90.000000000");
}

TEST(Passage, RoutesThatNeedNoCompositeAndRefusals) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* shows;
  } cases[] = {
      // The vertex off the route, or within the limit: the route unchanged.
      {{"route", "-33.9249", "18.4241", "40.7128", "-74.006", "--limit", "50", "--csv"},
       0,
       ",false,,,,,,,,6777.739857,"},
      {{"route", "35.4437", "139.638", "37.808", "-122.4177", "--limit", "60", "--json"},
       0,
       "\"composite\":false,\"t1_lat\":null"},
      {{"route", "--line", "0", "0", "0", "60", "--limit", "10"}, 0, " false - - - - - - - "},
      // Both ends on the limit: parts of no length have no course.
      {{"route", "-50", "18", "-50", "151", "--limit", "50", "--json"},
       0,
       "\"ge1_course\":null,\"parallel_course\":90.000000,\"ge2_course\":null,"},
      // Within the limit, both ways: the great ellipse's own length.
      {{"route", "37.808", "-122.4177", "35.4437", "139.638", "--limit", "60", "--csv", "-p", "3"},
       0,
       ",false,,,,,,,,4485.700,"},
      {{"route", "35.4437", "139.638", "37.808", "-122.4177", "--limit", "60", "--csv", "-p", "3"},
       0,
       ",false,,,,,,,,4485.700,"},
      {{"route", "-60", "18", "-33.8688", "151.2093", "--limit", "50"},
       1,
       "ERROR: the departure or the destination lies beyond the limiting latitude\n"},
      {{"route", "-33.9", "18.4", "-60", "151", "--limit", "50"},
       1,
       "lies beyond the limiting latitude\n"},
      {{"route", "60", "0", "40", "100", "--limit", "50"},
       1,
       "lies beyond the limiting latitude\n"},
      {{"route", "40", "0", "60", "100", "--limit", "50S"},
       1,
       "lies beyond the limiting latitude\n"},
      {{"route", "1", "2", "3", "4", "--limit", "0"},
       1,
       "ERROR: the limiting latitude must be above 0 and below 90\n"},
      {{"route", "1", "2", "3", "4", "--limit", "90"}, 1, "must be above 0 and below 90\n"},
      {{"route", "1", "2", "3", "4", "--limit", "nan"}, 1, "ERROR: --limit 'nan': not a number\n"},
      {{"table", "1", "2", "3", "4", "--limit", "50", "--longitudes", "3"},
       2,
       "usage: sailings route"},
      {{"table", "1", "2", "3", "4", "--limit", "50", "--leg", "9", "--rhumb"},
       2,
       "usage: sailings route"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "0"},
       1,
       "ERROR: --speed must be from 0.1 to 100 knots\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "-3"},
       1,
       "from 0.1 to 100 knots\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "1e300"},
       1,
       "from 0.1 to 100 knots\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "1e-300"},
       1,
       "from 0.1 to 100 knots\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "100.01"},
       1,
       "from 0.1 to 100 knots\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "0.099"},
       1,
       "from 0.1 to 100 knots\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "fast"},
       1,
       "ERROR: --speed 'fast': not a number\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "0.1", "--depart",
        "9999-12-31T00:00Z"},
       1,
       "after the year 9999\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "12", "--depart",
        "9999-12-31T20:00Z"},
       1,
       "after the year 9999\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "12", "--depart", "tomorrow"},
       1,
       "ERROR: --depart 'tomorrow': not an ISO 8601 time in UTC (e.g. 2027-01-15T06:00Z)\n"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "12", "--depart",
        "2027-02-30T06:00Z"},
       1,
       "not an ISO 8601 time"},
      {{"table", "1", "2", "3", "4", "--leg", "100", "--speed", "12", "--depart",
        "0000-06-01T00:00Z"},
       1,
       "not an ISO 8601 time"},  // before the year 1
      {{"table", "1", "2", "3", "4", "--leg", "100", "--depart", "2027-01-15T06:00Z"},
       2,
       "usage: sailings route"},
  };
  for (const auto& c : cases) {
    const Outcome run = Cli(c.args);
    EXPECT_EQ(run.status, c.status) << c.args.back();
    EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.shows), std::string::npos)
        << run.out << run.err;
  }
}

TEST(Passage, CompositeTableAlongTheTrack) {
  const Outcome run = Cli({"table", "Cape Town", "Sydney", "--limit", "50", "--leg", "1000",
                           "--csv", "-p", "9", "--list", "elsewhere"});
  EXPECT_EQ(run.status, 1);  // (no such list: the names are given as coordinates below)
  const Outcome table = Cli({"table", "-33.9249", "18.4241", "-33.8688", "151.2093", "--limit",
                             "50", "--leg", "1000", "--csv", "-p", "9"});
  ASSERT_EQ(table.status, 0) << table.err;
  const Outcome route = Cli({"route", "--line", "-33.9249", "18.4241", "-33.8688", "151.2093",
                             "--limit", "50", "-p", "9"});
  const std::vector<std::string> w = Words(route.out);
  const double ge1 = std::stod(w[10]), parallel = std::stod(w[11]), total = std::stod(w[13]);
  const double t1 = std::stod(w[7]), t2 = std::stod(w[9]);
  std::istringstream lines(table.out);
  std::string line;
  std::getline(lines, line);
  double previous = 0, legs = 0;
  int tangents = 0, k = 0;
  const ref::V plane1 = ref::Unit(ref::Cross(ref::Ecef(-33.9249, 18.4241), ref::Ecef(-50, t1)));
  const ref::V plane2 = ref::Unit(ref::Cross(ref::Ecef(-50, t2), ref::Ecef(-33.8688, 151.2093)));
  for (int row = 0; std::getline(lines, line); ++row) {
    std::vector<double> v;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');)
      v.push_back(cell.empty() ? NAN : std::stod(cell));
    if (row == 0) continue;
    const double s = v[5];
    legs += v[4];
    EXPECT_NEAR(v[4], s - previous, 1e-8);
    previous = s;
    const bool tangent = std::fabs(s - ge1) < 1e-6 || std::fabs(s - ge1 - parallel) < 1e-6;
    tangents += tangent;
    if (!tangent && std::fabs(s - total) > 1e-6) {
      EXPECT_NEAR(s, 1000.0 * ++k, 1e-6) << line;
    }
    if (s < ge1) {
      EXPECT_NEAR(ref::Dot(plane1, ref::Ecef(v[1], v[2])), 0, 1e-3) << line;  // metres
    }
    if (s >= ge1 && s <= ge1 + parallel + 1e-9) {
      EXPECT_NEAR(v[1], -50, 1e-9) << line;
    }
    if (s > ge1 + parallel + 1e-6) {
      EXPECT_NEAR(ref::Dot(plane2, ref::Ecef(v[1], v[2])), 0, 1e-3) << line;
    }
  }
  EXPECT_EQ(tangents, 2);
  EXPECT_EQ(k, static_cast<int>(total / 1000));
  EXPECT_NEAR(legs, total, 1e-6);
  // Departing on the limit, T1 is the departure itself; arriving on it, T2
  // is the destination: neither has a row of its own.
  for (const auto& ends : {std::array<const char*, 4>{"-50", "18", "-33.8688", "151.2093"},
                           std::array<const char*, 4>{"-33.9249", "18.4241", "-50", "151.2093"}}) {
    const Outcome onLimit = Cli(
        {"table", ends[0], ends[1], ends[2], ends[3], "--limit", "50", "--points", "3", "--csv"});
    ASSERT_EQ(onLimit.status, 0) << onLimit.err;
    std::istringstream rows(onLimit.out);
    std::getline(rows, line);
    std::getline(rows, line);  // the departure
    int count = 0;
    for (std::getline(rows, line); !line.empty(); line.clear(), std::getline(rows, line), ++count) {
      std::vector<std::string> cells;
      std::istringstream in(line);
      for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
      ASSERT_GE(cells.size(), 5u);
      EXPECT_GT(std::stod(cells[4]), 0) << line;  // every leg has a length
    }
    EXPECT_EQ(count, 5)
        << onLimit.out;  // three waypoints, the other tangent point, the destination
  }
}

TEST(Passage, TheParallelIsSailedTheWayTheTrackGoes) {
  // East or west, north or south: the table's rows on the limiting parallel
  // advance in longitude the way its course says (090 east, 270 west), and
  // only from T1 to T2.
  const struct {
    const char* route[4];
    const char* limit;
    double east;
  } cases[] = {{{"-33.9249", "18.4241", "-33.8688", "151.2093"}, "50", 1},
               {{"-33.8688", "151.2093", "-33.9249", "18.4241"}, "50", -1},
               {{"35.4437", "139.638", "37.808", "-122.4177"}, "45", 1},
               {{"37.808", "-122.4177", "35.4437", "139.638"}, "45", -1}};
  for (const auto& c : cases) {
    const Outcome run = Cli({"table", c.route[0], c.route[1], c.route[2], c.route[3], "--limit",
                             c.limit, "--leg", "100", "--csv", "-p", "9"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream rows(run.out);
    std::string row;
    std::getline(rows, row);
    double previous = NAN;
    int onParallel = 0;
    for (; std::getline(rows, row);) {
      std::replace(row.begin(), row.end(), ',', ' ');
      std::istringstream cells(row);
      double wp, lat, lon, azimuth = NAN;
      cells >> wp >> lat >> lon >> azimuth;
      if (std::fabs(std::fabs(lat) - std::stod(c.limit)) > 1e-9) continue;
      if (!std::isnan(previous)) {
        EXPECT_GT(c.east * std::remainder(lon - previous, 360.0), 0.01) << row;
      }
      if (!std::isnan(azimuth) && onParallel > 0) {
        EXPECT_EQ(azimuth, c.east > 0 ? 90 : 270) << row;
      }
      previous = lon;
      ++onParallel;
    }
    EXPECT_GT(onParallel, 3) << run.out;
  }
}

TEST(Passage, NoWaypointAMillimetreFromATangentPoint) {
  // A leg that ends a hair short of T1 (the first part's exact length, cut
  // to the sixth decimal), and one a hair beyond: T1 is the waypoint, and
  // no leg is shorter than a metre.
  const double t1 = TangentLongitude(-33.9249, 18.4241, -50, 1);
  const double ge1 = ref::ExactGreatEllipse(-33.9249, 18.4241, -50, t1).distance;
  for (const double leg : {std::floor(ge1 * 1e6) / 1e6, std::ceil(ge1 * 1e6) / 1e6}) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f", leg);
    const Outcome run = Cli({"table", "-33.9249", "18.4241", "-33.8688", "151.2093", "--limit",
                             "50", "--leg", text, "--csv", "-p", "9"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream rows(run.out);
    std::string row;
    std::getline(rows, row);
    int count = 0;
    for (; std::getline(rows, row); ++count) {
      const std::string cells =
          row.substr(row.find(',', row.find(',', row.find(',', row.find(',') + 1) + 1) + 1) + 1);
      if (count > 0) {
        EXPECT_GT(std::stod(cells), 1 / 1852.0) << row;  // every leg over a metre
      }
      if (count == 1) {
        EXPECT_NEAR(std::stod(row.substr(row.find(',') + 1)), -50, 1e-9) << row;  // T1
      }
    }
    EXPECT_EQ(count, 5) << run.out;  // departure, T1, T2, one waypoint, destination
  }
}

TEST(Passage, TheReportANavigatorReads) {
  // One route in text: a labelled line per sailing (distance, initial and
  // final course: the final course is the inverse azimuth turned about),
  // the vertex in degrees and minutes, then the composite track's parts.
  const Outcome run =
      Cli({"route", "-33.9249", "18.4241", "-33.8688", "151.2093", "--limit", "50", "-p", "6"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);) lines.push_back(Words(line));
  ASSERT_EQ(lines.size(), 14u) << run.out;
  const ref::GreatEllipse ge = ref::ExactGreatEllipse(-33.9249, 18.4241, -33.8688, 151.2093);
  double rhumb, course;
  ref::Rhumb().Inverse(-33.9249, 18.4241, -33.8688, 151.2093, rhumb, course);
  const auto row = [&](std::size_t k, std::size_t words, double nm, double initial, double final) {
    SCOPED_TRACE(run.out);
    ASSERT_EQ(lines[k].size(), words + 3);
    EXPECT_NEAR(std::stod(lines[k][words]), nm, 1.5e-6);
    EXPECT_LT(ref::AngleDiff(std::stod(lines[k][words + 1]), initial), 1.5e-6);
    EXPECT_LT(ref::AngleDiff(std::stod(lines[k][words + 2]), final), 1.5e-6);
  };
  EXPECT_EQ(lines[0], (std::vector<std::string>{"sailing", "distance", "NM", "initial", "course",
                                                "final", "course"}));
  row(1, 2, ge.distance, ge.forward, ge.inverse + 180);
  row(2, 2, rhumb / 1852, course, course);
  const Vertex v = ReferenceVertex(-33.9249, 18.4241, -33.8688, 151.2093);
  const auto minutes = [](double degrees) {
    char text[40];
    std::snprintf(text, sizeof text, "%d°%07.4f'", static_cast<int>(std::fabs(degrees)),
                  std::fmod(std::fabs(degrees), 1.0) * 60);
    return std::string(text);
  };
  EXPECT_EQ(lines[3], (std::vector<std::string>{"vertex:", minutes(v.lat) + "S",
                                                minutes(v.lon) + "E,", "on", "the", "route"}));
  // The parts: to T1, along 50 S, from T2; their sum; T1, T2.
  const double t1 = TangentLongitude(-33.9249, 18.4241, -50, 1),
               t2 = TangentLongitude(-33.8688, 151.2093, -50, -1);
  const ref::GreatEllipse first = ref::ExactGreatEllipse(-33.9249, 18.4241, -50, t1);
  const ref::GreatEllipse last = ref::ExactGreatEllipse(-50, t2, -33.8688, 151.2093);
  const double parallel = 6378137.0 /
                          std::sqrt(1 - ref::kESq * std::pow(std::sin(50 * ref::kDeg), 2)) *
                          std::cos(50 * ref::kDeg) * (t2 - t1) * ref::kDeg / 1852;
  row(6, 4, first.distance, first.forward, 90);
  row(7, 4, parallel, 90, 90);
  row(8, 4, last.distance, 90, last.inverse + 180);
  row(9, 2, first.distance + parallel + last.distance, first.forward, last.inverse + 180);
  EXPECT_EQ(lines[10], (std::vector<std::string>{"T1:", minutes(-50) + "S", minutes(t1) + "E"}));
  EXPECT_EQ(lines[11], (std::vector<std::string>{"T2:", minutes(-50) + "S", minutes(t2) + "E"}));
  EXPECT_NEAR(std::stod(lines[12][4]), first.distance + parallel + last.distance - ge.distance,
              3e-6);
}

TEST(Passage, TimesWorkedByHand) {
  // Along the equator, legs of 700 NM at 14 knots: 50 hours each.
  const Outcome run = Cli({"table", "0", "0", "0", "60", "--leg", "700", "--speed", "14",
                           "--depart", "2027-01-15T06:00Z", "--csv", "-p", "3"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "wp,lat,lon,azimuth,leg_nm,total_nm,hours,eta");
  const char* expected[] = {",0.000,2027-01-15T06:00Z\n",   ",50.000,2027-01-17T08:00Z\n",
                            ",100.000,2027-01-19T10:00Z\n", ",150.000,2027-01-21T12:00Z\n",
                            ",200.000,2027-01-23T14:00Z\n", ",250.000,2027-01-25T16:00Z\n"};
  for (const char* e : expected) EXPECT_NE(run.out.find(e), std::string::npos) << e << run.out;
  // 3606.463 NM in all (a third of the equator): 257.604 h, 10 d 17 h 36 min.
  const double nm = 6378137.0 * M_PI / 3 / 1852;
  const double minutes = std::round(nm / 14 * 60);
  EXPECT_EQ(minutes, 10 * 1440 + 17 * 60 + 36);
  EXPECT_NE(run.out.find(",257.604,2027-01-25T23:36Z\n"), std::string::npos) << run.out;
  // The text table gains the two columns; without --depart only the hours.
  const Outcome text = Cli({"table", "0", "0", "0", "60", "--leg", "700", "--speed", "14",
                            "--depart", "2027-01-15T06:00:29+00:00"});
  EXPECT_NE(text.out.find("totaldistance       hours  eta\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find(
                "\n 1     0.000000   11.645759   90.000000  700.000000    700.000000       50.00  "
                "2027-01-17T08:00Z\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("   257.60  2027-01-25T23:37Z\n"),
            std::string::npos);  // 23:36:44 rounded
  const Outcome hours =
      Cli({"table", "0", "0", "0", "60", "--leg", "700", "--speed", "14", "--json"});
  EXPECT_NE(hours.out.find("\"total_nm\":700.000000,\"hours\":50.000000}"), std::string::npos)
      << hours.out;
  EXPECT_EQ(hours.out.find("eta"), std::string::npos);
}

TEST(Passage, RtzFilesPassTheSchemasChecks) {
  const fs::path dir = scratch::Folder("rtz");
  const struct {
    std::vector<std::string> args;
    const char* file;
    int loxodromes, orthodromes;  // legs of each kind, -1: not counted
  } cases[] = {
      {{"table", "-33.9249", "18.4241", "40.7128", "-74.006", "--leg", "1000"},
       "CPT-NYC.rtz",
       0,
       7},
      {{"table", "35.4437", "139.638", "37.808", "-122.4177", "--points", "9", "--speed", "14",
        "--depart", "2027-01-15T06:00Z"},
       "YOK-SFO.rtz",
       0,
       10},
      {{"table", "50S", "60W", "40N", "10E", "--points", "4", "--rhumb"}, "rhumb line.rtz", 5, 0},
      {{"table", "-33.9249", "18.4241", "-33.8688", "151.2093", "--limit", "50", "--leg", "1000",
        "--speed", "14", "--depart", "2027-01-15T06:00Z"},
       "CPT-SYD composite.rtz",
       2,
       7},
      {{"table", "10", "20", "-9.5", "-159.5", "--geodesic", "--points", "3"},
       "geodesic.rtz",
       0,
       4},
  };
  std::string files;
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--rtz");
    args.push_back(c.file);
    const Outcome run = Cli(args, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream in(dir / c.file);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const auto count = [&](const std::string& what) {
      std::size_t n = 0;
      for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
      return static_cast<int>(n);
    };
    // ECDIS check the route's name against the file's.
    EXPECT_EQ(count("routeName=\"" + fs::path(c.file).stem().string() + "\""), 1) << c.file;
    EXPECT_EQ(count("geometryType=\"Loxodrome\""), c.loxodromes) << c.file;
    EXPECT_EQ(count("geometryType=\"Orthodrome\""), c.orthodromes) << c.file;
    const bool scheduled = std::find(c.args.begin(), c.args.end(), "--depart") != c.args.end();
    EXPECT_EQ(count("<sheduleElement "), scheduled ? count("<waypoint ") : 0) << c.file;
    if (scheduled) {
      EXPECT_NE(text.find("<sheduleElement waypointId=\"0\" etd=\"2027-01-15T06:00:00Z\"/>"),
                std::string::npos);
    }
    files += " '" + (dir / c.file).string() + "'";
  }
  EXPECT_NE(std::ifstream(dir / "YOK-SFO.rtz").peek(), EOF);
  // A file name with a control character: its route name shows '?' there.
  ASSERT_EQ(
      Cli({"table", "1", "2", "3", "4", "--points", "2", "--rtz", "bell\x07.rtz"}, dir).status, 0);
  EXPECT_NE(ReadFile(dir / "bell\x07.rtz").find("routeName=\"bell?\""), std::string::npos);
  files += " '" + (dir / "bell\x07.rtz").string() + "'";
  // The published RTZ 1.0 schema, by a reader nobody here wrote.
  EXPECT_EQ(
      std::system(("xmllint --noout --nonet --schema " SAILINGS_TESTS_DIR "/data/rtz-1_0.xsd" +
                   files + " 2>/dev/null")
                      .c_str()),
      0);
  // A folder, a missing folder: one line, status 1, nothing written.
  fs::create_directory(dir / "folder.rtz");
  for (const char* target : {"folder.rtz", "missing/route.rtz"}) {
    const Outcome run = Cli({"table", "1", "2", "3", "4", "--points", "3", "--rtz", target}, dir);
    EXPECT_EQ(run.status, 1) << target;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  std::size_t entries = 0;
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
       ++it)
    ++entries;
  EXPECT_EQ(entries, std::size(cases) + 2);  // the good files, the bell file and the folder
}

TEST(Passage, TheLibrarysPassageSolvesOnceAndRefusesAsTheCommandLine) {
  // Cape Town to Sydney within 50: the track touches 50 S at T1 and T2 (on
  // the parallel, as the limit is a latitude), runs east along it, and its
  // parts add up to its length; the sign of the limit does not matter.
  sailings::Passage south, north;
  ASSERT_EQ(sailings::Passage::Solve(-33.9249, 18.4241, -33.8688, 151.2093, -50.0, south),
            sailings::Status::ok);
  ASSERT_EQ(sailings::Passage::Solve(-33.9249, 18.4241, -33.8688, 151.2093, 50.0, north),
            sailings::Status::ok);
  const sailings::CompositeTrack& k = *south.composite();
  ASSERT_TRUE(k.composite);
  EXPECT_NEAR(*k.t1_lat, -50, 1e-12);
  EXPECT_NEAR(*k.t2_lat, -50, 1e-12);
  EXPECT_EQ(*k.along_parallel, 90);
  EXPECT_NEAR(*k.ge1_nm + *k.parallel_nm + *k.ge2_nm, k.total_nm, 1e-9);
  EXPECT_NEAR(k.total_nm - south.route().ge_distance_nm, k.composite_minus_ge_nm, 1e-9);
  EXPECT_EQ(k.initial_course, *k.ge1_course);
  EXPECT_EQ(k.total_nm, north.composite()->total_nm);
  EXPECT_EQ(*k.t2_lon, *north.composite()->t2_lon);
  const ref::GreatEllipse ge = ref::ExactGreatEllipse(-33.9249, 18.4241, -33.8688, 151.2093);
  EXPECT_NEAR(south.route().ge_distance_nm, ge.distance, 1.5e-6);
  // A copy keeps its route when the original is solved again: its vertex,
  // its lines and its tables are still Cape Town to Sydney's.
  const sailings::Passage copy = south;
  const sailings::Vertex vertex = copy.FindVertex();
  const double length = sailings::SailingLine(copy, sailings::Track::great_ellipse).length_nm();
  ASSERT_EQ(sailings::Passage::Solve(10, 20, 30, 40, std::nullopt, south), sailings::Status::ok);
  EXPECT_EQ(copy.FindVertex().lat, vertex.lat);
  EXPECT_EQ(sailings::SailingLine(copy, sailings::Track::great_ellipse).length_nm(), length);
  EXPECT_NE(sailings::SailingLine(south, sailings::Track::great_ellipse).length_nm(), length);
  // Within the limit: no parts; without one: no composite at all.
  sailings::Passage within, plain;
  ASSERT_EQ(sailings::Passage::Solve(-33.9249, 18.4241, -33.8688, 151.2093, 70.0, within),
            sailings::Status::ok);
  EXPECT_FALSE(within.composite()->composite || within.composite()->t1_lat ||
               within.composite()->ge1_course);
  EXPECT_NEAR(within.composite()->total_nm, ge.distance, 1.5e-6);
  ASSERT_EQ(sailings::Passage::Solve(0, 0, 0, 60, std::nullopt, plain), sailings::Status::ok);
  EXPECT_FALSE(plain.composite().has_value());
  const sailings::Vertex equator = plain.FindVertex();
  EXPECT_TRUE(equator.kind == sailings::Vertex::Kind::equator && !equator.lon && !equator.on_route);
  // Refusals leave the passage as it was.
  const struct {
    double lat1, lat2;
    std::optional<double> limit;
    sailings::Status status;
  } refusals[] = {{-33.9, -33.8, 0.0, sailings::Status::limit_out_of_range},
                  {-33.9, -33.8, 90.0, sailings::Status::limit_out_of_range},
                  {-33.9, -33.8, -90.0, sailings::Status::limit_out_of_range},
                  {-33.9, -33.8, NAN, sailings::Status::limit_out_of_range},
                  {-55.0, -33.8, 50.0, sailings::Status::position_beyond_limit},
                  {-33.9, 55.0, -50.0, sailings::Status::position_beyond_limit},
                  {-33.9, 91.0, 50.0, sailings::Status::latitude_beyond_90}};
  for (const auto& r : refusals) {
    EXPECT_EQ(sailings::Passage::Solve(r.lat1, 18.4, r.lat2, 151.2, r.limit, plain), r.status)
        << r.lat1 << " " << r.lat2;
    EXPECT_FALSE(plain.composite().has_value());
    EXPECT_NEAR(plain.route().ge_distance_nm * 1852, 60 * 111319.49079327357,
                1e-6);  // the equator's 60 degrees
  }
  // A limited passage is tabled along its composite track, at equal
  // distances or legs only; its plan's length is the track's.
  sailings::Passage limited;
  ASSERT_EQ(sailings::Passage::Solve(-33.9249, 18.4241, -33.8688, 151.2093, 50.0, limited),
            sailings::Status::ok);
  sailings::WaypointPlan plan;
  for (const auto& [placement, along, status] :
       {std::tuple{sailings::WaypointPlacement::leg, sailings::Sailing::rhumb_line,
                   sailings::Status::composite_table_only},
        {sailings::WaypointPlacement::points, sailings::Sailing::geodesic,
         sailings::Status::composite_table_only},
        {sailings::WaypointPlacement::longitudes, sailings::Sailing::great_ellipse,
         sailings::Status::composite_table_only},
        {sailings::WaypointPlacement::leg, sailings::Sailing::great_ellipse,
         sailings::Status::ok}}) {
    sailings::TableRequest request;
    request.placement = placement;
    request.along = along;
    request.count = 3;
    request.leg_nm = 1000;
    EXPECT_EQ(sailings::PlanWaypoints(limited, request, plan), status);
  }
  EXPECT_TRUE(plan.composite);
  EXPECT_EQ(plan.length_nm, limited.composite()->total_nm);
  EXPECT_EQ(plan.n, static_cast<long>(limited.composite()->total_nm / 1000));
  EXPECT_NE(std::string(sailings::Describe(sailings::Status::composite_table_only)),
            "unknown status");
  // Places that no StorePlace made, and a passage never solved, are refused.
  const sailings::Place good = sailings::StorePlace("good", 10, 20);
  for (const auto& [bad, status] :
       {std::pair{sailings::Place{"nan", NAN, 0}, sailings::Status::not_a_number},
        {sailings::Place{"inf", 0, INFINITY}, sailings::Status::not_a_number},
        {sailings::Place{"far", 91, 0}, sailings::Status::latitude_beyond_90}}) {
    EXPECT_EQ(sailings::Passage::Solve(good, bad, std::nullopt, limited), status) << bad.name;
    EXPECT_EQ(sailings::Passage::Solve(bad, good, std::nullopt, limited), status) << bad.name;
  }
  sailings::TableRequest points;
  points.placement = sailings::WaypointPlacement::points;
  points.count = 3;
  EXPECT_EQ(sailings::PlanWaypoints(sailings::Passage(), points, plan),
            sailings::Status::same_position);
  const sailings::Comparison none = sailings::Passage().Compare();
  EXPECT_EQ(none.rhumb_minus_geodesic_pct, 0);
  EXPECT_EQ(none.ge_geodesic_separation_km, 0);
}

TEST(Passage, SailingLinesAgainstTheExactTracks) {
  // The direct problem of each track at fractions of its length: the great
  // ellipse against the exact plane section (its arc by quadrature), the
  // rhumb line against GeographicLib's Rhumb, the composite track's parts
  // against the section to T1, the parallel and the destination. Across
  // the 180th meridian, the equator, from a pole and along a meridian.
  const struct {
    double lat1, lon1, lat2, lon2;
  } routes[] = {{-33.9249, 18.4241, 40.7128, -74.006},
                {35, 170, -20, -150},
                {90, 0, 30, -60},
                {10, 20, 60, 20},
                {-60, -70, -50, 160}};
  for (const auto& r : routes) {
    sailings::Passage p;
    ASSERT_EQ(sailings::Passage::Solve(r.lat1, r.lon1, r.lat2, r.lon2, std::nullopt, p),
              sailings::Status::ok);
    const sailings::SailingLine ge(p, sailings::Track::great_ellipse);
    const sailings::SailingLine rhumb(p, sailings::Track::rhumb_line);
    EXPECT_NEAR(ge.length_nm(), ref::ExactGreatEllipse(r.lat1, r.lon1, r.lat2, r.lon2).distance,
                1e-6);
    double angle, s12, course;
    const ref::Section section =
        ref::SectionThrough(ref::Ecef(r.lat1, r.lon1), ref::Ecef(r.lat2, r.lon2), angle);
    // (From a pole every sailing runs down the destination's meridian.)
    const double lon1 = std::fabs(r.lat1) == 90 ? r.lon2 : r.lon1;
    ref::Rhumb().Inverse(r.lat1, lon1, r.lat2, r.lon2, s12, course);
    EXPECT_NEAR(rhumb.length_nm(), s12 / 1852, 1e-6);
    for (double f : {0.0, 0.3, 0.77, 1.0}) {
      double lat, lon;
      const double t = section.AngleAtArc(f * ge.length_nm() * 1852);
      ref::Geodetic(section.Point(t), lat, lon);
      const sailings::LinePosition q = ge.Position(f * ge.length_nm());
      EXPECT_NEAR(q.lat, lat, 1e-7) << r.lat1 << " " << f;
      EXPECT_LE(std::fabs(q.lon), 180) << r.lat1 << " " << f;  // across 180 too
      if (std::fabs(lat) < 89.9) {
        EXPECT_LT(ref::AngleDiff(q.lon, lon), 1e-7) << r.lat1 << " " << f;
        if (f < 1) {
          EXPECT_LT(ref::AngleDiff(q.azimuth, ref::AzimuthAt(section, t)), 1e-5);
        }
      }
      ref::Rhumb().Direct(r.lat1, lon1, course, f * s12, lat, lon);
      const sailings::LinePosition h = rhumb.Position(f * rhumb.length_nm());
      EXPECT_NEAR(h.lat, lat, 1e-7) << r.lat1 << " " << f;
      if (std::fabs(lat) < 89.9) {
        EXPECT_LT(ref::AngleDiff(h.lon, lon), 1e-7) << r.lat1 << " " << f;
      }
      EXPECT_LT(ref::AngleDiff(h.azimuth, course), 1e-7);
    }
    // Beyond its ends a line stays at them.
    EXPECT_EQ(ge.Position(-5).lat, ge.Position(0).lat);
    EXPECT_EQ(ge.Position(1e9).lat, ge.Position(ge.length_nm()).lat);
  }
  // The composite track within 45 S from Cape Town to Melbourne.
  sailings::Passage p;
  ASSERT_EQ(sailings::Passage::Solve(-33.9249, 18.4241, -37.8136, 144.9631, 45.0, p),
            sailings::Status::ok);
  const sailings::CompositeTrack& k = *p.composite();
  ASSERT_TRUE(k.composite);
  const sailings::SailingLine line(p, sailings::Track::composite);
  EXPECT_NEAR(line.length_nm(), k.total_nm, 1e-9);
  double angle;
  const ref::Section first =
      ref::SectionThrough(ref::Ecef(-33.9249, 18.4241), ref::Ecef(*k.t1_lat, *k.t1_lon), angle);
  for (double f : {0.25, 0.5, 0.9}) {
    double lat, lon;
    ref::Geodetic(first.Point(first.AngleAtArc(f * *k.ge1_nm * 1852)), lat, lon);
    const sailings::LinePosition q = line.Position(f * *k.ge1_nm);
    EXPECT_NEAR(q.lat, lat, 1e-7);
    EXPECT_LT(ref::AngleDiff(q.lon, lon), 1e-7);
    // Along the parallel: the limit, heading east, the longitude in proportion.
    const sailings::LinePosition m = line.Position(*k.ge1_nm + f * *k.parallel_nm);
    EXPECT_NEAR(m.lat, -45, 1e-12);
    EXPECT_EQ(m.azimuth, 90);
    EXPECT_NEAR(m.lon, *k.t1_lon + f * (*k.t2_lon - *k.t1_lon), 1e-9);
  }
  const sailings::LinePosition end = line.Position(k.total_nm);
  EXPECT_NEAR(end.lat, -37.8136, 1e-7);
  EXPECT_NEAR(end.lon, 144.9631, 1e-7);
}
