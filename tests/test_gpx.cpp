// The route file for chart plotters: a well-formed GPX 1.1 document with one
// route whose points are the table's rows, replaced or removed with every
// route, and never a reason for the table to fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>

#include "session.h"

namespace {

struct GpxPoint {
  double lat, lon;
  std::string name;
};

std::vector<GpxPoint> Points(const std::string& gpx) {
  static const std::regex point(
      "<rtept lat=\"(-?[0-9]+\\.[0-9]{8})\" lon=\"(-?[0-9]+\\.[0-9]{8})\"><name>(WP[0-9]{3,})</name></rtept>");
  std::vector<GpxPoint> points;
  for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), point); it != std::sregex_iterator(); ++it) {
    points.push_back({std::stod((*it)[1]), std::stod((*it)[2]), (*it)[3]});
  }
  return points;
}

// Latitude and longitude of every row of the table in waypoints.dat.
std::vector<std::pair<double, double>> TableRows(const std::string& table) {
  std::vector<std::pair<double, double>> rows;
  std::istringstream in(table);
  std::string line;
  for (int skip = 0; skip < 4; ++skip) std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream cells(line);
    long number;
    double lat, lon;
    cells >> number >> lat >> lon;
    rows.emplace_back(lat, lon);
  }
  return rows;
}

bool WellFormed(const fs::path& file) {
  const std::string command = "xmllint --noout '" + file.string() + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

}  // namespace

TEST(GpxRoute, AWellFormedRouteOfTheTablesPoints) {
  for (const char* script : {"3\n4\n3\n700\n1\ny\n", "3\n4\n2\n5\n2\ny\n", "3\n4\n1\n7\ny\n",
                             "1\n2\n3\n600\n1\ny\n"}) {
    const Session s = Play(script);
    const std::string gpx = s.File("waypoints.gpx");
    ASSERT_FALSE(gpx.empty()) << script;
    EXPECT_TRUE(WellFormed(s.dir / "waypoints.gpx"));
    EXPECT_NE(gpx.find("<gpx version=\"1.1\" creator=\"sailings\" "
                       "xmlns=\"http://www.topografix.com/GPX/1/1\">"),
              std::string::npos);
    EXPECT_EQ(std::regex_search(gpx, std::regex("<rte>[^]*<rte>")), false);  // one route
    const auto points = Points(gpx);
    const auto rows = TableRows(s.File("waypoints.dat"));
    ASSERT_EQ(points.size(), rows.size()) << script;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      // Rounded to the table's six decimals they are the table's values (a
      // carried equator latitude, 0.000001 in the table, is the true 0 here).
      EXPECT_NEAR(points[k].lat, rows[k].first, 1.0001e-6);
      EXPECT_NEAR(points[k].lon, rows[k].second, 5.0001e-7);
      char label[32];
      std::snprintf(label, sizeof label, "WP%03zu", k);
      EXPECT_EQ(points[k].name, label);
    }
  }
  const Session s = Play("3\n4\n3\n1000\n2\ny\n");
  EXPECT_NE(s.File("waypoints.gpx").find("<name>North to South</name>"), std::string::npos);
  EXPECT_NE(s.File("waypoints.gpx").find("<desc>rhumb line; total distance "), std::string::npos);
}

TEST(GpxRoute, NamesAreEscapedAndLongitudesStayInRange) {
  const char list[] = "Tom & Jerry's <\"Inn\">\t30 170\nDateline\t40 180\nEast\t40 -170\nBad \xff\xfe name\t0 10\n";
  Session s = Play("1\n3\n3\n100\n1\ny\n", list);
  const std::string gpx = s.File("waypoints.gpx");
  EXPECT_TRUE(WellFormed(s.dir / "waypoints.gpx"));
  EXPECT_NE(gpx.find("<name>Tom &amp; Jerry&apos;s &lt;&quot;Inn&quot;&gt; to East</name>"),
            std::string::npos);
  for (const GpxPoint& p : Points(gpx)) {
    EXPECT_GE(p.lon, -180.0);
    EXPECT_LT(p.lon, 180.0);
    EXPECT_LE(std::fabs(p.lat), 90.0);
  }
  s = Play("1\n2\n3\n1000\n1\ny\n", list);  // the destination lies on 180: written -180
  EXPECT_NE(s.File("waypoints.gpx").find("lon=\"-180.00000000\""), std::string::npos);
  s = Play("4\n1\n3\n1000\n1\ny\n", list);  // bytes that are not UTF-8 become '?'
  EXPECT_TRUE(WellFormed(s.dir / "waypoints.gpx"));
  EXPECT_NE(s.File("waypoints.gpx").find("<name>Bad ?? name to Tom"), std::string::npos);
}

TEST(GpxRoute, AStaleRouteIsRemovedWhenNoTableFollows) {
  // A table, then a route ending without one: count 0, an unknown method, a
  // short leg, an unwritable waypoints.dat, a meridian in mode 1.
  for (const char* ending : {"3\n4\n2\n0\ny\n", "3\n4\n2\n3\n9\ny\n", "3\n4\n3\n0.5\ny\n",
                             "0\n10\n30\n0\n50\n30\n1\ny\n"}) {
    const Session s = Play(std::string("3\n4\n3\n700\n1\nn\n") + ending);
    EXPECT_FALSE(fs::exists(s.dir / "waypoints.gpx")) << ending;
    EXPECT_EQ(s.File("waypoints.dat"), "");
  }
  Session s = Play("3\n4\n3\n700\n1\ny\n");
  ASSERT_TRUE(fs::exists(s.dir / "waypoints.gpx"));
  fs::remove(s.dir / "waypoints.dat");
  fs::create_directory(s.dir / "waypoints.dat");
  std::istringstream in("3\n4\n3\ny\n");
  std::ostringstream out, err;
  sailings::RunSailings(in, out, err, s.dir, false);
  EXPECT_NE(out.str().find("ERROR!! Cannot open files"), std::string::npos);
  EXPECT_FALSE(fs::exists(s.dir / "waypoints.gpx"));
  // No scratch files are left behind.
  for (const auto& entry : fs::directory_iterator(s.dir)) {
    EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos);
  }
}

TEST(GpxRoute, AnUnwritableRouteFileLeavesTheTableAlone) {
  Session s = Play("y\n");
  fs::create_directories(s.dir / "waypoints.gpx" / "occupied");
  std::istringstream in("3\n4\n3\n700\n1\ny\n");
  std::ostringstream out, err;
  EXPECT_EQ(sailings::RunSailings(in, out, err, s.dir, false), 0);
  const std::string message = err.str();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
  EXPECT_EQ(message.rfind("Cannot write waypoints.gpx: ", 0), 0u) << message;
  EXPECT_FALSE(s.File("waypoints.dat").empty());
  EXPECT_NE(out.str().find(s.File("waypoints.dat") + "\nExit (y/n)? "), std::string::npos);
  EXPECT_TRUE(fs::is_directory(s.dir / "waypoints.gpx" / "occupied"));  // not touched
}
