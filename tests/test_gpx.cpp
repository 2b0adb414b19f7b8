// The route file for chart plotters: well-formed GPX 1.1 with one route whose
// points are the table's rows, replaced or removed with every route, and
// never a reason for the table to fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>

#include "session.h"

namespace {

bool WellFormed(const fs::path& file) {
  return std::system(("xmllint --noout '" + file.string() + "' 2>/dev/null").c_str()) == 0;
}

// Rows of the table in waypoints.dat as (latitude, longitude).
std::vector<std::pair<double, double>> TableRows(const std::string& table) {
  std::vector<std::pair<double, double>> rows;
  std::istringstream in(table.substr(table.rfind("---\n") + 4));
  for (double number, lat, lon; in >> number >> lat >> lon; in.ignore(1 << 10, '\n'))
    rows.emplace_back(lat, lon);
  return rows;
}

}  // namespace

TEST(GpxRoute, AWellFormedRouteOfTheTablesPoints) {
  for (const char* script :
       {"3\n4\n3\n700\n1\ny\n", "3\n4\n2\n5\n2\ny\n", "3\n4\n1\n7\ny\n", "1\n2\n3\n600\n1\ny\n"}) {
    const Session s = Play(script);
    const std::string gpx = s.File("waypoints.gpx");
    EXPECT_TRUE(WellFormed(s.dir / "waypoints.gpx")) << script;
    EXPECT_NE(gpx.find("<gpx version=\"1.1\" creator=\"sailings\" "
                       "xmlns=\"http://www.topografix.com/GPX/1/1\">\n  <rte>\n"),
              std::string::npos);
    EXPECT_EQ(gpx.find("<rte>"), gpx.rfind("<rte>"));  // one route
    const std::regex point(
        "<rtept lat=\"(-?\\d+\\.\\d{8})\" "
        "lon=\"(-?\\d+\\.\\d{8})\"><name>WP(\\d{3,})</name></rtept>");
    const auto rows = TableRows(s.File("waypoints.dat"));
    std::size_t k = 0;
    for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), point);
         it != std::sregex_iterator(); ++it, ++k) {
      ASSERT_LT(k, rows.size());
      // The table's rows to its six decimals (a carried equator, 0.000001 in
      // the table, is the true 0 here).
      EXPECT_NEAR(std::stod((*it)[1]), rows[k].first, 1.0001e-6);
      EXPECT_NEAR(std::stod((*it)[2]), rows[k].second, 5.0001e-7);
      EXPECT_EQ(std::stoul((*it)[3]), k);
    }
    EXPECT_EQ(k, rows.size());
  }
  const std::string gpx = Play("3\n4\n3\n1000\n2\ny\n").File("waypoints.gpx");
  EXPECT_NE(gpx.find("<name>North to South</name>\n    <desc>rhumb line; total distance "),
            std::string::npos);
}

TEST(GpxRoute, EscapedNamesAndLongitudesInRange) {
  const char list[] =
      "Tom & Jerry's <\"Inn\">\t30 170\nDateline\t40 180\nEast\t40 -170\nBad \xff\xfe name\t0 10\n";
  Session s = Play("1\n3\n3\n100\n1\ny\n", list);
  std::string gpx = s.File("waypoints.gpx");
  EXPECT_TRUE(WellFormed(s.dir / "waypoints.gpx"));
  EXPECT_NE(gpx.find("<name>Tom &amp; Jerry&apos;s &lt;&quot;Inn&quot;&gt; to East</name>"),
            std::string::npos);
  const std::regex lon("lon=\"(-?\\d+\\.\\d+)\"");
  for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), lon); it != std::sregex_iterator();
       ++it) {
    EXPECT_TRUE(std::fabs(std::stod((*it)[1]) + 0.5) <= 180.5) << (*it)[1];  // [-180, 180)
  }
  EXPECT_NE(Play("1\n2\n3\n1000\n1\ny\n", list).File("waypoints.gpx").find("lon=\"-180.00000000\""),
            std::string::npos);
  s = Play("4\n1\n3\n1000\n1\ny\n", list);  // bytes that are not UTF-8 become '?'
  EXPECT_TRUE(WellFormed(s.dir / "waypoints.gpx"));
  EXPECT_NE(s.File("waypoints.gpx").find("<name>Bad ?? name to Tom"), std::string::npos);
}

TEST(GpxRoute, StaleAndUnwritableRouteFiles) {
  // A table, then a route without one: count 0, unknown method, short leg,
  // a meridian in mode 1. No route file and no scratch file remain.
  for (const char* ending : {"3\n4\n2\n0\ny\n", "3\n4\n2\n3\n9\ny\n", "3\n4\n3\n0.5\ny\n",
                             "0\n10\n30\n0\n50\n30\n1\ny\n"}) {
    const Session s = Play(std::string("3\n4\n3\n700\n1\nn\n") + ending);
    EXPECT_FALSE(fs::exists(s.dir / "waypoints.gpx")) << ending;
    for (const auto& entry : fs::directory_iterator(s.dir)) {
      EXPECT_EQ(entry.path().string().find(".part"), std::string::npos);
    }
  }
  // waypoints.gpx unwritable (a folder): one line on standard error, the
  // table and waypoints.dat as always, the folder untouched.
  Session s = Play("y\n");
  fs::create_directories(s.dir / "waypoints.gpx" / "occupied");
  std::istringstream in("3\n4\n3\n700\n1\ny\n");
  std::ostringstream out, err;
  EXPECT_EQ(sailings::RunSailings(in, out, err, s.dir, false), 0);
  const std::string message = err.str();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
  EXPECT_EQ(message.rfind("Cannot write waypoints.gpx: ", 0), 0u) << message;
  EXPECT_NE(out.str().find(s.File("waypoints.dat") + "\nExit (y/n)? "), std::string::npos);
  EXPECT_TRUE(fs::is_directory(s.dir / "waypoints.gpx" / "occupied"));
}
