// The glue between the computation and what the user sees: every table mode
// and method as planned from a request, row by row against independent
// references; the same answers with LF, CR LF and no final line end; the
// position rules at the 180th meridian, at longitude 0 and at the poles; the
// route files' figures.
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <vector>

#include "api/rows.h"
#include "elliptic/ellipsoid.h"
#include "reference.h"
#include "sailings/places.hpp"
#include "sailings/sailings.hpp"
#include "sailings/text.hpp"
#include "session.h"

namespace {

using sailings::Sailing;
using sailings::TableRow;
using sailings::WaypointPlacement;

std::vector<TableRow> Table(double lat1, double lon1, double lat2, double lon2,
                            WaypointPlacement placement, Sailing along, long long count,
                            double leg) {
  sailings::TableRequest request;
  request.placement = placement;
  request.along = along;
  request.count = count;
  request.leg_nm = leg;
  std::vector<TableRow> rows;
  EXPECT_EQ(sailings::MakeTable(lat1, lon1, lat2, lon2, request, rows), sailings::Status::ok);
  return rows;
}

// Row k of the exact plane section, `s` metres from the departure.
void SectionPoint(double lat1, double lon1, double lat2, double lon2, double s, double& lat,
                  double& lon) {
  double angle;
  const ref::Section section =
      ref::SectionThrough(ref::Ecef(lat1, lon1), ref::Ecef(lat2, lon2), angle);
  ref::Geodetic(section.Point(section.AngleAtArc(s)), lat, lon);
}

}  // namespace

TEST(Glue, EveryModeAndMethodRowByRow) {
  // Routes in all four directions, across the equator and the 180th meridian.
  const std::array<double, 4> routes[] = {{-33.9249, 18.4241, 40.7128, -74.006},  // NW
                                          {40.7128, -74.006, -33.9249, 18.4241},  // SE
                                          {35.4437, 139.638, 37.808, -122.4177},  // E across 180
                                          {-10, 150, -40, 60}};                   // SW
  for (const auto& r : routes) {
    SCOPED_TRACE(std::to_string(r[0]) + " " + std::to_string(r[1]));
    const ref::GreatEllipse ge = ref::ExactGreatEllipse(r[0], r[1], r[2], r[3]);
    double rhumb, course;
    ref::Rhumb().Inverse(r[0], r[1], r[2], r[3], rhumb, course);
    const struct {
      WaypointPlacement placement;
      Sailing along;
      long long count;
      double leg;
    } requests[] = {{WaypointPlacement::points, Sailing::great_ellipse, 6, 0},
                    {WaypointPlacement::leg, Sailing::great_ellipse, 0, 900},
                    {WaypointPlacement::points, Sailing::rhumb_line, 6, 0},
                    {WaypointPlacement::leg, Sailing::rhumb_line, 0, 900}};
    for (const auto& q : requests) {
      const bool ellipse = q.along == Sailing::great_ellipse;
      const double length = ellipse ? ge.distance * 1852 : rhumb;
      const double step =
          q.placement == WaypointPlacement::points ? length / (q.count + 1) : q.leg * 1852;
      const std::vector<TableRow> rows =
          Table(r[0], r[1], r[2], r[3], q.placement, q.along, q.count, q.leg);
      const std::size_t n = q.placement == WaypointPlacement::points
                                ? q.count
                                : static_cast<std::size_t>(length / step);
      ASSERT_EQ(rows.size(), n + 2);
      for (std::size_t k = 0; k < rows.size(); ++k) {
        double lat = r[2], lon = r[3];
        if (k + 1 < rows.size()) {
          if (ellipse) {
            SectionPoint(r[0], r[1], r[2], r[3], k * step, lat, lon);
          } else {
            ref::Rhumb().Direct(r[0], r[1], course, k * step, lat, lon);
          }
        }
        EXPECT_EQ(rows[k].wp, static_cast<long>(k));
        EXPECT_NEAR(rows[k].lat, lat, 1e-7) << k;
        EXPECT_LT(ref::AngleDiff(rows[k].lon, lon), 1e-7) << k;
        if (k == 0) {
          EXPECT_FALSE(rows[k].leg_nm || rows[k].total_nm);
          continue;
        }
        const double total = k + 1 < rows.size() ? k * step / 1852 : length / 1852;
        EXPECT_NEAR(*rows[k].total_nm, total, 2e-6) << k;
        EXPECT_NEAR(*rows[k].leg_nm, total - (k - 1) * step / 1852, 2e-6) << k;
        EXPECT_GT(*rows[k].leg_nm, 0) << k;
      }
      EXPECT_LT(ref::AngleDiff(*rows[0].azimuth, ellipse ? ge.forward : course), 1e-6);
    }
    // Mode 1: equal steps of longitude the shorter way, every point on the
    // route's plane (where the plane meets that meridian).
    const std::vector<TableRow> rows =
        Table(r[0], r[1], r[2], r[3], WaypointPlacement::longitudes, Sailing::great_ellipse, 4, 0);
    ASSERT_EQ(rows.size(), 6u);
    double dlon = std::remainder(r[3] - r[1], 360.0);
    const ref::V normal = ref::Unit(ref::Cross(ref::Ecef(r[0], r[1]), ref::Ecef(r[2], r[3])));
    double total = 0;
    for (std::size_t k = 1; k < rows.size(); ++k) {
      EXPECT_LT(ref::AngleDiff(rows[k].lon, r[1] + dlon * k / 5), 1e-9) << k;
      if (k < 5) {
        EXPECT_NEAR(ref::Dot(normal, ref::Ecef(rows[k].lat, rows[k].lon)), 0, 1e-6)
            << k;  // metres off the plane
      }
      const double leg =
          ref::ExactGreatEllipse(rows[k - 1].lat, rows[k - 1].lon, rows[k].lat, rows[k].lon)
              .distance;
      EXPECT_NEAR(*rows[k].leg_nm, leg, 1e-5) << k;
      total += leg;
      EXPECT_NEAR(*rows[k].total_nm, total, 1e-5) << k;
    }
    EXPECT_NEAR(total, ge.distance, 1e-4);
  }
}

TEST(Glue, RefusedRequests) {
  const struct {
    double lat1, lon1, lat2, lon2;
    WaypointPlacement placement;
    long long count;
    double leg;
    sailings::Status status;
  } cases[] = {
      {10, 20, 30, 40, WaypointPlacement::points, 0, 0, sailings::Status::count_out_of_range},
      {10, 20, 30, 40, WaypointPlacement::points, 100001, 0, sailings::Status::count_out_of_range},
      {10, 20, 30, 40, WaypointPlacement::longitudes, -1, 0, sailings::Status::count_out_of_range},
      {10, 20, 30, 40, WaypointPlacement::longitudes, 100001, 0,
       sailings::Status::count_out_of_range},
      {10, 20, 30, 40, WaypointPlacement::leg, 0, 0.999999, sailings::Status::leg_too_short},
      {10, 20, 30, 40, WaypointPlacement::leg, 0, NAN, sailings::Status::leg_too_short},
      {10, 20, 30, 20, WaypointPlacement::longitudes, 3, 0,
       sailings::Status::meridian_has_no_longitudes},
      {10, 20, -30, -160, WaypointPlacement::longitudes, 3, 0,
       sailings::Status::meridian_has_no_longitudes},
      {90, 0, 30, 40, WaypointPlacement::longitudes, 3, 0,
       sailings::Status::meridian_has_no_longitudes},
      {30, 40, -90, 0, WaypointPlacement::longitudes, 3, 0,
       sailings::Status::meridian_has_no_longitudes},
      {10, 20, 10, 380, WaypointPlacement::leg, 0, 5, sailings::Status::same_position},
      {91, 20, 10, 30, WaypointPlacement::leg, 0, 5, sailings::Status::latitude_beyond_90},
      {10, INFINITY, 10, 30, WaypointPlacement::leg, 0, 5, sailings::Status::not_a_number},
  };
  for (const auto& c : cases) {
    sailings::TableRequest request;
    request.placement = c.placement;
    request.count = c.count;
    request.leg_nm = c.leg;
    int rows = 0;
    EXPECT_EQ(sailings::ForEachTableRow(c.lat1, c.lon1, c.lat2, c.lon2, request,
                                        [&](const TableRow&) { ++rows; }),
              c.status)
        << c.lat1 << " " << c.lon2 << " " << c.count;
    EXPECT_EQ(rows, 0);
  }
  // The limits themselves are accepted.
  for (const auto& [placement, count, leg] : {std::tuple{WaypointPlacement::points, 1LL, 0.0},
                                              std::tuple{WaypointPlacement::longitudes, 0LL, 0.0},
                                              std::tuple{WaypointPlacement::leg, 0LL, 1.0}}) {
    std::vector<TableRow> rows;
    EXPECT_EQ(sailings::MakeTable(10, 20, 10.1, 20.1,
                                  {placement, Sailing::great_ellipse, count, leg}, rows),
              sailings::Status::ok);
  }
  // The dialogue: mode 1 from a pole gets the meridian's explanation.
  const Session s = Play("0\n90\n0\n2\n1\ny\n");
  EXPECT_NE(s.out.find("This route runs along a meridian: it has no intermediate longitudes"),
            std::string::npos);
  EXPECT_EQ(s.File("waypoints.dat"), "");
}

TEST(Glue, LineEndsChangeNothing) {
  // (The last script ends on the method's answer: without a line end it
  // still counts, and the table is made.)
  const char* scripts[] = {"3\n4\n3\n700\n1\nn\n0\n33 55 30 S\n18 25 26.8 E\n2\n2\n5\n2\ny\n",
                           "0\n-10\n-20\n0\n10\n20\n1\n3\ny\n", "1\n2\n3\n1000\n2\ny\n",
                           "3\n4\n2\n5\n1\n"};
  const char list[] = "Origin\t0 0\nSixty East\t0 60\nNorth\t50 -10\nSouth\t-33.865 -151.2093\n";
  for (const std::string lf : scripts) {
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string unended = lf.substr(0, lf.size() - 1);
    const Session a = Play(lf), b = Play(crlf), c = Play(unended);
    EXPECT_EQ(a.out, b.out) << lf;
    EXPECT_EQ(a.out, c.out) << lf;
    EXPECT_EQ(a.File("waypoints.dat"), b.File("waypoints.dat"));
    EXPECT_EQ(a.File("waypoints.dat"), c.File("waypoints.dat"));
    EXPECT_NE(a.File("waypoints.dat"), "");
    // And the location list with CR LF and without its last line end.
    std::string listCrlf;
    for (char ch : std::string(list))
      listCrlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const std::string listUnended(list, sizeof list - 2);
    EXPECT_EQ(Play(lf, listCrlf.c_str()).out, a.out) << lf;
    EXPECT_EQ(Play(lf, listUnended.c_str()).out, a.out) << lf;
  }
}

TEST(Glue, PositionRulesAtTheMeridiansAndPoles) {
  const struct {
    double lat1, lon1, lat2, lon2;
    bool same;
  } cases[] = {
      {10, 180, 10, -180, true},
      {10, 0, 10, 360, true},
      {10, 0, 10, -360, true},
      {10, 0, 10, 5e-9, true},
      {10, 0, 10, 2e-8, false},
      {10, -0.0, 10, 0.0, true},
      {10, 179.999999999, 10, -179.999999999, true},
      {10, 179.99999, 10, -179.99999, false},
      {90, 0, 90, 123, true},
      {-90, 0, -90, -45, true},
      {90, 0, -90, 0, false},
      {89.999999, 0, 89.999999, 180, false},
      {0, 0, 0, 180, false},
      {0, 0, 1e-9, 0, true},
      {100, 20, 80, -160, true},
      {10, 20, 10.00000002, 20, false},
  };
  for (const auto& c : cases) {
    const sailings::Place p = sailings::StorePlace("p", c.lat1, c.lon1);
    const sailings::Place q = sailings::StorePlace("q", c.lat2, c.lon2);
    EXPECT_EQ(sailings::SamePosition(p, q), c.same)
        << c.lat1 << " " << c.lon1 << " " << c.lat2 << " " << c.lon2;
    EXPECT_EQ(sailings::SamePosition(q, p), c.same);
  }
}

TEST(Glue, RouteFileFigures) {
  // The GPX description's total is the table's last total.
  for (const char* script : {"3\n4\n3\n700\n1\ny\n", "3\n4\n2\n5\n2\ny\n", "1\n2\n1\n3\ny\n"}) {
    const Session s = Play(script);
    const std::string table = s.File("waypoints.dat"), gpx = s.File("waypoints.gpx");
    const std::string last = table.substr(table.rfind(' ', table.size() - 2) + 1);
    const std::size_t at = gpx.find("; total distance ");
    ASSERT_NE(at, std::string::npos) << script;
    EXPECT_EQ(gpx.substr(at + 17, last.size() - 1), last.substr(0, last.size() - 1)) << script;
    EXPECT_NE(last, "0.000000\n");
  }
}

TEST(Glue, TheNumberWriter) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{-1e-9, 6, "0.000000"},
               {-4e-7, 6, "0.000000"},
               {-6e-7, 6, "-0.000001"},
               {-0.0, 3, "0.000"},
               {-0.4, 0, "0"},
               {-0.6, 0, "-1"},
               {-1e-13, 12, "0.000000000000"},
               {123.4565, 3, "123.457"},
               {0.125, 2, "0.12"},
               {2.5, 0, "2"},
               {359.9999996, 6, "360.000000"},
               {-33.9249, 4, "-33.9249"},
               {1e20, 2, "100000000000000000000.00"}};
  for (const auto& c : cases) {
    char text[400];
    EXPECT_EQ(std::string(text, sailings::FormatNumber(text, c.value, c.decimals)), c.text)
        << c.value;
  }
}

TEST(Glue, AnswersAfterBlanksAndEmptyLines) {
  // Blank lines and leading blanks before a count, a leg distance, a method
  // and the exit answer are skipped, as before any other answer.
  const Session a = Play("3\n4\n3\n700\n1\ny\n");
  const Session b = Play("3\n4\n3\n\n \t\v\f 700\n\n 1\n\n   y\n");
  EXPECT_EQ(a.File("waypoints.dat"), b.File("waypoints.dat"));
  EXPECT_NE(a.File("waypoints.dat"), "");
  EXPECT_EQ(b.status, 0);
  EXPECT_EQ(b.out.substr(b.out.size() - 13), "\nExit (y/n)? ");  // y ended it: no new listing
  // Empty lines at the waypoint menu are skipped too: the menu once.
  const Session m = Play("3\n4\n\n\n3\n700\n1\ny\n");
  EXPECT_EQ(m.File("waypoints.dat"), a.File("waypoints.dat"));
  EXPECT_EQ(m.out.find("Press 3 to continue"), m.out.rfind("Press 3 to continue"));
  const Session c = Play("3\n4\n2\n\n5\n1\ny\n");  // an empty line before the count
  EXPECT_NE(c.out.find("\n 6   -33.865000"), std::string::npos);
  // A hemisphere letter after stray fields still counts (up to the eighth field).
  const Session d = Play("0\n33 55 30 x x x x S\n18 25\n1\n3\n1000\n1\ny\n");
  EXPECT_NE(d.out.find("latitude (degrees) = -33.925\n"), std::string::npos) << d.out;
}

TEST(Glue, RoutesOfMillimetres) {
  // Positions 3.3 mm apart (2e-8 degrees of longitude at 10 N): the chord.
  sailings::Route r;
  ASSERT_EQ(sailings::SolveRoute(10, 20, 10, 20.00000003, r), sailings::Status::ok);
  const double metres = 0.00000003 * ref::kDeg * 6378137.0 /
                        std::sqrt(1 - ref::kESq * std::pow(std::sin(10 * ref::kDeg), 2)) *
                        std::cos(10 * ref::kDeg);
  EXPECT_NEAR(r.ge_distance_nm * 1852, metres, 1e-6);
  EXPECT_NEAR(r.rhumb_distance_nm * 1852, metres, 1e-6);
  EXPECT_NEAR(r.ge_azimuth_fwd, 90, 1e-3);
  EXPECT_NEAR(r.ge_azimuth_inv, 270, 1e-3);
}

TEST(Glue, AngleRulesOnTheAxes) {
  // The direction angle of (x, y) in (-pi, pi] and the full-circle azimuth
  // in [0, 2pi), on and off the axes, signed zeros included.
  const struct {
    double y, x, angle, azimuth;
  } cases[] = {{0, 0, 0, 0},      {0, 1, 0, 0},           {1, 0, 90, 90},
               {0, -1, 180, 180}, {-1, 0, -90, 270},      {-0.0, -1, 180, 180},
               {1, -1, 135, 135}, {-1, -1, -135, 225},    {-1, 1, -45, 315},
               {1, 1, 45, 45},    {1e-300, -1, 180, 180}, {-1e-300, -1, -180, 180}};
  for (const auto& c : cases) {
    EXPECT_NEAR(sailings::AngleOf(c.y, c.x) / ref::kDeg, c.angle, 1e-12) << c.y << " " << c.x;
    EXPECT_NEAR(sailings::FullCircleAzimuth(c.y, c.x) / ref::kDeg, c.azimuth, 1e-12)
        << c.y << " " << c.x;
  }
}

TEST(Glue, AzimuthsOfTheInterfaceAreBelow360) {
  // The computation's angles (radians, due north sometimes 2 pi or a hair
  // below 0) as the interface gives them: degrees in [0, 360), never -0.
  const double twoPi = 2 * M_PI;
  const struct {
    double radians, degrees;
  } cases[] = {{0, 0},           {-0.0, 0},       {twoPi, 0},
               {-1e-17, 0},      {-1e-15, 0},     {M_PI, 180},
               {-M_PI / 2, 270}, {3 * M_PI, 180}, {std::nextafter(twoPi, 0), 0}};
  for (const auto& c : cases) {
    const double d = sailings::AzimuthDegrees(c.radians);
    EXPECT_GE(d, 0) << c.radians;
    EXPECT_LT(d, 360) << c.radians;
    EXPECT_LT(ref::AngleDiff(d, c.degrees), 1e-9) << c.radians;
    EXPECT_FALSE(std::signbit(d)) << c.radians;
  }
}

TEST(Glue, TextThatReachesFilesAndTerminals) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"Tromsø", "Tromsø"},
               {"\xEF\xBF\xBF", "???"},
               {"\xEF\xBF\xBE", "???"},
               {"\xED\xA0\x80", "???"},
               {"\xC0\xAF", "??"},
               {"\xF4\x90\x80\x80", "????"},
               {"a\tb\x7f", "a?b?"},
               {"\xE2\x80\x99", "\xE2\x80\x99"},
               {"\xF4\x8F\xBF\xBD", "\xF4\x8F\xBF\xBD"},
               {"\xF0\x9F\x8C\x8A", "\xF0\x9F\x8C\x8A"}};
  for (const auto& c : cases) EXPECT_EQ(sailings::PrintableText(c.in), c.out) << c.in;
  EXPECT_EQ(sailings::PrintableText(std::string(100, 'x'), 60), std::string(60, 'x') + "...");
}
