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
#include "land/coast.h"
#include "land/land.h"
#include "output_check.h"
#include "reference.h"
#include "scratch.h"
#include "session.h"

namespace fs = std::filesystem;

namespace {

Outcome Cli(const std::vector<std::string>& args, const fs::path& dir) {
  return RunCommand(args, dir);
}

// The coastline's rings as this test reads them: each put in the turn of
// longitude that holds its middle (a lake in the same turn as the land
// around it), its edges filed in bands of 0.1 degrees of latitude for the
// even-odd test below. The rings are the data's own; the test shares no
// code with the check's index.
class Polygons {
 public:
  Polygons() : bands_(kBands) {
    for (const auto& data : sailings::Coast::Get()->rings()) {
      std::vector<std::pair<double, double>> ring;
      double west = 1e9, east = -1e9;
      for (const auto& p : data) {
        ring.emplace_back(p.lon, p.lat);
        west = std::min(west, p.lon), east = std::max(east, p.lon);
      }
      const double shift = 360 * std::round((west + east) / 720);
      for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Edge e{ring[j].first - shift, ring[j].second, ring[i].first - shift, ring[i].second};
        for (int b = Band(std::min(e.y1, e.y2)); b <= Band(std::max(e.y1, e.y2)); ++b)
          bands_[b].push_back(e);
      }
      rings_.push_back(std::move(ring));
    }
  }
  // Even-odd in the band, the point tried at its longitude and a turn either way.
  bool OnLand(double lat, double lon) const {
    bool inside[3] = {false, false, false};
    for (const Edge& e : bands_[Band(lat)]) {
      if ((e.y1 > lat) == (e.y2 > lat)) continue;
      const double x = e.x1 + (lat - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1);
      for (int turn = -1; turn <= 1; ++turn) {
        if (lon + 360 * turn < x) inside[turn + 1] = !inside[turn + 1];
      }
    }
    return inside[0] || inside[1] || inside[2];
  }
  const std::vector<std::vector<std::pair<double, double>>>& rings() const { return rings_; }

 private:
  struct Edge {
    double x1, y1, x2, y2;
  };
  static constexpr int kBands = 1800;
  static int Band(double lat) {
    return std::clamp(static_cast<int>(std::floor((lat + 90) * 10)), 0, kBands - 1);
  }
  std::vector<std::vector<Edge>> bands_;
  std::vector<std::vector<std::pair<double, double>>> rings_;
};

const Polygons& Land() {
  static const Polygons polygons;
  return polygons;
}
bool OnLand(double lat, double lon) { return Land().OnLand(lat, lon); }

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
      {{"36.5", "-9", "36", "-2"}, true, true},        // Cape Trafalgar and Punta Carnero
      {{"35.95", "-7", "35.95", "-4"}, false, false},  // through the Strait of Gibraltar
      {{"35.88", "13.8", "35.88", "15"}, true, true},  // across Malta (none at 1:110m)
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
  // Random positions, and positions near coasts (every 97th point of every
  // ring, nudged by up to a mile): the coast's index with its exact cells,
  // and its cells without coast, against this file's own even-odd test
  // over the rings. Positions that
  // are not numbers are no land.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> lat(-85, 85), lon(-180, 180), nudge(-0.02, 0.02);
  const sailings::Coast& coast = *sailings::Coast::Get();
  int checked = 0;
  int whole = 0;
  for (int i = 0; i < 20000; ++i) {
    const double a = lat(rng), b = lon(rng);
    EXPECT_EQ(coast.IsLand(a, b), OnLand(a, b)) << a << " " << b;
    ++checked;
    // A cell said to be wholly sea or wholly land is so wherever in it.
    const auto kind = coast.KindOfCell(a, b);
    if (kind == sailings::Coast::CellKind::coast) continue;
    ++whole;
    EXPECT_EQ(OnLand(a, b), kind == sailings::Coast::CellKind::land) << a << " " << b;
  }
  EXPECT_GT(whole, 15000);
  for (const auto& ring : Land().rings()) {
    for (std::size_t k = 0; k < ring.size(); k += 97) {
      const double a = ring[k].second + nudge(rng), b = ring[k].first + nudge(rng);
      if (std::fabs(a) > 85) continue;
      EXPECT_EQ(coast.IsLand(a, b), OnLand(a, b)) << a << " " << b;
      ++checked;
    }
  }
  EXPECT_GT(checked, 25000);
  // Along the 180th meridian, on either side of it (Chukotka, Wrangel
  // Island, Fiji, the Ross Ice Shelf: land whose rings cross it).
  int landAt180 = 0;
  for (double a = -85; a <= 85; a += 0.02) {
    for (double b : {-179.999, -179.97, -179.9, -179.7, 179.7, 179.9, 179.97, 179.999}) {
      EXPECT_EQ(coast.IsLand(a, b), OnLand(a, b)) << a << " " << b;
      landAt180 += OnLand(a, b);
    }
  }
  EXPECT_GT(landAt180, 1000);
  // At the poles, in every column of the index to the 180th meridian on
  // either side: the South Pole is land (Antarctica goes all the way round,
  // its ring closed over the pole), the North Pole sea.
  for (double b : {-179.99, -179.8, -179.6, 0.1, 179.6, 179.8, 179.99}) {
    EXPECT_TRUE(coast.IsLand(-89.9, b)) << b;
    EXPECT_FALSE(coast.IsLand(89.9, b)) << b;
  }
  for (double bad : {NAN, INFINITY}) {
    EXPECT_FALSE(coast.IsLand(bad, 10));
    EXPECT_FALSE(coast.IsLand(10, bad));
  }
}

TEST(Land, TheCrossingIsWhereTheTrackFirstMeetsLand) {
  // Random great ellipses and rhumb lines of 100 to 700 NM along coasts of
  // every kind (ends within 5 degrees of a coastline point), sampled every
  // 0.05 NM by this file's even-odd test: the check finds land exactly when
  // the samples do, and its crossing lies within 0.2 NM of the first
  // sample on land. (No stride may step over an island or a cape.)
  std::mt19937 rng(17);
  const auto& rings = Land().rings();
  std::uniform_int_distribution<std::size_t> pick(0, rings.size() - 1);
  std::uniform_real_distribution<double> offset(-5, 5);
  int crossing = 0, clear = 0;
  for (int k = 0; k < 160; ++k) {
    const auto& ring = rings[pick(rng)];
    const auto& centre = ring[std::uniform_int_distribution<std::size_t>(0, ring.size() - 1)(rng)];
    if (std::fabs(centre.second) > 75) continue;
    const double lat1 = centre.second + offset(rng), lon1 = centre.first + offset(rng),
                 lat2 = centre.second + offset(rng), lon2 = centre.first + offset(rng);
    sailings::RouteGeometry g;
    ASSERT_EQ(sailings::SolveRouteGeometry(lat1, lon1, lat2, lon2, g), sailings::Status::ok);
    const bool rhumb = k % 2;
    double miles = std::fabs(g.distance) / 1852;
    if (rhumb) {
      double course;
      ref::Rhumb().Inverse(lat1, lon1, lat2, lon2, miles, course);
      miles /= 1852;
    }
    if (miles < 100 || miles > 700) continue;
    const auto track =
        rhumb ? sailings::CheckedTrack::kRhumbLine : sailings::CheckedTrack::kGreatEllipse;
    const int count = static_cast<int>(miles / 0.05) + 1;
    const std::vector<sailings::LandPoint> p =
        sailings::CheckedTrackPositions(g, track, nullptr, count);
    const double spacing = miles / (count - 1);
    const int margin = static_cast<int>(std::ceil(20 / spacing));
    int first = -1;
    for (int i = margin; i < count - margin && first < 0; ++i) {
      if (OnLand(p[i].lat, p[i].lon)) first = i;
    }
    const std::optional<sailings::LandPoint> at =
        rhumb ? sailings::RhumbLineCrossesLand(g) : sailings::GreatEllipseCrossesLand(g);
    SCOPED_TRACE(std::to_string(lat1) + " " + std::to_string(lon1) + " " + std::to_string(lat2) +
                 " " + std::to_string(lon2) + (rhumb ? " rhumb" : " ellipse"));
    ASSERT_EQ(at.has_value(), first >= 0);
    if (!at) {
      ++clear;
      continue;
    }
    ++crossing;
    const ref::V found = ref::Ecef(at->lat, at->lon),
                 expected = ref::Ecef(p[first].lat, p[first].lon);
    const ref::V gap = ref::Lin(1, found, -1, expected);
    EXPECT_LT(std::sqrt(ref::Dot(gap, gap)) / 1852, 0.2);
  }
  EXPECT_GT(crossing, 30);
  EXPECT_GT(clear, 10);
}
