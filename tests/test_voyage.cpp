// Voyages: leg figures against the references, times of arrival worked by
// hand, the voyage's table, and the cross-track split against an
// independent dense sampling of the rhumb lines and the track.
#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "ref_tracks.h"
#include "reference.h"
#include "sailings/sailings.hpp"
#include "sailings/voyage.hpp"

namespace {

using ref::GeodesicTrack;
using ref::GoldenMax;
using ref::GreatEllipseTrack;
using ref::RefTrack;
using sailings::Sailing;
using sailings::Status;
using sailings::Voyage;
using sailings::VoyagePoint;

VoyagePoint At(double lat, double lon, const char* name = "") {
  VoyagePoint p;
  p.lat = lat, p.lon = lon, p.name = name;
  return p;
}

Voyage Plan(const std::vector<VoyagePoint>& points, const sailings::VoyageOptions& options = {}) {
  Voyage v;
  long waypoint = -1;
  EXPECT_EQ(Voyage::Plan(points, options, v, waypoint), Status::ok) << waypoint;
  return v;
}

// ---------------------------------------------------------------------------
// Leg figures: each leg as the references give its sailing.

TEST(Voyage, LegFiguresAgreeWithTheReferences) {
  VoyagePoint a = At(51.9244, 4.4777, "Rotterdam"), b = At(49.9, -5.2, "Lizard"),
              c = At(40.7128, -74.006, "New York"), d = At(35.4437, 139.638, "Yokohama"),
              e = At(37.808, -122.4177, "San Francisco");
  b.type = sailings::LegType::loxodrome;   // a rhumb line down the Channel
  c.type = sailings::LegType::orthodrome;  // an ocean leg
  d.sailing = Sailing::geodesic;           // across a continent, for the test
  const Voyage v = Plan({a, b, c, d, e});
  ASSERT_EQ(v.legs().size(), 4u);
  double total = 0;
  for (const sailings::VoyageLeg& leg : v.legs()) {
    SCOPED_TRACE(leg.number);
    double distance = 0, course = 0, final = 0;
    if (leg.sailing == Sailing::rhumb_line) {
      ref::Rhumb().Inverse(leg.from.lat, leg.from.lon, leg.to.lat, leg.to.lon, distance, course);
      distance /= ref::kNm, final = course;
    } else if (leg.sailing == Sailing::geodesic) {
      ref::Geod().Inverse(leg.from.lat, leg.from.lon, leg.to.lat, leg.to.lon, distance, course,
                          final);
      distance /= ref::kNm;
    } else {
      const ref::GreatEllipse g =
          ref::ExactGreatEllipse(leg.from.lat, leg.from.lon, leg.to.lat, leg.to.lon);
      distance = g.distance, course = g.forward, final = std::fmod(g.inverse + 180, 360);
    }
    EXPECT_NEAR(leg.distance_nm, distance, 1e-6);
    EXPECT_LT(ref::AngleDiff(leg.course, course), 1e-6);
    EXPECT_LT(ref::AngleDiff(leg.course_final, final), 1e-6);
    total += distance;
    EXPECT_NEAR(leg.total_nm, total, 1e-5);
    EXPECT_NEAR(leg.start_nm + leg.distance_nm, leg.total_nm, 1e-9);
  }
  EXPECT_EQ(v.legs()[0].sailing, Sailing::rhumb_line);
  EXPECT_EQ(v.legs()[1].sailing, Sailing::great_ellipse);
  EXPECT_EQ(v.legs()[2].sailing, Sailing::geodesic);
  EXPECT_EQ(v.legs()[3].sailing, Sailing::great_ellipse);  // unknown type: the voyage's sailing
}

// Along the equator every sailing is the equator: a degree is a pi/180 of the
// semi-major axis, 60.107 714 NM. Legs of 2 and 1 degrees at 12 and 6 knots
// each take 10 h 01 min 04.6 s; leaving at 20:00 on New Year's Eve the
// voyage arrives at 06:01 and 16:02 on New Year's Day.
TEST(Voyage, TimesOfArrivalWorkedByHand) {
  const double degree = ref::kA * M_PI / 180 / ref::kNm;  // 60.10771 NM
  VoyagePoint p0 = At(0, 0), p1 = At(0, 2), p2 = At(0, 3);
  p1.speed_kn = 12;
  p2.speed_kn = 6;
  sailings::VoyageOptions options;
  std::string why;
  std::int64_t depart = 0;
  ASSERT_TRUE(sailings::ParseUtcTime("2027-12-31T20:00Z", depart, why));
  options.depart = depart;
  const Voyage v = Plan({p0, p1, p2}, options);
  ASSERT_EQ(v.legs().size(), 2u);
  EXPECT_NEAR(v.legs()[0].distance_nm, 2 * degree, 1e-6);
  EXPECT_NEAR(*v.legs()[0].hours, 2 * degree / 12, 1e-9);
  EXPECT_NEAR(*v.legs()[1].hours, degree / 6, 1e-9);
  const sailings::Schedule clock{1.0, depart};
  EXPECT_EQ(clock.EtaAfter(*v.legs()[0].end_hours), "2028-01-01T06:01Z");
  EXPECT_EQ(clock.EtaAfter(*v.legs()[1].end_hours), "2028-01-01T16:02Z");
  EXPECT_EQ(clock.EtaAfter(*v.total_hours(), true), "2028-01-01T16:02:00Z");  // to the minute

  // A voyage-wide speed fills in the legs without their own.
  p2.speed_kn.reset();
  options.speed_kn = 20;
  const Voyage w = Plan({p0, p1, p2}, options);
  EXPECT_DOUBLE_EQ(*w.legs()[0].speed_kn, 12);
  EXPECT_DOUBLE_EQ(*w.legs()[1].speed_kn, 20);
}

TEST(Voyage, RefusalsNameTheWaypoint) {
  struct Case {
    std::vector<VoyagePoint> points;
    Status status;
    long waypoint;
    bool depart = false;
    double limit = 0;
  };
  VoyagePoint slow = At(10, 10), fast = At(10, 10), slowest = At(10, 10), fastest = At(10, 10);
  slow.speed_kn = -3, fast.speed_kn = 1e300, slowest.speed_kn = 0.0999, fastest.speed_kn = 100.001;
  const Case cases[] = {
      {{At(1, 1)}, Status::too_few_waypoints, 0},
      {{At(1, 1), At(2, 2), At(2, 2)}, Status::same_position, 3},
      {{At(1, 1), At(NAN, 2)}, Status::not_a_number, 2},
      {{At(1, 1), At(2, 2), At(90.5, 2)}, Status::latitude_beyond_90, 3},
      {{At(-90.5, 1), At(2, 2)}, Status::latitude_beyond_90, 1},
      {{At(1, 1), slow}, Status::speed_out_of_range, 2},
      {{At(1, 1), At(2, 2), fast}, Status::speed_out_of_range, 3},
      {{At(1, 1), slowest}, Status::speed_out_of_range, 2},
      {{At(1, 1), fastest}, Status::speed_out_of_range, 2},
      {{At(1, 1), At(2, 2)}, Status::no_speed, 2, true},
      {{At(10, 1), At(20, 2), At(60, 10)}, Status::position_beyond_limit, 3, false, 50},
      {{At(10, 1), At(-20, 2), At(-60, 10)}, Status::position_beyond_limit, 3, false, -50},
      {{At(10, 1), At(20, 2)}, Status::limit_out_of_range, 0, false, 95},
      {{At(10, 1), At(20, 2)}, Status::limit_out_of_range, 0, false, -95},
  };
  for (const Case& c : cases) {
    sailings::VoyageOptions options;
    if (c.depart) options.depart = 0;
    if (c.limit != 0) options.limit = c.limit;
    Voyage v;
    long waypoint = -1;
    EXPECT_EQ(Voyage::Plan(c.points, options, v, waypoint), c.status);
    EXPECT_EQ(waypoint, c.waypoint);
    EXPECT_TRUE(v.legs().empty());
  }
  // The range's own ends are speeds.
  VoyagePoint least = At(10, 10), most = At(20, 20);
  least.speed_kn = 0.1, most.speed_kn = 100;
  EXPECT_EQ(Plan({At(1, 1), least, most}).legs().size(), 2u);
}

// A limit holds on every leg, whatever its sailing. The geodesic's highest
// latitude comes from GeographicLib's own line (sampled, then refined by
// golden sections), the track's from the leg's points every 20 NM.
TEST(Voyage, LimitHoldsOnEveryLeg) {
  const GeographicLib::Geodesic geodesic(ref::kA, 1.0 - std::sqrt(1.0 - ref::kESq));
  const auto deepest = [&](double lat1, double lon1, double lat2, double lon2) {
    const GeographicLib::GeodesicLine line = geodesic.InverseLine(lat1, lon1, lat2, lon2);
    const auto at = [&](double u) {
      double lat, lon;
      line.Position(u * line.Distance(), lat, lon);
      return std::fabs(lat);
    };
    double best = 0, bestU = 0;
    for (int i = 0; i <= 400; ++i) {
      if (at(i / 400.0) > best) best = at(i / 400.0), bestU = i / 400.0;
    }
    double where = 0;
    return GoldenMax(at, std::max(0.0, bestU - 0.0025), std::min(1.0, bestU + 0.0025), where);
  };
  struct Case {
    const char* what;
    VoyagePoint from, to;
    Sailing sailing;
    Status status;
    bool composite;
  };
  const Case cases[] = {
      // Cape Town to Sydney: the geodesic reaches 59S.
      {"geodesic beyond", At(-33.9249, 18.4241), At(-33.8688, 151.2093), Sailing::geodesic,
       Status::ok, true},
      {"geodesic beyond, north", At(45, -60), At(45, 10), Sailing::geodesic, Status::ok, true},
      {"geodesic within", At(10, 1), At(40, 30), Sailing::geodesic, Status::ok, false},
      {"geodesic to beyond", At(10, 1), At(60, 10), Sailing::geodesic,
       Status::position_beyond_limit, false},
      {"geodesic from beyond", At(-51, 1), At(-40, 10), Sailing::geodesic,
       Status::position_beyond_limit, false},
      {"rhumb to beyond", At(10, 1), At(60, 10), Sailing::rhumb_line, Status::position_beyond_limit,
       false},
      {"rhumb within", At(10, 1), At(49.9, 10), Sailing::rhumb_line, Status::ok, false},
      {"great ellipse beyond", At(45, -60), At(45, 10), Sailing::great_ellipse, Status::ok, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VoyagePoint to = c.to;
    to.sailing = c.sailing;
    sailings::VoyageOptions options;
    options.limit = 50;
    Voyage v;
    long waypoint = -1;
    ASSERT_EQ(Voyage::Plan({c.from, to}, options, v, waypoint), c.status);
    if (c.status != Status::ok) {
      EXPECT_EQ(waypoint, 2);  // the leg arriving there
      continue;
    }
    const sailings::VoyageLeg& leg = v.legs()[0];
    const double reach = deepest(c.from.lat, c.from.lon, c.to.lat, c.to.lon);
    if (c.sailing == Sailing::geodesic) {
      EXPECT_EQ(reach > 50, c.composite) << reach;  // the case is what it says
    }
    EXPECT_EQ(leg.composite, c.composite);
    if (c.composite) {  // the same track as a great-elliptic leg within the limit
      EXPECT_EQ(leg.track(), sailings::Track::composite);
      sailings::Passage alone;
      ASSERT_EQ(sailings::Passage::Solve(c.from.lat, c.from.lon, c.to.lat, c.to.lon, 50.0, alone),
                Status::ok);
      EXPECT_DOUBLE_EQ(leg.distance_nm, alone.composite()->total_nm);
    } else if (c.sailing == Sailing::geodesic) {
      double s12 = 0;
      geodesic.Inverse(c.from.lat, c.from.lon, c.to.lat, c.to.lon, s12);
      EXPECT_NEAR(leg.distance_nm, s12 / 1852.0, 1e-6);
    }
    const sailings::SailingLine line(leg.passage, leg.track());
    for (double s = 0; s <= line.length_nm(); s += 20) {
      EXPECT_LE(std::fabs(line.Position(s).lat), 50 + 1e-9) << s;
    }
  }
}

// ---------------------------------------------------------------------------
// The voyage's table: numbered through, the voyage's waypoints named and
// carrying the next leg's course, times running on.

struct Rows : sailings::WaypointSink {
  std::vector<sailings::Waypoint> rows;
  void Row(const sailings::Waypoint& row) override { rows.push_back(row); }
};

TEST(Voyage, TableRunsThroughEveryLeg) {
  VoyagePoint a = At(50, -5, "A"), b = At(45, -20, "B"), c = At(45, -30, "C");
  c.type = sailings::LegType::loxodrome;
  b.speed_kn = 10;
  c.speed_kn = 5;
  const Voyage v = Plan({a, b, c});
  sailings::TableRequest request;
  request.placement = sailings::WaypointPlacement::points;
  request.count = 3;
  std::vector<sailings::WaypointPlan> plans;
  long leg = 0;
  ASSERT_EQ(sailings::PlanVoyageWaypoints(v, request, plans, leg), Status::ok);
  Rows rows;
  sailings::ForEachVoyageWaypoint(v, plans, rows);
  ASSERT_EQ(rows.rows.size(), 9u);  // 3 own + 3 + 3
  for (std::size_t i = 0; i < rows.rows.size(); ++i)
    EXPECT_EQ(rows.rows[i].wp, static_cast<long>(i));
  EXPECT_EQ(rows.rows[0].name, "A");
  EXPECT_EQ(rows.rows[4].name, "B");
  EXPECT_EQ(rows.rows[8].name, "C");
  EXPECT_TRUE(rows.rows[5].name.empty());
  // At B the course leaving is the rhumb line's; the leg arriving was a great ellipse.
  EXPECT_NEAR(*rows.rows[4].course, v.legs()[1].course, 1e-9);
  EXPECT_FALSE(rows.rows[4].loxodrome);
  EXPECT_TRUE(rows.rows[5].loxodrome);
  EXPECT_FALSE(rows.rows[8].course);
  EXPECT_NEAR(rows.rows[4].total_nm, v.legs()[0].distance_nm, 1e-9);
  EXPECT_NEAR(rows.rows[8].total_nm, v.total_nm(), 1e-9);
  EXPECT_NEAR(rows.rows[6].total_nm - rows.rows[4].total_nm, v.legs()[1].distance_nm / 2, 1e-6);
  // Hours: 10 knots to B, then 5.
  EXPECT_NEAR(*rows.rows[4].hours, v.legs()[0].distance_nm / 10, 1e-9);
  EXPECT_NEAR(*rows.rows[6].hours, *rows.rows[4].hours + v.legs()[1].distance_nm / 2 / 5, 1e-9);
  EXPECT_DOUBLE_EQ(*rows.rows[6].speed_kn, 5);

  // Hours only where every leg so far has a speed: none on a leg after one
  // without.
  VoyagePoint unknown = At(45, -20, "B");
  VoyagePoint timed = At(45, -30, "C");
  timed.speed_kn = 5;
  const Voyage partly = Plan({a, unknown, timed});
  Rows partial;
  sailings::ForEachVoyageWaypoint(partly, sailings::VoyageWaypointsOnly(partly), partial);
  ASSERT_EQ(partial.rows.size(), 3u);
  EXPECT_FALSE(partial.rows[1].hours);
  EXPECT_FALSE(partial.rows[2].hours);
  EXPECT_DOUBLE_EQ(*partial.rows[2].speed_kn, 5);
  EXPECT_FALSE(partly.total_hours());
  EXPECT_TRUE(partly.legs()[1].hours);

  // The whole table holds at most kMaxWaypoints intermediate waypoints: two
  // legs of 50,000 are the most, one more is refused naming the leg.
  request.count = 50000;
  ASSERT_EQ(sailings::PlanVoyageWaypoints(v, request, plans, leg), Status::ok);
  EXPECT_EQ(plans[0].n + plans[1].n, sailings::kMaxWaypoints);
  plans.clear();
  request.count = 50001;
  EXPECT_EQ(sailings::PlanVoyageWaypoints(v, request, plans, leg), Status::count_out_of_range);
  EXPECT_EQ(leg, 2);
  EXPECT_TRUE(plans.empty());
}

// ---------------------------------------------------------------------------
// The cross-track split, against an independent dense sampling: the track
// from the exact plane section (or GeographicLib's geodesic), the parts at
// equal arc length, the rhumb lines from GeographicLib, every distance from
// GeographicLib's inverse problem, minimised numerically.

// The greatest distance (NM) of the rhumb lines between n equal parts from
// the track.
double DenseSeparation(const RefTrack& track, long n) {
  std::vector<double> lat(n + 1), lon(n + 1), t(n + 1);
  for (long k = 0; k <= n; ++k) {
    t[k] = track.param(track.length * k / n);
    track.at(t[k], lat[k], lon[k]);
  }
  double worst = 0;
  for (long k = 0; k < n; ++k) {
    double s12, azi;
    ref::Rhumb().Inverse(lat[k], lon[k], lat[k + 1], lon[k + 1], s12, azi);
    const double span = t[k + 1] - t[k], lo = t[k] - 0.2 * span, hi = t[k + 1] + 0.2 * span;
    // The distance of the rhumb line's point at fraction u from the track.
    const auto gap = [&](double u) {
      double rl, rn;
      ref::Rhumb().Direct(lat[k], lon[k], azi, u * s12, rl, rn);
      double unused;
      return -GoldenMax(
          [&](double x) {
            double tl, tn, d;
            track.at(x, tl, tn);
            ref::Geod().Inverse(rl, rn, tl, tn, d);
            return -d;
          },
          lo, hi, unused);
    };
    constexpr int kSamples = 24;
    int best = 0;
    double bestGap = -1;
    for (int j = 0; j <= kSamples; ++j) {
      const double d = gap(static_cast<double>(j) / kSamples);
      if (d > bestGap) bestGap = d, best = j;
    }
    double unused;
    const double refined = GoldenMax(gap, std::max(0.0, (best - 1.0) / kSamples),
                                     std::min(1.0, (best + 1.0) / kSamples), unused);
    worst = std::max({worst, bestGap, refined});
  }
  return worst / ref::kNm;
}

TEST(Voyage, CrossTrackSplitAgainstDenseSampling) {
  struct Case {
    const char* what;
    double lat1, lon1, lat2, lon2, xtd;
    bool geodesic = false;
  };
  const Case cases[] = {
      {"a short leg in the Channel approaches", 50.1, -1.0, 49.2, -4.5, 0.05},
      {"an ocean leg, Lizard to New York", 49.9, -5.2, 40.7, -74.0, 1.0},
      {"about its vertex", 40.0, -10.0, 40.0, -60.0, 0.5},
      {"across the 180th meridian", 35.4, 139.6, 37.8, -122.4, 2.0},
      {"at high latitude", 68.0, -10.0, 70.0, 100.0, 1.0},
      {"across the equator", -10.0, -30.0, 20.0, -50.0, 0.2},
      {"a geodesic leg", 49.9, -5.2, 40.7, -74.0, 1.0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VoyagePoint to = At(c.lat2, c.lon2);
    if (c.geodesic) to.sailing = Sailing::geodesic;
    const Voyage v = Plan({At(c.lat1, c.lon1), to});
    sailings::CrossTrackSplit split;
    ASSERT_EQ(sailings::SplitForCrossTrack(v.legs()[0], c.xtd, split), Status::ok);
    const RefTrack track = c.geodesic ? GeodesicTrack(c.lat1, c.lon1, c.lat2, c.lon2)
                                      : GreatEllipseTrack(c.lat1, c.lon1, c.lat2, c.lon2);
    EXPECT_NEAR(track.length / ref::kNm, v.legs()[0].distance_nm, 1e-6);
    ASSERT_GT(split.parts, 1);
    const double with = DenseSeparation(track, split.parts);
    const double fewer = DenseSeparation(track, split.parts - 1);
    EXPECT_NEAR(split.separation_nm, with, 2e-4) << split.parts << " parts";
    EXPECT_LE(with, c.xtd + 1e-6);
    EXPECT_GT(fewer, c.xtd) << "one part fewer keeps within the limit: " << split.parts;
  }
}

// A voyage holds at most 10,000 legs: its outputs stay of bounded size.
TEST(Voyage, HoldsAtMostTenThousandLegs) {
  std::vector<VoyagePoint> points;
  for (std::size_t i = 0; i < sailings::kMaxVoyageWaypoints + 1; ++i) {
    points.push_back(At(i % 2 ? 0.1 : -0.1, -170.0 + 0.03 * static_cast<double>(i)));
  }
  Voyage v;
  long waypoint = 0;
  EXPECT_EQ(Voyage::Plan(points, {}, v, waypoint), Status::too_many_waypoints);
  points.pop_back();
  EXPECT_EQ(Voyage::Plan(points, {}, v, waypoint), Status::ok);
  EXPECT_EQ(v.legs().size(), 10000u);
}

// A composite leg's table has rows at T1 and T2 besides the equal parts: the
// parts told are the legs written.
TEST(Voyage, CrossTrackSplitOfACompositeLegCountsTheLegsWritten) {
  sailings::VoyageOptions options;
  options.limit = 50;
  const Voyage v = Plan({At(-33.9249, 18.4241), At(-33.8688, 151.2093)}, options);
  ASSERT_TRUE(v.legs()[0].composite);
  for (double xtd : {5.0, 20.0, 60.0}) {
    SCOPED_TRACE(xtd);
    sailings::CrossTrackSplit split;
    ASSERT_EQ(sailings::SplitForCrossTrack(v.legs()[0], xtd, split), Status::ok);
    std::vector<sailings::WaypointPlan> plans;
    long leg = 0;
    ASSERT_EQ(sailings::PlanCrossTrackWaypoints(v, {split}, plans, leg), Status::ok);
    struct Count : sailings::WaypointSink {
      long rows = 0;
      void Row(const sailings::Waypoint&) override { ++rows; }
    } count;
    sailings::ForEachVoyageWaypoint(v, plans, count);
    EXPECT_EQ(count.rows - 1, split.parts);
    EXPECT_EQ(split.parts, split.equal_parts + 2);  // T1 and T2 inside the parts
    EXPECT_LE(split.separation_nm, xtd);
  }
}

TEST(Voyage, CrossTrackSplitOfRhumbLinesAndOutOfRange) {
  VoyagePoint to = At(40.7, -74.0);
  to.type = sailings::LegType::loxodrome;
  const Voyage v = Plan({At(49.9, -5.2), to});
  sailings::CrossTrackSplit split;
  ASSERT_EQ(sailings::SplitForCrossTrack(v.legs()[0], 0.01, split), Status::ok);
  EXPECT_EQ(split.parts, 1);
  EXPECT_EQ(split.separation_nm, 0);
  for (double xtd : {0.0, 0.0009, 100.5, double(NAN), -1.0}) {
    EXPECT_EQ(sailings::SplitForCrossTrack(v.legs()[0], xtd, split), Status::xtd_out_of_range);
  }
  // Equator to equator over the North Pole (antipodes: the meridian section):
  // two parts are two meridians; one part, or any odd number, has a rhumb line
  // round the pole.
  const Voyage over = Plan({At(0, 0), At(0, 180)});
  ASSERT_EQ(sailings::SplitForCrossTrack(over.legs()[0], 1, split), Status::ok);
  EXPECT_EQ(split.parts, 2);
  EXPECT_NEAR(split.separation_nm, 0, 1e-6);
  // The finest limit on a long leg: many parts, soon.
  const Voyage w = Plan({At(0, 0), At(60, 120)});
  ASSERT_EQ(sailings::SplitForCrossTrack(w.legs()[0], 0.001, split), Status::ok);
  EXPECT_GT(split.parts, 500);
  EXPECT_LE(split.separation_nm, 0.001);
}

}  // namespace

// ---------------------------------------------------------------------------
// `sailings voyage`: the whole voyage as a table and as files, each read back
// by a tool nobody here wrote.

#include <ctime>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "command.h"
#include "scratch.h"

namespace {

// "YYYY-MM-DDTHH:MMZ" of `seconds` since 1970 rounded to the minute, by the C library.
std::string UtcMinute(double seconds) {
  const std::time_t t = static_cast<std::time_t>(std::llround(seconds / 60) * 60);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%MZ", &tm);
  return text;
}

TEST(VoyageCommand, TableAndFilesOfAPassagePlan) {
  const std::filesystem::path dir = scratch::Folder("voyage");
  std::ofstream(dir / "plan.csv") << "name,lat,lon,sailing,speed_kn\n"
                                     "Rotterdam,51.9244,4.4777,,\n"
                                     "Dover Strait,51.0,1.5,rhumb,12\n"
                                     "Lizard,49.9,-5.2,rhumb,\n"
                                     "New York,40.4772,-73.9917,great-ellipse,\n";
  const Outcome run = RunCommand(
      {"voyage", "--route", "plan.csv", "--speed", "16", "--depart", "2027-03-01T08:00Z", "--xtd",
       "1", "--rtz", "passage.rtz", "--gpx", "passage.gpx", "--svg", "passage.svg"},
      dir);
  ASSERT_EQ(run.status, 0) << run.err;
  // The legs by the references: two rhumb lines, then the great ellipse; 12
  // knots, then 16.
  double d1, d2, azi;
  ref::Rhumb().Inverse(51.9244, 4.4777, 51.0, 1.5, d1, azi);
  ref::Rhumb().Inverse(51.0, 1.5, 49.9, -5.2, d2, azi);
  const double d3 = ref::ExactGreatEllipse(49.9, -5.2, 40.4772, -73.9917).distance;
  d1 /= ref::kNm, d2 /= ref::kNm;
  const double hours = d1 / 12 + d2 / 16 + d3 / 16;
  std::int64_t depart = 0;
  std::string why;
  ASSERT_TRUE(sailings::ParseUtcTime("2027-03-01T08:00Z", depart, why));
  const std::string eta = UtcMinute(static_cast<double>(depart) + hours * 3600);
  char total[64];
  std::snprintf(total, sizeof total, "%.2f", d1 + d2 + d3);
  std::istringstream lines(run.out);
  std::vector<std::string> text;
  for (std::string line; std::getline(lines, line);) text.push_back(line);
  ASSERT_EQ(text.size(), 8u) << run.out;
  EXPECT_EQ(text[0].rfind("leg  from", 0), 0u);
  EXPECT_NE(text[3].find("Rotterdam"), std::string::npos);
  EXPECT_NE(text[3].find("rhumb"), std::string::npos);
  EXPECT_NE(text[5].find("great-ellipse"), std::string::npos);
  EXPECT_NE(text[7].find(total), std::string::npos) << text[7] << " " << total;
  EXPECT_NE(text[7].find(eta), std::string::npos) << text[7] << " " << eta;
  // Rules as long as the header; no line padded at its end.
  EXPECT_EQ(text[2], std::string(text[0].size(), '-'));
  EXPECT_EQ(text[6], text[2]);
  for (const std::string& line : text) EXPECT_NE(line.back(), ' ') << line;

  // RTZ: valid against the published schema, legs and speeds kept, and a
  // schedule of every waypoint (read by Python's own XML parser).
  EXPECT_EQ(
      std::system(("xmllint --noout --nonet --schema " SAILINGS_TESTS_DIR "/data/rtz-1_0.xsd '" +
                   (dir / "passage.rtz").string() + "' 2>/dev/null")
                      .c_str()),
      0);
  const std::string script =
      "import sys, xml.etree.ElementTree as E\n"
      "n = {'r': 'http://www.cirm.org/RTZ/1/0'}\n"
      "root = E.parse(sys.argv[1]).getroot()\n"
      "w = root.findall('r:waypoints/r:waypoint', n)\n"
      "legs = [(x.find('r:leg', n).get('geometryType'), x.find('r:leg', n).get('speedMax')) for x "
      "in w[1:]]\n"
      "s = root.findall('r:schedules/r:schedule/r:calculated/r:sheduleElement', n)\n"
      "assert [x.get('name') for x in w][:2] == ['Rotterdam', 'Dover Strait'], w\n"
      "assert w[-1].get('name') == 'New York'\n"
      "assert legs[0] == ('Loxodrome', '12.00') and legs[1] == ('Loxodrome', '16.00'), legs\n"
      "assert all(l == ('Orthodrome', '16.00') for l in legs[2:]) and len(legs) > 10, legs\n"
      "assert len(s) == len(w) and s[-1].get('eta')[:16] == sys.argv[2][:16], (s[-1].get('eta'), "
      "sys.argv[2])\n";
  std::ofstream(dir / "rtz.py") << script;
  EXPECT_EQ(std::system(("python3 '" + (dir / "rtz.py").string() + "' '" +
                         (dir / "passage.rtz").string() + "' '" + eta + "'")
                            .c_str()),
            0);
  // The RTZ file the voyage writes holds no fault.
  const Outcome check = RunCommand({"check", "passage.rtz"}, dir);
  EXPECT_EQ(check.status, 0) << check.out;

  // GPX: read back by gpsbabel, every waypoint where the RTZ file has it.
  ASSERT_EQ(std::system(("gpsbabel -r -i gpx -f '" + (dir / "passage.gpx").string() +
                         "' -o unicsv -F '" + (dir / "back.csv").string() + "' 2>/dev/null")
                            .c_str()),
            0);
  std::string back = ReadFile(dir / "back.csv");
  back.erase(std::remove(back.begin(), back.end(), '\r'), back.end());
  EXPECT_NE(back.find("\n1,51.924400,4.477700,\"Rotterdam\"\n"), std::string::npos) << back;
  EXPECT_NE(back.find(",40.477200,-73.991700,\"New York\"\n"), std::string::npos) << back;
  EXPECT_NE(back.find("\n3,49.900000,-5.200000,\"Lizard\"\n"), std::string::npos) << back;

  // The chart, rendered: each leg drawn along its own exact track.
  std::ostringstream checks;
  checks << "{\"paint\": [], \"along\": [";
  double angle;
  const ref::Section ocean =
      ref::SectionThrough(ref::Ecef(49.9, -5.2), ref::Ecef(40.4772, -73.9917), angle);
  for (int i = 1; i < 20; ++i) {
    double lat, lon;
    ref::Geodetic(ocean.Point(angle * i / 20), lat, lon);
    checks << "[" << lat << "," << lon << ",\"ellipse\"],";
  }
  for (int i = 1; i < 10; ++i) {
    double lat, lon;
    ref::Rhumb().Inverse(51.0, 1.5, 49.9, -5.2, d2, azi);
    ref::Rhumb().Direct(51.0, 1.5, azi, d2 * i / 10, lat, lon);
    checks << "[" << lat << "," << lon << ",\"rhumb\"]" << (i < 9 ? "," : "");
  }
  checks << "]}";
  std::ofstream(dir / "checks.json") << checks.str();
  EXPECT_EQ(
      std::system(("python3 " SAILINGS_TESTS_DIR "/chart_check.py '" +
                   (dir / "passage.svg").string() + "' '" + (dir / "checks.json").string() + "'")
                      .c_str()),
      0);
  EXPECT_NE(ReadFile(dir / "passage.svg").find(">Lizard</text>"), std::string::npos);
}

TEST(VoyageCommand, TheChartNumbersUnnamedWaypointsAsTheTableDoes) {
  // Positions without names: the chart's labels are the table's wp numbers
  // (from 0, not 1 to 3); the chart renders, the ellipse drawn through the
  // middle waypoint.
  const std::filesystem::path dir = scratch::Folder("voyage-numbers");
  const Outcome run = RunCommand({"voyage", "10", "-30", "20", "-40", "30", "-50", "--waypoints",
                                  "--csv", "--svg", "numbers.svg"},
                                 dir);
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream rows(run.out);
  std::string row, labels;
  std::getline(rows, row);
  std::string numbers;
  while (std::getline(rows, row)) numbers += row.substr(0, row.find(',')) + " ";
  EXPECT_EQ(numbers, "0 1 2 ");
  const std::string svg = ReadFile(dir / "numbers.svg");
  for (std::size_t at = svg.find("<text"); at != std::string::npos;
       at = svg.find("<text", at + 1)) {
    const std::size_t open = svg.find('>', at), close = svg.find("</text>", at);
    const std::string text = svg.substr(open + 1, close - open - 1);
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) && text.size() == 1)
      labels += text + " ";
  }
  EXPECT_EQ(labels, "0 2 1 ") << "(the ends first, then the waypoints between)";
  std::ofstream(dir / "checks.json") << "{\"paint\": [[20, -40, \"ellipse\", 3]], \"along\": []}";
  EXPECT_EQ(
      std::system(("python3 " SAILINGS_TESTS_DIR "/chart_check.py '" +
                   (dir / "numbers.svg").string() + "' '" + (dir / "checks.json").string() + "'")
                      .c_str()),
      0);
}

TEST(VoyageCommand, SeaPassagesNameTheirPointsAndSayWhatTheyDid) {
  // What scripts rely on: the points a sea passage adds named in order
  // ("… approach" from and to a named port on land, "turn 1", …, a canal's
  // by the canal), the notes on standard error naming the leg, and every
  // wrong use of --sea, --clearance and --avoid refused in one line.
  const std::filesystem::path dir = scratch::Folder("voyage-sea-names");
  std::ofstream(dir / "input.txt") << "Rotterdam\t51.9244 4.4777\nLisbon\t38.7223 -9.1393\n";
  // (A route file whose fourth line repeats the waypoint before it: the
  // refusal names that line, though turning points now stand before it.)
  std::ofstream(dir / "again.csv") << "lat,lon,name\n52.3,3.0,North Sea\n38.6,-9.6,Off Lisbon\n"
                                      "38.6,-9.6,Again\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::vector<const char*> out, err;  // what each must hold
  } cases[] = {
      // Ports on land joined by approaches; the turning points in order.
      {{"voyage", "Rotterdam", "Lisbon", "--sea", "--csv"},
       0,
       {"\n1,Rotterdam,Rotterdam approach,", "\n2,Rotterdam approach,turn 1,", ",turn 2,turn 3,",
        ",Lisbon approach,Lisbon,"},
       {"note: --sea: leg 1 (to waypoint 2 (Lisbon)): the departure is joined to the sea ",
        "note: --sea: leg 1 (to waypoint 2 (Lisbon)): the destination is joined to the sea "}},
      // Through the Suez Canal as a gate: its points by its name, its length
      // (104.5 NM from entrance to entrance) told.
      {{"voyage", "31.35", "32.40", "29.85", "32.55", "--sea", "--csv"},
       0,
       {",Suez Canal 1,great-ellipse,", ",Suez Canal 9,Suez Canal 10,"},
       {"note: --sea: leg 1 (to waypoint 2): passes the Suez Canal (104.5 NM from entrance to "
        "entrance)\n"}},
      {{"route", "Rotterdam", "Lisbon", "--sea", "--json"}, 0, {"\"total_nm\":"}, {}},
      {{"voyage", "--route", "again.csv", "--sea"},
       1,
       {},
       {"again.csv: line 4: waypoint ", " (Again): the same position as the waypoint before it\n"}},
      {{"voyage", "Rotterdam", "Lisbon", "--clearance", "2"},
       2,
       {},
       {"ERROR: --clearance: needs --sea\n"}},
      {{"voyage", "Rotterdam", "Lisbon", "--avoid", "suez"},
       2,
       {},
       {"ERROR: --avoid: needs --sea\n"}},
      {{"voyage", "Rotterdam", "Lisbon", "--sea", "--clearance", "0.05"},
       1,
       {},
       {"ERROR: the clearance must be from 0.1 to 50 NM\n"}},
      {{"voyage", "Rotterdam", "Lisbon", "--sea", "--clearance", "nan"}, 1, {}, {"ERROR: "}},
      {{"voyage", "Rotterdam", "Lisbon", "--sea", "--avoid", "panama,atlantis"},
       1,
       {},
       {"ERROR: the canals to avoid are suez, panama and kiel\n"}},
      {{"voyage", "Rotterdam", "Lisbon", "--sea", "--sailing", "rhumb"},
       1,
       {},
       {"ERROR: --sea lays great elliptic or geodesic legs: not with --sailing rhumb\n"}},
      {{"route", "Rotterdam", "Lisbon", "--sea", "--compare"},
       2,
       {},
       {"ERROR: --sea: not with --compare, --line, --full or --land\n"}},
  };
  for (const auto& c : cases) {
    const Outcome run = RunCommand(c.args, dir);
    std::string what;
    for (const std::string& a : c.args) what += a + " ";
    SCOPED_TRACE(what);
    EXPECT_EQ(run.status, c.status) << run.err;
    for (const char* text : c.out) EXPECT_NE(run.out.find(text), std::string::npos) << text;
    for (const char* text : c.err) EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    if (c.status != 0) {
      EXPECT_TRUE(run.out.empty()) << run.out;
      EXPECT_EQ(run.err.rfind("ERROR: ", 0), 0u) << run.err;
    }
  }
}

TEST(VoyageCommand, ASeaPassageIsChartedOnTheCoastItKeepsClearOf) {
  // Rotterdam to Lisbon at sea, charted: the land is the 1:10m coastline
  // the passage was planned round (Belle-Île and Jersey, which the 1:110m
  // polygons leave out, are land on it), its scale written on the chart,
  // and every leg drawn along its own great ellipse (the exact section,
  // rendered by librsvg).
  const std::filesystem::path dir = scratch::Folder("voyage-sea-chart");
  const Outcome legs = RunCommand(
      {"voyage", "51.9244", "4.4777", "38.7223", "-9.1393", "--sea", "--csv", "--svg", "sea.svg"},
      dir);
  ASSERT_EQ(legs.status, 0) << legs.err;
  std::istringstream rows(legs.out);
  std::string row;
  std::getline(rows, row);
  std::ostringstream checks;
  checks << "{\"paint\": [[47.335, -3.175, \"land\", 2], [49.215, -2.135, \"land\", 2]], "
            "\"along\": [";
  int along = 0;
  while (std::getline(rows, row)) {
    std::vector<std::string> cells;
    std::istringstream fields(row);
    for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 14u) << row;
    const double lat1 = std::stod(cells[10]), lon1 = std::stod(cells[11]),
                 lat2 = std::stod(cells[12]), lon2 = std::stod(cells[13]);
    double angle;
    const ref::Section leg =
        ref::SectionThrough(ref::Ecef(lat1, lon1), ref::Ecef(lat2, lon2), angle);
    for (int i = 1; i < 4; ++i) {
      double lat, lon;
      ref::Geodetic(leg.Point(angle * i / 4), lat, lon);
      checks << (along++ ? "," : "") << "[" << lat << "," << lon << ",\"ellipse\"]";
    }
  }
  checks << "]}";
  EXPECT_GT(along, 30);
  std::ofstream(dir / "checks.json") << checks.str();
  EXPECT_EQ(std::system(("python3 " SAILINGS_TESTS_DIR "/chart_check.py '" +
                         (dir / "sea.svg").string() + "' '" + (dir / "checks.json").string() + "'")
                            .c_str()),
            0);
  const std::string svg = ReadFile(dir / "sea.svg");
  EXPECT_NE(svg.find(">coast: Natural Earth 1:10m, ocean scale, not for pilotage</text>"),
            std::string::npos);
  EXPECT_LT(svg.size(), 300000u);
}

// Characters that reorder or hide what follows them (the bidirectional
// overrides and isolates, C1 controls) never reach the terminal or a file:
// each is one '?'. Written here by their code points.
TEST(VoyageCommand, NamesNeverReorderALine) {
  const std::filesystem::path dir = scratch::Folder("voyage-bidi");
  const auto utf8 = [](unsigned code) {
    std::string s;
    if (code < 0x800) {
      s += static_cast<char>(0xC0 | (code >> 6));
    } else {
      s += static_cast<char>(0xE0 | (code >> 12));
      s += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    return s + static_cast<char>(0x80 | (code & 0x3F));
  };
  for (unsigned code : {0x202Au, 0x202Bu, 0x202Cu, 0x202Du, 0x202Eu, 0x2066u, 0x2067u, 0x2068u,
                        0x2069u, 0x9Bu, 0x85u}) {
    SCOPED_TRACE(code);
    const std::string hidden = utf8(code);
    std::ofstream(dir / "r.csv") << "name,lat,lon\nPort" << hidden << "gnaL,50,-5\nHarbour,49,-6\n";
    for (const char* format : {"", "--csv", "--json"}) {
      std::vector<std::string> args = {"voyage", "--route",   "r.csv",    "--gpx",
                                       "r.gpx",  "--rtz",     "r.rtz",    "--kml",
                                       "r.kml",  "--geojson", "r.geojson"};
      if (*format) args.push_back(format);
      const Outcome run = RunCommand(args, dir);
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out.find(hidden), std::string::npos) << format;
      EXPECT_NE(run.out.find("Port?gnaL"), std::string::npos) << run.out;
      for (const char* file : {"r.gpx", "r.rtz", "r.kml", "r.geojson"}) {
        const std::string text = ReadFile(dir / file);
        EXPECT_EQ(text.find(hidden), std::string::npos) << file;
        EXPECT_NE(text.find("Port?gnaL"), std::string::npos) << file;
      }
    }
  }
  // Letters of right-to-left scripts and the marks that only set a
  // direction (U+200F) are text, kept as they are.
  std::ofstream(dir / "r.csv")
      << "name,lat,lon\n\u05D7\u05D9\u05E4\u05D4\u200F,50,-5\nHarbour,49,-6\n";
  const Outcome hebrew = RunCommand({"voyage", "--route", "r.csv", "--csv"}, dir);
  EXPECT_NE(hebrew.out.find("\u05D7\u05D9\u05E4\u05D4\u200F"), std::string::npos) << hebrew.out;
}

// The names made for waypoints without one (WP001, ...) never repeat a name
// the route gives: every name of every file is told apart from the others.
TEST(VoyageCommand, MadeNamesNeverRepeatGivenOnes) {
  const std::filesystem::path dir = scratch::Folder("voyage-names");
  struct Case {
    const char* csv;
    std::vector<std::string> more;
  };
  const Case cases[] = {
      {"name,lat,lon\nWP002,50,-5\n,49,-6\n,48,-7\n", {}},
      {"name,lat,lon\nWP000,50,-5\nWPA3,49,-6\n,48,-7\n", {"--points", "3"}},
      {"name,lat,lon\nWP1,50,-5\nWP0004,49,-6\nWPA001,48,-7\n", {"--leg", "20"}},
  };
  const auto names = [](const std::string& text, const std::string& open,
                        const std::string& close) {
    std::vector<std::string> found;
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
      const std::size_t start = at + open.size();
      found.push_back(text.substr(start, text.find(close, start) - start));
    }
    return found;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.csv);
    std::ofstream(dir / "r.csv") << c.csv;
    std::vector<std::string> args = {"voyage", "--route",   "r.csv",     "--gpx", "r.gpx", "--rtz",
                                     "r.rtz",  "--geojson", "r.geojson", "--kml", "r.kml"};
    args.insert(args.end(), c.more.begin(), c.more.end());
    const Outcome run = RunCommand(args, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    struct File {
      const char* name;
      std::string open, close;
      std::size_t skip;  // the names of the file and its tracks before the waypoints'
    };
    for (const File& f :
         {File{"r.gpx", "<name>", "</name>", 1}, File{"r.rtz", " name=\"", "\"", 0},
          File{"r.geojson", "\"name\":\"", "\"", 3}, File{"r.kml", "<name>", "</name>", 4}}) {
      SCOPED_TRACE(f.name);
      std::vector<std::string> got = names(ReadFile(dir / f.name), f.open, f.close);
      ASSERT_GT(got.size(), f.skip + 2);
      got.erase(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(f.skip));
      std::vector<std::string> sorted = got;
      std::sort(sorted.begin(), sorted.end());
      EXPECT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end())
          << ::testing::PrintToString(got);
    }
  }
}

TEST(VoyageCommand, UsageErrorsAndRefusals) {
  const std::filesystem::path dir = scratch::Folder("voyage-usage");
  std::ofstream(dir / "input.txt") << "Alpha\t10 10\nBravo\t20 20\n"
                                      "A place with a name too long for the table\t30 30\n";
  std::ofstream(dir / "r.csv") << "lat,lon\n1,1\n2,2\n";
  std::ofstream(dir / "north.csv") << "lat,lon,sailing\n40,1\n60,2,rhumb\n62,3,rhumb\n";
  std::ofstream(dir / "fast.csv") << "lat,lon,speed_kn\n\n40,1\n\n41,2,1e300\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"voyage", "Alpha"}, 2, "give at least two places"},
      {{"voyage", "Alpha", "Bravo", "--route", "r.csv"}, 2, "not both"},
      {{"voyage", "Alpha", "Bravo", "--points", "2", "--xtd", "1"}, 2, "excludes"},
      {{"voyage", "--route", "r.csv", "--rtz", "r.csv"}, 2, "would overwrite the route file"},
      {{"voyage", "Alpha", "Bravo", "--sailing", "spiral"}, 1, "great-ellipse, rhumb or geodesic"},
      {{"voyage", "Alpha", "Bravo", "--orthodrome", "rhumb"}, 1, "great-ellipse or geodesic"},
      {{"voyage", "Alpha", "Bravo", "--xtd", "0"}, 1, "from 0.001 to 100 NM"},
      {{"voyage", "Alpha", "Bravo", "--depart", "2027-01-01T00:00Z"},
       1,
       "leg 1: a departure time needs"},
      {{"voyage", "Alpha", "Bravo", "Bravo"}, 1, "waypoint 3 (Bravo): the same position"},
      {{"voyage", "Alpha", "Charlie"}, 1, "no place named 'Charlie'"},
      {{"voyage", "Alpha", "Bravo", "60N", "20E", "--limit", "50"}, 1, "leg 2 (to waypoint 3)"},
      {{"voyage", "--route", "north.csv", "--limit", "50"},
       1,
       "ERROR: north.csv: line 3: leg 1 (to waypoint 2)"},
      {{"voyage", "--route", "north.csv", "--speed", "1e300"},
       1,
       "--speed must be from 0.1 to 100 knots"},
      {{"voyage", "--route", "fast.csv"},
       1,
       "ERROR: fast.csv: line 5: waypoint 2: a speed must be from 0.1 to 100 knots"},
      {{"voyage", "--route", "north.csv", "--sailing", "loxodrome", "--limit", "70"}, 0, ""},
      {{"voyage", "--route", "north.csv", "--sailing", "orthodrome", "--limit", "70"}, 0, ""},
      {{"voyage", "Alpha", "Bravo", "--speed", "0.1", "--depart", "9999-06-01T00:00Z"},
       1,
       "after the year 9999"},
  };
  for (const Case& c : cases) {
    const Outcome run = RunCommand(c.args, dir);
    EXPECT_EQ(run.status, c.status) << c.args.back() << ": " << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
  // The examples of the voyage's help run as they are, from the project's folder.
  const Outcome help = RunCommand({"voyage", "--help"}, dir);
  const std::size_t example = help.out.find("  sailings voyage Rotterdam");
  ASSERT_NE(example, std::string::npos) << help.out;
  std::vector<std::string> words;
  std::istringstream line(help.out.substr(example, help.out.find('\n', example) - example));
  for (std::string word; line >> std::quoted(word);) words.push_back(word);
  words.erase(words.begin());
  const Outcome helped = RunCommand(words, SAILINGS_TESTS_DIR "/..");
  EXPECT_EQ(helped.status, 0) << helped.err;
  const Outcome none = RunCommand({"voyage", "Alpha", "Bravo", "--points", "0"}, dir);
  EXPECT_EQ(none.err, "ERROR: --points must be from 1 to 100000 a leg\n");
  // Two legs of a voyage at 60000 points each: more than the table holds.
  const Outcome many = RunCommand({"voyage", "Alpha", "Bravo", "Alpha", "--points", "60000"}, dir);
  EXPECT_EQ(many.status, 1);
  EXPECT_NE(many.err.find("more than 100000 intermediate waypoints"), std::string::npos)
      << many.err;
  // A name too long for its column is cut, its last character a '~'.
  const Outcome cut =
      RunCommand({"voyage", "Alpha", "A place with a name too long for the table"}, dir);
  EXPECT_NE(cut.out.find("  1  Alpha                     A place with a name too~  great-ellipse"),
            std::string::npos)
      << cut.out;
  // Land: one warning per leg that crosses it, and the voyage still planned.
  const Outcome land = RunCommand({"voyage", "52N", "10W", "52N", "20E", "--land"}, dir);
  EXPECT_EQ(land.status, 0);
  EXPECT_NE(land.err.find("warning: leg 1 (great-ellipse) crosses land near"), std::string::npos)
      << land.err;
  // The waypoint table as JSON: one object per row, names on the voyage's own.
  const Outcome json =
      RunCommand({"voyage", "Alpha", "Bravo", "--points", "1", "--waypoints", "--json"}, dir);
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 3);
  EXPECT_NE(json.out.find("{\"wp\":2,\"name\":\"Bravo\",\"lat\":20.000000,"), std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("{\"wp\":1,\"name\":\"\",\"lat\":"), std::string::npos) << json.out;
}

}  // namespace
