// Tables as planned from a request: every mode and method row by row
// against the exact plane section and GeographicLib, the requests refused
// with their reasons, and routes of millimetres against the chord.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "reference.h"
#include "sailings/sailings.hpp"
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

TEST(Tables, EveryModeAndMethodRowByRow) {
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

TEST(Tables, RefusedRequests) {
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

TEST(Tables, RoutesOfMillimetres) {
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
