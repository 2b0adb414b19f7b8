// Every sailing side by side: the geodesic figures against GeodSolve run on
// the same ellipsoid, the sphere's against the spherical law of cosines, the
// separation of the two tracks against a dense independent sampling, and
// geodesic waypoint tables against GeographicLib's inverse problem.
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "command.h"
#include "reference.h"
#include "sailings/sailings.hpp"
#include "scratch.h"

namespace fs = std::filesystem;

namespace {

struct Case {
  double lat1, lon1, lat2, lon2;
};

// Ordinary routes both ways, across 180, near-antipodal (where the two
// tracks part most), meridians and a pole.
const Case kRoutes[] = {
    {-33.9249, 18.4241, 40.7128, -74.006},
    {40.7128, -74.006, -33.9249, 18.4241},
    {35.4437, 139.638, 37.808, -122.4177},
    {60, 170, 55, -175},
    {10, 20, -9.5, -159.5},
    {0.5, 0, -0.4, 179.6},
    {-30, 0, 29.9, 179.8},
    {10, 30, 50, 30},
    {80, 0, 70, 180},
    {90, 0, 40.7128, -74.006},
    {-50, -60, 40, 10},
    {0, 0, 0, 120},
};

const double kF = 1.0 - std::sqrt(1.0 - ref::kESq);

const GeographicLib::Geodesic& Geodesic() {
  static const GeographicLib::Geodesic g(ref::kA, kF);
  return g;
}

double Full(double azimuth) { return azimuth < 0 ? azimuth + 360 : azimuth; }

// The greatest distance (km) of the great ellipse's points from the geodesic
// track: the exact plane section at 1000 points, each against the geodesic
// sampled at 4000 points, measured to the chords between them, the shortest
// chord then taken to the surface as an arc of the mean radius.
double SeparationBySampling(const Case& c) {
  double angle;
  const ref::Section ellipse =
      ref::SectionThrough(ref::Ecef(c.lat1, c.lon1), ref::Ecef(c.lat2, c.lon2), angle);
  const GeographicLib::GeodesicLine line = Geodesic().InverseLine(c.lat1, c.lon1, c.lat2, c.lon2);
  std::vector<ref::V> g;
  for (int j = 0; j <= 4000; ++j) {
    double lat, lon;
    line.Position(line.Distance() * j / 4000, lat, lon);
    g.push_back(ref::Ecef(lat, lon));
  }
  double worst = 0;
  for (int k = 0; k <= 1000; ++k) {
    const ref::V p = ellipse.Point(angle * k / 1000);
    double nearest = 1e300;
    for (std::size_t j = 0; j + 1 < g.size(); ++j) {
      const ref::V d = ref::Lin(1, g[j + 1], -1, g[j]), w = ref::Lin(1, p, -1, g[j]);
      const double t = std::fmin(1, std::fmax(0, ref::Dot(w, d) / ref::Dot(d, d)));
      const ref::V r = ref::Lin(1, w, -t, d);
      nearest = std::fmin(nearest, std::sqrt(ref::Dot(r, r)));
    }
    worst = std::fmax(worst, nearest);
  }
  const double R = 6371008.8;
  return 2 * R * std::asin(worst / (2 * R)) / 1000;
}

}  // namespace

TEST(Compare, GeodesicAsGeodSolveGivesIt) {
  const fs::path dir = scratch::Folder("compare");
  {
    std::ofstream lines(dir / "routes");
    lines.precision(17);
    for (const Case& c : kRoutes)
      lines << c.lat1 << ' ' << c.lon1 << ' ' << c.lat2 << ' ' << c.lon2 << '\n';
  }
  const std::string command =
      "GeodSolve -i -e 6378137 0.0033528106647474805 -p 9 < '" + (dir / "routes").string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  for (const Case& c : kRoutes) {
    double azi1, azi2, s12;
    ASSERT_EQ(std::fscanf(pipe, "%lf %lf %lf", &azi1, &azi2, &s12), 3);
    sailings::Route route;
    sailings::Comparison cmp;
    ASSERT_EQ(sailings::CompareRoute(c.lat1, c.lon1, c.lat2, c.lon2, route, cmp),
              sailings::Status::ok);
    SCOPED_TRACE(std::to_string(c.lat1) + " " + std::to_string(c.lon1) + " " +
                 std::to_string(c.lat2) + " " + std::to_string(c.lon2));
    EXPECT_NEAR(cmp.geodesic_nm, s12 / 1852, 1e-9);
    EXPECT_LT(ref::AngleDiff(cmp.geodesic_azimuth_fwd, Full(azi1)), 1e-8);
    EXPECT_LT(ref::AngleDiff(cmp.geodesic_azimuth_final, Full(azi2)), 1e-8);
    EXPECT_GE(cmp.geodesic_azimuth_fwd, 0);
    EXPECT_LT(cmp.geodesic_azimuth_fwd, 360);
    // The differences, from the figures they difference.
    EXPECT_NEAR(
        cmp.ge_minus_geodesic_m,
        ref::ExactGreatEllipse(c.lat1, c.lon1, c.lat2, c.lon2).distance * 1852 - s12,
        c.lat1 == 10 && c.lat2 == -9.5 ? 1e300 : 2e-3);  // (no reference plane at antipodes)
    EXPECT_GE(cmp.ge_minus_geodesic_m, -1e-3);           // the geodesic is the shortest
    // (From a pole our rhumb line is the meridian; GeographicLib's is not.)
    double r12, unused;
    ref::Rhumb().Inverse(c.lat1, c.lon1, c.lat2, c.lon2, r12, unused);
    if (c.lat1 != 90) {
      EXPECT_NEAR(cmp.rhumb_minus_geodesic_nm, (r12 - s12) / 1852, 1e-6);
      EXPECT_NEAR(cmp.rhumb_minus_geodesic_pct, 100 * (r12 - s12) / s12, 1e-6);
    }
    EXPECT_NEAR(cmp.sphere_minus_geodesic_nm, cmp.sphere_nm - s12 / 1852, 1e-9);
  }
  pclose(pipe);
}

TEST(Compare, SphereByTheLawOfCosines) {
  // cos c = sin f1 sin f2 + cos f1 cos f2 cos dl, tan C = sin dl cos f2 / (cos f1 sin f2 - sin f1
  // cos f2 cos dl)
  const double R = 6371008.8, d = ref::kDeg;
  // Every quadrant, eastward and westward, across 180 both ways, due north
  // and due south. The courses also by vectors: the direction of travel is
  // the part of the other end's direction square to one's own, read against
  // the local east and north; both must lie in [0, 360).
  const Case cases[] = {
      {60, 0, 60, 90},      {0, 0, 0, 90},         {-33.9249, 18.4241, 40.7128, -74.006},
      {10, 170, -20, -170}, {45, 10, -45, -170.5}, {40, 10, 50, 20},
      {50, 20, 40, 10},     {-40, 10, -50, -20},   {-50, 20, -40, 30},
      {10, -170, 20, 170},  {10, 20, 50, 20},      {50, 20, 10, 20},
      {0, 0, 0, -90},       {-10, -5, 30, -5}};
  const auto unit = [d](double lat, double lon) {
    return ref::V{std::cos(lat * d) * std::cos(lon * d), std::cos(lat * d) * std::sin(lon * d),
                  std::sin(lat * d)};
  };
  const auto heading = [&](double lat, double lon, ref::V toward) {  // degrees, [0, 360)
    const ref::V u = unit(lat, lon), east{-std::sin(lon * d), std::cos(lon * d), 0};
    const ref::V north = ref::Cross(u, east);
    const ref::V t = ref::Lin(1, toward, -ref::Dot(toward, u), u);
    return Full(std::atan2(ref::Dot(t, east), ref::Dot(t, north)) / d);
  };
  for (const Case& c : cases) {
    const double f1 = c.lat1 * d, f2 = c.lat2 * d, dl = (c.lon2 - c.lon1) * d;
    const double central =
        std::acos(std::sin(f1) * std::sin(f2) + std::cos(f1) * std::cos(f2) * std::cos(dl));
    const double course =
        std::atan2(std::sin(dl) * std::cos(f2),
                   std::cos(f1) * std::sin(f2) - std::sin(f1) * std::cos(f2) * std::cos(dl)) /
        d;
    const ref::V a = unit(c.lat1, c.lon1), b = unit(c.lat2, c.lon2);
    const double final =
        std::fmod(heading(c.lat2, c.lon2, a) + 180, 360);  // travel, not the way back
    sailings::Route route;
    sailings::Comparison cmp;
    ASSERT_EQ(sailings::CompareRoute(c.lat1, c.lon1, c.lat2, c.lon2, route, cmp),
              sailings::Status::ok);
    SCOPED_TRACE(std::to_string(c.lat1) + " " + std::to_string(c.lon1) + " " +
                 std::to_string(c.lat2) + " " + std::to_string(c.lon2));
    EXPECT_NEAR(cmp.sphere_nm, R * central / 1852, 1e-6);
    EXPECT_LT(ref::AngleDiff(cmp.sphere_course, Full(course)), 1e-9);
    EXPECT_LT(ref::AngleDiff(cmp.sphere_course, heading(c.lat1, c.lon1, b)), 1e-9);
    EXPECT_LT(ref::AngleDiff(cmp.sphere_course_final, final), 1e-9);
    for (double v : {cmp.sphere_course, cmp.sphere_course_final}) {
      EXPECT_GE(v, 0);
      EXPECT_LT(v, 360);
    }
  }
  // Worked by hand: 60N 0 to 60N 90E, cos c = 3/4: 2486.256 NM on course 049.107.
  sailings::Route route;
  sailings::Comparison cmp;
  ASSERT_EQ(sailings::CompareRoute(60, 0, 60, 90, route, cmp), sailings::Status::ok);
  EXPECT_NEAR(cmp.sphere_nm, 6371008.8 * 0.7227342478134157 / 1852, 1e-6);
  EXPECT_NEAR(cmp.sphere_course, 49.10660535086906, 1e-9);
  EXPECT_NEAR(cmp.sphere_course_final, 130.89339464913094, 1e-9);
}

TEST(Compare, SeparationOfTheTracksByIndependentSampling) {
  for (const Case& c : {kRoutes[0], kRoutes[2], kRoutes[3], kRoutes[4], kRoutes[6], kRoutes[10]}) {
    sailings::Route route;
    sailings::Comparison cmp;
    ASSERT_EQ(sailings::CompareRoute(c.lat1, c.lon1, c.lat2, c.lon2, route, cmp),
              sailings::Status::ok);
    const double expected = SeparationBySampling(c);
    EXPECT_NEAR(cmp.ge_geodesic_separation_km, expected, std::fmax(0.01 * expected, 0.010))
        << c.lat1 << " " << c.lon1 << " " << c.lat2 << " " << c.lon2;
  }
  // On a meridian the great ellipse is the geodesic.
  for (const Case& c : {kRoutes[7], kRoutes[8], kRoutes[11]}) {
    sailings::Route route;
    sailings::Comparison cmp;
    ASSERT_EQ(sailings::CompareRoute(c.lat1, c.lon1, c.lat2, c.lon2, route, cmp),
              sailings::Status::ok);
    EXPECT_LT(cmp.ge_geodesic_separation_km, 0.001) << c.lat1;
    EXPECT_NEAR(cmp.ge_minus_geodesic_m, 0, 1e-3) << c.lat1;
  }
}

TEST(Compare, GeodesicTablesLieOnTheGeodesic) {
  for (const Case& c : {kRoutes[0], kRoutes[3], kRoutes[4], kRoutes[9]}) {
    for (const sailings::WaypointPlacement placement :
         {sailings::WaypointPlacement::points, sailings::WaypointPlacement::leg}) {
      sailings::TableRequest request;
      request.placement = placement;
      request.along = sailings::Sailing::geodesic;
      request.count = 7;
      request.leg_nm = 777;
      std::vector<sailings::TableRow> rows;
      ASSERT_EQ(sailings::MakeTable(c.lat1, c.lon1, c.lat2, c.lon2, request, rows),
                sailings::Status::ok);
      double length, azi1, azi2;
      Geodesic().Inverse(c.lat1, c.lon1, c.lat2, c.lon2, length, azi1, azi2);
      const double step =
          placement == sailings::WaypointPlacement::points ? length / 8 : 777 * 1852.0;
      ASSERT_EQ(rows.size(), placement == sailings::WaypointPlacement::points
                                 ? 9u
                                 : static_cast<std::size_t>(length / step) + 2);
      EXPECT_LT(ref::AngleDiff(*rows[0].azimuth, Full(azi1)),
                1e-7);  // (90 read back from the record)
      for (std::size_t k = 1; k + 1 < rows.size(); ++k) {
        double s1, s2, a1, a2, b1, b2;
        Geodesic().Inverse(c.lat1, c.lon1, rows[k].lat, rows[k].lon, s1, a1, a2);
        Geodesic().Inverse(rows[k].lat, rows[k].lon, c.lat2, c.lon2, s2, b1, b2);
        EXPECT_NEAR(s1, k * step, 1e-4) << k;     // a tenth of a millimetre
        EXPECT_NEAR(s1 + s2, length, 1e-4) << k;  // on the shortest path
        EXPECT_LT(ref::AngleDiff(*rows[k].azimuth, Full(a2)), 1e-7) << k;
        EXPECT_NEAR(*rows[k].leg_nm, step / 1852, 1e-7);
        EXPECT_NEAR(*rows[k].total_nm, k * step / 1852, 1e-7);
      }
      EXPECT_NEAR(*rows.back().total_nm, length / 1852, 1e-7);
      EXPECT_FALSE(rows.back().azimuth.has_value());
    }
  }
}

TEST(Compare, OnTheCommandLine) {
  const fs::path dir = scratch::Folder("compare");
  const auto run = [&](const std::vector<std::string>& args, const std::string& input,
                       std::string& out) {
    const Outcome r = RunCommand(args, dir, input);
    out = r.out + r.err;
    return r.status;
  };
  std::string out;
  // One line of sixteen numbers per line of standard input.
  EXPECT_EQ(
      run({"route", "--compare"}, "10 20 -9.5 -159.5\n-33.9249 18.4241 40.7128 -74.006\n", out), 0);
  std::istringstream lines(out);
  int count = 0;
  const double ends[2][4] = {{10, 20, -9.5, -159.5}, {-33.9249, 18.4241, 40.7128, -74.006}};
  for (std::string line; std::getline(lines, line); ++count) {
    std::istringstream numbers(line);
    std::vector<double> v;
    for (double x; numbers >> x;) v.push_back(x);
    ASSERT_EQ(v.size(), 16u) << line;
    // The great ellipse's course arriving: the way back reversed.
    const double* e = ends[std::min(count, 1)];
    const double back = ref::ExactGreatEllipse(e[0], e[1], e[2], e[3]).inverse;
    EXPECT_LT(ref::AngleDiff(v[5], back + 180), 1e-6) << line;
  }
  EXPECT_EQ(count, 2);
  EXPECT_EQ(run({"route", "--compare", "--csv"}, "1 2 3 4\n", out), 0);
  EXPECT_EQ(
      out.substr(0, out.find('\n')),
      "ge_distance_nm,ge_azimuth_fwd,ge_azimuth_inv,rhumb_course,rhumb_distance_nm,vertex_lat,"
      "vertex_lon,vertex_on_route,ge_course_final,geodesic_nm,"
      "geodesic_azimuth_fwd,geodesic_azimuth_final,sphere_nm,sphere_course,sphere_course_final,"
      "ge_minus_geodesic_m,"
      "sphere_minus_geodesic_nm,rhumb_minus_geodesic_nm,rhumb_minus_geodesic_pct,"
      "ge_geodesic_separation_km,error");
  // The sphere's course arriving: between two points on one parallel the
  // great circle is symmetric about the middle meridian, so it arrives on
  // 180 - the initial course (49.107, as in the table below).
  EXPECT_EQ(run({"route", "--compare", "--json", "-p", "3", "60", "0", "60", "90"}, "", out), 0);
  EXPECT_NE(out.find("\"sphere_course\":49.107,\"sphere_course_final\":130.893,"),
            std::string::npos)
      << out;
  // One route on the command line: the labelled table.
  EXPECT_EQ(run({"route", "--compare", "-p", "3", "60", "0", "60", "90"}, "", out), 0);
  EXPECT_NE(out.find("great circle (sphere)           2486.256          49.107         130.893\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 10);  // and the vertex
  // Waypoints along the geodesic; refused with --longitudes and with --rhumb.
  EXPECT_EQ(
      run({"table", "10", "20", "-9.5", "-159.5", "--points", "3", "--geodesic", "--gpx", "g.gpx"},
          "", out),
      0);
  std::ifstream gpx(dir / "g.gpx");
  const std::string text((std::istreambuf_iterator<char>(gpx)), {});
  EXPECT_NE(text.find("<desc>geodesic; total distance 10764.816753 NM</desc>"), std::string::npos)
      << text;
  EXPECT_EQ(run({"table", "1", "2", "3", "4", "--longitudes", "3", "--geodesic"}, "", out), 2);
  EXPECT_EQ(run({"table", "1", "2", "3", "4", "--leg", "30", "--geodesic", "--rhumb"}, "", out), 2);
}

TEST(Compare, CoursesJustWestOfNorthStayBelow360) {
  // A course a hair west of due north is 360 - tiny, which rounds to 360
  // itself in double: it is 0 in [0, 360), as the library states.
  for (const double lon2 : {-1e-300, -1e-17, -1e-12}) {
    sailings::Route route;
    sailings::Comparison c;
    ASSERT_EQ(sailings::CompareRoute(0, 0, 10, lon2, route, c), sailings::Status::ok);
    for (const double course : {c.sphere_course, c.sphere_course_final, c.geodesic_azimuth_fwd,
                                route.ge_azimuth_fwd, route.rhumb_course}) {
      EXPECT_TRUE(course >= 0 && course < 360) << lon2 << " " << course;
      EXPECT_LT(ref::AngleDiff(course, 0), 1e-9);
    }
  }
}
