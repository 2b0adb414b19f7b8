// The charts. They are rendered by a real renderer (rsvg-convert, and once
// headless Chromium) and their pixels checked at positions placed
// independently: land and sea where geography puts them, the tracks'
// colours on points of the exact plane section and of GeographicLib's rhumb
// line, nothing outside the frame.
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
#include "sailings/writers.hpp"
#include "scratch.h"
#include "session.h"

namespace {

Outcome Cli(const std::vector<std::string>& args, const fs::path& dir) {
  return RunCommand(args, dir);
}

std::string Read(const fs::path& file) { return ReadFile(file); }

}  // namespace

TEST(Chart, PixelsWhereGeographyPutsThem) {
  const fs::path dir = scratch::Folder("chart");
  const struct {
    std::vector<std::string> args;
    std::vector<std::array<double, 2>> land, sea;
  } charts[] = {
      // (Positions off the graticule's lines and labels.)
      {{"route", "-33.9249", "18.4241", "40.7128", "-74.006"},
       {{-24.3, 21.7}, {11.3, 8.7}, {-8.7, -48.3}, {36.3, -86.3}},
       {{1.3, -26.7}, {-31.7, 2.3}}},
      {{"route", "35.4437", "139.638", "37.808", "-122.4177"},
       {{36.3, 138.3}, {41.3, -118.3}},
       {{41.7, 178.3}, {31.3, -151.7}}},
      {{"table", "-33.9249", "18.4241", "-33.8688", "151.2093", "--limit", "50", "--leg", "500"},
       {{-24.3, 133.7}, {-28.3, 23.3}},
       {{-46.3, 61.7}, {-41.3, 101.7}}},
      {{"route", "80", "0", "70", "180"},
       {{78.7, 17.3}, {68.3, 152.3}},
       {{85.7, 41.7}, {74.3, -168.3}}},
      {{"route", "-70", "10", "-75", "-120"}, {{-78.3, -1.7}, {-81.7, -71.3}}, {{-67.7, -31.3}}},
      // Polar charts that reach far from the pole, past the equator: the
      // land that encloses the other pole (Antarctica) fills no ocean.
      {{"route", "45", "-25", "40", "155"},
       {{62.3, 100.7}, {48.3, 68.3}},
       {{84.3, 60.7}, {76.3, -170.3}}},
      {{"route", "85", "0", "-40", "180"},
       {{-21.7, 146.3}, {-38.7, 176.3}, {62.3, 100.7}},
       {{10.3, 160.3}, {-35.3, 160.7}}},
  };
  int k = 0;
  for (const auto& c : charts) {
    const std::string file = "chart" + std::to_string(k++) + ".svg";
    std::vector<std::string> args = c.args;
    args.push_back("--svg");
    args.push_back(file);
    const Outcome run = Cli(args, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string svg = Read(dir / file);
    EXPECT_FALSE(check::HasNonFiniteNumber(svg));
    EXPECT_EQ(svg.find("<script"), std::string::npos);
    EXPECT_EQ(svg.find("href"), std::string::npos);  // no external references
    // The tracks are simplified (to a third of a pixel): a smooth arc of 400
    // samples needs far fewer vertices.
    const std::size_t end = svg.find("\" fill=\"none\" stroke=\"#c0392b\"");
    const std::string ellipse =
        svg.substr(svg.rfind("<path d=\"", end), end - svg.rfind("<path d=\"", end));
    EXPECT_LT(std::count(ellipse.begin(), ellipse.end(), 'L'), 150) << file;
    // The legend lies inside the frame (which starts 10 px in).
    const std::size_t legend = svg.find("width=\"260\"");
    ASSERT_NE(legend, std::string::npos);
    const std::size_t x = svg.rfind("<rect x=\"", legend), y = svg.rfind(" y=\"", legend);
    EXPECT_GE(std::stod(svg.substr(x + 9)), 10.0) << file;
    EXPECT_GE(std::stod(svg.substr(y + 4)), 10.0) << file;
    // Tracks: points of the exact section and of the rhumb line, a third
    // and two thirds of the way.
    const double lat1 = std::stod(c.args[1]), lon1 = std::stod(c.args[2]);
    const double lat2 = std::stod(c.args[3]), lon2 = std::stod(c.args[4]);
    std::ostringstream checks;
    checks.precision(10);
    checks << "{\"paint\": [";
    for (const auto& p : c.land) checks << "[" << p[0] << "," << p[1] << ",\"land\",0],";
    for (const auto& p : c.sea) checks << "[" << p[0] << "," << p[1] << ",\"sea\",0],";
    double angle, length, course;
    const ref::Section section =
        ref::SectionThrough(ref::Ecef(lat1, lon1), ref::Ecef(lat2, lon2), angle);
    ref::Rhumb().Inverse(lat1, lon1, lat2, lon2, length, course);
    const bool composite = c.args.size() > 6;
    // The legend gives each track's own length (to 0.1 NM): the exact
    // section's, GeographicLib's rhumb line's, the composite track's as
    // `route` gives it.
    const auto figure = [&](const std::string& label) {
      const std::size_t at = svg.find(">" + label + " ");
      return at == std::string::npos ? NAN : std::stod(svg.substr(at + label.size() + 2));
    };
    EXPECT_NEAR(figure("great ellipse"), section.Arc(angle) / 1852, 0.0501) << file;
    EXPECT_NEAR(figure("rhumb line"), length / 1852, 0.0501) << file;
    if (composite) {
      const Outcome route = Cli(
          {"route", c.args[1], c.args[2], c.args[3], c.args[4], "--limit", "50", "--json"}, dir);
      const std::string nm = route.out.substr(route.out.find("\"composite_nm\":") + 15);
      EXPECT_NEAR(figure("composite track"), std::stod(nm), 0.0501) << file;
    }
    for (double f : {1 / 3.0, 2 / 3.0}) {
      double lat, lon;
      ref::Geodetic(section.Point(f * angle), lat, lon);
      if (!composite) checks << "[" << lat << "," << lon << ",\"ellipse\",2],";
      ref::Rhumb().Direct(lat1, lon1, course, f * length, lat, lon);
      checks << "[" << lat << "," << lon << ",\"rhumb\",4],";  // dashed
    }
    if (composite) checks << "[-50,85,\"composite\",2],";  // on the limiting parallel
    checks << "[" << lat1 << "," << lon1 << ",\"ellipse\",6]], \"along\": [";
    // Every 2 % of both exact tracks lies within a pixel of what is drawn.
    for (int i = 0; i <= 50; ++i) {
      double lat, lon;
      if (!composite) {
        ref::Geodetic(section.Point(angle * i / 50), lat, lon);
        checks << "[" << lat << "," << lon << ",\"ellipse\"],";
      }
      ref::Rhumb().Direct(lat1, lon1, course, length * i / 50, lat, lon);
      checks << "[" << lat << "," << lon << ",\"rhumb\"]" << (i < 50 ? "," : "");
    }
    checks << "]}";
    std::ofstream(dir / (file + ".json")) << checks.str();
    EXPECT_EQ(std::system(("python3 " SAILINGS_TESTS_DIR "/chart_check.py '" +
                           (dir / file).string() + "' '" + (dir / (file + ".json")).string() + "'")
                              .c_str()),
              0)
        << file;
  }
  // Headless Chromium shows the chart as it is.
  EXPECT_EQ(std::system(("python3 " SAILINGS_TESTS_DIR "/chart_check.py '" +
                         (dir / "chart2.svg").string() + "' - --chromium")
                            .c_str()),
            0);
}

TEST(Chart, DegenerateRoutesLongTablesAndBadPaths) {
  const fs::path dir = scratch::Folder("chart");
  const char* routes[][4] = {{"10", "20", "-10", "-160"},
                             {"90", "0", "10", "20"},
                             {"-90", "0", "10", "20"},
                             {"10", "30", "50", "30"},
                             {"0", "0", "0", "120"},
                             {"0", "0", "0", "180"},
                             {"89.9999", "0", "-89.9999", "0.5"},
                             {"0", "0", "1e-7", "1e-7"}};
  for (const auto& r : routes) {
    const Outcome run =
        Cli({"route", r[0], r[1], r[2], r[3], "--svg", "odd.svg", "--limit", "89"}, dir);
    if (run.status != 0) {  // only a position beyond the limit may refuse it
      EXPECT_NE(run.err.find("beyond the limiting latitude"), std::string::npos) << run.err;
      continue;
    }
    const std::string svg = Read(dir / "odd.svg");
    EXPECT_FALSE(check::HasNonFiniteNumber(svg)) << r[0] << " " << r[2];
    EXPECT_EQ(std::system(("xmllint --noout '" + (dir / "odd.svg").string() + "'").c_str()), 0);
  }
  // A 10,000-row table: a few hundred kilobytes at most.
  const Outcome table =
      Cli({"table", "-40", "-60", "35", "115", "--leg", "1", "--svg", "long.svg"}, dir);
  ASSERT_EQ(table.status, 0);
  EXPECT_GT(std::count(table.out.begin(), table.out.end(), '\n'), 10000);
  EXPECT_LT(fs::file_size(dir / "long.svg"), 300u * 1024);
  // A short table: a dot for every row (r="2.5"); the long one thinned to
  // every 34th row (10,426 rows: 307), less those within 8 px of the last.
  const auto dots = [&](const char* file) {
    const std::string svg = Read(dir / file);
    std::size_t n = 0;
    for (std::size_t at = svg.find("r=\"2.5\""); at != std::string::npos;
         at = svg.find("r=\"2.5\"", at + 1))
      ++n;
    return n;
  };
  ASSERT_EQ(
      Cli({"table", "10", "20", "30", "40", "--points", "5", "--svg", "short.svg"}, dir).status, 0);
  EXPECT_EQ(dots("short.svg"), 7u);
  EXPECT_GT(dots("long.svg"), 50u);
  EXPECT_LE(dots("long.svg"), 307u);
  // A folder or a missing folder: one line, status 1, nothing left.
  fs::create_directory(dir / "folder.svg");
  for (const char* target : {"folder.svg", "missing/chart.svg"}) {
    const Outcome run = Cli({"route", "1", "2", "3", "4", "--svg", target}, dir);
    EXPECT_EQ(run.status, 1) << target;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  EXPECT_FALSE(fs::exists(dir / "missing"));
  EXPECT_EQ(Cli({"route", "--svg", "x.svg"}, dir).status, 2);  // one route only
}

TEST(Chart, TheDialoguesChartComesAndGoesWithItsTable) {
  Session s = Play("3\n4\n3\n700\n1\ny\n");
  const std::string svg = s.File("waypoints.svg");
  EXPECT_NE(svg.find("<title>North to South</title>"), std::string::npos);
  EXPECT_EQ(std::system(("xmllint --noout '" + (s.dir / "waypoints.svg").string() + "'").c_str()),
            0);
  // The console is as it always was: the chart adds nothing to it.
  EXPECT_EQ(s.out.find("svg"), std::string::npos);
  // A second route without a table leaves no chart (nor route file) behind.
  std::istringstream in("3\n4\n3\n700\n1\nn\n1\n2\n2\n0\ny\n");
  std::ostringstream out, err;
  sailings::RunSailings(in, out, err, s.dir, false);
  EXPECT_FALSE(fs::exists(s.dir / "waypoints.svg"));
  EXPECT_FALSE(fs::exists(s.dir / "waypoints.gpx"));
}

TEST(Chart, GraticuleLabelsNameTheirLinesInsideTheFrame) {
  // West and south: the labels are the navigator's (120°W, 35°S: no minus
  // sign), each inside the frame beside its own line: a longitude label
  // just right of its meridian, a latitude label just above its parallel;
  // meridians 10 degrees apart run west to east.
  const fs::path dir = scratch::Folder("chart");
  ASSERT_EQ(Cli({"route", "-40", "-60", "-35", "-120", "--svg", "c.svg"}, dir).status, 0);
  const std::string svg = Read(dir / "c.svg");
  const std::regex frame(
      "<rect x=\"([0-9.]+)\" y=\"([0-9.]+)\" width=\"([0-9.]+)\" height=\"([0-9.]+)\"/>");
  std::smatch f;
  ASSERT_TRUE(std::regex_search(svg, f, frame));
  const double x0 = std::stod(f[1]), y0 = std::stod(f[2]), x1 = x0 + std::stod(f[3]),
               y1 = y0 + std::stod(f[4]);
  std::vector<double> meridians, parallels;
  const std::regex vertical("M([0-9.]+) [0-9.]+V"), horizontal("M[0-9.]+ ([0-9.]+)H");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), vertical);
       it != std::sregex_iterator(); ++it)
    meridians.push_back(std::stod((*it)[1]));
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), horizontal);
       it != std::sregex_iterator(); ++it)
    parallels.push_back(std::stod((*it)[1]));
  const std::regex label("<text x=\"([0-9.-]+)\" y=\"([0-9.-]+)\">([^<]*)</text>");
  int west = 0, south = 0, previous = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator();
       ++it) {
    const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
    const std::string text = (*it)[3];
    ASSERT_TRUE(std::regex_match(text, std::regex("[0-9]+\u00b0[NSEW]?"))) << text;
    EXPECT_TRUE(x > x0 && x < x1 && y > y0 && y < y1) << text << " at " << x << " " << y;
    const auto near = [](const std::vector<double>& lines, double at, double lo, double hi) {
      return std::any_of(lines.begin(), lines.end(),
                         [&](double line) { return at - line > lo && at - line <= hi; });
    };
    if (text.back() == 'W') {
      ++west;
      EXPECT_TRUE(near(meridians, x, 0, 5)) << text;
      const int degrees = std::stoi(text);
      EXPECT_TRUE(west == 1 || degrees == previous - 10) << text;  // eastward: 120°W, 110°W, ...
      previous = degrees;
    } else if (text.back() == 'S') {
      ++south;
      EXPECT_TRUE(near(parallels, y, -5, 0)) << text;
    }
  }
  EXPECT_GE(west, 5);
  EXPECT_GE(south, 3);
}

TEST(Chart, PolarChartsAreCentredOnTheRoute) {
  // A polar chart turns the meridian midway between the ends down the
  // page: ends 180 degrees of longitude apart then lie level with the pole,
  // at one height, whatever their latitudes.
  const char* routes[][4] = {
      {"35", "-15", "-35", "165"}, {"45", "-25", "40", "155"}, {"-60", "100", "-50", "-80"}};
  for (const auto& r : routes) {
    const fs::path dir = scratch::Folder("chart");
    ASSERT_EQ(Cli({"route", r[0], r[1], r[2], r[3], "--svg", "p.svg"}, dir).status, 0);
    const std::string svg = Read(dir / "p.svg");
    const std::regex end("<circle cx=\"([0-9.-]+)\" cy=\"([0-9.-]+)\" r=\"5\"");
    std::vector<double> heights;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), end); it != std::sregex_iterator();
         ++it)
      heights.push_back(std::stod((*it)[2]));
    ASSERT_EQ(heights.size(), 2u) << r[1];
    EXPECT_NEAR(heights[0], heights[1], 0.2) << r[0] << " " << r[1];
  }
  // The picture is the frame and a border of 10 px all round, and the route
  // is framed with room to spare: each end at least a twentieth of the
  // frame inside it (an east-west route in the western hemisphere, a
  // north-south one in the eastern).
  for (const auto& r :
       {std::array<const char*, 4>{"10", "-60", "12", "-10"}, {"-40", "100", "30", "104"}}) {
    const fs::path dir = scratch::Folder("chart");
    ASSERT_EQ(Cli({"route", r[0], r[1], r[2], r[3], "--svg", "f.svg"}, dir).status, 0);
    const std::string svg = Read(dir / "f.svg");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, std::regex("width=\"([0-9.]+)\" height=\"([0-9.]+)\"")));
    const double W = std::stod(m[1]), H = std::stod(m[2]);
    ASSERT_TRUE(std::regex_search(
        svg, m, std::regex(" left=([0-9.]+) top=([0-9.]+) width=([0-9.]+) height=([0-9.]+)<")));
    const double left = std::stod(m[1]), top = std::stod(m[2]), w = std::stod(m[3]),
                 h = std::stod(m[4]);
    EXPECT_EQ(left, 10);
    EXPECT_NEAR(W, w + 2 * left, 0.11) << r[1];
    EXPECT_NEAR(H, h + 2 * top, 0.11) << r[1];
    const std::regex end("<circle cx=\"([0-9.-]+)\" cy=\"([0-9.-]+)\" r=\"5\"");
    int ends = 0;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), end); it != std::sregex_iterator();
         ++it, ++ends) {
      const double x = std::stod((*it)[1]) - left, y = std::stod((*it)[2]) - top;
      EXPECT_GT(std::min(x, w - x), w / 20) << r[1] << " " << x;
      EXPECT_GT(std::min(y, h - y), h / 20) << r[1] << " " << y;
    }
    EXPECT_EQ(ends, 2);
  }
  // A track within 10 degrees of both poles: the chart is on the pole it
  // comes nearer.
  for (const auto& [from, to, pole] :
       {std::tuple{"81", "-85", "pole=-1"}, {"85", "-81", "pole=1"}}) {
    const fs::path dir = scratch::Folder("chart");
    ASSERT_EQ(Cli({"route", from, "0", to, "10", "--svg", "p.svg"}, dir).status, 0);
    EXPECT_NE(Read(dir / "p.svg").find(std::string("projection=polar ") + pole + " "),
              std::string::npos)
        << from;
  }
}

TEST(Chart, PolarMeridianLabelsStandRightOfTheirLines) {
  // Each meridian's label starts just right of its line (within 5 px of it,
  // on its east side as the page shows it), never across it.
  const fs::path dir = scratch::Folder("chart");
  ASSERT_EQ(Cli({"route", "35", "-15", "-35", "165", "--svg", "p.svg"}, dir).status, 0);
  const std::string svg = Read(dir / "p.svg");
  struct Segment {
    double ax, ay, bx, by;
  };
  std::vector<Segment> meridians;  // the grid's straight two-point pieces
  const std::size_t end = svg.find("\" fill=\"none\" stroke=\"#7a9bb5\"");  // the graticule's path
  ASSERT_NE(end, std::string::npos);
  const std::size_t begin = svg.rfind("<path d=\"", end) + 9;
  const std::string d = svg.substr(begin, end - begin) + "M";
  const std::regex piece("M([0-9.-]+) ([0-9.-]+)L([0-9.-]+) ([0-9.-]+)(?=M)");
  for (auto it = std::sregex_iterator(d.begin(), d.end(), piece); it != std::sregex_iterator();
       ++it)
    meridians.push_back(
        {std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])});
  ASSERT_EQ(meridians.size(), 12u);
  const std::regex label("<text x=\"([0-9.-]+)\" y=\"([0-9.-]+)\">([0-9]+\u00b0[EW]?)</text>");
  int labels = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator();
       ++it, ++labels) {
    const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
    const bool beside = std::any_of(meridians.begin(), meridians.end(), [&](const Segment& m) {
      if (std::fabs(m.by - m.ay) < 1)
        return std::fabs(y - m.ay) < 0.5 && x > std::min(m.ax, m.bx);  // level
      const double lineX = m.ax + (y - m.ay) * (m.bx - m.ax) / (m.by - m.ay);
      return x - lineX > 0.5 && x - lineX <= 5;
    });
    EXPECT_TRUE(beside) << (*it)[3] << " at " << x << " " << y;
  }
  EXPECT_EQ(labels, 12);
}

TEST(Chart, TheLandForMapLibrariesIsReadByGdalWhereGeographyPutsIt) {
  // The page's working chart draws this. GDAL reads it as one polygon
  // feature; by the even-odd rule (ray casting over every ring, written
  // here) land and sea fall where geography puts them.
  std::ostringstream text;
  sailings::WriteChartLand(text);
  const fs::path file = scratch::Folder("chart-land") / "land.geojson";
  std::ofstream(file) << text.str();
  const fs::path told = file.string() + ".ogrinfo";
  ASSERT_EQ(
      std::system(
          ("ogrinfo -ro -al -so '" + file.string() + "' > '" + told.string() + "' 2>&1").c_str()),
      0);
  const std::string info = Read(told);
  EXPECT_NE(info.find("Feature Count: 1"), std::string::npos) << info;
  EXPECT_NE(info.find("Polygon"), std::string::npos) << info;
  const std::string& json = text.str();
  std::vector<std::vector<std::pair<double, double>>> rings;
  const std::regex position(R"(\[(-?[0-9.]+),(-?[0-9.]+)\](\]?))");
  rings.emplace_back();
  for (std::sregex_iterator m(json.begin(), json.end(), position), end; m != end; ++m) {
    rings.back().push_back({std::stod((*m)[1]), std::stod((*m)[2])});
    if ((*m)[3].length()) rings.emplace_back();  // "]]": the ring closes
  }
  const auto land = [&](double lat, double lon) {
    bool in = false;
    for (const auto& r : rings)
      for (std::size_t i = 0, j = r.size() - 1; i < r.size(); j = i++)
        if ((r[i].second > lat) != (r[j].second > lat) &&
            lon < (r[j].first - r[i].first) * (lat - r[i].second) / (r[j].second - r[i].second) +
                      r[i].first)
          in = !in;
    return in;
  };
  const struct {
    const char* where;
    double lat, lon;
    bool land;
  } places[] = {{"Madrid", 40.42, -3.70, true},         {"the Sahara", 23, 10, true},
                {"central Australia", -25, 134, true},  {"Siberia", 62, 100, true},
                {"the North Atlantic", 40, -30, false}, {"the Pacific", 0, -160, false},
                {"the Mediterranean", 35, 18, false},   {"the Indian Ocean", -20, 75, false},
                {"the Bay of Bengal", 15, 88, false},   {"Antarctica", -80, 0, true}};
  for (const auto& p : places) EXPECT_EQ(land(p.lat, p.lon), p.land) << p.where;
}
