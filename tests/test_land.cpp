// The land check. Land crossings are checked on routes whose answer is plain
// from geography, and the first crossing against the polygon data by an
// independent computation: this file's own decoding of the data and its own
// even-odd test, along the exact tracks sampled every 0.1 NM.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <tuple>
#include <vector>

#include "command.h"
#include "elliptic/passage.h"
#include "elliptic/route.h"
#include "land/land.h"
#include "output_check.h"
#include "reference.h"
#include "scratch.h"
#include "session.h"

namespace fs = std::filesystem;

namespace {

namespace data {
#include "land/land_110m.inc"
}

Outcome Cli(const std::vector<std::string>& args, const fs::path& dir) {
  return RunCommand(args, dir);
}

// The land polygons as this test reads them: every ring, each point's
// longitude taken within 180 degrees of the one before, the ring then put in
// the turn of longitude that holds its middle (a lake in the same turn as
// the land around it), a ring that goes all the way round closed over its
// pole.
const std::vector<std::vector<std::pair<double, double>>>& Rings() {
  static const auto rings = [] {
    std::vector<std::vector<std::pair<double, double>>> out;
    for (std::size_t i = 0; data::kLandData[i] != 0;) {
      const int n = data::kLandData[i++];
      out.emplace_back();
      for (int k = 0; k < n; ++k, i += 2) {
        double lon = data::kLandX0 + data::kLandData[i] * data::kLandDX;
        const double lat = data::kLandY0 + data::kLandData[i + 1] * data::kLandDY;
        if (k > 0) lon += 360 * std::round((out.back().back().first - lon) / 360);
        out.back().emplace_back(lon, lat);
      }
      auto& ring = out.back();
      if (std::fabs(ring.back().first - ring.front().first) > 180) {
        const double pole = ring.front().second < 0 ? -90 : 90;
        ring.emplace_back(ring.back().first, pole);
        ring.emplace_back(ring.front().first, pole);
      }
      double west = 1e9, east = -1e9;
      for (const auto& p : ring) west = std::min(west, p.first), east = std::max(east, p.first);
      const double shift = 360 * std::round((west + east) / 720);
      for (auto& p : ring) p.first -= shift;
    }
    return out;
  }();
  return rings;
}

// Each ring's bounds: a point outside them is not inside the ring.
const std::vector<std::array<double, 4>>& Bounds() {
  static const auto bounds = [] {
    std::vector<std::array<double, 4>> out;
    for (const auto& ring : Rings()) {
      std::array<double, 4> b{1e9, -1e9, 1e9, -1e9};
      for (const auto& [x, y] : ring)
        b = {std::min(b[0], x), std::max(b[1], x), std::min(b[2], y), std::max(b[3], y)};
      out.push_back(b);
    }
    return out;
  }();
  return bounds;
}

// Even-odd over all rings, the point tried at its longitude and a turn either way.
bool OnLand(double lat, double lon) {
  for (int turn = -1; turn <= 1; ++turn) {
    bool inside = false;
    const double x = lon + 360 * turn;
    for (std::size_t r = 0; r < Rings().size(); ++r) {
      const auto& b = Bounds()[r];
      if (x < b[0] || x > b[1] || lat < b[2] || lat > b[3]) continue;
      const auto& ring = Rings()[r];
      for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const auto [x1, y1] = ring[j];
        const auto [x2, y2] = ring[i];
        if ((y1 > lat) != (y2 > lat) && x < x1 + (lat - y1) * (x2 - x1) / (y2 - y1))
          inside = !inside;
      }
    }
    if (inside) return true;
  }
  return false;
}

// The first point on land of the exact track, 20 NM from either end left
// out, sampled every 0.1 NM (the section by its angle, the rhumb line by
// GeographicLib's direct problem).
std::optional<std::pair<double, double>> FirstLand(double lat1, double lon1, double lat2,
                                                   double lon2, bool rhumb) {
  const double skip = 20 * 1852, step = 0.1 * 1852;
  double lat, lon;
  if (rhumb) {
    double length, course;
    ref::Rhumb().Inverse(lat1, lon1, lat2, lon2, length, course);
    for (double s = skip; s <= length - skip; s += step) {
      ref::Rhumb().Direct(lat1, lon1, course, s, lat, lon);
      if (OnLand(lat, lon)) return std::make_pair(lat, lon);
    }
    return std::nullopt;
  }
  double angle;
  const ref::Section section =
      ref::SectionThrough(ref::Ecef(lat1, lon1), ref::Ecef(lat2, lon2), angle);
  const double first = section.AngleAtArc(skip),
               last = section.AngleAtArc(section.Arc(angle) - skip);
  for (double t = first; t <= last; t += step / 6.4e6) {
    ref::Geodetic(section.Point(t), lat, lon);
    if (OnLand(lat, lon)) return std::make_pair(lat, lon);
  }
  return std::nullopt;
}

}  // namespace

TEST(Land, CrossingsPlainFromGeography) {
  const fs::path dir = scratch::Folder("land");
  const struct {
    const char* args[4];
    bool ellipse, rhumb;  // crosses land
  } cases[] = {
      {{"38.7223", "-9.1393", "35.6762", "139.6503"}, true, true},      // Lisbon to Tokyo: Eurasia
      {{"35.6762", "139.6503", "38.7223", "-9.1393"}, true, true},      // and back
      {{"21.3069", "-157.8583", "37.808", "-122.4177"}, false, false},  // Honolulu to San Francisco
      {{"-35.5", "15", "-35.5", "25"}, false, false},  // south of the Cape of Good Hope
      {{"-33.2", "16", "-34.5", "24"}, true, true},    // cutting the Cape
      {{"-57", "-75", "-57", "-55"}, false, false},    // round Cape Horn
      {{"-53.5", "-72", "-54.2", "-64"}, true, true},  // through Tierra del Fuego
      {{"36.5", "-9", "36", "-2"}, true, true},        // the Strait of Gibraltar, closed at 1:110m
  };
  for (const auto& c : cases) {
    const Outcome run = Cli(
        {"route", "--land", "--json", "-p", "6", c.args[0], c.args[1], c.args[2], c.args[3]}, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const double lat1 = std::stod(c.args[0]), lon1 = std::stod(c.args[1]);
    const double lat2 = std::stod(c.args[2]), lon2 = std::stod(c.args[3]);
    for (const auto& [field, rhumb, crosses] :
         {std::tuple{"\"ge_crosses_land\":", false, c.ellipse},
          std::tuple{"\"rhumb_crosses_land\":", true, c.rhumb}}) {
      const std::string value = run.out.substr(run.out.find(field) + std::strlen(field));
      SCOPED_TRACE(std::string(c.args[0]) + " " + c.args[1] + " " + field);
      const auto expected = FirstLand(lat1, lon1, lat2, lon2, rhumb);
      EXPECT_EQ(expected.has_value(), crosses);
      if (!crosses) {
        EXPECT_EQ(value.rfind("null", 0), 0u) << run.out;
        continue;
      }
      ASSERT_EQ(value[0], '[') << run.out;
      const double lat = std::stod(value.substr(1)),
                   lon = std::stod(value.substr(value.find(',') + 1));
      EXPECT_NEAR(lat, expected->first, 0.05) << run.out;
      EXPECT_LT(ref::AngleDiff(lon, expected->second), 0.05) << run.out;
      EXPECT_TRUE(OnLand(lat, lon));
    }
    // Text: a warning a crossing track.
    const Outcome text = Cli({"route", "--land", c.args[0], c.args[1], c.args[2], c.args[3]}, dir);
    EXPECT_EQ(std::count(text.err.begin(), text.err.end(), '\n'), c.ellipse + c.rhumb) << text.err;
    if (c.ellipse) {
      EXPECT_NE(text.err.find("warning: the great ellipse crosses land near "), std::string::npos);
    }
  }
  // A composite track is checked too.
  const Outcome composite = Cli(
      {"route", "--land", "--csv", "-33.9249", "18.4241", "-33.8688", "151.2093", "--limit", "50"},
      dir);
  EXPECT_NE(composite.out.find(",composite_crosses_land,error\n"), std::string::npos)
      << composite.out;
}

TEST(Land, OneMeridianForARouteFromAPole) {
  // From a pole, or between antipodes, the land check follows the meridian
  // the table's waypoints follow: its crossing is the first of the table's
  // own rows (every nautical mile, 20 NM from either end left out) that lies
  // on land by this file's even-odd test.
  const fs::path dir = scratch::Folder("land");
  const char* routes[][4] = {{"90", "30", "-90", "0"},
                             {"90", "0", "-90", "0"},
                             {"10", "20", "-10", "-160"},
                             {"-90", "0", "60", "-150"}};
  for (const auto& r : routes) {
    SCOPED_TRACE(std::string(r[0]) + " " + r[1] + " " + r[2] + " " + r[3]);
    const Outcome table = Cli({"table", r[0], r[1], r[2], r[3], "--leg", "1", "--csv"}, dir);
    std::istringstream rows(table.out);
    std::string row;
    std::getline(rows, row);
    std::optional<std::pair<double, double>> first;
    for (int k = 0; std::getline(rows, row) && !first; ++k) {
      double lat, lon, total;
      std::replace(row.begin(), row.end(), ',', ' ');
      std::istringstream(row.substr(row.find(' '))) >> lat >> lon;
      total = k;
      if (total >= 20 && OnLand(lat, lon)) first = std::make_pair(lat, lon);
    }
    ASSERT_TRUE(first.has_value());
    const Outcome route = Cli({"route", "--land", "--json", r[0], r[1], r[2], r[3]}, dir);
    const std::string at = route.out.substr(route.out.find("\"ge_crosses_land\":[") + 19);
    EXPECT_NEAR(std::stod(at), first->first, 0.05) << route.out;
    EXPECT_LT(ref::AngleDiff(std::stod(at.substr(at.find(',') + 1)), first->second), 0.05)
        << route.out;
  }
  // Pole to pole: every sailing's waypoints on the departure's meridian.
  for (const char* along : {"--rhumb", "--geodesic", "--csv"}) {
    const Outcome table =
        Cli({"table", "90", "30", "-90", "0", "--points", "3", "--csv", along}, dir);
    for (const char* row : {"\n1,", "\n2,", "\n3,"}) {
      const std::string cells = table.out.substr(table.out.find(row) + 3);
      EXPECT_EQ(cells.substr(cells.find(',') + 1, 10), "30.000000,") << along << table.out;
    }
  }
}

TEST(Land, TheCheckedTracksAreTheTablesTracks) {
  // What the land check samples lies on the table's own track (its rows a
  // nautical mile apart, as a polyline on the ellipsoid), from the
  // departure to the destination in order: east- and westward, across the
  // 180th meridian both ways, and the composite track both ways.
  const struct {
    double lat1, lon1, lat2, lon2, limit;
  } routes[] = {
      {-33.9249, 18.4241, 40.7128, -74.006, 0},    {40.7128, -74.006, -33.9249, 18.4241, 0},
      {35.4437, 139.638, 37.808, -122.4177, 0},    {37.808, -122.4177, 35.4437, 139.638, 0},
      {-33.9249, 18.4241, -33.8688, 151.2093, 50}, {-33.8688, 151.2093, -33.9249, 18.4241, 50},
      {35.4437, 139.638, 37.808, -122.4177, 45}};
  const fs::path dir = scratch::Folder("land");
  for (const auto& r : routes) {
    sailings::RouteGeometry g;
    ASSERT_EQ(sailings::SolveRouteGeometry(r.lat1, r.lon1, r.lat2, r.lon2, g),
              sailings::Status::ok);
    sailings::CompositeSailing composite;
    if (r.limit > 0) {
      ASSERT_EQ(sailings::SolveComposite(g, r.limit * ref::kDeg, composite), sailings::Status::ok);
    }
    using Track = sailings::CheckedTrack;
    for (const Track track : {Track::kGreatEllipse, Track::kRhumbLine, Track::kComposite}) {
      if ((track == Track::kComposite) != (r.limit > 0)) continue;
      std::vector<std::string> args = {"table",
                                       std::to_string(r.lat1),
                                       std::to_string(r.lon1),
                                       std::to_string(r.lat2),
                                       std::to_string(r.lon2),
                                       "--leg",
                                       "1",
                                       "--csv",
                                       "-p",
                                       "9"};
      if (track == Track::kRhumbLine) args.push_back("--rhumb");
      if (track == Track::kComposite) args.insert(args.end(), {"--limit", std::to_string(r.limit)});
      const Outcome table = Cli(args, dir);
      std::vector<ref::V> rows;
      std::istringstream lines(table.out);
      std::string line;
      std::getline(lines, line);
      while (std::getline(lines, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        double wp, lat, lon;
        std::istringstream(line) >> wp >> lat >> lon;
        rows.push_back(ref::Ecef(lat, lon));
      }
      ASSERT_GT(rows.size(), 1000u);
      SCOPED_TRACE(std::to_string(r.lat1) + " " + std::to_string(r.lon1) + " track " +
                   std::to_string(static_cast<int>(track)));
      std::size_t last = 0;
      const auto samples = sailings::CheckedTrackPositions(g, track, &composite, 300);
      for (std::size_t k = 0; k < samples.size(); ++k) {
        const ref::V p = ref::Ecef(samples[k].lat, samples[k].lon);
        double best = 1e300;
        std::size_t at = 0;
        for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
          const ref::V d = ref::Lin(1, rows[i + 1], -1, rows[i]), w = ref::Lin(1, p, -1, rows[i]);
          const double t = std::fmin(1, std::fmax(0, ref::Dot(w, d) / ref::Dot(d, d)));
          const ref::V off = ref::Lin(1, w, -t, d);
          const double gap = std::sqrt(ref::Dot(off, off));
          if (gap < best) best = gap, at = i;
        }
        EXPECT_LT(best, 5.0) << "sample " << k << " at " << samples[k].lat << " "
                             << samples[k].lon;     // metres
        EXPECT_GE(at + 1, last) << "sample " << k;  // in order along the table
        last = at;
      }
      EXPECT_LT(last + 3, rows.size() + 3);
      EXPECT_GE(last + 3, rows.size());  // and to its end
    }
  }
}

TEST(Land, TheIndexAnswersAsThePolygonsDo) {
  // Random positions, and positions near coasts (every 7th point of every
  // ring, nudged): the raster with its exact coast cells against this
  // file's own even-odd test over all rings.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> lat(-85, 85), lon(-180, 180), nudge(-0.05, 0.05);
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    const double a = lat(rng), b = lon(rng);
    EXPECT_EQ(sailings::IsLand(a, b), OnLand(a, b)) << a << " " << b;
    ++checked;
  }
  for (const auto& ring : Rings()) {
    for (std::size_t k = 0; k < ring.size(); k += 7) {
      const double a = ring[k].second + nudge(rng), b = ring[k].first + nudge(rng);
      if (std::fabs(a) > 85) continue;
      EXPECT_EQ(sailings::IsLand(a, b), OnLand(a, b)) << a << " " << b;
      ++checked;
    }
  }
  EXPECT_GT(checked, 20500);
}

TEST(Land, NoStrideAcrossOpenSeaSkipsACoast) {
  // Random routes: wherever the great ellipse runs over land for 25 NM or
  // more (sampled every half mile, the land answered by the index, which is
  // checked against the polygons above), the check reports a crossing no
  // later than 10 NM into that land. (Its strides across open sea must never
  // reach past the sea it knows.)
  // Half of them in high latitudes (both ends 55 to 82 degrees north or
  // south), where a degree of longitude is short and the strides longest.
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> lat(-70, 70), lon(-180, 180), high(55, 82);
  int runs = 0;
  for (int k = 0; k < 600; ++k) {
    sailings::RouteGeometry g;
    const double side = k % 4 == 1 ? 1 : -1;
    const double lat1 = k % 2 ? side * high(rng) : lat(rng),
                 lat2 = k % 2 ? side * high(rng) : lat(rng);
    ASSERT_EQ(sailings::SolveRouteGeometry(lat1, lon(rng), lat2, lon(rng), g),
              sailings::Status::ok);
    const double miles = std::fabs(g.distance) / 1852;
    if (miles < 100) continue;
    const int count = static_cast<int>(2 * miles) + 1;
    const std::vector<sailings::LandPoint> p =
        sailings::CheckedTrackPositions(g, sailings::CheckedTrack::kGreatEllipse, nullptr, count);
    const double spacing = miles / (count - 1);
    const int margin = static_cast<int>(std::ceil(20 / spacing)),
              run = static_cast<int>(25 / spacing);
    int start = -1, length = 0;
    for (int i = margin; i < count - margin && length < run; ++i) {
      length = sailings::IsLand(p[i].lat, p[i].lon) ? length + 1 : 0;
      if (length == 1) start = i;
    }
    if (length < run) continue;
    ++runs;
    const std::optional<sailings::LandPoint> at = sailings::GreatEllipseCrossesLand(g);
    ASSERT_TRUE(at.has_value()) << k;
    int nearest = 0;
    for (int i = 1; i < count; ++i) {
      if (std::hypot(p[i].lat - at->lat, std::remainder(p[i].lon - at->lon, 360.0)) <
          std::hypot(p[nearest].lat - at->lat, std::remainder(p[nearest].lon - at->lon, 360.0)))
        nearest = i;
    }
    EXPECT_LE(nearest, start + static_cast<int>(10.5 / spacing)) << k;
  }
  EXPECT_GT(runs, 200);
}

TEST(Land, OpenSeaIsOpenAllRound) {
  // From random points of open sea, most of them in high latitudes where a
  // degree of longitude is short: no land along the parallel or the
  // meridian within the distance the check may stride. Points that are not
  // numbers are no land and no open sea.
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> lat(-85, 85), lon(-180, 180);
  int open = 0;
  for (int k = 0; k < 20000; ++k) {
    const double phi =
        k % 4 ? std::copysign(50 + std::fabs(lat(rng)) * 35 / 85, lat(rng)) : lat(rng);
    const double lambda = lon(rng);
    const double reach = sailings::OpenSeaDistance(phi, lambda) / 1852;  // NM
    if (reach <= 0) continue;
    ++open;
    for (double s = 0; s <= reach; s += 2) {
      const double dlat = s / 60, dlon = s / (60 * std::cos(phi * ref::kDeg));
      for (const auto& [la, lo] : {std::pair{phi + dlat, lambda},
                                   {phi - dlat, lambda},
                                   {phi, lambda + dlon},
                                   {phi, lambda - dlon}}) {
        if (std::fabs(la) > 89) continue;
        ASSERT_FALSE(sailings::IsLand(la, lo))
            << phi << " " << lambda << " " << s << " of " << reach;
      }
    }
  }
  EXPECT_GT(open, 5000);
  for (double bad : {NAN, INFINITY}) {
    EXPECT_FALSE(sailings::IsLand(bad, 10));
    EXPECT_FALSE(sailings::IsLand(10, bad));
    EXPECT_EQ(sailings::OpenSeaDistance(bad, 10), 0);
  }
}
