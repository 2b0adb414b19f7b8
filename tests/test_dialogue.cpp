// The console dialogue, in-process on scripted input in a folder of its own:
// exact texts and formats, refusals, statuses and the end of input.
#include <gtest/gtest.h>

#include <cstdio>

#include "session.h"

namespace {

const char kBanner[] =
    "MERIDIAN BAY INSTITUTE OF NAVIGATION: SAILINGS LABORATORY. DECEMBER 6, 2026\n\n"
    "NAFTIKO INSTITOUTO MERIDIAN BAY: ERGASTIRIO PLOON. 6-12-2026\n\n"
    "SAILING CALCULATIONS ON THE WGS-84 ELLIPSOID:\n"
    "  'Loxodromic Sailing' and 'Great Elliptic Sailing'(Orthodrome on the ellipsoid)\n"
    "----------------------------------------------\n"
    "For queries or comments, please contact:\n"
    "          the maintainers (sailings-maintainers@example.org)\n"
    "----------------------------------------------\n";
const char kDeparture[] = "\nPRESS zero (0) TO ENTER LOCATION OF DEPARTURE (POINT A):\n";
const char kDestination[] = "\nPRESS zero (0) TO ENTER LOCATION OF DESTINATION (POINT B):\n";
const char kMenu[] =
    "Calculation of the geographic coordinates of Intermediate Waypoints\n"
    "at the desired leg distance along the Great Elliptic Arc\nPress 3 to continue\n";
const char kTableHead[] =
    "\n\nWP    latitude    longitude    azimuth   legdistance  totaldistance\n"
    "----------------------------------------------------------------------\n";

}  // namespace

TEST(Dialogue, AWholeSessionCharacterForCharacter) {
  // Along the equator a third of the way round: both sailings are a pi/3.
  char nm[32];
  std::snprintf(nm, sizeof nm, "%.6f", 6378137.0 * 3.141592653589793 / 3 / 1852);
  const Session s = Play("0\n0\n0 0 0\n2\n1\n0\nn\n");
  const std::string table = std::string(kTableHead) +
                            " 0     0.000001    0.000000      *            *           *\n"
                            " 1     0.000001   60.000000   90.000000  " +
                            nm + "   " + nm + "\n";
  EXPECT_EQ(s.out,
            std::string(kBanner) +
                "1.  Origin  ( 0 , 0 )\n2.  Sixty East  ( 0 , 60 )\n3.  North  ( 50 , -10 )\n"
                "4.  South  ( -33.865 , -151.209 )\n" +
                kDeparture +
                "Give coordinates in Degrees or in Degrees Minutes Seconds \n"
                "divided by space, comma, collon, or slash character.\n\n"
                "Give latitude for departure: latitude (degrees) = 0\n"
                "Give longitude of departure: longitude (degrees) = 0\n" +
                kDestination +
                "\n Calculating route from A to Sixty East ...\n\n"
                "GREAT ELLIPTIC ARC DISTANCE (in nautical miles):" +
                nm +
                "\n"
                "\nForward Great Elliptic Arc Azimuth (degrees): 90.000000\n"
                "Inverse Great Eliptic Arc Azimuth (degrees): 270.000000\n"
                "\nLOXODROME COURSE:90.000000\n"
                "\nLOXODROME DISTANCE (in nautical miles):" +
                nm + "\n\n" + kMenu +
                "\n"
                "\nCalculation of Waypoints, at certain number of intermediate longitudes.\n\n"
                "Please give number of intermediate waypoints to calculate:" +
                table +
                "\nExit (y/n)? \n\n"
                "1.  Origin  ( 0.000000 , 0.000000 )\n2.  Sixty East  ( 0.000000 , 60.000000 )\n"
                "3.  North  ( 50.000000 , -10.000000 )\n4.  South  ( -33.865000 , -151.209300 )\n" +
                kDeparture + "\n");
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.File("waypoints.dat"), table);
  // Typed echoes: six significant digits in the first cycle, six decimals later.
  const Session t = Play("0\n12 30\n-20:15\n3\n1\n0\nn\n0\n12.5\n-20.25\n3\n1\n0\ny\n");
  EXPECT_NE(t.out.find("= 12.5\nGive longitude of departure: longitude (degrees) = -19.75\n"),
            std::string::npos);
  EXPECT_NE(
      t.out.find("= 12.500000\nGive longitude of departure: longitude (degrees) = -20.250000\n"),
      std::string::npos);
}

TEST(Dialogue, RefusalsOfChoicesAndOfEqualPositions) {
  const std::string again =
      std::string("No such location in list. Please try again.\n") + kDeparture;
  Session s = Play("abc\n\n99\n-1\n2147483648\n3 4\n1\n0\ny\n");  // "3 4" answers both
  EXPECT_NE(s.out.find(std::string(kDeparture) + again + again + again + again + again +
                       kDestination + "\n Calculating route from North to South ..."),
            std::string::npos);
  // The same entry, two poles, 180 and -180, a typed position equal to a listed one.
  for (const char* script :
       {"1\n1\n", "0\n90\n10\n0\n90\n-170\n", "0\n10\n180\n0\n10\n-180\n", "0\n50\n350\n3\n"}) {
    s = Play(std::string(script) + "1\n2\n1\n0\ny\n");
    EXPECT_NE(
        s.out.find(
            std::string("Departure and Destination locations are the same. Please try again.\n") +
            kDeparture),
        std::string::npos);
    EXPECT_NE(s.out.find("Calculating route from Origin to Sixty East"), std::string::npos)
        << script;
  }
}

TEST(Dialogue, EndOfInputAfterEveryAnswer) {
  const char* answers[] = {"0", "1 2 3", "45", "3", "2", "1000", "1", "n", "4", "1",
                           "3", "0.5",   "n",  "2", "3", "2",    "3", "2", "y"};
  std::string script;
  for (const char* answer : answers) {
    const Session s = Play(script);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.out.back(), '\n') << script;  // a final line end
    script += std::string(answer) + "\n";
  }
  const Session s = Play("3\n4\n3\n1000\n2\ny");  // a last line without its line end counts
  EXPECT_EQ(s.out.substr(s.out.size() - 13), "\nExit (y/n)? ");
}

TEST(Dialogue, EveryModeAndMethodAndEveryEarlyEnd) {
  const struct {
    const char* script;
    const char* shows;  // a text the console must show
    bool table;         // waypoints.dat holds the console's table
  } cases[] = {
      {"3\n4\n2\n5\n1\ny\n", "\n 6   -33.865000", true},
      {"3\n4\n2\n5\n2\ny\n", "\n 6   -33.865000", true},
      {"3\n4\n3\n700\n1\ny\n", "\n13   -33.865000  -151.209300      *  ", true},
      {"3\n4\n3\n700\n2\ny\n", "   -33.865000  -151.209300      *  ", true},
      {"3\n4\n1\n7\ny\n", "\n 8   -33.865000", true},
      {"0\n10\n-20\n0\n30\n40\n3\n10\n2\ny\n",
       "\n358    30.000000   40.000000      *         4.346485", true},
      {"3\n4\n3\n0.5\ny\n", "in N.M.:\n\nERROR!! Distance munt be larger than 1 N.M. !!\n\n\nExit",
       false},
      {"3\n4\n2\n0\ny\n", "to calculate:\nExit (y/n)? ", false},
      {"3\n4\n2\n4\n3\ny\n", "\n  ? \nExit (y/n)? ", false},
      {"3\n4\nabc\n0\n4\n2\n0\ny\n", "Press 3 to continue\n\nCalculation of the geographic", false},
      {"0\n10\n30\n0\n50\n30\n1\ny\n",
       "\nThis route runs along a meridian: it has no intermediate longitudes (choose 2 or 3 for "
       "waypoints along it).\n\nExit",
       false},
  };
  for (const auto& c : cases) {
    const Session s = Play(c.script);
    const std::string file = s.File("waypoints.dat");
    EXPECT_NE(s.out.find(c.shows), std::string::npos) << c.script;
    EXPECT_EQ(file.empty(), !c.table) << c.script;
    if (c.table) {
      EXPECT_EQ(s.out.substr(s.out.find(kTableHead), file.size() + 13), file + "\nExit (y/n)? ");
    }
  }
  // "waypoints.dat" cannot be written.
  const fs::path dir = Scratch();
  std::ofstream(dir / "input.txt") << kList;
  fs::create_directory(dir / "waypoints.dat");
  std::ofstream(dir / "waypoints.gpx") << "an earlier route";
  std::istringstream in("3\n4\n3\ny\n");
  std::ostringstream out, err;
  EXPECT_EQ(sailings::RunSailings(in, out, err, dir, false), 0);
  EXPECT_NE(
      out.str().find(std::string(kMenu) +
                     "\n\n\nERROR!! Cannot open files to write waypoint "
                     "information. Please make sure they are not in use. !!\n\n\nExit (y/n)? "),
      std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "waypoints.gpx"));  // no table: no route file either
}

TEST(Dialogue, LocationListProblems) {
  Session s = Play("y\n", nullptr);
  EXPECT_EQ(s.status, -2);
  EXPECT_EQ(s.out, kBanner);
  EXPECT_EQ(s.err,
            "Cannot open input.txt: the location list is read from the working directory.\n");
  s = Play("1\n0\n1\n2\n0\n3\n4\n2\n0\ny\n", "garbage line\n\n");  // only typed positions
  EXPECT_EQ(s.err, "input.txt: line 1 skipped: no tab after the name\n");
  EXPECT_NE(s.out.find(std::string(kBanner) + kDeparture + "No such location"), std::string::npos);
  EXPECT_NE(s.out.find("Calculating route from A to B"), std::string::npos);
}

TEST(Dialogue, ALegAHairShortOfTheRouteKeepsItsLastRow) {
  // The dialogue's tables keep every row they have always printed: a leg
  // half a millimetre short of Cape Town to Sydney (5957.7447565 NM by exact
  // integration of the section) leaves a last row of 0.000000 at the
  // destination. (The command line merges it: NoWaypointAMillimetreFromTheDestination.)
  const Session s = Play("1\n2\n3\n5957.744756\n1\ny\n",
                         "Cape Town\t-33.9249 18.4241\nSydney\t-33.8688 151.2093\n");
  EXPECT_NE(s.File("waypoints.dat")
                .find("\n 1   -33.868800  151.209300   38.198376  5957.744756   5957.744756\n"
                      " 2   -33.868800  151.209300      *         0.000000   5957.744756\n"),
            std::string::npos)
      << s.File("waypoints.dat");
}

TEST(Dialogue, LineEndsChangeNothing) {
  // (The last script ends on the method's answer: without a line end it
  // still counts, and the table is made.)
  const char* scripts[] = {"3\n4\n3\n700\n1\nn\n0\n33 55 30 S\n18 25 26.8 E\n2\n2\n5\n2\ny\n",
                           "0\n-10\n-20\n0\n10\n20\n1\n3\ny\n", "1\n2\n3\n1000\n2\ny\n",
                           "3\n4\n2\n5\n1\n"};
  const char list[] = "Origin\t0 0\nSixty East\t0 60\nNorth\t50 -10\nSouth\t-33.865 -151.2093\n";
  for (const std::string lf : scripts) {
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string unended = lf.substr(0, lf.size() - 1);
    const Session a = Play(lf), b = Play(crlf), c = Play(unended);
    EXPECT_EQ(a.out, b.out) << lf;
    EXPECT_EQ(a.out, c.out) << lf;
    EXPECT_EQ(a.File("waypoints.dat"), b.File("waypoints.dat"));
    EXPECT_EQ(a.File("waypoints.dat"), c.File("waypoints.dat"));
    EXPECT_NE(a.File("waypoints.dat"), "");
    // And the location list with CR LF and without its last line end.
    std::string listCrlf;
    for (char ch : std::string(list))
      listCrlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const std::string listUnended(list, sizeof list - 2);
    EXPECT_EQ(Play(lf, listCrlf.c_str()).out, a.out) << lf;
    EXPECT_EQ(Play(lf, listUnended.c_str()).out, a.out) << lf;
  }
}

TEST(Dialogue, AnswersAfterBlanksAndEmptyLines) {
  // Blank lines and leading blanks before a count, a leg distance, a method
  // and the exit answer are skipped, as before any other answer.
  const Session a = Play("3\n4\n3\n700\n1\ny\n");
  const Session b = Play("3\n4\n3\n\n \t\v\f 700\n\n 1\n\n   y\n");
  EXPECT_EQ(a.File("waypoints.dat"), b.File("waypoints.dat"));
  EXPECT_NE(a.File("waypoints.dat"), "");
  EXPECT_EQ(b.status, 0);
  EXPECT_EQ(b.out.substr(b.out.size() - 13), "\nExit (y/n)? ");  // y ended it: no new listing
  // Empty lines at the waypoint menu are skipped too: the menu once.
  const Session m = Play("3\n4\n\n\n3\n700\n1\ny\n");
  EXPECT_EQ(m.File("waypoints.dat"), a.File("waypoints.dat"));
  EXPECT_EQ(m.out.find("Press 3 to continue"), m.out.rfind("Press 3 to continue"));
  const Session c = Play("3\n4\n2\n\n5\n1\ny\n");  // an empty line before the count
  EXPECT_NE(c.out.find("\n 6   -33.865000"), std::string::npos);
  // A hemisphere letter after stray fields still counts (up to the eighth field).
  const Session d = Play("0\n33 55 30 x x x x S\n18 25\n1\n3\n1000\n1\ny\n");
  EXPECT_NE(d.out.find("latitude (degrees) = -33.925\n"), std::string::npos) << d.out;
}

TEST(Dialogue, RouteFileFigures) {
  // The GPX description's total is the table's last total.
  for (const char* script : {"3\n4\n3\n700\n1\ny\n", "3\n4\n2\n5\n2\ny\n", "1\n2\n1\n3\ny\n"}) {
    const Session s = Play(script);
    const std::string table = s.File("waypoints.dat"), gpx = s.File("waypoints.gpx");
    const std::string last = table.substr(table.rfind(' ', table.size() - 2) + 1);
    const std::size_t at = gpx.find("; total distance ");
    ASSERT_NE(at, std::string::npos) << script;
    EXPECT_EQ(gpx.substr(at + 17, last.size() - 1), last.substr(0, last.size() - 1)) << script;
    EXPECT_NE(last, "0.000000\n");
  }
}
