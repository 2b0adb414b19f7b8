// The command line, in-process in a scratch folder: what the command line
// itself adds to the library's figures (tested in test_sailings and
// test_waypoints): the same figures as the library and the dialogue, to the
// last printed digit, never 360 nor -180; one output line per input line,
// exit statuses and usage errors, the table as the dialogue prints it, CSV
// and JSON, GPX files.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <sstream>
#include <vector>

#include "command.h"
#include "reference.h"
#include "sailings/sailings.hpp"
#include "session.h"

namespace {

const char kPlaces[] =
    "Cape Town\t-33.9249 18.4241\nNew York\t40.7128N 74.006W\n"
    "Dateline Bay\t10 180\nNorth Pole\t90 0\n";

Outcome Cli(const std::vector<std::string>& args, const std::string& input = "",
            const char* list = kPlaces) {
  const fs::path dir = scratch::Folder("cli");
  if (list) std::ofstream(dir / "input.txt", std::ios::binary) << list;
  Outcome r = RunCommand(args, dir, input);
  EXPECT_FALSE(check::HasNonFiniteNumber(r.out));  // errors may quote what was typed
  return r;
}

std::vector<double> Numbers(const std::string& line, char divider = ' ') {
  std::vector<double> v;
  std::istringstream in(line);
  for (std::string cell; std::getline(in, cell, divider);)
    v.push_back(cell.empty() ? NAN : std::stod(cell));
  return v;
}

}  // namespace

TEST(CommandLine, OneOutputLinePerInputLine) {
  const std::string input =
      "-33.9249 18.4241 40.7128 -74.006\n"
      "\n"
      "  \t \r\n"
      "33:55:30S,18d25'26.8\"E,40:42:46N,74:00:22W\r\n"
      "1 2 3\n"
      "91 0 0 0\n"
      "10 20 10 380\n"
      "33.9E 0 0 0\n"
      "1 2 3 4 5\n"
      "  7\n"
      "\x1b[2J 1 2 3\n"
      "35.4437\t139.638\t37.7749\t-122.4194";  // no final line end
  const Outcome text = Cli({"route"}, input);
  EXPECT_EQ(text.status, 1);
  std::istringstream lines(text.out);
  std::vector<std::string> out;
  for (std::string line; std::getline(lines, line);) out.push_back(line);
  ASSERT_EQ(out.size(), 10u) << text.out;
  EXPECT_EQ(out[0], "6777.739857 304.520312 115.675526 310.976976 6804.681655");
  EXPECT_EQ(out[2], "ERROR: expected four coordinates (LAT1 LON1 LAT2 LON2), found 3");
  EXPECT_EQ(out[3], "ERROR: LAT1 '91': a latitude beyond 90 degrees");
  EXPECT_EQ(out[4], "ERROR: departure and destination are the same position");
  EXPECT_EQ(out[5], "ERROR: LAT1 '33.9E': a latitude takes N or S, not E or W");
  EXPECT_EQ(out[6], "ERROR: more than four coordinates (LAT1 LON1 LAT2 LON2): '5'");
  EXPECT_EQ(out[7],
            "ERROR: expected four coordinates (LAT1 LON1 LAT2 LON2), found 1");  // no blank line
  EXPECT_EQ(out[8], "ERROR: LAT1 '?[2J': not a number");
  EXPECT_EQ(Numbers(out[9]).size(), 5u);
  EXPECT_EQ(text.err, "");

  const Outcome csv = Cli({"route", "--csv", "-p", "3"}, input);
  EXPECT_EQ(
      csv.out.substr(0, csv.out.find('\n')),
      "ge_distance_nm,ge_azimuth_fwd,ge_azimuth_inv,rhumb_course,rhumb_distance_nm,vertex_lat,"
      "vertex_lon,vertex_on_route,error");
  // (The vertex cells are checked against exact geometry elsewhere.)
  EXPECT_NE(csv.out.find("\n6777.740,304.520,115.676,310.977,6804.682,"), std::string::npos)
      << csv.out;
  EXPECT_NE(csv.out.find("\n,,,,,,,,LAT1 '91': a latitude beyond 90 degrees\n"), std::string::npos);
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 11);

  const Outcome json = Cli({"route", "--json", "-p", "0"}, input);
  EXPECT_EQ(json.out.substr(0, json.out.find(",\"vertex_lat\":")),
            "{\"ge_distance_nm\":6778,\"ge_azimuth_fwd\":305,\"ge_azimuth_inv\":116,"
            "\"rhumb_course\":311,\"rhumb_distance_nm\":6805");
  EXPECT_NE(json.out.find("\n{\"error\":\"departure and destination are the same position\"}\n"),
            std::string::npos);
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 10);
  // A reason that quotes a token with quotes and commas stays one CSV cell
  // (as Python's csv module reads it).
  const Outcome quoted = Cli({"route", "--csv"}, "1\"a\" 2 3 4\n");
  const fs::path table = quoted.dir / "quoted.csv";
  std::ofstream(table) << quoted.out;
  EXPECT_EQ(std::system(("python3 -c 'import csv,sys\nrows=list(csv.reader(open(sys.argv[1])))\n"
                         "assert rows[1][-1]==\"LAT1 \\x271\\x22a\\x22\\x27: text that is no part "
                         "of a coordinate\", rows' '" +
                         table.string() + "'")
                            .c_str()),
            0)
      << quoted.out;
  // Each line is a JSON object a real parser accepts.
  const fs::path file = json.dir / "routes.jsonl";
  std::ofstream(file) << json.out;
  EXPECT_EQ(
      std::system(("python3 -c 'import json,sys\nfor l in open(sys.argv[1]): json.loads(l)' '" +
                   file.string() + "'")
                      .c_str()),
      0);
}

TEST(CommandLine, PlacesFromTheLocationList) {
  const std::string expected = "6777.739857 304.520312 115.675526 310.976976 6804.681655\n";
  const Outcome exact = Cli({"route", "--line", "-33.9249", "18.4241", "40.7128", "-74.006"});
  EXPECT_EQ(exact.out, expected);
  EXPECT_EQ(Cli({"route", "--line", "cape town", "NEW YORK"}).out, expected);
  EXPECT_EQ(Cli({"route", "--line", "Cape Town", "40.7128", "-74.006"}).out, expected);
  EXPECT_EQ(Cli({"route", "--line", "-33.9249", "18.4241", "New York"}).out, expected);
  EXPECT_EQ(Cli({"route", "Cape Town", "New York", "--list", "elsewhere.txt"}, "", nullptr).status,
            1);
  const struct {
    std::vector<std::string> args;
    const char* list;
    int status;
    const char* err;
  } cases[] = {
      {{"route", "Atlantis", "New York"},
       kPlaces,
       1,
       "ERROR: no place named 'Atlantis' in input.txt\n"},
      // (The dialogue's slots for typed positions, "A" and "B", are no places.)
      {{"route", "Cape Town", "B"}, kPlaces, 1, "ERROR: no place named 'B' in input.txt\n"},
      {{"route", "A", "Cape Town"}, kPlaces, 1, "ERROR: no place named 'A' in input.txt\n"},
      {{"route", "Cape Town", "New York"},
       nullptr,
       1,
       "ERROR: 'Cape Town' is not a position, and there is no location list (input.txt) to look it "
       "up in\n"},
      {{"route", "Cape Town", "x", "--list", "none.txt"},
       nullptr,
       1,
       "ERROR: cannot read the location list none.txt\n"},
      {{"route", "Cape Town", "Cape Town"},
       kPlaces,
       1,
       "ERROR: departure and destination are the same position\n"},
      {{"route", "North Pole", "90", "-170"},
       kPlaces,
       1,
       "ERROR: departure and destination are the same position\n"},
      {{"route", "Dateline Bay", "10", "-180"},
       kPlaces,
       1,
       "ERROR: departure and destination are the same position\n"},
      {{"route", "Cape Town", "91", "0"},
       kPlaces,
       1,
       "ERROR: latitude '91': a latitude beyond 90 degrees\n"},
      {{"route", "Cape Town", "10", "20N"},
       kPlaces,
       1,
       "ERROR: longitude '20N': a longitude takes E or W, not N or S\n"},
  };
  for (const auto& c : cases) {
    const Outcome run = Cli(c.args, "", c.list);
    EXPECT_EQ(run.status, c.status) << c.args[1];
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
  }
}

TEST(CommandLine, UsageErrorsHelpAndVersion) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* shows;  // in standard output (0) or standard error
  } cases[] = {
      {{"--help"}, 0, "route"},
      {{"route", "--help"}, 0, "sailings route 33d55'30\"S 18d25'26.8\"E 40:42:46N 74:00:22W"},
      {{"table", "--help"}, 0, "--points 9 --rhumb --csv"},
      {{"--version"}, 0, "sailings 1.1\n"},
      {{"fly"}, 2, "usage: sailings route"},
      {{"route", "--bogus"}, 2, "ERROR: "},
      {{"route", "1"}, 2, "ERROR: "},
      {{"route", "1", "2", "3", "4", "5"}, 2, "ERROR: "},
      {{"route", "--csv", "--json", "1", "2", "3", "4"}, 2, "ERROR: "},
      {{"route", "-p", "13", "1", "2", "3", "4"}, 2, "ERROR: "},
      {{"route", "-p", "x", "1", "2", "3", "4"}, 2, "ERROR: "},
      {{"table", "1", "2", "3", "4"}, 2, "one of --longitudes, --points and --leg"},
      {{"table", "1", "2", "3", "4", "--leg", "5", "--points", "3"}, 2, "ERROR: "},
      {{"table", "1", "2", "3", "4", "--longitudes", "3", "--rhumb"}, 2, "ERROR: "},
      {{"table", "1", "2", "--leg", "5"}, 1, "ERROR: "},
      {{"table", "1", "2", "3", "4", "--leg", "0.5"},
       1,
       "ERROR: the leg distance must be at least 1 NM\n"},
      {{"table", "1", "2", "3", "4", "--leg", "nan"}, 1, "ERROR: --leg 'nan': not a number\n"},
      {{"table", "1", "2", "3", "4", "--points", "0"},
       1,
       "ERROR: the number of waypoints must be from 1 to 100000\n"},
      {{"table", "1", "2", "3", "4", "--points", "100001"}, 1, "from 1 to 100000\n"},
      {{"table", "1", "2", "3", "4", "--longitudes", "-1"}, 1, "from 0 to 100000\n"},
      {{"table", "1", "2", "3", "4", "--points", "2.5"}, 1, "not a whole number\n"},
      {{"table", "1", "2", "3", "4", "--points", "5x"},
       1,
       "ERROR: --points '5x': not a whole number\n"},
      {{"table", "10", "30", "50", "30", "--longitudes", "3"},
       1,
       "ERROR: this route runs along a meridian: it has no intermediate longitudes\n"},
      {{"table", "90", "0", "50", "30", "--longitudes", "3"}, 1, "along a meridian"},
      {{"table", "1", "2", "3", "4", "--leg", "1e300"}, 0, " 1     3.000000    4.000000"},
      {{"route", "-.5", "1", "2", "3"}, 0, "\n"},
  };
  for (const auto& c : cases) {
    const Outcome run = Cli(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.args.back();
    const std::string& where = c.status == 0 ? run.out : run.err;
    EXPECT_NE(where.find(c.shows), std::string::npos) << where;
    if (c.status == 2) {
      EXPECT_NE(run.err.find("usage: sailings route [options] [FROM TO]\n"), std::string::npos);
    }
    if (c.status != 0) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 2 ? 6 : 1) << run.err;
    }
  }
}

TEST(CommandLine, TablesAsTheDialoguePrintsThem) {
  // The same route, mode, count or leg and method in the dialogue: its table
  // without the two blank lines before the header.
  const struct {
    std::vector<std::string> options;
    const char* answers;
  } cases[] = {
      {{"--leg", "1000"}, "3\n1000\n1\n"}, {{"--leg", "700", "--rhumb"}, "3\n700\n2\n"},
      {{"--points", "5"}, "2\n5\n1\n"},    {{"--points", "4", "--rhumb"}, "2\n4\n2\n"},
      {{"--longitudes", "7"}, "1\n7\n"},   {{"--longitudes", "0"}, "1\n0\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"table", "Cape Town", "New York"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const Outcome run = Cli(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const Session s = Play(std::string("1\n2\n") + c.answers + "y\n", kPlaces);
    EXPECT_EQ("\n\n" + run.out, s.File("waypoints.dat")) << c.answers;
  }
}

TEST(CommandLine, GpxFiles) {
  Outcome run = Cli({"table", "Cape Town", "New York", "--leg", "1000", "--gpx", "passage.gpx"});
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path gpx = run.dir / "passage.gpx";
  EXPECT_EQ(std::system(("xmllint --noout '" + gpx.string() + "'").c_str()), 0);
  std::ifstream in(gpx);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("<name>Cape Town to New York</name>\n    <desc>great ellipse; total distance "
                      "6777.739857 NM</desc>"),
            std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5 + 8 + 2);  // 8 points
  // A folder, a missing folder: one line, status 1, nothing left behind.
  for (const char* target : {"folder", "missing/passage.gpx"}) {
    const fs::path dir = scratch::Folder("cli");
    fs::create_directory(dir / "folder");
    std::ofstream(dir / "input.txt") << kPlaces;
    const char* argv[] = {"sailings", "table",    "1", "2",     "3",
                          "4",        "--points", "3", "--gpx", target};
    std::istringstream none;
    std::ostringstream out, err;
    EXPECT_EQ(sailings::RunCommandLine(10, argv, none, out, err, dir), 1) << target;
    const std::string message = err.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    std::size_t files = 0;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
         ++it)
      ++files;
    EXPECT_EQ(files, 2u) << target;  // input.txt and the folder
  }
}

TEST(CommandLine, TheSameFiguresInEveryFace) {
  // The dialogue's report, sailings route and the library, for list places.
  const char list[] =
      "P1\t-33.9249 18.4241\nP2\t40.7128 -74.006\nP3\t0 0\nP4\t0 60\nP5\t90 0\n"
      "P6\t-10 -160\nP7\t10 20\nP8\t60 -170.5\n";
  const std::pair<int, int> pairs[] = {{1, 2}, {3, 4}, {5, 2}, {6, 7}, {8, 1}, {2, 8}};
  for (const auto& [a, b] : pairs) {
    const std::string from = "P" + std::to_string(a), to = "P" + std::to_string(b);
    const Outcome run = Cli({"route", "--line", from, to}, "", list);
    const Session s = Play(std::to_string(a) + "\n" + std::to_string(b) + "\n", list);
    const std::vector<double> f = Numbers(run.out.substr(0, run.out.size() - 1));
    ASSERT_EQ(f.size(), 5u) << run.err;
    char report[512];
    std::snprintf(report, sizeof report,
                  "GREAT ELLIPTIC ARC DISTANCE (in nautical miles):%.6f\n\nForward Great Elliptic "
                  "Arc Azimuth (degrees): %.6f\nInverse Great Eliptic Arc Azimuth (degrees): "
                  "%.6f\n\nLOXODROME COURSE:%.6f\n\nLOXODROME DISTANCE (in nautical miles):%.6f\n",
                  f[0], f[1], f[2], f[3], f[4]);
    EXPECT_NE(s.out.find(report), std::string::npos) << from << " " << to << "\n" << run.out;
    double lat[2], lon[2];
    for (int k = 0; k < 2; ++k) {
      const std::string line = std::string(list).substr(std::string(list).find(k ? to : from) + 3);
      std::istringstream(line) >> lat[k] >> lon[k];
    }
    sailings::Route r;
    ASSERT_EQ(sailings::SolveRoute(lat[0], lon[0], lat[1], lon[1], r), sailings::Status::ok);
    char library[256];
    std::snprintf(library, sizeof library, "%.6f %.6f %.6f %.6f %.6f\n", r.ge_distance_nm,
                  r.ge_azimuth_fwd, r.ge_azimuth_inv, r.rhumb_course, r.rhumb_distance_nm);
    EXPECT_EQ(run.out, library);
  }
}

TEST(CommandLine, OptionValuesAreReadNeverIgnored) {
  // An empty value is refused naming its option (a usage error).
  for (const char* option :
       {"--limit", "--speed", "--depart", "--rtz", "--gpx", "--svg", "--list"}) {
    std::vector<std::string> args = {"table", "1",       "2",  "3",    "4", "--leg",
                                     "100",   "--speed", "10", option, ""};
    if (std::string(option) == "--speed") args.erase(args.begin() + 7, args.begin() + 9);
    const Outcome run = Cli(args);
    EXPECT_EQ(run.status, 2) << option;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
              std::string("ERROR: ") + option + ": an empty value");
  }
  for (const char* option : {"--points", "--leg", "--longitudes"}) {
    EXPECT_EQ(Cli({"table", "1", "2", "3", "4", option, ""})
                  .err.rfind(std::string("ERROR: ") + option + ":", 0),
              0u);
  }
  EXPECT_EQ(Cli({"route", "1", "2", "3", "4", "--limit", ""}).status, 2);
  // A limit is a latitude in the notation; north and south are one limit.
  const std::vector<std::string> route = {"route",   "--json",   "-33.9249",
                                          "18.4241", "-33.8688", "151.2093"};
  const auto limited = [&](const char* limit) {
    std::vector<std::string> args = route;
    args.insert(args.end(), {"--limit", limit});
    return Cli(args);
  };
  const Outcome fifty = limited("50");
  EXPECT_NE(fifty.out.find("\"t1_lat\":-50.000000"), std::string::npos) << fifty.out;
  for (const char* same : {"50S", "50N", "-50", "S50", "50:00:00S", "50d"})
    EXPECT_EQ(limited(same).out, fifty.out) << same;
  EXPECT_EQ(limited("50E").err, "ERROR: --limit '50E': a latitude takes N or S, not E or W\n");
  EXPECT_EQ(limited("95S").err, "ERROR: the limiting latitude must be above 0 and below 90\n");
  // The fields are named the same whatever the limit and the route, never
  // from a route the limit refuses.
  const std::string header =
      "ge_distance_nm,ge_azimuth_fwd,ge_azimuth_inv,rhumb_course,rhumb_distance_nm,vertex_lat,"
      "vertex_lon,"
      "vertex_on_route,composite,t1_lat,t1_lon,t2_lat,t2_lon,ge1_nm,parallel_nm,ge2_nm,composite_"
      "nm,ge1_course,"
      "parallel_course,ge2_course,composite_course_final,composite_minus_ge_nm,rhumb_minus_"
      "composite_nm,error";
  for (const char* limit : {"5", "20", "21.5", "50", "89.9"}) {
    const Outcome csv = Cli({"route", "--limit", limit, "--csv"}, "8.95 -79.57 21.31 -157.86\n");
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')), header) << limit;
    const Outcome json = Cli({"route", "--limit", limit, "--json"}, "1 0 1 100\n40 0 40 100\n");
    std::string keys;  // every line's keys, in order
    for (std::size_t at = json.out.find('"'); at != std::string::npos;
         at = json.out.find('"', at + 1)) {
      if (json.out[at - 1] != '{' && json.out[at - 1] != ',') continue;
      const std::size_t end = json.out.find('"', at + 1);
      keys += json.out.substr(at + 1, end - at - 1) + ",";
      at = json.out.find_first_of(",}", json.out.find(':', end));
      if (json.out[at] == '}') ++at;
    }
    // The first route keeps within every limit here; the second not within 20.
    const std::string first = header.substr(0, header.size() - 5);
    EXPECT_EQ(keys, first + (std::stod(limit) >= 40 ? first : "error,")) << limit << json.out;
  }
  // --help lists every field of every record, in the records' order.
  for (const auto& [command, asked] :
       {std::pair{"route",
                  std::vector<std::string>{"--limit", "50", "--full", "--land", "--compare"}},
        std::pair{"table", std::vector<std::string>{"--leg", "3000", "--speed", "9", "--depart",
                                                    "2027-01-01T00:00Z"}}}) {
    std::vector<std::string> args = {command, "--csv", "0", "0", "10", "10"};
    args.insert(args.end(), asked.begin(), asked.end());
    const Outcome csv = Cli(args);
    std::string listed;  // the names of the help's field list, comma-separated
    std::istringstream help(Cli({command, "--help"}).out);
    for (std::string line; std::getline(help, line);) {
      // "  name<blanks to column 30>unit  meaning"
      const std::size_t end = line.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_", 2);
      if (line.compare(0, 2, "  ") == 0 && end > 2 && end != std::string::npos &&
          line.find_first_not_of(' ', end) >= 30) {
        listed += line.substr(2, end - 2) + ",";
      }
    }
    const std::string names = csv.out.substr(0, csv.out.find('\n')) + ",";
    EXPECT_EQ(std::string(command) == "route" ? listed + "error," : listed, names) << csv.out;
  }
}

TEST(CommandLine, AzimuthsAndCoursesNeverRead360) {
  // Routes whose courses lie at or just below due north, at several
  // precisions: each angle field equals the reference (mod 360) to half a
  // unit of its last digit, and is written 0, never 360.
  const struct {
    double lat1, lon1, lat2, lon2;
  } routes[] = {{60, -30, -5, 150},   {60, -30, -5, 149.9999999}, {0, 0, 10, -0.01},
                {-80, -60, -75, 120}, {10, 0, 20, -1e-7},         {0, 0, 10, -1e-9}};
  for (const auto& r : routes) {
    for (int p : {0, 3, 6}) {
      std::vector<std::string> args = {"route", "--csv", "-p", std::to_string(p)};
      for (double v : {r.lat1, r.lon1, r.lat2, r.lon2}) {
        char text[40];
        std::snprintf(text, sizeof text, "%.10g", v);
        args.push_back(text);
      }
      const Outcome run = Cli(args);
      const std::string row = run.out.substr(run.out.find('\n') + 1);
      std::vector<std::string> cells;
      std::istringstream in(row);
      for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
      ASSERT_GE(cells.size(), 5u) << run.out << run.err;
      const ref::GreatEllipse ge = ref::ExactGreatEllipse(r.lat1, r.lon1, r.lat2, r.lon2);
      double s12, course;
      ref::Rhumb().Inverse(r.lat1, r.lon1, r.lat2, r.lon2, s12, course);
      // (Longitudes 180 apart leave the rhumb line's way round open: not compared.)
      const bool halfTurn = std::fabs(std::remainder(r.lon2 - r.lon1, 360.0)) == 180;
      for (const auto& [cell, expected] :
           {std::pair{cells[1], ge.forward}, std::pair{cells[2], ge.inverse},
            std::pair{cells[3], halfTurn ? std::stod(cells[3]) : course}}) {
        EXPECT_NE(cell.substr(0, 3), "360") << row;
        EXPECT_LT(ref::AngleDiff(std::stod(cell), expected), 0.5 * std::pow(10.0, -p) + 1e-7)
            << row;
      }
    }
  }
  // Nor in the comparison, on an exact antipode.
  const Outcome compare = Cli({"route", "--compare", "--json", "10", "20", "-10", "-160"});
  EXPECT_EQ(compare.out.find(":360"), std::string::npos) << compare.out;
  // Nor in the text table: every row of a route due north along a meridian
  // (the great ellipse, the rhumb line and the geodesic alike) heads 0.
  for (const char* along : {"--points", "--rhumb", "--geodesic"}) {
    std::vector<std::string> args = {"table", "10", "20", "30", "20", "--points", "3"};
    if (std::string(along) != "--points") args.push_back(along);
    const Outcome table = Cli(args);
    std::istringstream rows(table.out.substr(table.out.rfind("---\n") + 4));
    int headings = 0;
    for (std::string wp, lat, lon, azimuth; rows >> wp >> lat >> lon >> azimuth;
         rows.ignore(1 << 10, '\n')) {
      if (azimuth == "*") continue;
      EXPECT_EQ(azimuth, "0.000000") << along << "\n" << table.out;
      ++headings;
    }
    EXPECT_EQ(headings, 4) << table.out;
  }
}

TEST(CommandLine, NoWaypointAMillimetreFromTheDestination) {
  // A leg a hair shorter than the great ellipse (its exact length, cut to
  // the sixth decimal): one leg, not a second of half a millimetre, in the
  // table and the route files alike.
  const double length = ref::ExactGreatEllipse(-33.9249, 18.4241, -33.8688, 151.2093).distance;
  char leg[40];
  std::snprintf(leg, sizeof leg, "%.6f", std::floor(length * 1e6) / 1e6);
  ASSERT_LT(length - std::stod(leg), 1e-6);
  const Outcome run = Cli({"table", "-33.9249", "18.4241", "-33.8688", "151.2093", "--leg", leg,
                           "--csv", "--gpx", "t.gpx", "--rtz", "t.rtz"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;  // header, 0, 1
  std::ifstream gpx(run.dir / "t.gpx"), rtz(run.dir / "t.rtz");
  const std::string g((std::istreambuf_iterator<char>(gpx)), {}),
      z((std::istreambuf_iterator<char>(rtz)), {});
  EXPECT_EQ(std::count(g.begin(), g.end(), '\n'), 5 + 2 + 2);
  EXPECT_EQ(z.find("<waypoint id=\"2\""), std::string::npos);
}

TEST(CommandLine, TableAzimuthsLeaveTheirRow) {
  // CSV and JSON: the course to steer leaving each row, for every placement
  // (intermediate longitudes included: the great ellipse's own azimuth at
  // the row); none at the destination. The text table of --longitudes keeps
  // the dialogue's convention: the leg arriving at the row.
  const Outcome csv = Cli({"table", "-33.9249", "18.4241", "40.7128", "-74.006", "--longitudes",
                           "3", "--csv", "-p", "9"});
  const Outcome text =
      Cli({"table", "-33.9249", "18.4241", "40.7128", "-74.006", "--longitudes", "3"});
  std::istringstream rows(csv.out), lines(text.out);
  std::string row, line;
  std::getline(rows, row);
  std::getline(lines, line), std::getline(lines, line);
  double previous = NAN;
  for (int k = 0; std::getline(rows, row) && std::getline(lines, line); ++k) {
    const std::vector<double> v = Numbers(row, ',');
    std::replace(line.begin(), line.end(), '*', ' ');
    std::istringstream cells(line);
    std::vector<double> t;
    for (double x; cells >> x;) t.push_back(x);
    if (k < 4) {
      const double leaving = ref::ExactGreatEllipse(v[1], v[2], 40.7128, -74.006).forward;
      EXPECT_LT(ref::AngleDiff(v[3], leaving), 1e-7) << row;
      if (k > 0) {
        EXPECT_LT(ref::AngleDiff(t[3], previous), 1e-6) << line;
      }
      previous = leaving;
    } else {
      EXPECT_TRUE(std::isnan(v[3])) << row;
      EXPECT_LT(ref::AngleDiff(t[3], previous), 1e-6) << line;
    }
  }
  // The text table writes a departure or destination on the equator or at
  // the pole as it writes every other row (the dialogue keeps 0.000001 and
  // 89.999999).
  EXPECT_NE(Cli({"table", "0", "0", "0", "60", "--points", "2"})
                .out.find("\n 0     0.000000    0.000000"),
            std::string::npos);
  const std::string polar = Cli({"table", "90", "0", "0", "60", "--points", "2"}).out;
  EXPECT_NE(polar.find("\n 0    90.000000    0.000000"), std::string::npos) << polar;
  EXPECT_NE(polar.find("\n 3     0.000000   60.000000"), std::string::npos) << polar;
}

TEST(CommandLine, ByteOrderMarksAndLandWarningsByLine) {
  // A byte-order mark before the location list or standard input is skipped.
  EXPECT_EQ(Cli({"route", "--line", "Cape Town", "New York"}, "",
                "\xEF\xBB\xBF"
                "Cape Town\t-33.9249 18.4241\n"
                "New York\t40.7128 -74.006\n")
                .out,
            "6777.739857 304.520312 115.675526 310.976976 6804.681655\n");
  EXPECT_EQ(Cli({"route"},
                "\xEF\xBB\xBF"
                "-33.9249 18.4241 40.7128 -74.006\n")
                .out,
            "6777.739857 304.520312 115.675526 310.976976 6804.681655\n");
  // Land warnings on standard input name the line they belong to (blank
  // lines counted).
  const Outcome lines =
      Cli({"route", "--land"}, "21.3 -157.9 37.8 -122.4\n\n38.7 -9.1 35.7 139.7\n");
  EXPECT_EQ(lines.err.rfind("warning: line 3: the great ellipse crosses land near ", 0), 0u)
      << lines.err;
  EXPECT_EQ(lines.err.find("line 1"), std::string::npos) << lines.err;
  // The geodesic a table follows is checked: along the equator it meets
  // Africa's coast where the great ellipse (the equator too) does.
  const Outcome geodesic =
      Cli({"table", "0", "0", "0", "40", "--points", "1", "--geodesic", "--land"});
  const std::string near = geodesic.err.substr(geodesic.err.find(" near "), 20);
  EXPECT_EQ(near.substr(0, 11), " near 0.0N ");
  EXPECT_NE(geodesic.err.find("warning: the geodesic crosses land" + near), std::string::npos)
      << geodesic.err;
}

TEST(CommandLine, WhatWasTypedStaysOneCsvCellAndOneJsonString) {
  // Error records quote the token typed: quotes, backslashes, control and
  // non-UTF-8 bytes must leave valid CSV (one cell) and valid JSON, as
  // Python's own readers read them.
  const struct {
    const char* token;
    const char* shown;  // as the reason quotes it
  } tokens[] = {{"1\"a", "1\"a"},   {"\"", "\""},
                {"1\\a", "1\\a"},   {"\\\"", "\\\""},
                {"1\x01x", "1?x"},  {"a\x7f", "a?"},
                {"\xff\xfe", "??"}, {"\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
                {"'", "'"},         {"a;b", "a;b"}};
  std::string input, expected;
  for (const auto& t : tokens) {
    input += std::string(t.token) + " 2 3 4\n";
    expected += std::string("LAT1 '") + t.shown + "': \n";  // then the reason
  }
  for (const char* format : {"--csv", "--json"}) {
    const Outcome run = Cli({"route", format}, input);
    EXPECT_EQ(run.status, 1);
    const fs::path out = run.dir / "out", want = run.dir / "want";
    std::ofstream(out, std::ios::binary) << run.out;
    std::ofstream(want, std::ios::binary) << expected;
    const std::string reader =
        std::string(format) == "--csv"
            ? "rows=list(csv.reader(open(o,newline=\"\",encoding=\"utf-8\")))[1:]\n"
              "got=[r[-1] for r in rows if len(r)==9]\n"
            : "got=[json.loads(l)[\"error\"] for l in open(o,encoding=\"utf-8\")]\n";
    const std::string script = "import csv,json,sys\no,w=sys.argv[1],sys.argv[2]\n" + reader +
                               "want=open(w,encoding=\"utf-8\").read().splitlines()\n"
                               "assert len(got)==len(want) and all(g.startswith(x) for g,x in "
                               "zip(got,want)), (got, want)\n";
    EXPECT_EQ(
        std::system(
            ("python3 -c '" + script + "' '" + out.string() + "' '" + want.string() + "'").c_str()),
        0)
        << format << "\n"
        << run.out;
  }
}

TEST(CommandLine, MachineFormatsGiveTruePositions) {
  // Ends on the equator and at the poles: 0 and +-90 exactly in CSV, JSON,
  // GPX and RTZ (the text table's 0.000001 and 89.999999 are the dialogue's
  // notation only).
  const struct {
    const char* route[4];
    const char *first, *last;  // latitudes of row 0 and of the destination
  } routes[] = {{{"0", "0", "0", "60"}, "0", "0"},
                {{"90", "0", "10", "20"}, "90", "10"},
                {{"10", "20", "-90", "0"}, "10", "-90"},
                {{"-90", "0", "0", "120"}, "-90", "0"}};
  for (const auto& r : routes) {
    SCOPED_TRACE(std::string(r.route[0]) + " " + r.route[2]);
    const std::vector<std::string> table = {"table",    r.route[0], r.route[1], r.route[2],
                                            r.route[3], "--points", "1",        "--gpx",
                                            "t.gpx",    "--rtz",    "t.rtz"};
    std::vector<std::string> csv = table, json = table;
    csv.push_back("--csv");
    json.push_back("--json");
    const Outcome c = Cli(csv), j = Cli(json);
    const std::string first = std::string(r.first) + ".000000",
                      last = std::string(r.last) + ".000000";
    EXPECT_NE(c.out.find("\n0," + first + ","), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("\n2," + last + ","), std::string::npos) << c.out;
    EXPECT_NE(j.out.find("{\"wp\":0,\"lat\":" + first + ","), std::string::npos) << j.out;
    EXPECT_NE(j.out.find("{\"wp\":2,\"lat\":" + last + ","), std::string::npos) << j.out;
    std::ifstream gpx(j.dir / "t.gpx"), rtz(j.dir / "t.rtz");
    const std::string g((std::istreambuf_iterator<char>(gpx)), {}),
        z((std::istreambuf_iterator<char>(rtz)), {});
    for (const std::string* file : {&g, &z}) {
      EXPECT_NE(file->find("lat=\"" + first + "00\""), std::string::npos) << *file;
      EXPECT_NE(file->find("lat=\"" + last + "00\""), std::string::npos) << *file;
    }
  }
  // The library's MakeTable replaces whatever the vector held.
  std::vector<sailings::TableRow> rows(5);
  rows[0].lat = 77;
  sailings::TableRequest request;
  request.placement = sailings::WaypointPlacement::points;
  request.count = 1;
  ASSERT_EQ(sailings::MakeTable(0, 0, 0, 60, request, rows), sailings::Status::ok);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].lat, 0);
  EXPECT_EQ(sailings::MakeTable(0, 0, 0, 0, request, rows), sailings::Status::same_position);
  EXPECT_TRUE(rows.empty());
}

TEST(CommandLine, LongInputsKeepTheirOrderOnTwoCores) {
  // Thousands of routes (solved in blocks on two cores), blank and refused
  // lines among them: output line k belongs to input line k.
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> lat(-80, 80), lon(-180, 180);
  std::string input;
  std::vector<std::array<double, 4>> routes;  // NAN: a refused line; empty lines not kept
  for (int k = 1; k <= 5000; ++k) {
    if (k % 11 == 0) {
      input += "\n";
    } else if (k % 7 == 0) {
      input += "91 0 0 0\n";
      routes.push_back({NAN, 0, 0, 0});
    } else {
      char text[128];
      std::snprintf(text, sizeof text, "%.6f %.6f %.6f %.6f\n", lat(rng), lon(rng), lat(rng),
                    lon(rng));
      input += text;
      std::array<double, 4>& read = routes.emplace_back();  // what the program reads
      std::sscanf(text, "%lf %lf %lf %lf", &read[0], &read[1], &read[2], &read[3]);
    }
  }
  const Outcome run = Cli({"route", "--line"}, input);
  EXPECT_EQ(run.status, 1);
  std::istringstream lines(run.out);
  std::size_t k = 0;
  for (std::string line; std::getline(lines, line); ++k) {
    ASSERT_LT(k, routes.size());
    const auto& r = routes[k];
    if (std::isnan(r[0])) {
      EXPECT_EQ(line, "ERROR: LAT1 '91': a latitude beyond 90 degrees") << k;
    } else if (k % 50 == 0) {  // (the figures themselves: test_sailings)
      EXPECT_NEAR(Numbers(line)[0], ref::ExactGreatEllipse(r[0], r[1], r[2], r[3]).distance, 1.5e-6)
          << k;
    } else {
      EXPECT_EQ(Numbers(line).size(), 5u) << line;
    }
  }
  EXPECT_EQ(k, routes.size());
  // Land warnings, with standard output and error one stream, follow the
  // line they name and come before the next; the input tied to the output
  // as std::cin is to std::cout (reading must never flush it from a thread
  // of its own while the rows are written).
  const fs::path dir = scratch::Folder("cli");
  std::istringstream in(input);
  std::ostringstream both;
  in.tie(&both);
  const char* argv[] = {"sailings", "route", "--land"};
  sailings::RunCommandLine(3, argv, in, both, both, dir);
  EXPECT_EQ(in.tie(), &both);
  std::istringstream said(both.str());
  long outputs = 0, warnings = 0;
  std::vector<long> numbers;  // the input line of each output line
  for (long n = 1; n <= 5000; ++n) {
    if (n % 11 != 0) numbers.push_back(n);
  }
  for (std::string line; std::getline(said, line);) {
    if (line.rfind("warning: line ", 0) == 0) {
      ++warnings;
      ASSERT_GT(outputs, 0);
      EXPECT_EQ(std::stol(line.substr(14)), numbers[outputs - 1]) << line;
    } else {
      ++outputs;
    }
  }
  EXPECT_EQ(outputs, static_cast<long>(numbers.size()));
  EXPECT_GT(warnings, 1500);
}

TEST(CommandLine, RowsOverThePoleAndOnThe180thMeridian) {
  // Over the pole along the meridian: north on 60 E up to the pole, then
  // south on 120 W (the azimuths of travel, closed form).
  const Outcome pole = Cli({"table", "80", "60", "70", "-120", "--points", "3", "--csv"});
  const double azimuths[] = {0, 0, 180, 180}, longitudes[] = {60, 60, -120, -120, -120};
  std::istringstream rows(pole.out.substr(pole.out.find('\n') + 1));
  int k = 0;
  for (std::string row; std::getline(rows, row); ++k) {
    const std::vector<double> v = Numbers(row, ',');
    EXPECT_LT(ref::AngleDiff(v[2], longitudes[k]), 1e-9) << row;
    if (k < 4) {
      EXPECT_LT(ref::AngleDiff(v[3], azimuths[k]), 1e-9) << row;
    }
  }
  EXPECT_EQ(k, 5);
  // A waypoint on the 180th meridian is written 180 (as the position record
  // reads it), not -180.
  EXPECT_NE(Cli({"table", "10", "170", "10", "-170", "--longitudes", "1"})
                .out.find("\n 1    10.151082  180.000000 "),
            std::string::npos);
  // Longitudes exactly 180 apart leave the rhumb line two ways of one
  // length: it runs the way of the difference as typed (lon2 - lon1), west
  // for -180 and east for +180, in every face alike.
  const struct {
    const char* args[4];
    bool west;
  } halfTurns[] = {{{"10", "20", "30", "-160"}, true}, {{"10", "-160", "30", "20"}, false}};
  for (const auto& h : halfTurns) {
    const std::vector<double> f =
        Numbers(Cli({"route", "--line", h.args[0], h.args[1], h.args[2], h.args[3]}).out);
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[3] > 180, h.west) << h.args[1];
  }
}
