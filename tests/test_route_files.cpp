// Route files from elsewhere: GPX written by gpsbabel and GDAL, RTZ 1.0, 1.1
// and 1.2 written by hand from the schemas (and validated against them),
// CSV; every refusal; and the route check, its planted faults found and the
// separations of a leg's readings against an independent dense sampling.
#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include <GeographicLib/Rhumb.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "reference.h"
#include "sailings/check.hpp"
#include "sailings/route_files.hpp"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;
using sailings::LegType;
using sailings::RouteFileContent;

const std::string kRoutes = SAILINGS_TESTS_DIR "/data/routes/";

void Write(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

RouteFileContent Read(const fs::path& file) {
  RouteFileContent content;
  std::string error;
  EXPECT_TRUE(sailings::ReadRouteFile(file, file.filename().string(), "", content, error)) << error;
  return content;
}

int Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

// ---------------------------------------------------------------------------
// Files that other tools wrote.

TEST(RouteFiles, GpxWrittenByGpsbabelAndGdal) {
  const fs::path dir = scratch::Folder("gpx");
  Write(dir / "points.csv",
        "lat,lon,name\n51.9244,4.4777,Rotterdam\n51.0,1.5,Dover Strait\n49.9,-5.2,Lizard\n"
        "40.7128,-74.006,New York\n");
  Write(
      dir / "line.geojson",
      R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"Passage"},)"
      R"("geometry":{"type":"LineString","coordinates":[[4.4777,51.9244],[1.5,51.0],[-5.2,49.9],)"
      R"([-74.006,40.7128]]}}]})");
  const std::string in = (dir / "points.csv").string(), geo = (dir / "line.geojson").string();
  struct Case {
    const char* file;
    std::string command;
    bool names;
  };
  const Case cases[] = {
      {"babel-rte-1_1.gpx", "gpsbabel -r -i unicsv -f " + in + " -o gpx,gpxver=1.1 -F ", true},
      {"babel-rte-1_0.gpx", "gpsbabel -r -i unicsv -f " + in + " -o gpx -F ", true},
      {"babel-trk.gpx", "gpsbabel -t -i unicsv -f " + in + " -o gpx,gpxver=1.1 -F ", false},
      {"gdal-rte.gpx", "ogr2ogr -f GPX ", false},
      {"gdal-trk.gpx", "ogr2ogr -f GPX -lco FORCE_GPX_TRACK=YES ", false},
  };
  const double lat[] = {51.9244, 51.0, 49.9, 40.7128}, lon[] = {4.4777, 1.5, -5.2, -74.006};
  const char* names[] = {"Rotterdam", "Dover Strait", "Lizard", "New York"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path out = dir / c.file;
    const bool gdal = c.command.rfind("ogr2ogr", 0) == 0;
    ASSERT_EQ(Shell(c.command + out.string() + (gdal ? " " + geo : "")), 0) << "the tool failed";
    const RouteFileContent content = Read(out);
    EXPECT_EQ(content.format, sailings::RouteFormat::gpx);
    ASSERT_EQ(content.points.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_DOUBLE_EQ(content.points[i].lat, lat[i]);
      EXPECT_DOUBLE_EQ(content.points[i].lon, lon[i]);
      EXPECT_EQ(content.points[i].type, LegType::unknown);
      if (c.names) {
        EXPECT_EQ(content.points[i].name, names[i]);
      }
    }
    // The voyage from the file is the voyage from the same positions typed.
    const Outcome file = RunCommand({"voyage", "--route", out.string(), "--csv"}, dir);
    const Outcome typed = RunCommand({"voyage", "51.9244", "4.4777", "51.0", "1.5", "49.9", "-5.2",
                                      "40.7128", "-74.006", "--csv"},
                                     dir);
    ASSERT_EQ(file.status, 0) << file.err;
    ASSERT_EQ(typed.status, 0) << typed.err;
    const auto figures = [](const std::string& csv) {  // distance, courses, total of each leg
      std::string kept;
      std::istringstream lines(csv);
      for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string x; std::getline(fields, x, ',');) f.push_back(x);
        kept += f.at(4) + " " + f.at(5) + " " + f.at(6) + " " + f.back() + "\n";
      }
      return kept;
    };
    EXPECT_EQ(figures(file.out), figures(typed.out));
  }
}

// ---------------------------------------------------------------------------
// RTZ 1.0, 1.1 and 1.2, each valid against its published schema.

TEST(RouteFiles, RtzOfEveryVersion) {
  for (const char* version : {"1.0", "1.1", "1.2"}) {
    SCOPED_TRACE(version);
    const std::string stem = std::string("channel-1_") + version[2];
    const std::string file = kRoutes + stem + ".rtz";
    ASSERT_EQ(Shell("xmllint --noout --nonet --schema " SAILINGS_TESTS_DIR "/data/rtz-1_" +
                    std::string(1, version[2]) + ".xsd " + file),
              0);
    const RouteFileContent c = Read(file);
    EXPECT_EQ(c.format, sailings::RouteFormat::rtz);
    EXPECT_EQ(c.version, version);
    EXPECT_EQ(c.route_name, stem);
    ASSERT_EQ(c.points.size(), 4u);
    const auto& p = c.points;
    EXPECT_EQ(p[3].name, "New York & Sandy Hook");
    EXPECT_EQ(p[1].id, "20");
    EXPECT_FALSE(p[0].has_leg);
    EXPECT_DOUBLE_EQ(*p[0].radius_nm, 0.5);  // the default waypoint's
    // A leg without a geometryType: the default waypoint's Loxodrome.
    EXPECT_EQ(p[1].type, LegType::loxodrome);
    EXPECT_DOUBLE_EQ(*p[1].speed_max_kn, 12.5);
    EXPECT_DOUBLE_EQ(*p[1].radius_nm, 1.0);
    EXPECT_DOUBLE_EQ(*p[1].port_xtd_nm, 0.25);
    // A waypoint without a leg takes the default leg.
    EXPECT_EQ(p[2].type, LegType::loxodrome);
    EXPECT_FALSE(p[2].speed_kn);
    EXPECT_EQ(p[3].type, LegType::orthodrome);
    EXPECT_DOUBLE_EQ(*p[3].speed_max_kn, 16);
    EXPECT_DOUBLE_EQ(*p[3].port_xtd_nm, 1.5);
    EXPECT_DOUBLE_EQ(*p[3].starboard_xtd_nm, 2);
    EXPECT_EQ(c.lines[0], 10);
  }
}

TEST(RouteFiles, CsvWithSailingsAndSpeeds) {
  const fs::path dir = scratch::Folder("csv");
  Write(dir / "v.csv",
        "\xEF\xBB\xBFName, Speed_kn ,lat,lon,sailing,remark\r\n"
        "\"Cape Town, V&A\",,-33.9,18.4,,start\r\n"
        "\r\n"
        "Off Cape Agulhas,12,35:00S,20E,rhumb,\"say \"\"hello\"\"\"\r\n"
        "Melbourne,14.5,-38.1,144.9,geodesic,\r\n"
        "Hobart,0,-42.9,147.3,orthodrome,\r\n"
        "Macquarie,,-54.5,158.9,Loxodrome,\r\n"
        "South Pole,,-90,180,rhumb_line,\r\n");
  const RouteFileContent c = Read(dir / "v.csv");
  ASSERT_EQ(c.points.size(), 6u);
  EXPECT_EQ(c.points[4].sailing, sailings::Sailing::rhumb_line);
  EXPECT_EQ(c.points[5].sailing, sailings::Sailing::rhumb_line);
  EXPECT_DOUBLE_EQ(c.points[5].lat, -90);  // the pole, and the 180th meridian, are in range
  EXPECT_DOUBLE_EQ(c.points[5].lon, 180);
  EXPECT_EQ(c.points[0].name, "Cape Town, V&A");
  EXPECT_FALSE(c.points[0].has_leg);
  EXPECT_DOUBLE_EQ(c.points[1].lat, -35.0);
  EXPECT_EQ(c.points[1].sailing, sailings::Sailing::rhumb_line);
  EXPECT_DOUBLE_EQ(*c.points[1].speed_kn, 12);
  EXPECT_EQ(c.points[2].sailing, sailings::Sailing::geodesic);
  EXPECT_EQ(c.points[3].type, LegType::orthodrome);
  EXPECT_FALSE(c.points[3].sailing);
  EXPECT_FALSE(c.points[3].speed_kn);  // 0 is no speed
  EXPECT_EQ(c.lines[1], 4);

  // RTZ: a speedMax of 0 is no speed; elements nested as deep as allowed
  // (text inside the deepest) are read.
  std::string deep;
  for (int i = 2; i < sailings::kMaxXmlDepth; ++i) deep += "<x>";
  deep += "text";
  for (int i = 2; i < sailings::kMaxXmlDepth; ++i) deep += "</x>";
  RouteFileContent r;
  std::string error;
  ASSERT_TRUE(sailings::ParseRouteText(
      "<route xmlns=\"http://www.cirm.org/RTZ/1/1\" version=\"1.1\"><routeInfo "
      "routeName=\"s\"/><waypoints>"
      "<waypoint id=\"1\"><position lat=\"1\" lon=\"1\"/></waypoint>"
      "<waypoint id=\"2\"><position lat=\"2\" lon=\"1\"/><leg speedMax=\"0\"/></waypoint>"
      "<waypoint id=\"3\"><position lat=\"3\" lon=\"1\"/><leg speedMax=\"7.5\"/></waypoint>"
      "</waypoints><extensions>" +
          deep + "</extensions></route>",
      "s.rtz", "", r, error))
      << error;
  EXPECT_FALSE(r.points[1].speed_max_kn);
  EXPECT_DOUBLE_EQ(*r.points[2].speed_max_kn, 7.5);
  EXPECT_EQ(r.points[2].type, LegType::loxodrome);
}

// ---------------------------------------------------------------------------
// Encodings: a GPX and a KML encoded by Python's codecs in what their
// declaration or byte-order mark names are read as the same route; files
// of kinds that are no text (made by Python's zipfile and gzip) are named
// for what they are.
// OpenCPN's planned speeds: a route point's is the leg's arriving there, the
// route's the others'; 0.1 knots or less is none, as OpenCPN has it.
TEST(RouteFiles, OpenCpnPlannedSpeeds) {
  const fs::path dir = scratch::Folder("opencpn");
  const auto point = [](double lat, double lon, const char* speed) {
    return "<rtept lat=\"" + std::to_string(lat) + "\" lon=\"" + std::to_string(lon) +
           "\"><extensions><opencpn:rte_properties planned_speed=\"" + speed +
           "\"/></extensions></rtept>\n";
  };
  const std::string head =
      "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"OpenCPN\" "
      "xmlns=\"http://www.topografix.com/GPX/1/1\" "
      "xmlns:opencpn=\"http://www.opencpn.org\">\n<rte><name>Solent</name>\n";
  Write(dir / "planned.gpx",
        head + "<extensions><opencpn:planned_speed>6.00</opencpn:planned_speed></extensions>\n" +
            point(50.80, -1.10, "0.000000") + point(50.76, -1.30, "7.500000") +
            point(50.70, -1.55, "0.000000") + "</rte></gpx>\n");
  const RouteFileContent r = Read(dir / "planned.gpx");
  ASSERT_EQ(r.points.size(), 3u);
  EXPECT_DOUBLE_EQ(*r.points[1].speed_kn, 7.5);
  EXPECT_DOUBLE_EQ(*r.points[2].speed_kn, 6.0);
  // The file's speeds are the plan; --speed fills in none of them.
  const Outcome v = RunCommand({"voyage", "--route", "planned.gpx", "--speed", "9", "--csv"}, dir);
  ASSERT_EQ(v.status, 0) << v.err;
  EXPECT_NE(v.out.find(",7.500000,"), std::string::npos) << v.out;
  EXPECT_NE(v.out.find(",6.000000,"), std::string::npos) << v.out;
  EXPECT_EQ(v.out.find(",9.000000,"), std::string::npos) << v.out;
  Write(dir / "bad.gpx",
        head + point(50.80, -1.10, "0") + point(50.76, -1.30, "fast") + "</rte></gpx>\n");
  RouteFileContent bad;
  std::string error;
  EXPECT_FALSE(sailings::ReadRouteFile(dir / "bad.gpx", "bad.gpx", "", bad, error));
  EXPECT_EQ(error, "bad.gpx: line 5: waypoint 2: planned_speed 'fast' is not a number");
}

// CSV as other tools write it: gpsbabel's unicsv, GDAL's CSV with the
// geometry as X and Y, a spreadsheet's semicolons and decimal commas, and
// standard input.
TEST(RouteFiles, CsvOfOtherTools) {
  const fs::path dir = scratch::Folder("csv");
  Write(dir / "r.gpx",
        "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">"
        "<rte><name>R</name><rtept lat=\"50.1\" lon=\"-1.5\"><name>Start</name></rtept>"
        "<rtept lat=\"49.9\" lon=\"-5.2\"><name>Lizard</name></rtept>"
        "<rtept lat=\"48.5\" lon=\"-6.0\"><name>Ushant</name></rtept></rte></gpx>\n");
  const std::string at = "cd " + dir.string() + " && ";
  ASSERT_EQ(Shell(at + "gpsbabel -r -i gpx -f r.gpx -o unicsv -F unicsv.csv"), 0);
  ASSERT_EQ(Shell(at + "ogr2ogr -f CSV -lco GEOMETRY=AS_XY ogr.csv r.gpx route_points"), 0);
  Write(dir / "semicolons.csv",
        "Name;Lat;Lon;Remark\nStart;50,1;-1,5;x\nLizard;49,9;-5,2;\nUshant;48,5;-6;\n");
  Write(dir / "tabs.csv",
        "name\tlatitude\tlongitude\nStart\t50.1\t-1.5\nLizard\t49.9\t-5.2\nUshant\t48.5\t-6\n");
  struct Case {
    const char* file;
    const char* note;  // "" for none
  };
  const Case cases[] = {
      {"unicsv.csv", "line 1: column 'No' is not read (lat, lon, name, sailing and speed_kn are)"},
      {"ogr.csv",
       "line 1: columns 'route_fid', 'route_point_id', 'ele', 'time', 'magvar', 'geoidheight', "
       "'cmt', 'desc', 'src', 'link1_href', ... are not read"},
      {"semicolons.csv", "line 1: column 'Remark' is not read"},
      {"tabs.csv", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const RouteFileContent r = Read(dir / c.file);
    ASSERT_EQ(r.points.size(), 3u);
    const double lat[] = {50.1, 49.9, 48.5}, lon[] = {-1.5, -5.2, -6.0};
    const char* names[] = {"Start", "Lizard", "Ushant"};
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_DOUBLE_EQ(r.points[i].lat, lat[i]);
      EXPECT_DOUBLE_EQ(r.points[i].lon, lon[i]);
      EXPECT_EQ(r.points[i].name, names[i]);
    }
    if (*c.note) {
      ASSERT_EQ(r.notes.size(), 1u);
      EXPECT_EQ(r.notes[0].rfind(c.note, 0), 0u) << r.notes[0];
    } else {
      EXPECT_TRUE(r.notes.empty());
    }
  }
  // Two names of one column are refused, naming both.
  Write(dir / "twice.csv", "lat,lon,Latitude\n1,2,3\n2,2,3\n");
  RouteFileContent twice;
  std::string error;
  EXPECT_FALSE(sailings::ReadRouteFile(dir / "twice.csv", "twice.csv", "", twice, error));
  EXPECT_EQ(error, "twice.csv: line 1: the header names 'lat' twice ('lat', 'Latitude')");
  // A name asked of a file of one route is its own, or refused.
  const Outcome named = RunCommand({"voyage", "--route", "tabs.csv", "--name", "Solent"}, dir);
  EXPECT_EQ(named.status, 1);
  EXPECT_EQ(named.err,
            "ERROR: tabs.csv: a CSV file holds one route, without a name: --name 'Solent' chooses "
            "nothing in it\n");
  const std::string rtz = SAILINGS_TESTS_DIR "/data/routes/channel-1_0.rtz";
  EXPECT_EQ(RunCommand({"voyage", "--route", rtz, "--name", "channel-1_0"}, dir).status, 0);
  const Outcome other = RunCommand({"check", rtz, "--name", "Solent"}, dir);
  EXPECT_EQ(other.status, 1);
  EXPECT_NE(
      other.err.find(
          ": the RTZ route is named 'channel-1_0', not 'Solent' (an RTZ file holds one route)"),
      std::string::npos)
      << other.err;
  // "-": standard input, named so in every message.
  const Outcome piped =
      RunCommand({"voyage", "--route", "-", "--csv"}, dir, ReadFile(dir / "unicsv.csv"));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_NE(piped.out.find("\n2,Lizard,Ushant,"), std::string::npos) << piped.out;
  EXPECT_EQ(piped.err.rfind("note: standard input: line 1: column 'No'", 0), 0u) << piped.err;
  const Outcome bad = RunCommand({"check", "-"}, dir, "lat,lon\n1,2\n91,2\n");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err,
            "ERROR: standard input: line 3: waypoint 2: lat '91': a latitude beyond 90 degrees\n");
}

TEST(RouteFiles, DeclaredEncodingsAndKindsOfFile) {
  const fs::path dir = scratch::Folder("encodings");
  Write(dir / "make.py", R"PY(
import gzip, zipfile
gpx = ('<?xml version="1.0" encoding="{}"?>\n<gpx xmlns="http://www.topografix.com/GPX/1/1" version="1.1">'
       '<rte><rtept lat="36.5" lon="-6.3"><name>C\u00e1diz</name></rtept>'
       '<rtept lat="36" lon="-5.6"><name>Tarifa \u2013 Punta</name></rtept></rte></gpx>\n')
kml = ('<?xml version="1.0" encoding="{}"?>\n<kml xmlns="http://www.opengis.net/kml/2.2"><Document>'
       '<Placemark><name>C\u00e1diz</name><Point><coordinates>-6.3,36.5</coordinates></Point></Placemark>'
       '<Placemark><name>Tarifa \u2013 Punta</name><Point><coordinates>-5.6,36</coordinates></Point></Placemark>'
       '</Document></kml>\n')
def write(name, data):
    open(name, 'wb').write(data)
write('utf8.gpx', gpx.format('UTF-8').encode('utf-8'))
write('latin1.gpx', gpx.replace('\u2013', '-').format('ISO-8859-1').encode('latin-1'))
write('cp1252.gpx', gpx.format('windows-1252').encode('cp1252'))
write('utf16.gpx', gpx.format('UTF-16').encode('utf-16'))
write('utf16le.gpx', gpx.format('UTF-16').encode('utf-16-le'))
write('utf16be.gpx', gpx.format('UTF-16').encode('utf-16-be'))
write('utf16bom-be.gpx', b'\xfe\xff' + gpx.format('UTF-16').encode('utf-16-be'))
write('utf32.gpx', gpx.format('UTF-32').encode('utf-32'))
write('latin1.kml', kml.replace('\u2013', '-').format('ISO-8859-1').encode('latin-1'))
write('utf16.kml', kml.format('UTF-16').encode('utf-16'))
with zipfile.ZipFile('route.kmz', 'w') as z:
    z.writestr('doc.kml', kml.format('UTF-8'))
write('route.gpx.gz', gzip.compress(gpx.format('UTF-8').encode('utf-8')))
write('picture.png', b'\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR')
write('klingon.gpx', gpx.format('x-klingon').encode('utf-8'))
)PY");
  ASSERT_EQ(Shell("cd '" + dir.string() + "' && python3 make.py"), 0);
  for (const char* file :
       {"utf8.gpx", "latin1.gpx", "cp1252.gpx", "utf16.gpx", "utf16le.gpx", "utf16be.gpx",
        "utf16bom-be.gpx", "utf32.gpx", "latin1.kml", "utf16.kml"}) {
    SCOPED_TRACE(file);
    const RouteFileContent c = Read(dir / file);
    ASSERT_EQ(c.points.size(), 2u);
    EXPECT_EQ(c.points[0].name,
              "C\xC3\xA1"
              "diz");
    const bool dash = std::string(file).find("latin1") == std::string::npos;
    EXPECT_EQ(c.points[1].name, dash ? "Tarifa \xE2\x80\x93 Punta" : "Tarifa - Punta");
    EXPECT_EQ(c.points[1].lon, -5.6);
  }
  struct Refused {
    const char* file;
    const char* says;
  };
  for (const Refused& r :
       {Refused{"route.kmz", "route.kmz: a ZIP archive (a KMZ file is one)"},
        Refused{"route.gpx.gz", "route.gpx.gz: compressed with gzip"},
        Refused{"picture.png", "picture.png: a binary file"},
        Refused{"klingon.gpx", "the encoding 'x-klingon' is not one this program reads"},
        Refused{"missing.gpx", "missing.gpx: cannot be read: there is no such file"}}) {
    SCOPED_TRACE(r.file);
    const Outcome run = RunCommand({"voyage", "--route", r.file}, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

// Refusals: one line naming the file, the line and the waypoint.

TEST(RouteFiles, RefusalsNameTheFileLineAndWaypoint) {
  const fs::path dir = scratch::Folder("bad");
  const std::string rtz =
      "<?xml version=\"1.0\"?>\n<route xmlns=\"http://www.cirm.org/RTZ/1/0\" version=\"1.0\">\n"
      "<routeInfo routeName=\"r\"/>\n<waypoints>\n";
  const std::string a = "<waypoint id=\"1\"><position lat=\"50\" lon=\"-5\"/></waypoint>\n";
  const auto rtzWith = [&](const std::string& second) {
    return rtz + a + second + "</waypoints>\n</route>\n";
  };
  const std::string gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"><rte>";
  struct Case {
    const char* file;
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"lat.rtz",
       rtzWith("<waypoint id=\"2\" name=\"Far\"><position lat=\"91\" lon=\"1\"/></waypoint>"),
       "r.rtz: line 6: waypoint 2 (Far): latitude is beyond 90 degrees"},
      {"nan.gpx", gpx + "<rtept lat=\"1\" lon=\"2\"/>\n<rtept lat=\"nan\" lon=\"2\"/></rte></gpx>",
       "line 2: waypoint 2: latitude 'nan' is not a number"},
      {"lon.gpx", gpx + "<rtept lat=\"1\" lon=\"2\"/><rtept lat=\"1\" lon=\"180.5\"/></rte></gpx>",
       "waypoint 2: longitude is beyond 180 degrees"},
      {"south.gpx",
       gpx + "<rtept lat=\"-91\" lon=\"2\"/><rtept lat=\"1\" lon=\"-181\"/></rte></gpx>",
       "waypoint 1: latitude is beyond 90 degrees"},
      {"west.gpx", gpx + "<rtept lat=\"1\" lon=\"2\"/><rtept lat=\"1\" lon=\"-181\"/></rte></gpx>",
       "waypoint 2: longitude is beyond 180 degrees"},
      {"empty.gpx", gpx + "</rte></gpx>", "the route has 0 waypoints; it needs at least two"},
      {"single.rtz", rtzWith(""), "the route has 1 waypoint; it needs at least two"},
      {"type.rtz",
       rtzWith("<waypoint id=\"2\"><position lat=\"51\" lon=\"1\"/><leg "
               "geometryType=\"orthodrome\"/></waypoint>"),
       "waypoint 2: unknown geometryType 'orthodrome' (Loxodrome or Orthodrome)"},
      {"speed.rtz",
       rtzWith(
           "<waypoint id=\"2\"><position lat=\"51\" lon=\"1\"/><leg speedMax=\"-4\"/></waypoint>"),
       "waypoint 2: speedMax -4 is negative"},
      {"unknown.rtz",
       rtzWith("<waypoint id=\"2\"><position lat=\"51\" "
               "lon=\"1\"/></waypoint></waypoints>\n<schedules><schedule id=\"0\">"
               "<manual>\n<scheduleElement waypointId=\"7\" "
               "speed=\"9\"/></manual></schedule></schedules><waypoints>"),
       "line 8: the manual schedule names waypoint id '7', which the route does not have"},
      {"planned.rtz",
       rtzWith("<waypoint id=\"2\"><position lat=\"51\" "
               "lon=\"1\"/></waypoint></waypoints>\n<schedules><schedule id=\"0\">"
               "<calculated>\n<sheduleElement waypointId=\"2\" "
               "speed=\"fast\"/></calculated></schedule></schedules><waypoints>"),
       "line 8: waypoint 2: schedule speed 'fast' is not a number"},
      {"radius.rtz",
       rtzWith("<waypoint id=\"2\" radius=\"x\"><position lat=\"51\" lon=\"1\"/></waypoint>"),
       "waypoint 2: radius 'x' is not a number"},
      {"broken.rtz", rtz + a + "<waypoint id=\"2\">\n<position lat=\"51\" lon=\"1\">\n</waypoint>",
       "broken.rtz: line 8: "},
      {"xxe.gpx",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n" +
           gpx + "<rtept lat=\"1\" lon=\"2\"><name>&x;</name></rtept></rte></gpx>",
       "xxe.gpx: line 2: a document type declaration is not accepted"},
      {"deep.gpx",
       gpx + "<rtept lat=\"1\" lon=\"2\"/>" +
           [] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += "<x>";
             for (int i = 0; i < 100; ++i) s += "</x>";
             return s;
           }() +
           "</rte></gpx>",
       "elements nested deeper than 64"},
      {"svg.gpx", "<svg/>", "not a GPX, RTZ or KML file (its root element is 'svg')"},
      {"ns.rtz", "<route xmlns=\"http://www.cirm.org/RTZ/2/0\"/>", "not an RTZ route: namespace"},
      {"nolat.csv", "name,north,lon\nA,1,2\n", "the header must name the columns lat and lon"},
      {"badlat.csv", "lat,lon\n1,2\n\n95N,3\n",
       "line 4: waypoint 2: lat '95N': a latitude beyond 90"},
      {"quote.csv", "name,lat,lon\n\"A,1,2\n", "line 2: a quoted field is not closed"},
      {"sailing.csv", "lat,lon,sailing\n1,2,\n2,3,spiral\n",
       "waypoint 2: unknown sailing 'spiral'"},
      {"negative.csv", "lat,lon,speed_kn\n1,2,\n2,3,-1\n", "waypoint 2: speed_kn -1 is negative"},
      {"blank.csv", "\n\n", "the file is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Write(dir / c.file, c.text);
    RouteFileContent content;
    std::string error;
    const std::string shown = std::string(c.file) == "lat.rtz" ? "r.rtz" : c.file;
    EXPECT_FALSE(sailings::ReadRouteFile(dir / c.file, shown, "", content, error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_TRUE(content.points.empty());
    // The command line: one line, status 1, nothing written.
    const Outcome run = RunCommand({"voyage", "--route", c.file, "--gpx", "out.gpx"}, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(dir / "out.gpx"));
  }
  // A GPX route chosen by a name it does not have.
  Write(dir / "two.gpx",
        gpx +
            "<name>A</name><rtept lat=\"1\" lon=\"2\"/><rtept lat=\"2\" lon=\"2\"/></rte>"
            "<rte><name>B</name><rtept lat=\"5\" lon=\"2\"/><rtept lat=\"6\" "
            "lon=\"2\"/></rte></gpx>");
  RouteFileContent content;
  std::string error;
  EXPECT_FALSE(sailings::ReadRouteFile(dir / "two.gpx", "two.gpx", "C", content, error));
  EXPECT_NE(error.find("no route or track named 'C'"), std::string::npos) << error;
  ASSERT_TRUE(sailings::ReadRouteFile(dir / "two.gpx", "two.gpx", "B", content, error));
  EXPECT_DOUBLE_EQ(content.points[0].lat, 5);
  // Over 50 MB: refused before it is parsed.
  {
    std::ofstream big(dir / "big.csv", std::ios::binary);
    big << "lat,lon\n";
    const std::string line(1 << 20, '\n');
    for (int i = 0; i < 51; ++i) big << line;
  }
  EXPECT_FALSE(sailings::ReadRouteFile(dir / "big.csv", "big.csv", "", content, error));
  EXPECT_EQ(error, "big.csv: larger than 50 MB, not read");
  EXPECT_FALSE(sailings::ReadRouteFile(dir / "none.gpx", "none.gpx", "", content, error));
  EXPECT_EQ(error, "none.gpx: cannot be read: there is no such file");
  EXPECT_FALSE(sailings::ReadRouteFile(dir, "folder", "", content, error));
  EXPECT_EQ(error, "folder: is a folder, not a route file");
}

// ---------------------------------------------------------------------------
// An ECDIS route's schedule is the plan; a voyage written back keeps the route.

// What a shell command prints.
std::string Capture(const std::string& command) {
  std::string text;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  pclose(pipe);
  text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
  return text;
}

// The fields of the voyage's CSV records (without the header).
std::vector<std::vector<std::string>> CsvRecords(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
    records.push_back(fields);
  }
  return records;
}

TEST(RouteFiles, RtzScheduleIsThePlanAndTheRouteGoesBackAsItCame) {
  const std::string sample = kRoutes + "schedule-1_2.rtz";
  ASSERT_EQ(
      Shell("xmllint --noout --nonet --schema " SAILINGS_TESTS_DIR "/data/rtz-1_2.xsd " + sample),
      0);
  const RouteFileContent c = Read(sample);
  ASSERT_EQ(c.points.size(), 4u);
  // The manual values are the plan (waypoint 102's 12 kn, not the calculated
  // 15); speedMax is the limit; the first etd the departure.
  const double planned[] = {0, 12, 20, 20}, limits[] = {0, 14, 18, 18};
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(*c.points[i].speed_kn, planned[i]) << i;
    EXPECT_DOUBLE_EQ(*c.points[i].speed_max_kn, limits[i]) << i;
  }
  const std::int64_t depart = 1581984000;  // 2020-02-18T00:00Z: 18262 + 48 days after 1970
  EXPECT_EQ(c.depart, depart);

  // The legs' lengths from GeographicLib: rhumb lines, then the geodesic.
  const GeographicLib::Rhumb& rhumb = GeographicLib::Rhumb::WGS84();
  const GeographicLib::Geodesic& geodesic = GeographicLib::Geodesic::WGS84();
  double nm[3];
  for (int i = 0; i < 3; ++i) {
    const auto& a = c.points[static_cast<std::size_t>(i)];
    const auto& b = c.points[static_cast<std::size_t>(i) + 1];
    double s12 = 0, azi = 0;
    if (i < 2) {
      rhumb.Inverse(a.lat, a.lon, b.lat, b.lon, s12, azi);
    } else {
      geodesic.Inverse(a.lat, a.lon, b.lat, b.lon, s12);
    }
    nm[i] = s12 / 1852.0;
  }
  // The arrival, to the minute, at `speeds`.
  const auto arrival = [&](const std::vector<double>& speeds, std::int64_t from) {
    double hours = 0;
    for (int i = 0; i < 3; ++i) hours += nm[i] / speeds[static_cast<std::size_t>(i)];
    const std::time_t t = static_cast<std::time_t>(
        std::llround((static_cast<double>(from) + hours * 3600) / 60) * 60);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%MZ", std::gmtime(&t));
    return std::string(text);
  };

  const fs::path dir = scratch::Folder("schedule");
  std::string bare = ReadFile(sample);
  bare.erase(bare.find("  <schedules>"), bare.find("</route>") - bare.find("  <schedules>"));
  Write(dir / "bare.rtz", bare);
  struct Case {
    std::string file;
    std::vector<std::string> options;
    std::vector<double> speeds;
    std::int64_t depart;  // 0: no times
    std::string told;     // on the error stream, or ""
    std::string untold;   // not on it
  };
  const std::vector<Case> cases = {
      {sample,
       {},
       {12, 20, 20},
       depart,
       "legs 2-3 are planned faster than their speedMax",
       "no planned speed"},
      {sample,
       {"--speed", "9"},
       {12, 20, 20},
       depart,
       "departs 2020-02-18T00:00Z, as its schedule says",
       "no planned"},
      {sample, {"--speed-all", "12"}, {12, 12, 12}, depart, "", "speedMax"},
      {sample, {"--speed-all", "19"}, {19, 19, 19}, depart, "legs 1-3 are planned faster", ""},
      {sample,
       {"--depart", "2021-01-01T06:00Z"},
       {12, 20, 20},
       1609480800,
       "",
       "as its schedule says"},
      {(dir / "bare.rtz").string(),
       {},
       {14, 18, 18},
       0,
       "legs 1-3 have no planned speed and are sailed at their speedMax",
       ""},
      {(dir / "bare.rtz").string(), {"--speed", "10"}, {10, 10, 10}, 0, "", "speedMax"},
  };
  for (const Case& k : cases) {
    std::vector<std::string> args = {"voyage",       "--route",  k.file,
                                     "--orthodrome", "geodesic", "--csv"};
    args.insert(args.end(), k.options.begin(), k.options.end());
    SCOPED_TRACE(testing::PrintToString(args));
    const Outcome r = RunCommand(args, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto records = CsvRecords(r.out);
    ASSERT_EQ(records.size(), 3u);
    const std::size_t at = k.depart ? 11 : 10;  // from_lat, from_lon, to_lat, to_lon after total_nm
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(std::stod(records[i][7]), k.speeds[i], 1e-9);
      EXPECT_NEAR(std::stod(records[i][4]), nm[i], 1e-6);
      ASSERT_EQ(records[i].size(), at + 4);
      EXPECT_NEAR(std::stod(records[i][at]), c.points[i].lat, 5e-7);
      EXPECT_NEAR(std::stod(records[i][at + 1]), c.points[i].lon, 5e-7);
      EXPECT_NEAR(std::stod(records[i][at + 2]), c.points[i + 1].lat, 5e-7);
      EXPECT_NEAR(std::stod(records[i][at + 3]), c.points[i + 1].lon, 5e-7);
    }
    if (k.depart) {
      EXPECT_EQ(records[2][9], arrival(k.speeds, k.depart));
    } else {
      EXPECT_EQ(r.out.find(",eta,"), std::string::npos);
    }
    if (!k.told.empty()) {
      EXPECT_NE(r.err.find(k.told), std::string::npos) << r.err;
    }
    if (!k.untold.empty()) {
      EXPECT_EQ(r.err.find(k.untold), std::string::npos) << r.err;
    }
  }

  // Written back, split for a cross-track limit: valid RTZ 1.0 whose own
  // waypoints keep their ids and attributes, every part of a leg its leg's
  // attributes, the route its information and manual schedule.
  const Outcome w =
      RunCommand({"voyage", "--route", sample, "--xtd", "1", "--rtz", "back.rtz"}, dir);
  ASSERT_EQ(w.status, 0) << w.err;
  const std::string back = (dir / "back.rtz").string();
  ASSERT_EQ(
      Shell("xmllint --noout --nonet --schema " SAILINGS_TESTS_DIR "/data/rtz-1_0.xsd " + back), 0);
  const auto xpath = [&](const std::string& path) {
    return Capture("xmllint --xpath \"" + path + "\" " + back);
  };
  EXPECT_EQ(xpath("//*[local-name()='routeInfo']/@vesselMMSI"), " vesselMMSI=\"257000000\"");
  EXPECT_EQ(xpath("//*[local-name()='defaultWaypoint']/@radius"), " radius=\"0.8\"");
  const std::string ids = xpath("//*[local-name()='waypoint']/@id");
  EXPECT_EQ(ids, " id=\"101\" id=\"102\" id=\"105\" id=\"108\" id=\"107\"");
  EXPECT_EQ(xpath("//*[local-name()='waypoint'][@id='102']/@radius"), " radius=\"0.5\"");
  EXPECT_EQ(xpath("//*[local-name()='waypoint'][@id='102']/*[local-name()='leg']/@legInfo"),
            " legInfo=\"Korsfjorden approach\"");
  for (const char* id : {"108", "107"}) {  // both parts of the split leg
    EXPECT_EQ(xpath(std::string("//*[local-name()='waypoint'][@id='") + id +
                    "']/*[local-name()='leg']/@*[name()='speedMax' or name()='portsideXTD' or "
                    "name()='speedMin']"),
              " speedMin=\"8\" speedMax=\"18\" portsideXTD=\"1\"")
        << id;
  }
  EXPECT_EQ(xpath("//*[local-name()='manual']/*/@speed"),
            " speed=\"20\" speed=\"12\" speed=\"20\" speed=\"20\"");
  EXPECT_EQ(xpath("//*[local-name()='manual']/*[@waypointId='102']/@Note"),
            " Note=\"pilot leaves\"");
  EXPECT_NE(w.err.find("not kept from " + sample + ": extensions; schedule 2 'Slow'"),
            std::string::npos)
      << w.err;
  // ... and read back, the same voyage.
  const Outcome first = RunCommand({"voyage", "--route", sample, "--csv"}, dir);
  const Outcome again = RunCommand({"voyage", "--route", "back.rtz", "--csv"}, dir);
  ASSERT_EQ(again.status, 0) << again.err;
  const auto a = CsvRecords(first.out), b = CsvRecords(again.out);
  ASSERT_EQ(b.size(), 4u);
  EXPECT_EQ(b[3][9], a[2][9]);    // the arrival
  EXPECT_EQ(b[3][10], a[2][10]);  // the distance
}

// ---------------------------------------------------------------------------
// The route check.

std::string RtzFile(const std::string& name, const std::vector<std::string>& waypoints) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<route xmlns=\"http://www.cirm.org/RTZ/1/0\" "
      "version=\"1.0\">\n  <routeInfo routeName=\"" +
      name + "\"/>\n  <waypoints>\n";
  for (const std::string& w : waypoints) text += "    " + w + "\n";
  return text + "  </waypoints>\n</route>\n";
}

std::string Wp(int id, double lat, double lon, const std::string& leg = "",
               const std::string& attributes = "") {
  char position[100];
  std::snprintf(position, sizeof position, "<position lat=\"%.9f\" lon=\"%.9f\"/>", lat, lon);
  return "<waypoint id=\"" + std::to_string(id) + "\"" + attributes + ">" + position +
         (leg.empty() ? "" : "<leg " + leg + "/>") + "</waypoint>";
}

TEST(RouteCheck, NoFaultInTheRtzFilesOfOrdinaryRoutes) {
  const fs::path dir = scratch::Folder("check");
  Write(dir / "input.txt", ReadFile(SAILINGS_TESTS_DIR "/../data/input.txt"));
  const std::vector<std::vector<std::string>> routes = {
      {"Rotterdam", "New York"}, {"Cape Town", "Melbourne"}, {"Lisbon", "Rio de Janeiro"},
      {"Singapore", "Mumbai"},   {"Balboa", "Honolulu"},     {"Yokohama", "San Francisco"}};
  for (const auto& r : routes) {
    for (const char* sailing : {"", "--rhumb"}) {
      SCOPED_TRACE(r[0] + " to " + r[1] + " " + sailing);
      std::vector<std::string> args = {"table", r[0], r[1], "--leg", "200", "--rtz", "plan.rtz"};
      if (*sailing) args.push_back(sailing);
      const Outcome table = RunCommand(args, dir);
      if (table.status != 0) continue;  // (no such place in this list)
      const Outcome check = RunCommand({"check", "plan.rtz"}, dir);
      EXPECT_EQ(check.status, 0) << check.out;
      EXPECT_NE(check.out.find(" 0 faults,"), std::string::npos) << check.out;
    }
  }
}

TEST(RouteCheck, FindsEachPlantedFault) {
  const fs::path dir = scratch::Folder("faults");
  using K = sailings::Finding::Kind;
  struct Case {
    const char* file;
    std::vector<std::string> waypoints;
    K kind;
    long leg, waypoint;
    bool fault = true;
    std::string name = "";  // routeName, when not the file's
  };
  const std::string o = "geometryType=\"Orthodrome\"", l = "geometryType=\"Loxodrome\"";
  const Case cases[] = {
      {"clean", {Wp(0, 50, -5), Wp(1, 50.5, -6, o), Wp(2, 51, -7, l)}, K::separation, 0, 0},
      {"dupid", {Wp(0, 50, -5), Wp(1, 50.5, -6, o), Wp(1, 51, -7, l)}, K::duplicate_id, 0, 3},
      // The format permits a first leg, and it has no effect: a note.
      {"firstleg", {Wp(0, 50, -5, l), Wp(1, 50.5, -6, o)}, K::first_leg, 0, 1, false},
      {"repeat", {Wp(0, 50, -5), Wp(1, 50, -5, o), Wp(2, 51, -7, l)}, K::repeated, 1, 2},
      {"zero", {Wp(0, 50, -5), Wp(1, 50, -5.000001, o), Wp(2, 51, -7, l)}, K::zero_leg, 1, 2},
      {"radius",
       {Wp(0, 50, -5), Wp(1, 50, -5.01, o, " radius=\"2\""), Wp(2, 51, -7, l)},
       K::short_leg,
       1,
       2},
      {"ortho", {Wp(0, 50, -5), Wp(1, 40, -70, o)}, K::separation, 1, 2},
      {"loxo", {Wp(0, 50, -5), Wp(1, 10, -60, l)}, K::separation, 1, 2},
      {"xtdok",
       {Wp(0, 50, -5), Wp(1, 49, -8, o + " portsideXTD=\"5\" starboardXTD=\"5\"")},
       K::separation,
       0,
       0},
      {"dateline", {Wp(0, 50, 179), Wp(1, 50.5, -179.5, l)}, K::crosses_180, 1, 2, false},
      {"dateline2", {Wp(0, 50, 170), Wp(1, 50.5, -179.5, l)}, K::crosses_180, 1, 2, false},
      // From the meridian itself, either way: no crossing (a clean file).
      {"from180w", {Wp(0, 40, -180), Wp(1, 40, 170, l)}, K::separation, 0, 0},
      {"from180e", {Wp(0, 40, 180), Wp(1, 40, -170, l)}, K::separation, 0, 0},
      {"arctic", {Wp(0, 71, 10), Wp(1, 71, 12, o)}, K::high_latitude, 1, 2, false},
      {"southern", {Wp(0, -69, 10), Wp(1, -71, 12, l)}, K::high_latitude, 1, 2, false},
      {"southern2", {Wp(0, -71, 10), Wp(1, -69, 12, l)}, K::high_latitude, 1, 2, false},
      // Ends at 65S, the vertex at 71.7S on the leg.
      {"antarctic", {Wp(0, -65, 0), Wp(1, -65, 90, o)}, K::high_latitude, 1, 2, false},
      {"named", {Wp(0, 50, -5), Wp(1, 50.5, -6, o)}, K::route_name, 0, 0, true, "other"},
      {"antipodes", {Wp(0, 30, -5), Wp(1, -30, 175, o)}, K::separation, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = std::string(c.file) + ".rtz";
    Write(dir / file, RtzFile(c.name.empty() ? c.file : c.name, c.waypoints));
    const Outcome run = RunCommand({"check", file, "--radius", "0", "--csv"}, dir);
    ASSERT_NE(run.status, 2) << run.err;
    const RouteFileContent content = Read(dir / file);
    sailings::CheckOptions options;
    options.file_stem = c.file;
    const std::vector<sailings::Finding> found = sailings::CheckRoute(content, options);
    bool faults = false;
    for (const auto& f : found) faults = faults || f.fault;
    EXPECT_EQ(run.status, faults ? 1 : 0);
    if (c.leg == 0 && c.waypoint == 0 && c.kind == K::separation) {  // the clean files
      EXPECT_TRUE(found.empty()) << found.front().message;
      continue;
    }
    ASSERT_FALSE(found.empty());
    auto f = found.front();
    for (const auto& g : found) {
      if (g.kind == c.kind) f = g;
    }
    EXPECT_EQ(f.kind, c.kind) << f.message;
    EXPECT_EQ(f.fault, c.fault);
    EXPECT_EQ(f.leg, c.leg);
    EXPECT_EQ(f.waypoint, c.waypoint);
    EXPECT_NE(run.out.find(sailings::KindName(c.kind)), std::string::npos) << run.out;
  }
  // The duplicate names the waypoint whose id it repeats.
  const Outcome dupid = RunCommand({"check", "dupid.rtz"}, dir);
  // Consecutive legs at high latitude are one note, with the highest.
  const std::string l2 = "geometryType=\"Loxodrome\"";
  Write(dir / "polar.rtz",
        RtzFile("polar", {Wp(0, 71, 0), Wp(1, 72, 10, l2), Wp(2, 73, 20, l2), Wp(3, 60, 20, l2),
                          Wp(4, 59, 25, l2), Wp(5, 71, 25, l2)}));
  const Outcome polar = RunCommand({"check", "polar.rtz"}, dir);
  EXPECT_NE(polar.out.find("note   legs 1-3     the legs reach 73.0 degrees of latitude"),
            std::string::npos)
      << polar.out;
  EXPECT_NE(polar.out.find("note   leg 5        the leg reaches 71.0 degrees"), std::string::npos)
      << polar.out;
  EXPECT_NE(polar.out.find("polar.rtz: 5 legs, 0 faults, 2 notes"), std::string::npos) << polar.out;
  EXPECT_NE(dupid.out.find("fault  waypoint 3   id 1 is also the id of waypoint 2\n"),
            std::string::npos)
      << dupid.out;
  // A GPX route tells no leg type: a long leg is read as the great ellipse
  // by one plotter and as the rhumb line by another.
  Write(dir / "plotter.gpx",
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"><rte>"
        "<rtept lat=\"50\" lon=\"-5\"/><rtept lat=\"40\" lon=\"-70\"/></rte></gpx>");
  const Outcome plotter = RunCommand({"check", "plotter.gpx"}, dir);
  EXPECT_EQ(plotter.status, 1);
  EXPECT_NE(plotter.out.find(
                "fault  leg 1        a leg of unknown type read as the rhumb line and as the "
                "great ellipse: "),
            std::string::npos)
      << plotter.out;
  // A file over 400 kB.
  std::vector<std::string> many;
  for (int i = 0; i < 5000; ++i)
    many.push_back(Wp(i, 50 + i * 1e-3, -5, i ? "geometryType=\"Loxodrome\"" : ""));
  Write(dir / "large.rtz", RtzFile("large", many));
  ASSERT_GT(fs::file_size(dir / "large.rtz"), 400000u);
  const Outcome large = RunCommand({"check", "large.rtz"}, dir);
  EXPECT_EQ(large.status, 1);
  EXPECT_NE(large.out.find("fault  file         the file is"), std::string::npos) << large.out;
  // Land, with --land only.
  Write(dir / "land.rtz",
        RtzFile("land", {Wp(0, 52, -10), Wp(1, 52, 20, "geometryType=\"Loxodrome\"")}));
  EXPECT_EQ(RunCommand({"check", "land.rtz"}, dir).status, 0);
  const Outcome land = RunCommand({"check", "land.rtz", "--land"}, dir);
  EXPECT_EQ(land.status, 1);
  EXPECT_NE(land.out.find("the leg crosses land near"), std::string::npos) << land.out;
  // Each leg is looked at along the track its type gives: the great ellipse
  // from Nantucket to the Channel crosses Nova Scotia, its rhumb line does
  // not; the rhumb line along 55.25N crosses Donegal, its great ellipse
  // keeps north of Malin Head (55.38N, 7.37W).
  Write(dir / "tracks.rtz", RtzFile("tracks", {Wp(0, 40, -70), Wp(1, 60, -5, l),
                                               Wp(2, 55.25, -40, o), Wp(3, 55.25, -5.5, o)}));
  const Outcome tracks = RunCommand({"check", "tracks.rtz", "--land", "--xtd", "100"}, dir);
  EXPECT_EQ(tracks.out.find("crosses land"), std::string::npos) << tracks.out;
  // A leg of unknown type is sailed either way, so both tracks are looked
  // at: from the open Atlantic to the North Channel the great ellipse keeps
  // north of Ireland, the rhumb line runs over Donegal.
  Write(dir / "ireland.gpx",
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"><rte>"
        "<rtept lat=\"55.25\" lon=\"-40\"/>"
        "<rtept lat=\"55.25\" lon=\"-5.5\"/></rte></gpx>");
  const Outcome ireland = RunCommand({"check", "ireland.gpx", "--land", "--xtd", "100"}, dir);
  EXPECT_EQ(ireland.status, 1);
  EXPECT_NE(ireland.out.find("crosses land near"), std::string::npos) << ireland.out;
  EXPECT_NE(ireland.out.find("(read as the rhumb line)"), std::string::npos) << ireland.out;
  EXPECT_EQ(ireland.out.find("(read as the great ellipse)"), std::string::npos) << ireland.out;
  const Outcome sailed =
      RunCommand({"voyage", "--route", "ireland.gpx", "--sailing", "rhumb", "--land"}, dir);
  // In the words `route --land` uses.
  EXPECT_EQ(sailed.err.rfind("warning: leg 1 (rhumb) crosses land near ", 0), 0u) << sailed.err;
  EXPECT_NE(sailed.err.find(" (1:10m coastline)\n"), std::string::npos) << sailed.err;
  // Usage and unreadable files.
  EXPECT_EQ(RunCommand({"check"}, dir).status, 2);
  EXPECT_EQ(RunCommand({"check", "missing.rtz"}, dir).status, 1);
  const Outcome zero = RunCommand({"check", "land.rtz", "--xtd", "0"}, dir);
  EXPECT_EQ(zero.status, 1);
  EXPECT_NE(zero.err.find("ERROR: the cross-track limit must be from 0.001 to 100 NM"),
            std::string::npos);
  EXPECT_EQ(RunCommand({"check", "land.rtz", "--xtd", "0.001"}, dir).err, "");
  EXPECT_NE(RunCommand({"check", "land.rtz", "--xtd", "100.5"}, dir).err.find("from 0.001 to 100"),
            std::string::npos);
}

// The separation of a leg's readings, against a dense sampling: each
// reading's points from its own reference (the plane section, GeographicLib's
// geodesic and rhumb line, the sphere in closed form), the distance of every
// point of one from the other found by golden sections of GeographicLib's
// inverse problem.
using Curve = std::function<void(double u, double& lat, double& lon)>;

double Gap(const Curve& a, const Curve& b, double u) {
  static const GeographicLib::Geodesic ours(ref::kA, 1.0 - std::sqrt(1.0 - ref::kESq));
  double la, lo;
  a(u, la, lo);
  double lo2 = std::max(0.0, u - 0.05), hi = std::min(1.0, u + 0.05);
  const double r = 0.6180339887498949;
  const auto d = [&](double v) {
    double lb, lob, s;
    b(v, lb, lob);
    ours.Inverse(la, lo, lb, lob, s);
    return s;
  };
  double x1 = hi - r * (hi - lo2), x2 = lo2 + r * (hi - lo2), f1 = d(x1), f2 = d(x2);
  for (int i = 0; i < 60; ++i) {
    if (f1 < f2) {
      hi = x2, x2 = x1, f2 = f1, x1 = hi - r * (hi - lo2), f1 = d(x1);
    } else {
      lo2 = x1, x1 = x2, f1 = f2, x2 = lo2 + r * (hi - lo2), f2 = d(x2);
    }
  }
  return std::min(f1, f2);
}

double DenseGreatest(const Curve& a, const Curve& b) {
  double worst = 0;
  for (int k = 0; k <= 2000; ++k) worst = std::max(worst, Gap(a, b, k / 2000.0));
  return worst / ref::kNm;
}

TEST(RouteCheck, SeparationOfReadingsAgainstDenseSampling) {
  const double lat1 = 50, lon1 = -5, lat2 = 10, lon2 = -60;
  double angle;
  const ref::Section section =
      ref::SectionThrough(ref::Ecef(lat1, lon1), ref::Ecef(lat2, lon2), angle);
  const Curve ellipse = [&](double u, double& lat, double& lon) {
    ref::Geodetic(section.Point(u * angle), lat, lon);
  };
  const GeographicLib::GeodesicLine line =
      GeographicLib::Geodesic(ref::kA, 1.0 - std::sqrt(1.0 - ref::kESq))
          .InverseLine(lat1, lon1, lat2, lon2);
  const Curve geodesic = [&](double u, double& lat, double& lon) {
    line.Position(u * line.Distance(), lat, lon);
  };
  const ref::V p = {std::cos(lat1 * ref::kDeg) * std::cos(lon1 * ref::kDeg),
                    std::cos(lat1 * ref::kDeg) * std::sin(lon1 * ref::kDeg),
                    std::sin(lat1 * ref::kDeg)};
  const ref::V q = {std::cos(lat2 * ref::kDeg) * std::cos(lon2 * ref::kDeg),
                    std::cos(lat2 * ref::kDeg) * std::sin(lon2 * ref::kDeg),
                    std::sin(lat2 * ref::kDeg)};
  const double w = std::acos(ref::Dot(p, q));
  const Curve circle = [&](double u, double& lat, double& lon) {
    const ref::V r =
        ref::Lin(std::sin((1 - u) * w) / std::sin(w), p, std::sin(u * w) / std::sin(w), q);
    lat = std::asin(r[2]) / ref::kDeg, lon = std::atan2(r[1], r[0]) / ref::kDeg;
  };
  const double orthodrome =
      std::max({DenseGreatest(ellipse, geodesic), DenseGreatest(circle, ellipse),
                DenseGreatest(circle, geodesic)});
  // The rhumb lines: the ellipsoid's (GeographicLib) and the sphere's
  // (closed form: longitude linear in atanh(sin lat)).
  double s12, azi;
  ref::Rhumb().Inverse(lat1, lon1, lat2, lon2, s12, azi);
  const Curve rhumb = [&](double u, double& lat, double& lon) {
    ref::Rhumb().Direct(lat1, lon1, azi, u * s12, lat, lon);
  };
  const double q1 = std::atanh(std::sin(lat1 * ref::kDeg)),
               q2 = std::atanh(std::sin(lat2 * ref::kDeg));
  const Curve sphereRhumb = [&](double u, double& lat, double& lon) {
    lat = lat1 + u * (lat2 - lat1);
    lon = lon1 + (lon2 - lon1) * (std::atanh(std::sin(lat * ref::kDeg)) - q1) / (q2 - q1);
  };
  const double loxodrome = DenseGreatest(sphereRhumb, rhumb);

  RouteFileContent content;
  std::string error;
  ASSERT_TRUE(sailings::ParseRouteText(
      RtzFile("x", {Wp(0, lat1, lon1), Wp(1, lat2, lon2, "geometryType=\"Orthodrome\""),
                    Wp(2, lat1, lon1, "geometryType=\"Loxodrome\"")}),
      "x.rtz", "", content, error))
      << error;
  sailings::CheckOptions options;
  options.file_stem = "x";
  const std::vector<sailings::Finding> found = sailings::CheckRoute(content, options);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_NEAR(*found[0].value_nm, orthodrome, 1e-3) << found[0].message;
  EXPECT_NEAR(*found[1].value_nm, loxodrome, 1e-3) << found[1].message;
  EXPECT_GT(orthodrome, 1.0);
  EXPECT_GT(loxodrome, 0.5);
}

}  // namespace

// A voyage's RTZ file larger than some ECDIS read is warned of when written,
// as the check faults it when read.
TEST(RouteFiles, RtzOverTheSizeEcdisReadIsWarnedOf) {
  const fs::path dir = scratch::Folder("big");
  for (const char* leg : {"1", "2"}) {
    SCOPED_TRACE(leg);
    const Outcome v = RunCommand(
        {"voyage", "50N", "5W", "40.5N", "73.9W", "--leg", leg, "--rtz", "big.rtz"}, dir);
    ASSERT_EQ(v.status, 0) << v.err;
    const std::uintmax_t bytes = fs::file_size(dir / "big.rtz");
    const bool big = bytes > 400000;
    EXPECT_EQ(big, std::string(leg) == "1") << bytes;
    const std::string warning = "warning: big.rtz: " + std::to_string(bytes / 1000) +
                                " kB; some ECDIS refuse an RTZ route over 400 kB";
    EXPECT_EQ(v.err.find(warning) != std::string::npos, big) << v.err;
    const Outcome check = RunCommand({"check", "big.rtz"}, dir);
    EXPECT_EQ(check.out.find("file_size") != std::string::npos ||
                  check.out.find("400 kB") != std::string::npos,
              big)
        << check.out;
  }
}
