// The console dialogue, run in-process on scripted input in a folder of its
// own: exact texts and formats, refusals, statuses and the end of input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "session.h"
#include "sailings/driver.h"



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
const char kHint[] =
    "Give coordinates in Degrees or in Degrees Minutes Seconds \n"
    "divided by space, comma, collon, or slash character.\n\n";
const char kNoSuch[] = "No such location in list. Please try again.\n";
const char kSame[] = "Departure and Destination locations are the same. Please try again.\n";
const char kMenu[] =
    "Calculation of the geographic coordinates of Intermediate Waypoints\n"
    "at the desired leg distance along the Great Elliptic Arc\n"
    "Press 3 to continue\n";
const char kMethod[] = "\n\nPlease choose a method:\n\n  1. Elliptic\n  2. Loxodrome\n\n  ? ";
const char kTableHead[] =
    "\n\nWP    latitude    longitude    azimuth   legdistance  totaldistance\n"
    "----------------------------------------------------------------------\n";

std::string Fixed(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

const std::string kListingFirst =
    "1.  Origin  ( 0 , 0 )\n2.  Sixty East  ( 0 , 60 )\n3.  North  ( 50 , -10 )\n"
    "4.  South  ( -33.865 , -151.209 )\n";
const std::string kListingLater =
    "1.  Origin  ( 0.000000 , 0.000000 )\n2.  Sixty East  ( 0.000000 , 60.000000 )\n"
    "3.  North  ( 50.000000 , -10.000000 )\n4.  South  ( -33.865000 , -151.209300 )\n";

}  // namespace

TEST(Dialogue, ReportTableAndFormatsOfAWholeSession) {
  // Along the equator a third of the way round: both sailings are a pi/3.
  const std::string nm = Fixed(6378137.0 * 3.141592653589793 / 3 / 1852);
  const Session s = Play("0\n0\n0 0 0\n2\n1\n0\nn\n");
  const std::string table = std::string(kTableHead) +
                            " 0     0.000001    0.000000      *            *           *\n"
                            " 1     0.000001   60.000000   90.000000  " + nm + "   " + nm + "\n";
  const std::string expected =
      std::string(kBanner) + kListingFirst + kDeparture + kHint +
      "Give latitude for departure: latitude (degrees) = 0\n"
      "Give longitude of departure: longitude (degrees) = 0\n" +
      kDestination + "\n Calculating route from A to Sixty East ...\n\n" +
      "GREAT ELLIPTIC ARC DISTANCE (in nautical miles):" + nm + "\n" +
      "\nForward Great Elliptic Arc Azimuth (degrees): 90.000000\n"
      "Inverse Great Eliptic Arc Azimuth (degrees): 270.000000\n"
      "\nLOXODROME COURSE:90.000000\n"
      "\nLOXODROME DISTANCE (in nautical miles):" + nm + "\n\n" +
      kMenu + "\n" +
      "\nCalculation of Waypoints, at certain number of intermediate longitudes.\n\n"
      "Please give number of intermediate waypoints to calculate:" +
      table + "\nExit (y/n)? \n\n" + kListingLater + kDeparture + "\n";
  EXPECT_EQ(s.out, expected);
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.File("waypoints.dat"), table);
  EXPECT_EQ(s.err, "");
}

TEST(Dialogue, TypedPositionsEchoInTheCurrentFormat) {
  const Session s = Play("0\n12 30\n-20:15\n3\n1\n0\nn\n0\n12.5\n-20.25\n3\n1\n0\ny\n");
  EXPECT_NE(s.out.find("latitude (degrees) = 12.5\nGive longitude of departure: "
                       "longitude (degrees) = -19.75\n"),
            std::string::npos);
  EXPECT_NE(s.out.find("latitude (degrees) = 12.500000\nGive longitude of departure: "
                       "longitude (degrees) = -20.250000\n"),
            std::string::npos);
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.out.substr(s.out.size() - 13), "\nExit (y/n)? ");
}

TEST(Dialogue, BadChoicesAreRefusedAndAskedAgain) {
  const Session s = Play("abc\n\n99\n-1\n2147483648\n3 4\n1\n0\ny\n");
  const std::string again = std::string(kNoSuch) + kDeparture;
  const std::string expected = std::string(kDeparture) + again + again + again + again + again +
                               kDestination + "\n Calculating route from North to South ...";
  EXPECT_NE(s.out.find(expected), std::string::npos) << s.out;
}

TEST(Dialogue, SamePositionsAreRefusedByPosition) {
  // The same entry; two poles at different longitudes; 180 and -180; and a
  // typed position equal to a listed one.
  for (const char* script : {"1\n1\n", "0\n90\n10\n0\n90\n-170\n", "0\n10\n180\n0\n10\n-180\n",
                             "0\n50\n350\n3\n"}) {
    const Session s = Play(std::string(script) + "1\n2\n1\n0\ny\n");
    EXPECT_NE(s.out.find(std::string(kSame) + kDeparture), std::string::npos) << script;
    EXPECT_NE(s.out.find("Calculating route from Origin to Sixty East"), std::string::npos);
  }
}

TEST(Dialogue, EndOfInputAfterEveryAnswerEndsCleanly) {
  const std::vector<std::string> answers = {"0", "1 2 3", "45", "3", "2", "1000", "1", "n",
                                            "4", "1",     "3",  "0.5", "n", "2", "3", "2",
                                            "3", "2",     "y"};
  std::string script;
  for (std::size_t k = 0; k <= answers.size(); ++k) {
    const Session s = Play(script);
    EXPECT_EQ(s.status, 0) << k;
    EXPECT_EQ(s.out.back(), k == answers.size() ? ' ' : '\n') << k;
    if (k < answers.size()) script += answers[k] + "\n";
  }
  // A last line without its line end still counts.
  const Session s = Play("3\n4\n3\n1000\n2\ny");
  EXPECT_NE(s.out.find("Exit (y/n)? "), std::string::npos);
  EXPECT_EQ(s.status, 0);
}

TEST(Dialogue, WaypointFileIsTheConsoleTable) {
  for (const char* script : {"3\n4\n2\n5\n1\ny\n", "3\n4\n2\n5\n2\ny\n", "3\n4\n3\n700\n1\ny\n",
                             "3\n4\n3\n700\n2\ny\n", "3\n4\n1\n7\ny\n"}) {
    const Session s = Play(script);
    const std::string file = s.File("waypoints.dat");
    ASSERT_FALSE(file.empty()) << script;
    const std::size_t at = s.out.find(file);
    ASSERT_NE(at, std::string::npos) << script;
    EXPECT_EQ(s.out.substr(at + file.size()), "\nExit (y/n)? ");
  }
  // Mode 3 with the rhumb line counts legs along the rhumb line itself: 357
  // waypoints, then the destination.
  const Session s = Play("0\n10\n-20\n0\n30\n40\n3\n10\n2\ny\n");
  EXPECT_NE(s.out.find("\n358    30.000000   40.000000      *         4.346485"),
            std::string::npos);
}

TEST(Dialogue, StatusesAndEarlyEnds) {
  // A leg below one mile.
  Session s = Play("3\n4\n3\n0.5\nn\n3\n4\n3\nnan\ny\n");
  EXPECT_NE(s.out.find("Please give the leg distance in N.M.:\n\nERROR!! Distance munt be larger "
                       "than 1 N.M. !!\n\n\nExit (y/n)? "),
            std::string::npos);
  EXPECT_EQ(s.File("waypoints.dat"), "");
  // Exactly one mile is accepted.
  s = Play("3\n4\n3\n1\n1\ny\n");
  EXPECT_EQ(s.out.find("ERROR"), std::string::npos);
  // The waypoint file cannot be written.
  s = Play("3\n4\n3\ny\n");
  s.dir = Scratch();
  std::ofstream(s.dir / "input.txt") << kList;
  fs::create_directory(s.dir / "waypoints.dat");
  {
    std::istringstream in("3\n4\n3\ny\n");
    std::ostringstream out, err;
    EXPECT_EQ(sailings::RunSailings(in, out, err, s.dir, false), 0);
    EXPECT_NE(out.str().find(std::string(kMenu) +
                             "\n\n\nERROR!! Cannot open files to write waypoint information. "
                             "Please make sure they are not in use. !!\n\n\nExit (y/n)? "),
              std::string::npos);
  }
  // Count 0 in mode 2 and an unknown method: no table, an empty file.
  s = Play("3\n4\n2\n0\ny\n");
  EXPECT_EQ(s.out.find("Please choose a method"), std::string::npos);
  EXPECT_EQ(s.File("waypoints.dat"), "");
  s = Play("3\n4\n2\n4\n3\ny\n");
  EXPECT_NE(s.out.find(std::string(kMethod) + "\nExit (y/n)? "), std::string::npos);
  EXPECT_EQ(s.File("waypoints.dat"), "");
}

TEST(Dialogue, CountsBeyondTheLimitsAndBadMenuAnswers) {
  Session s = Play("3\n4\nabc\n0\n4\n1\n-1\n100001\n2147483648\n2\ny\n");
  EXPECT_NE(s.out.find(std::string(kMenu) + "\n" + kMenu + "\n" + kMenu + "\n" + kMenu),
            std::string::npos);
  const std::string refusal =
      "Please give number of intermediate waypoints to calculate:"
      "The number of waypoints must be from 0 to 100000. Please try again.\n";
  EXPECT_NE(s.out.find(refusal + refusal + refusal +
                       "Please give number of intermediate waypoints to calculate:" + kTableHead),
            std::string::npos);
  s = Play("3\n4\n2\n100001\n1\n1\ny\n");
  EXPECT_NE(s.out.find("The number of waypoints must not be more than 100000. Please try again.\n"
                       "Please give number of intermediate waypoints to calculate:" +
                       std::string(kMethod)),
            std::string::npos);
}

TEST(Dialogue, MeridianRouteHasNoIntermediateLongitudes) {
  const Session s = Play("0\n10\n30\n0\n50\n30\n1\ny\n");
  EXPECT_NE(s.out.find(std::string(kMenu) +
                       "\nThis route runs along a meridian: it has no intermediate longitudes "
                       "(choose 2 or 3 for waypoints along it).\n\nExit (y/n)? "),
            std::string::npos);
  EXPECT_NE(s.out.find("GREAT ELLIPTIC ARC DISTANCE (in nautical miles):2394.70"), std::string::npos);
}

TEST(Dialogue, LocationListProblems) {
  Session s = Play("y\n", nullptr);
  EXPECT_EQ(s.status, -2);
  EXPECT_EQ(s.out, kBanner);
  EXPECT_EQ(s.err, "Cannot open input.txt: the location list is read from the working directory.\n");
  // No usable record: only typed positions; malformed lines are named.
  s = Play("1\n0\n1\n2\n0\n3\n4\n2\n0\ny\n", "garbage line\n\n");
  EXPECT_EQ(s.err, "input.txt: line 1 skipped: no tab after the name\n");
  EXPECT_NE(s.out.find(std::string(kBanner) + kDeparture + kNoSuch), std::string::npos);
  EXPECT_NE(s.out.find("Calculating route from A to B"), std::string::npos);
}
