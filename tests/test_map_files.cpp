// Tracks drawn for maps and the files that carry them: every chord of a
// drawn track against the exact track (the plane section, GeographicLib's
// geodesic and rhumb line) by independent sampling; GeoJSON and KML read
// back by GDAL, NMEA 0183 by gpsbabel and pynmea2; the name rules of NMEA;
// and the readers of all three, with their refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "ref_tracks.h"
#include "reference.h"
#include "sailings/line.hpp"
#include "sailings/route_files.hpp"
#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;
using sailings::MapPoint;
using sailings::Status;
using sailings::Track;
using Pieces = std::vector<std::vector<MapPoint>>;

int Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

void Write(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

ref::RefTrack Reference(Track track, double lat1, double lon1, double lat2, double lon2) {
  switch (track) {
    case Track::rhumb_line: return ref::RhumbTrack(lat1, lon1, lat2, lon2);
    case Track::geodesic: return ref::GeodesicTrack(lat1, lon1, lat2, lon2);
    default: return ref::GreatEllipseTrack(lat1, lon1, lat2, lon2);
  }
}

struct Drawn {
  double worst_nm = 0;       // the greatest distance of a chord's point from the track
  double vertex_off_nm = 0;  // the greatest distance of a vertex from the track
  double widest_step = 0;    // the largest change of longitude along a chord, degrees
  long vertices = 0;
};

// Every chord of `pieces` sampled at 24 points, each point's distance from
// the exact track found independently.
Drawn Measure(const Pieces& pieces, const ref::RefTrack& track) {
  Drawn d;
  const double end = track.param(track.length);
  for (const std::vector<MapPoint>& piece : pieces) {
    std::vector<double> at(piece.size());
    for (std::size_t k = 0; k < piece.size(); ++k) {
      ++d.vertices;
      EXPECT_LE(std::fabs(piece[k].lon), 180.0);
      const double off =
          ref::DistanceFromTrack(track, piece[k].lat, piece[k].lon, 0, end, 4000, &at[k]);
      d.vertex_off_nm = std::max(d.vertex_off_nm, off / ref::kNm);
    }
    for (std::size_t k = 0; k + 1 < piece.size(); ++k) {
      const MapPoint& a = piece[k];
      const MapPoint& b = piece[k + 1];
      if (std::fabs(a.lat) == 90 && std::fabs(b.lat) == 90) continue;  // both at the pole
      d.widest_step = std::max(d.widest_step, std::fabs(b.lon - a.lon));
      const double lo = std::min(at[k], at[k + 1]), hi = std::max(at[k], at[k + 1]);
      const double margin = 0.5 * (hi - lo) + 1e-9 * end;
      for (int j = 1; j < 24; ++j) {
        const double u = j / 24.0;
        const double gap =
            ref::DistanceFromTrack(track, a.lat + u * (b.lat - a.lat), a.lon + u * (b.lon - a.lon),
                                   std::max(0.0, lo - margin), std::min(end, hi + margin), 60);
        d.worst_nm = std::max(d.worst_nm, gap / ref::kNm);
      }
    }
  }
  return d;
}

// The composite track within the parallel `limit` (degrees, signed: the
// hemisphere the route is in), built independently: T1 and T2 are where the
// plane sections through the centre and the departure (the destination) touch
// the parallel, that is where the plane holds the parallel's east direction,
// found by bisection; the track is the first section to T1, the parallel to
// T2 and the second section. Its parameter runs through the first section's
// angle, the parallel's longitude and the second section's angle (radians).
ref::RefTrack CompositeTrack(double lat1, double lon1, double lat2, double lon2, double limit) {
  const double east = std::remainder(lon2 - lon1, 360.0) > 0 ? 1 : -1;
  const auto touch = [&](double lat, double lon, double towards) {
    const ref::V p = ref::Ecef(lat, lon);
    const auto f = [&](double l) {
      const ref::V t = ref::Ecef(limit, l),
                   e = {-std::sin(l * ref::kDeg), std::cos(l * ref::kDeg), 0};
      return ref::Dot(p, ref::Cross(t, e));
    };
    double a = lon + towards * 0.5, fa = f(a);
    for (double b = a + towards * 0.5; std::fabs(b - lon) < 180; b += towards * 0.5) {
      const double fb = f(b);
      if ((fa < 0) != (fb < 0)) {
        for (int i = 0; i < 200; ++i) {
          const double m = 0.5 * (a + b), fm = f(m);
          ((fm < 0) == (fa < 0) ? a : b) = m;
        }
        return 0.5 * (a + b);
      }
      a = b, fa = fb;
    }
    return lon;
  };
  const double t1 = touch(lat1, lon1, east), t2 = touch(lat2, lon2, -east);
  double a1, a2;
  const ref::Section first = ref::SectionThrough(ref::Ecef(lat1, lon1), ref::Ecef(limit, t1), a1);
  const ref::Section last = ref::SectionThrough(ref::Ecef(limit, t2), ref::Ecef(lat2, lon2), a2);
  const double along = std::fabs(std::remainder(t2 - t1, 360.0)) * ref::kDeg;
  const double n = ref::kA / std::sqrt(1 - ref::kESq * std::pow(std::sin(limit * ref::kDeg), 2));
  const double length = first.Arc(a1) + n * std::cos(limit * ref::kDeg) * along + last.Arc(a2);
  return {[=](double t, double& lat, double& lon) {
            if (t <= a1) {
              ref::Geodetic(first.Point(t), lat, lon);
            } else if (t <= a1 + along) {
              lat = limit, lon = std::remainder(t1 + east * (t - a1) / ref::kDeg, 360.0);
            } else {
              ref::Geodetic(last.Point(std::min(a2, t - a1 - along)), lat, lon);
            }
          },
          [=](double s) { return s >= length ? a1 + along + a2 : 0.0; }, length};
}

// The latitude at which the exact track crosses the 180th meridian.
double CrossingLatitude(const ref::RefTrack& track) {
  const double end = track.param(track.length);
  double lo = 0, hi = end, lat, lon;
  track.at(0, lat, lon);
  const bool east = lon > 0;
  for (int k = 1; k <= 1000; ++k) {  // a first bracket
    track.at(end * k / 1000, lat, lon);
    if ((lon > 0) != east && std::fabs(lon) > 90) {
      lo = end * (k - 1) / 1000, hi = end * k / 1000;
      break;
    }
  }
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    track.at(mid, lat, lon);
    ((lon > 0) == east ? lo : hi) = mid;
  }
  track.at(0.5 * (lo + hi), lat, lon);
  return lat;
}

TEST(MapTracks, EveryChordKeepsWithinTheToleranceOfTheExactTrack) {
  struct Case {
    const char* what;
    Track track;
    double lat1, lon1, lat2, lon2, tolerance;
    std::size_t pieces;
  };
  const Case cases[] = {
      {"Yokohama to San Francisco", Track::great_ellipse, 35.44, 139.64, 37.77, -122.42, 0.1, 2},
      {"Auckland to Honolulu", Track::great_ellipse, -36.85, 174.76, 21.31, -157.86, 0.1, 2},
      {"San Francisco to Yokohama, coarse", Track::great_ellipse, 37.77, -122.42, 35.44, 139.64, 2,
       2},
      {"a rhumb line across the Atlantic", Track::rhumb_line, 50, -5, 40.5, -73.9, 0.05, 1},
      {"a rhumb line across the 180th meridian", Track::rhumb_line, -40, 170, -30, -160, 1, 2},
      {"a rhumb line near the pole", Track::rhumb_line, 80, 0, 85, 170, 0.1, 1},
      {"a geodesic, Lizard to New York", Track::geodesic, 49.9, -5.2, 40.7, -74.0, 0.1, 1},
      {"high latitude", Track::great_ellipse, 68, -10, 70, 100, 0.1, 1},
      {"across the equator", Track::great_ellipse, -10, -30, 20, -50, 0.01, 1},
      {"Cape Town to Sydney within 50S", Track::composite, -33.9249, 18.4241, -33.8688, 151.2093,
       0.1, 1},
      {"Sydney to Cape Town within 50S", Track::composite, -33.8688, 151.2093, -33.9249, 18.4241,
       0.5, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sailings::Passage passage;
    ASSERT_EQ(sailings::Passage::Solve(
                  c.lat1, c.lon1, c.lat2, c.lon2,
                  c.track == Track::composite ? std::optional<double>(50) : std::nullopt, passage),
              Status::ok);
    Pieces pieces;
    ASSERT_EQ(sailings::SailingLine(passage, c.track).Draw(c.tolerance, pieces), Status::ok);
    ASSERT_EQ(pieces.size(), c.pieces);
    const ref::RefTrack track = c.track == Track::composite
                                    ? CompositeTrack(c.lat1, c.lon1, c.lat2, c.lon2, -50)
                                    : Reference(c.track, c.lat1, c.lon1, c.lat2, c.lon2);
    if (c.track == Track::composite) {  // the reference's own length, against the passage's
      ASSERT_TRUE(passage.composite() && passage.composite()->composite);
      EXPECT_NEAR(track.length / ref::kNm, passage.composite()->total_nm, 1e-6);
    }
    const Drawn d = Measure(pieces, track);
    EXPECT_LE(d.worst_nm, c.tolerance * 1.001 + 1e-6) << d.vertices << " vertices";
    EXPECT_LE(d.vertex_off_nm, 1e-5);
    EXPECT_LT(d.widest_step, 180.0) << "a chord the long way round";
    // The ends, and each split on the meridian at the track's own latitude.
    EXPECT_NEAR(pieces.front().front().lat, c.lat1, 1e-9);
    EXPECT_NEAR(pieces.back().back().lat, c.lat2, 1e-9);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
      const MapPoint a = pieces[i].back(), b = pieces[i + 1].front();
      EXPECT_EQ(std::fabs(a.lon), 180.0);
      EXPECT_EQ(b.lon, -a.lon);
      EXPECT_EQ(a.lat, b.lat);
      EXPECT_NEAR(a.lat, CrossingLatitude(track), 1e-7);
      for (const MapPoint& v : pieces[i]) EXPECT_EQ(v.lon > 0, a.lon > 0) << v.lon;
    }
    // Four times the tolerance wants about half the vertices (a chord's
    // sagitta grows as the square of its length): none wasted.
    Pieces coarse;
    ASSERT_EQ(sailings::SailingLine(passage, c.track).Draw(c.tolerance * 4, coarse), Status::ok);
    long fewer = 0;
    for (const auto& piece : coarse) fewer += static_cast<long>(piece.size());
    if (d.vertices > 40) {
      EXPECT_GT(d.vertices, 1.5 * fewer);
      EXPECT_LT(d.vertices, 2.7 * fewer);
    }
  }
}

// One track at many tolerances: each chord's greatest gap lies between the
// samples that first judge it, so a chord judged by its samples alone would
// stray a little past some of these.
TEST(MapTracks, EveryToleranceHolds) {
  sailings::Passage passage;
  ASSERT_EQ(sailings::Passage::Solve(-36.85, 174.76, 21.31, -157.86, std::nullopt, passage),
            Status::ok);
  const ref::RefTrack track = ref::GreatEllipseTrack(-36.85, 174.76, 21.31, -157.86);
  for (double tolerance = 0.03; tolerance < 3; tolerance *= 1.37) {
    SCOPED_TRACE(tolerance);
    Pieces pieces;
    ASSERT_EQ(sailings::SailingLine(passage, Track::great_ellipse).Draw(tolerance, pieces),
              Status::ok);
    EXPECT_LE(Measure(pieces, track).worst_nm, tolerance * 1.0005 + 1e-6);
  }
}

TEST(MapTracks, PolesMeridiansAndTolerances) {
  const auto draw = [](double lat1, double lon1, double lat2, double lon2, Track track) {
    sailings::Passage passage;
    EXPECT_EQ(sailings::Passage::Solve(lat1, lon1, lat2, lon2, std::nullopt, passage), Status::ok);
    Pieces pieces;
    EXPECT_EQ(sailings::SailingLine(passage, track).Draw(0.1, pieces), Status::ok);
    return pieces;
  };
  // Over the pole: up the meridian of 10E, down that of 170W; two vertices
  // at the pole, one on each meridian, and nothing else off them.
  for (Track track : {Track::great_ellipse, Track::geodesic}) {
    const Pieces over = draw(60, 10, 60, -170, track);
    ASSERT_EQ(over.size(), 1u);
    bool up = true;
    int atPole = 0;
    for (const MapPoint& v : over[0]) {
      if (v.lat == 90) ++atPole;
      EXPECT_NEAR(v.lon, up ? 10.0 : -170.0, 1e-12) << v.lat;
      if (v.lat == 90) up = false;
    }
    EXPECT_EQ(atPole, 2);
    EXPECT_EQ(over[0].size(), 4u);  // meridians are straight on a map
  }
  // From the pole, along the destination's meridian: never a diagonal from
  // the pole's arbitrary longitude.
  const Pieces down = draw(90, 0, 10, 40, Track::great_ellipse);
  ASSERT_EQ(down.size(), 1u);
  ASSERT_EQ(down[0].size(), 2u);
  EXPECT_EQ(down[0][0].lat, 90);
  EXPECT_NEAR(down[0][0].lon, 40, 1e-12);
  // The equator and a parallel are straight: their ends alone.
  EXPECT_EQ(draw(0, 0, 0, 90, Track::great_ellipse)[0].size(), 2u);
  EXPECT_EQ(draw(50, -170, 50, 170, Track::rhumb_line).size(), 2u);
  EXPECT_EQ(draw(50, -170, 50, 170, Track::rhumb_line)[0].size(), 2u);
  // Tolerances out of range leave the pieces alone.
  sailings::Passage passage;
  ASSERT_EQ(sailings::Passage::Solve(10, 10, 20, 20, std::nullopt, passage), Status::ok);
  Pieces kept = {{{1, 2}}};
  for (double t : {0.0, 0.0009, 100.01, -1.0, double(NAN), double(INFINITY)}) {
    EXPECT_EQ(sailings::SailingLine(passage, Track::great_ellipse).Draw(t, kept),
              Status::tolerance_out_of_range);
  }
  EXPECT_EQ(kept.size(), 1u);
}

// ---------------------------------------------------------------------------
// The files, read back by tools nobody here wrote.

struct OgrFeature {
  std::map<std::string, std::string> fields;  // names in lower case
  std::string kind;                           // POINT, LINESTRING, MULTILINESTRING
  Pieces parts;
};

// Every feature of every layer as `ogrinfo -al` tells it (GDAL).
std::vector<OgrFeature> OgrRead(const fs::path& file) {
  const fs::path out = file.string() + ".ogrinfo";
  EXPECT_EQ(
      std::system(
          ("ogrinfo -ro -al -q '" + file.string() + "' > '" + out.string() + "' 2>&1").c_str()),
      0);
  std::vector<OgrFeature> features;
  std::istringstream in(ReadFile(out));
  const std::regex field(R"(^  (\w+) \((\w+)\) = (.*)$)"), group(R"(\(([^()]*)\))");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("OGRFeature(", 0) == 0) {
      features.emplace_back();
      continue;
    }
    if (features.empty()) continue;
    std::smatch m;
    if (std::regex_match(line, m, field)) {
      std::string key = m[1];
      for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      features.back().fields[key] = m[3];
    } else if (line.rfind("  POINT", 0) == 0 || line.rfind("  LINESTRING", 0) == 0 ||
               line.rfind("  MULTILINESTRING", 0) == 0) {
      OgrFeature& f = features.back();
      f.kind = line.substr(2, line.find(' ', 2) - 2);
      for (auto it = std::sregex_iterator(line.begin(), line.end(), group);
           it != std::sregex_iterator(); ++it) {
        f.parts.emplace_back();
        std::istringstream pairs((*it)[1].str());
        for (std::string pair; std::getline(pairs, pair, ',');) {
          MapPoint v;
          std::istringstream(pair) >> v.lon >> v.lat;
          f.parts.back().push_back(v);
        }
      }
    }
  }
  return features;
}

struct TableRow {
  long wp;
  double lat, lon, total;
  std::string course, eta;
};

// The table's rows as its CSV gives them (6 decimals).
std::vector<TableRow> TableRows(const std::string& csv) {
  std::vector<TableRow> rows;
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);  // wp,lat,lon,azimuth,leg_nm,total_nm,hours,eta
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) f.push_back(cell);
    f.resize(8);
    rows.push_back({std::stol(f[0]), std::stod(f[1]), std::stod(f[2]),
                    f[5].empty() ? 0.0 : std::stod(f[5]), f[3], f[7]});
  }
  return rows;
}

TEST(MapFiles, GeoJsonAndKmlReadBackByGdal) {
  struct Case {
    const char* what;
    double lat1, lon1, lat2, lon2;
  };
  const Case cases[] = {{"Yokohama to San Francisco", 35.44, 139.64, 37.77, -122.42},
                        {"Auckland to Honolulu", -36.85, 174.76, 21.31, -157.86}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path dir = scratch::Folder("maps");
    auto text = [](double v) { return sailings::FixedText(v, 2); };
    const std::vector<std::string> route = {
        "table", text(c.lat1), text(c.lon1), text(c.lat2), text(c.lon2),       "--points",
        "20",    "--speed",    "14",         "--depart",   "2027-01-01T06:00Z"};
    std::vector<std::string> files = route;
    for (const char* option :
         {"--geojson", "route.geojson", "--kml", "route.kml", "--gpx", "route.gpx"}) {
      files.push_back(option);
    }
    ASSERT_EQ(RunCommand(files, dir).status, 0);
    std::vector<std::string> csv = route;
    csv.push_back("--csv");
    const Outcome table = RunCommand(csv, dir);
    ASSERT_EQ(table.status, 0) << table.err;
    const std::vector<TableRow> rows = TableRows(table.out);
    ASSERT_EQ(rows.size(), 22u);
    const ref::RefTrack track = ref::GreatEllipseTrack(c.lat1, c.lon1, c.lat2, c.lon2);
    for (const char* file : {"route.geojson", "route.kml"}) {
      SCOPED_TRACE(file);
      const std::vector<OgrFeature> features = OgrRead(dir / file);
      ASSERT_EQ(features.size(), 23u);
      // The track: split at the 180th meridian, every chord within 0.1 NM
      // of the exact great ellipse (7 decimals are 6 mm).
      const OgrFeature& line = features[0];
      EXPECT_EQ(line.kind, "MULTILINESTRING");
      ASSERT_EQ(line.parts.size(), 2u);
      EXPECT_EQ(std::fabs(line.parts[0].back().lon), 180.0);
      EXPECT_EQ(line.parts[1].front().lon, -line.parts[0].back().lon);
      const Drawn d = Measure(line.parts, track);
      EXPECT_LE(d.worst_nm, 0.1 * 1.001 + 1e-5);
      EXPECT_LT(d.widest_step, 180.0);
      // The waypoints: the table's, to its printed precision.
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const OgrFeature& p = features[i + 1];
        ASSERT_EQ(p.kind, "POINT");
        EXPECT_EQ(std::stol(p.fields.at("wp")), rows[i].wp);
        EXPECT_NEAR(p.parts[0][0].lat, rows[i].lat, 0.5e-6 + 0.5e-7 + 1e-12);
        EXPECT_NEAR(p.parts[0][0].lon, rows[i].lon, 0.5e-6 + 0.5e-7 + 1e-12);
        EXPECT_NEAR(std::stod(p.fields.at("total_nm")), rows[i].total, 1e-6);
        if (!rows[i].course.empty()) {
          EXPECT_NEAR(std::stod(p.fields.at("course")), std::stod(rows[i].course), 1e-6);
        }
        std::string eta = p.fields.at("eta");  // GDAL's "2027/01/01 06:00:00", KML's text
        if (eta.size() == 19)
          eta = eta.substr(0, 4) + "-" + eta.substr(5, 2) + "-" + eta.substr(8, 2) + "T" +
                eta.substr(11, 5) + "Z";
        EXPECT_EQ(eta, rows[i].eta);
      }
    }
    // The GPX route too: GDAL's route_points, the table's positions.
    std::vector<MapPoint> gpx;
    for (const OgrFeature& f : OgrRead(dir / "route.gpx")) {
      if (f.kind == "POINT") gpx.push_back(f.parts[0][0]);
    }
    ASSERT_EQ(gpx.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_NEAR(gpx[i].lat, rows[i].lat, 0.5e-6 + 1e-9);
      EXPECT_NEAR(gpx[i].lon, rows[i].lon, 0.5e-6 + 1e-9);
    }
    const std::string kml = ReadFile(dir / "route.kml");
    EXPECT_EQ(
        std::system(("xmllint --noout --nonet '" + (dir / "route.kml").string() + "'").c_str()), 0);
    std::size_t lines = 0, flat = 0;
    for (std::size_t at = kml.find("<LineString>"); at != std::string::npos;
         at = kml.find("<LineString>", at + 1))
      ++lines;
    for (std::size_t at = kml.find("<tessellate>0</tessellate>"); at != std::string::npos;
         at = kml.find("<tessellate>0", at + 1))
      ++flat;
    EXPECT_EQ(lines, 2u);
    EXPECT_EQ(flat, 2u) << "a viewer would draw its own great circle";
  }
}

// A track that needs no split is a LineString, in GeoJSON and KML alike;
// a writer asked for a tolerance out of range writes nothing and says why.
TEST(MapFiles, OnePieceIsALineStringAndToleranceIsChecked) {
  const fs::path dir = scratch::Folder("one");
  ASSERT_EQ(RunCommand({"route", "38.7", "-9.1", "14.7", "-17.4", "--geojson", "one.geojson",
                        "--kml", "one.kml"},
                       dir)
                .status,
            0);
  for (const char* file : {"one.geojson", "one.kml"}) {
    const std::vector<OgrFeature> features = OgrRead(dir / file);
    ASSERT_GE(features.size(), 2u) << file;
    EXPECT_EQ(features[0].kind, "LINESTRING") << file;
    EXPECT_EQ(features[1].kind, "LINESTRING") << file;
  }
  sailings::Passage passage;
  ASSERT_EQ(sailings::Passage::Solve(10, 10, 20, 20, std::nullopt, passage), Status::ok);
  sailings::MapFileOptions options;
  options.tolerance_nm = 0;
  sailings::GeoJsonWriter geojson(dir / "no.geojson", "no",
                                  {{passage, Track::great_ellipse, "ge", 0}}, options);
  sailings::KmlWriter kml(dir / "no.kml", "no", {{passage, Track::great_ellipse, "ge", 0}},
                          options);
  std::string error;
  EXPECT_FALSE(geojson.Finish(error));
  EXPECT_EQ(error, "the tolerance must be from 0.001 to 100 NM");
  error.clear();
  EXPECT_FALSE(kml.Finish(error));
  EXPECT_EQ(error, "the tolerance must be from 0.001 to 100 NM");
  EXPECT_FALSE(fs::exists(dir / "no.geojson"));
  EXPECT_FALSE(fs::exists(dir / "no.kml"));
}

// The output of nmea_check.py: the WPL waypoints and the route's names.
struct NmeaRead {
  std::vector<std::string> names, route, talkers;
  std::vector<double> lat, lon;
  int status = 0;
};

NmeaRead ReadNmeaWithPynmea2(const fs::path& file) {
  const fs::path out = file.string() + ".pynmea2";
  NmeaRead r;
  r.status = std::system(("/usr/bin/python3 " SAILINGS_TESTS_DIR "/nmea_check.py '" +
                          file.string() + "' > '" + out.string() + "' 2>&1")
                             .c_str());
  std::istringstream in(ReadFile(out));
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) f.push_back(cell);
    if (f.size() == 5 && f[0] == "WPL") {
      r.names.push_back(f[1]), r.lat.push_back(std::stod(f[2])), r.lon.push_back(std::stod(f[3]));
      r.talkers.push_back(f[4]);
    } else if (!f.empty() && f[0] == "RTE") {
      r.route.insert(r.route.end(), f.begin() + 1, f.end());
    } else {
      ADD_FAILURE() << line;
    }
  }
  return r;
}

TEST(MapFiles, NmeaReadBackByGpsbabelAndPynmea2) {
  const fs::path dir = scratch::Folder("nmea");
  const std::vector<std::string> table = {"table",   "-33.9", "18.4",     "-37.8", "144.9",
                                          "--limit", "45",    "--points", "40"};
  std::vector<std::string> files = table;
  for (const char* option : {"--nmea", "route.nmea", "--talker", "EC"}) files.push_back(option);
  const Outcome written = RunCommand(files, dir);
  ASSERT_EQ(written.status, 0) << written.err;
  std::vector<std::string> csv = table;
  csv.push_back("--csv");
  const std::vector<TableRow> rows = TableRows(RunCommand(csv, dir).out);
  ASSERT_EQ(rows.size(), 44u);  // with T1 and T2
  // pynmea2: every checksum, line and count; the positions to 4 decimals of
  // a minute and the table's 6 of a degree.
  const NmeaRead r = ReadNmeaWithPynmea2(dir / "route.nmea");
  ASSERT_EQ(r.status, 0) << ReadFile(dir / "route.nmea.pynmea2");
  ASSERT_EQ(r.names.size(), rows.size());
  ASSERT_EQ(r.route.size(), rows.size());
  const double precision = 0.5e-4 / 60 + 0.5e-6 + 1e-12;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "WP%03ld", rows[i].wp);
    EXPECT_EQ(r.names[i], name);
    EXPECT_EQ(r.route[i], name);
    EXPECT_EQ(r.talkers[i], "EC");
    EXPECT_NEAR(r.lat[i], rows[i].lat, precision);
    EXPECT_NEAR(r.lon[i], rows[i].lon, precision);
  }
  // gpsbabel reads the waypoints alike (written again as GPX, 9 decimals).
  ASSERT_EQ(Shell("gpsbabel -i nmea -f '" + (dir / "route.nmea").string() + "' -o gpx -F '" +
                  (dir / "babel.gpx").string() + "'"),
            0);
  const std::string gpx = ReadFile(dir / "babel.gpx");
  const std::regex wpt(R"re(<wpt lat="([-0-9.]+)" lon="([-0-9.]+)">\s*<name>([^<]*)</name>)re");
  std::size_t i = 0;
  for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), wpt); it != std::sregex_iterator();
       ++it, ++i) {
    ASSERT_LT(i, rows.size());
    EXPECT_EQ((*it)[3].str(), r.names[i]);
    EXPECT_NEAR(std::stod((*it)[1].str()), rows[i].lat, precision);
    EXPECT_NEAR(std::stod((*it)[2].str()), rows[i].lon, precision);
  }
  EXPECT_EQ(i, rows.size());
}

// ---------------------------------------------------------------------------
// NMEA names: made unique, cut, refused when they cannot be told apart.

struct Named {
  const char* name;
  double lat, lon;
};

// The WPL names and the route of rows named `rows` (in order), or the error.
std::string NmeaOf(const std::vector<Named>& rows, int length, std::string& error,
                   const std::string& talker = "GP") {
  const fs::path dir = scratch::Folder("names");
  sailings::NmeaOptions options;
  options.name_length = length;
  options.talker = talker;
  sailings::NmeaWriter writer(dir / "r.nmea", "Round trip, Rotterdam", options);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    sailings::Waypoint w;
    w.wp = static_cast<long>(i);
    w.name = rows[i].name;
    w.lat = rows[i].lat, w.lon = rows[i].lon;
    writer.Row(w);
  }
  if (!writer.Finish(error)) return {};
  const NmeaRead r = ReadNmeaWithPynmea2(dir / "r.nmea");
  EXPECT_EQ(r.status, 0) << ReadFile(dir / "r.nmea.pynmea2");
  std::string text;
  for (const std::string& n : r.names) text += n + "|";
  text += " route:";
  for (const std::string& n : r.route) text += " " + n;
  return text;
}

TEST(MapFiles, NmeaNamesAreToldApart) {
  struct Case {
    const char* what;
    std::vector<Named> rows;
    int length;
    const char* gives;    // WPL names, then the route
    const char* refusal;  // or the refusal
  };
  const Case cases[] = {
      {"numbered like GPX",
       {{"", 1, 1}, {"", 2, 2}, {"", 3, 3}},
       6,
       "WP000|WP001|WP002| route: WP000 WP001 WP002",
       ""},
      {"back to the port: one waypoint, listed twice",
       {{"Rotterdam", 51.9, 4.5}, {"Dover", 51, 1.5}, {"Rotterdam", 51.9, 4.5}},
       6,
       "Rotter|Dover| route: Rotter Dover Rotter",
       ""},
      {"the same name elsewhere is numbered",
       {{"Buoy", 50, 1}, {"Buoy", 50, 2}, {"Buoy", 50, 3}},
       6,
       "Buoy|Buoy2|Buoy3| route: Buoy Buoy2 Buoy3",
       ""},
      {"numbered within the length",
       {{"Anchorage", 50, 1}, {"Anchorage", 50, 2}},
       6,
       "Anchor|Ancho2| route: Anchor Ancho2",
       ""},
      {"accents and NMEA's reserved characters",
       {{"G\xC3\xB6teborg", 57.7, 11.9}, {"A,B*C$!", 57, 11}, {"\xC3\x86r\xC3\xB8", 54.9, 10.4}},
       8,
       "Goteborg|A_B_C__|Aro| route: Goteborg A_B_C__ Aro",
       ""},
      {"a name like a number of a row without one",
       {{"WP001", 50, 1}, {"", 50, 2}},
       6,
       "WP001|WP0012| route: WP001 WP0012",
       ""},
      {"a name like the number of an earlier row",
       {{"", 50, 1}, {"", 50, 2}, {"WP001", 50, 3}},
       6,
       "WP000|WP001|WP0012| route: WP000 WP001 WP0012",
       ""},
      {"a name like a number that no row has",
       {{"", 50, 1}, {"WP7", 50, 2}, {"WP01x", 50, 3}},
       6,
       "WP000|WP7|WP01x| route: WP000 WP7 WP01x",
       ""},
      {"different names, the same in 6 characters",
       {{"Rotterdam Europoort", 51.95, 4.1}, {"Rotterdam Maasvlakte", 51.96, 4.0}},
       6,
       "",
       "waypoints 'Rotterdam Europoort' and 'Rotterdam Maasvlakte' are both 'Rotter' in 6 "
       "characters"},
      {"told apart in 15",
       {{"Rotterdam Europoort", 51.95, 4.1}, {"Rotterdam Maasvlakte", 51.96, 4.0}},
       15,
       "Rotterdam Europ|Rotterdam Maasv| route: Rotterdam Europ Rotterdam Maasv",
       ""},
      {"numbered in 4 characters",
       {{"", 1, 1}, {"", 2, 2}, {"", 3, 3}},
       4,
       "WP00|WP01|WP02| route: WP00 WP01 WP02",
       ""},
      {"no room for a number",
       {{"A", 1, 1}, {"A", 2, 2}},
       1,
       "",
       "cannot make the name 'A' unique in 1 characters"},
      {"more rows than 3 characters number", std::vector<Named>(11, Named{"", 0, 0}), 3, "",
       "names of 3 characters number at most 10 waypoints"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Named> rows = c.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].lat == 0)
        rows[i].lat = static_cast<double>(i) / 10, rows[i].lon = static_cast<double>(i) / 10;
    }
    std::string error;
    const std::string got = NmeaOf(rows, c.length, error);
    if (*c.refusal) {
      EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
    } else {
      EXPECT_EQ(error, "");
      EXPECT_EQ(got, c.gives);
    }
  }
  // Another talker, and a route of many names in sentences of 82 characters.
  std::vector<Named> many(300, Named{"", 0, 0});
  for (std::size_t i = 0; i < many.size(); ++i) many[i].lat = -60 + 0.3 * static_cast<double>(i);
  std::string error;
  const std::string got = NmeaOf(many, 6, error, "II");
  EXPECT_EQ(error, "");
  EXPECT_NE(got.find(" route: WP000 WP001"), std::string::npos);
  EXPECT_NE(got.find("WP298 WP299"), std::string::npos);
}

TEST(MapFiles, RefusalsLeaveEveryFileAsItWas) {
  const fs::path dir = scratch::Folder("refusals");
  Write(dir / "ports.csv",
        "lat,lon,name\n51.95,4.1,Rotterdam Europoort\n51.96,4.0,Rotterdam "
        "Maasvlakte\n50,-5,Lizard\n");
  for (const char* kept : {"keep.nmea", "keep.gpx", "keep.rtz", "keep.kml"})
    Write(dir / kept, "kept\n");
  Write(dir / "picture.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"voyage", "--route", "ports.csv", "--nmea", "keep.nmea"},
       1,
       "cannot write keep.nmea: waypoints 'Rotterdam Europoort' and 'Rotterdam Maasvlakte' are "
       "both 'Rotter'"},
      // A command that fails replaces none of its files, however many it
      // had finished before the failure.
      {{"voyage", "--route", "ports.csv", "--gpx", "keep.gpx", "--rtz", "keep.rtz", "--nmea",
        "keep.nmea"},
       1,
       "cannot write keep.nmea: waypoints 'Rotterdam Europoort' and 'Rotterdam Maasvlakte' are "
       "both 'Rotter'"},
      {{"table", "50N", "5W", "40N", "70W", "--points", "20000", "--gpx", "keep.gpx", "--nmea",
        "keep.nmea"},
       1,
       "cannot write keep.nmea: names of 6 characters number at most 10000 waypoints"},
      {{"voyage", "--route", "ports.csv", "--gpx", "keep.gpx", "--rtz", "/dev/full", "--kml",
        "keep.kml"},
       1,
       "cannot write /dev/full: "},
      {{"voyage", "--route", "picture.png", "--geojson", "x.geojson"}, 1, "picture.png: "},
      {{"table", "10", "10", "20", "20", "--points", "3", "--geojson", "no/such/folder/x.geojson"},
       1,
       "cannot write no/such/folder/x.geojson"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--kml", "x.kml", "--tolerance", "0"},
       1,
       "the tolerance must be from 0.001 to 100 NM"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--kml", "x.kml", "--tolerance", "1e3"},
       1,
       "the tolerance must be from 0.001 to 100 NM"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--nmea", "x.nmea", "--talker", "gp"},
       1,
       "--talker 'gp': two capital letters"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--nmea", "x.nmea", "--talker", "Gp"},
       1,
       "--talker 'Gp': two capital letters"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--nmea", "x.nmea", "--talker", "G["},
       1,
       "--talker 'G[': two capital letters"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--nmea", "x.nmea", "--name-length",
        "41"},
       1,
       "--name-length '41': a whole number from 1 to 40"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--tolerance", "1"},
       2,
       "--tolerance: draws the tracks of --geojson and --kml"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--talker", "EC"},
       2,
       "--talker requires --nmea"},
      {{"route", "--geojson", "x.geojson"}, 2, "write one route: give FROM TO"},
      {{"table", "10", "10", "20", "20", "--points", "3", "--kml", "x.kml", "--nmea", "x.kml"},
       2,
       "--kml and --nmea name the same file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Outcome r = RunCommand(c.args, dir);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    if (c.status == 1) {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
  for (const char* kept : {"keep.nmea", "keep.gpx", "keep.rtz", "keep.kml"}) {
    EXPECT_EQ(ReadFile(dir / kept), "kept\n") << kept;
  }
  for (const auto& entry : fs::directory_iterator(dir)) {  // and no temporary file is left
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();
  }
  for (const char* never : {"x.geojson", "x.kml", "x.nmea"})
    EXPECT_FALSE(fs::exists(dir / never)) << never;
  // Told apart with a longer name, and the route written whole.
  EXPECT_EQ(
      RunCommand({"voyage", "--route", "ports.csv", "--nmea", "keep.nmea", "--name-length", "12"},
                 dir)
          .status,
      0);
  EXPECT_NE(ReadFile(dir / "keep.nmea").find("Rotterdam Ma"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Reading: our own files back, files of other tools, and every refusal.

// An NMEA sentence of `body`: its checksum (the exclusive or of its
// characters) and CR LF, as NMEA 0183 defines them.
std::string sentence(const std::string& body) {
  unsigned sum = 0;
  for (char ch : body) sum ^= static_cast<unsigned char>(ch);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

sailings::RouteFileContent ReadRoute(const fs::path& file, const std::string& name = "") {
  sailings::RouteFileContent content;
  std::string error;
  EXPECT_TRUE(sailings::ReadRouteFile(file, file.filename().string(), name, content, error))
      << error;
  return content;
}

TEST(MapFiles, OwnFilesReadBackAsTheVoyage) {
  const fs::path dir = scratch::Folder("roundtrip");
  const std::vector<Named> ports = {{"Yokohama", 35.44, 139.64},
                                    {"Fish & Chips <Quay>", 48.2, 179.5},
                                    {"G\xC3\xB6teborg", 47.1, -150.25},
                                    {"San Francisco", 37.77, -122.42}};
  std::string csv = "lat,lon,name\n";
  for (const Named& p : ports)
    csv += sailings::FixedText(p.lat, 6) + "," + sailings::FixedText(p.lon, 6) + ",\"" + p.name +
           "\"\n";
  Write(dir / "ports.csv", csv);
  const Outcome w = RunCommand({"voyage", "--route", "ports.csv", "--geojson", "v.geojson", "--kml",
                                "v.kml", "--nmea", "v.nmea", "--name-length", "20", "--leg", "500"},
                               dir);
  ASSERT_EQ(w.status, 0) << w.err;
  struct Case {
    const char* file;
    sailings::RouteFormat format;
    double precision;
    bool exactNames;
  };
  const Case cases[] = {{"v.geojson", sailings::RouteFormat::geojson, 0.5e-7, true},
                        {"v.kml", sailings::RouteFormat::kml, 0.5e-7, true},
                        {"v.nmea", sailings::RouteFormat::nmea, 0.5e-4 / 60, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const sailings::RouteFileContent read = ReadRoute(dir / c.file);
    EXPECT_EQ(read.format, c.format);
    // The waypoints of the table (the voyage's, named, and those placed every
    // 500 NM) in order, the voyage's own at their positions.
    std::size_t found = 0;
    for (const sailings::VoyagePoint& p : read.points) {
      if (found < ports.size() && std::fabs(p.lat - ports[found].lat) < c.precision + 1e-12 &&
          std::fabs(p.lon - ports[found].lon) < c.precision + 1e-12) {
        EXPECT_EQ(p.name, !c.exactNames && found == 2 ? "Goteborg" : ports[found].name);
        ++found;
      }
    }
    EXPECT_EQ(found, ports.size());
    EXPECT_GT(read.points.size(), 10u);
  }
  EXPECT_EQ(ReadRoute(dir / "v.geojson").route_name, "Yokohama to San Francisco");
  EXPECT_EQ(ReadRoute(dir / "v.nmea").route_name, "Yokohama-San");
  // A voyage from the file equals the voyage from the typed ports.
  const Outcome again = RunCommand({"voyage", "--route", "v.kml", "--csv"}, dir);
  EXPECT_EQ(again.status, 0) << again.err;
}

TEST(MapFiles, FilesOfOtherToolsAndLinesSplitAtTheMeridian) {
  const fs::path dir = scratch::Folder("others");
  // A line split at the 180th meridian, as RFC 7946 asks: joined again.
  Write(dir / "split.geojson",
        R"({"type":"Feature","properties":{"name":"Across"},"geometry":{"type":"MultiLineString",)"
        R"("coordinates":[[[170.5,10],[180,12.25]],[[-180,12.25],[-170,14]]]}})");
  const sailings::RouteFileContent split = ReadRoute(dir / "split.geojson");
  ASSERT_EQ(split.points.size(), 3u);
  EXPECT_EQ(split.points[1].lon, 180);
  EXPECT_EQ(split.points[2].lon, -170);
  EXPECT_EQ(split.route_name, "Across");
  // GDAL writes it as KML (both drivers) and as GeoJSON again.
  for (const char* command :
       {"ogr2ogr -f KML k1.kml", "ogr2ogr -f LIBKML k2.kml", "ogr2ogr -f GeoJSON g.geojson"}) {
    SCOPED_TRACE(command);
    ASSERT_EQ(Shell("cd '" + dir.string() + "' && " + command + " split.geojson"), 0);
    const std::string out = std::string(command).substr(std::string(command).rfind(' ') + 1);
    const sailings::RouteFileContent read = ReadRoute(dir / out);
    ASSERT_EQ(read.points.size(), 3u);
    EXPECT_NEAR(read.points[0].lon, 170.5, 1e-12);
    EXPECT_NEAR(read.points[2].lat, 14, 1e-12);
  }
  // gpsbabel writes waypoints as WPL sentences: read in order.
  Write(dir / "points.csv",
        "lat,lon,name\n51.9244,4.4777,ROTTER\n49.9,-5.2,LIZARD\n40.7128,-74.006,NEWYRK\n");
  ASSERT_EQ(
      Shell("cd '" + dir.string() + "' && gpsbabel -i unicsv -f points.csv -o nmea -F babel.nmea"),
      0);
  const sailings::RouteFileContent babel = ReadRoute(dir / "babel.nmea");
  ASSERT_EQ(babel.points.size(), 3u);
  EXPECT_EQ(babel.points[2].name, "NEWYRK");
  EXPECT_NEAR(babel.points[2].lon, -74.006, 1e-4 / 60);
  // A route chosen by name among two.
  // (B8's checksum ends in a 0.)
  Write(dir / "zero.nmea",
        sentence("GPWPL,5000.000,N,00500.000,W,A") + sentence("GPWPL,4000.000,N,07000.000,W,B8"));
  EXPECT_EQ(ReadRoute(dir / "zero.nmea").points.size(), 2u);
  Write(dir / "two.nmea",
        sentence("GPWPL,5000.000,N,00500.000,W,A") + sentence("GPWPL,4000.000,N,07000.000,W,B") +
            sentence("GPWPL,3000.000,N,06000.000,W,C") + sentence("GPRTE,1,1,c,first,A,B") +
            sentence("GPRTE,1,1,c,second,C,A,B") + sentence("GPGGA,1,2,3"));
  EXPECT_EQ(ReadRoute(dir / "two.nmea").points.size(), 2u);
  const sailings::RouteFileContent second = ReadRoute(dir / "two.nmea", "second");
  ASSERT_EQ(second.points.size(), 3u);
  EXPECT_EQ(second.points[0].name, "C");
  EXPECT_EQ(second.points[0].lat, 30);
  // A route without an id is still the route: its order, not the WPL order.
  Write(dir / "noid.nmea", sentence("GPWPL,5000.000,N,00500.000,W,AAA") +
                               sentence("GPWPL,4000.000,N,07000.000,W,BBB") +
                               sentence("GPWPL,3000.000,N,06000.000,W,CCC") +
                               sentence("GPRTE,1,1,c,,CCC,BBB,AAA"));
  const sailings::RouteFileContent noid = ReadRoute(dir / "noid.nmea");
  ASSERT_EQ(noid.points.size(), 3u);
  EXPECT_EQ(noid.points[0].name, "CCC");
  EXPECT_EQ(noid.points[1].name, "BBB");
  EXPECT_EQ(noid.points[2].name, "AAA");
  EXPECT_EQ(noid.points[2].lat, 50);
}

// Files that hold a route's points and its line (gpsbabel's KML of a route,
// GDAL's KML of a GPX route), a line beside points of interest, lines in
// parts, and GPX files of waypoints or tracks: each read as the route it
// holds, once, with a note of what was left out.
TEST(MapFiles, WaypointsLinesAndParts) {
  const fs::path dir = scratch::Folder("parts");
  Write(dir / "pts.csv",
        "lat,lon,name\n51.9244,4.4777,Rotterdam\n51.0,1.5,Dover\n49.9,-5.2,Lizard\n"
        "45,-30,Mid\n40.7128,-74.006,NewYork\n");
  const std::string in = "cd '" + dir.string() + "' && ";
  ASSERT_EQ(Shell(in + "gpsbabel -i unicsv -f pts.csv -x transform,rte=wpt -o kml -F babel.kml"),
            0);
  ASSERT_EQ(Shell(in + "gpsbabel -i unicsv -f pts.csv -x transform,rte=wpt -o gpx -F both.gpx"), 0);
  ASSERT_EQ(Shell(in + "ogr2ogr -f KML gdal.kml both.gpx"), 0);
  ASSERT_EQ(Shell(in + "ogr2ogr -f GeoJSON gdal.geojson both.gpx route_points"), 0);
  const std::string line =
      R"({"type":"Feature","properties":{"name":"Passage"},"geometry":{"type":"LineString",)"
      R"("coordinates":[[4.4777,51.9244],[1.5,51.0],[-5.2,49.9],[-30,45],[-74.006,40.7128]]}})";
  const auto poi = [](const char* name, double lon, double lat) {
    return std::string(R"({"type":"Feature","properties":{"name":")") + name +
           R"("},"geometry":{"type":"Point","coordinates":[)" + std::to_string(lon) + "," +
           std::to_string(lat) + "]}}";
  };
  Write(dir / "poi.geojson", R"({"type":"FeatureCollection","features":[)" + line + "," +
                                 poi("Fuel dock", 4.3, 51.95) + "," + poi("Anchorage", 1.2, 51.1) +
                                 "]}");
  // Points on the line that do not reach its ends are not its waypoints.
  Write(dir / "mid.geojson", R"({"type":"FeatureCollection","features":[)" + line + "," +
                                 poi("Dover", 1.5, 51.0) + "," + poi("Lizard", -5.2, 49.9) + "]}");
  const char* names[] = {"Rotterdam", "Dover", "Lizard", "Mid", "NewYork"};
  struct Case {
    const char* file;
    bool names;
    const char* note;  // on the error stream, or ""
  };
  for (const Case& c :
       {Case{"babel.kml", true, "5 points repeat the route's waypoints and are read once"},
        Case{"gdal.kml", true, ""}, Case{"gdal.geojson", true, ""},
        Case{"poi.geojson", false,
             "the line 'Passage' is the route; 2 points that are not its "
             "waypoints left out: 'Fuel dock', 'Anchorage'"},
        Case{"mid.geojson", false,
             "2 points that are not its waypoints left out: 'Dover', 'Lizard'"}}) {
    SCOPED_TRACE(c.file);
    const Outcome run = RunCommand({"voyage", "--route", c.file, "--csv"}, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5)
        << run.out;  // a header and 4 legs
    EXPECT_NE(run.err.find(c.note), std::string::npos) << run.err;
    const sailings::RouteFileContent read = ReadRoute(dir / c.file);
    ASSERT_EQ(read.points.size(), 5u);
    EXPECT_NEAR(read.points[3].lon, -30, 1e-9);
    for (std::size_t i = 0; i < 5 && c.names; ++i) EXPECT_EQ(read.points[i].name, names[i]);
  }
  // Parts that do not meet are refused, naming them, or chosen by number;
  // parts that meet are one line.
  const std::string gpxHead = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">";
  Write(dir / "multi.geojson",
        R"({"type":"Feature","properties":{"name":"Two"},"geometry":{"type":"MultiLineString",)"
        R"("coordinates":[[[-5,50],[-6,49]],[[-30,40],[-31,39]]]}})");
  Write(dir / "multi.kml",
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Placemark><name>Two</name><MultiGeometry>"
        "<LineString><coordinates>-5,50 -6,49</coordinates></LineString>"
        "<LineString><coordinates>-30,40 "
        "-31,39</coordinates></LineString></MultiGeometry></Placemark></kml>");
  Write(dir / "multi.gpx", gpxHead +
                               "<trk><name>Two</name><trkseg><trkpt lat=\"50\" lon=\"-5\"/><trkpt "
                               "lat=\"49\" lon=\"-6\"/>"
                               "</trkseg><trkseg><trkpt lat=\"40\" lon=\"-30\"/><trkpt lat=\"39\" "
                               "lon=\"-31\"/></trkseg></trk></gpx>");
  Write(dir / "meet.geojson",
        R"({"type":"MultiLineString","coordinates":[[[-5,50],[-6,49]],[[-6,49],[-30,40]]]})");
  for (const char* file : {"multi.geojson", "multi.kml", "multi.gpx"}) {
    SCOPED_TRACE(file);
    const Outcome whole = RunCommand({"voyage", "--route", file}, dir);
    EXPECT_EQ(whole.status, 1);
    EXPECT_NE(whole.err.find("'Two' is in parts that do not meet: part 1 ends at 49"),
              std::string::npos)
        << whole.err;
    EXPECT_NE(whole.err.find("choose one with --name 'Two#2'"), std::string::npos) << whole.err;
    const sailings::RouteFileContent second = ReadRoute(dir / file, "Two#2");
    ASSERT_EQ(second.points.size(), 2u);
    EXPECT_EQ(second.points[0].lon, -30);
    EXPECT_EQ(ReadRoute(dir / file, "#1").points[1].lat, 49);
    const Outcome third = RunCommand({"voyage", "--route", file, "--name", "Two#3"}, dir);
    EXPECT_NE(third.err.find("has 2 parts, not a part 3"), std::string::npos) << third.err;
  }
  EXPECT_EQ(ReadRoute(dir / "meet.geojson").points.size(), 3u);
  // GPX: waypoints alone in order, with a note; a repeated fix read once; an
  // empty first route passed over for one that has points.
  Write(dir / "wpt.gpx", gpxHead +
                             "<wpt lat=\"50\" lon=\"-5\"><name>A</name></wpt><wpt lat=\"49\" "
                             "lon=\"-6\"><name>B</name></wpt></gpx>");
  Write(dir / "fix.gpx",
        gpxHead +
            "<trk><trkseg><trkpt lat=\"50\" lon=\"-5\"/><trkpt lat=\"50\" lon=\"-5\"/>\n"
            "<trkpt lat=\"49\" lon=\"-6\"/></trkseg></trk></gpx>");
  Write(dir / "second.gpx",
        gpxHead +
            "<rte><name>empty</name></rte><rte><name>full</name><rtept lat=\"50\" lon=\"-5\"/>"
            "<rtept lat=\"49\" lon=\"-6\"/></rte></gpx>");
  struct Gpx {
    const char* file;
    const char* note;
  };
  for (const Gpx& g :
       {Gpx{"wpt.gpx",
            "no route or track: its 2 waypoints (wpt) read as a route, in the file's order"},
        Gpx{"fix.gpx", "line 1: 1 fix repeats the position before it and is read once"},
        Gpx{"second.gpx", ""}}) {
    SCOPED_TRACE(g.file);
    const Outcome run = RunCommand({"voyage", "--route", g.file}, dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(g.note), std::string::npos) << run.err;
    EXPECT_EQ(ReadRoute(dir / g.file).points.size(), 2u);
  }
  EXPECT_EQ(ReadRoute(dir / "second.gpx").route_name, "full");
}

TEST(MapFiles, RefusalsNameTheLine) {
  const std::string a = sentence("GPWPL,5000.000,N,00500.000,W,A"),
                    b = sentence("GPWPL,4000.000,N,07000.000,W,B");
  std::string badSum = b;
  badSum[badSum.size() - 3] = badSum[badSum.size() - 3] == '0' ? '1' : '0';
  std::string deep = "{\"type\":\"Feature\",\"x\":";
  for (int i = 0; i < 70; ++i) deep += "[";
  struct Case {
    const char* what;
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"a wrong checksum", a + badSum, "f: line 2: the checksum "},
      {"a checksum that is no number", a + "$GPWPL,4000.000,N,07000.000,W,B*ZZ\r\n",
       "line 2: the checksum 'ZZ' is not two hex digits"},
      {"a checksum half hex", a + "$GPWPL,4000.000,N,07000.000,W,B*G0\r\n",
       "line 2: the checksum 'G0' is not two hex digits"},
      {"a WPL without its checksum", a + "$GPWPL,4000.000,N,07000.000,W,B\r\n",
       "line 2: a WPL sentence without a checksum"},
      {"no sentence", a + "hello\r\n", "line 2: not an NMEA sentence"},
      {"minutes of 60", a + sentence("GPWPL,4060.000,N,07000.000,W,B"),
       "line 2: waypoint 'B': latitude '4060.000,N' is not ddmm.mmmm"},
      {"a hemisphere", a + sentence("GPWPL,4000.000,N,07000.000,X,B"),
       "line 2: waypoint 'B': longitude"},
      {"beyond 90", a + sentence("GPWPL,9100.000,N,07000.000,W,B"),
       "line 2: waypoint 'B': latitude"},
      {"a waypoint moved", a + sentence("GPWPL,5000.000,N,00600.000,W,A"),
       "line 2: waypoint 'A' is given again at another position (line 1)"},
      {"an unknown waypoint", a + b + sentence("GPRTE,1,1,c,R,A,Q"),
       "line 3: route 'R' lists waypoint 'Q', which no WPL sentence gives"},
      {"out of order", a + b + sentence("GPRTE,2,1,c,R,A") + sentence("GPRTE,2,1,c,R,B"),
       "line 4: RTE sentence 1 of 2 of route 'R' out of order"},
      {"cut short", a + b + sentence("GPRTE,2,1,c,R,A,B"), "route 'R' ends at RTE sentence 1 of 2"},
      {"sentence 2 before 1", a + b + sentence("GPRTE,2,2,c,R,B") + sentence("GPRTE,2,1,c,R,A"),
       "line 3: RTE sentence 2 of 2 of route 'R' comes before its sentence 1"},
      {"counts", a + b + sentence("GPRTE,1,2,c,R,A,B"),
       "line 3: an RTE sentence's count and number"},
      {"invalid JSON", "{\"type\":\"Feature\",\n\"geometry\": nul}", "f: line 2: not valid JSON"},
      {"invalid JSON at a line's start", "[1,\nx]", "f: line 2: not valid JSON"},
      {"nested deep", deep, "nested deeper than 64"},
      {"a number beyond a double", R"({"type":"LineString","coordinates":[[1e400,2],[3,4]]})",
       "f: not valid JSON: number overflow parsing '1e400'"},
      {"no type", "{\"features\":[]}", "not GeoJSON: no \"type\""},
      {"not a position", R"({"type":"LineString","coordinates":[[1,2],[3]]})",
       "waypoint 2: a position is not [longitude, latitude]"},
      {"beyond 90 in GeoJSON", R"({"type":"LineString","coordinates":[[1,2],[3,91]]})",
       "waypoint 2: latitude is beyond 90 degrees"},
      {"a polygon is no route", R"({"type":"Polygon","coordinates":[[[1,2],[3,4],[5,6],[1,2]]]})",
       "no line and fewer than two points"},
      {"KML coordinates",
       "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Placemark>\n<LineString><coordinates>1,2 "
       "3;4</coordinates></LineString></Placemark></kml>",
       "f: line 2: coordinates '3;4' are not lon,lat[,alt]"},
      {"KML without a route", "<kml><Document/></kml>",
       "no line and fewer than two points: not a route (KML)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sailings::RouteFileContent content;
    std::string error;
    EXPECT_FALSE(sailings::ParseRouteText(c.text, "f", "", content, error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

// The files drawn by GDAL (gdal_rasterize, half a degree a pixel, kept as
// PNG beside the grid): the exact track's every point lies on a drawn pixel,
// and nothing is drawn between the ends the long way round the world.
TEST(MapFiles, DrawnByGdalWhereTheShipSails) {
  const fs::path dir = scratch::Folder("drawn");
  ASSERT_EQ(RunCommand({"table", "35.44", "139.64", "37.77", "-122.42", "--points", "5",
                        "--geojson", "t.geojson", "--kml", "t.kml"},
                       dir)
                .status,
            0);
  const ref::RefTrack track = ref::GreatEllipseTrack(35.44, 139.64, 37.77, -122.42);
  for (const char* file : {"t.geojson", "t.kml"}) {
    SCOPED_TRACE(file);
    const std::string f = (dir / file).string();
    ASSERT_EQ(Shell("(gdal_rasterize -burn 255 -l 'A to B' -ts 720 360 -te -180 -90 180 90 -ot "
                    "Byte -of GTiff '" +
                    f + "' '" + f + ".tif' && gdal_translate -of AAIGrid '" + f + ".tif' '" + f +
                    ".asc' && gdal_translate -of PNG '" + f + ".tif' '" + f + ".png')"),
              0);
    std::istringstream grid(ReadFile(f + ".asc"));
    std::string word;
    for (int i = 0; i < 10; ++i) grid >> word;  // ncols 720 nrows 360 xllcorner yllcorner cellsize
    std::vector<std::vector<int>> px(360, std::vector<int>(720));
    long drawn = 0, wrong = 0;
    for (int r = 0; r < 360; ++r) {
      for (int c = 0; c < 720; ++c) {
        grid >> px[r][c];
        if (!px[r][c]) continue;
        ++drawn;
        const double lon = -180 + 0.5 * c + 0.25;
        if (lon > -122 && lon < 139) ++wrong;  // between the ends, the long way
      }
    }
    EXPECT_GT(drawn, 180);  // 98 degrees of longitude, two pixels a degree
    EXPECT_EQ(wrong, 0);
    long missed = 0;
    for (int k = 0; k <= 400; ++k) {
      double lat, lon;
      track.at(track.param(track.length * k / 400), lat, lon);
      const int r = std::clamp(static_cast<int>((90 - lat) / 0.5), 0, 359);
      const int c = std::clamp(static_cast<int>((lon + 180) / 0.5), 0, 719);
      bool hit = false;
      for (int dr = -1; dr <= 1; ++dr) {
        for (int dc = -1; dc <= 1; ++dc) {
          const int rr = r + dr, cc = c + dc;
          if (rr >= 0 && rr < 360 && cc >= 0 && cc < 720 && px[rr][cc]) hit = true;
        }
      }
      if (!hit) ++missed;
    }
    EXPECT_EQ(missed, 0);
  }
}

}  // namespace
