// Reading what the user gives: the location list file, typed coordinates and
// the console answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dialogue/typed_coordinates.h"
#include "input/location_list.h"
#include "sailings/schedule.hpp"
#include "sailings/text.hpp"
#include "session.h"

using namespace sailings;

namespace {

std::vector<Place> Load(const std::string& contents, std::string* warnings = nullptr) {
  const fs::path file = Scratch() / "input.txt";
  std::ofstream(file, std::ios::binary) << contents;
  std::ostringstream err;
  auto list = LoadPlaces(file, err);
  if (warnings) *warnings = err.str();
  return list.value_or(std::vector<Place>{});
}

double Degrees(const char* text) {
  double degrees = -999;
  EXPECT_EQ(degconverter(text, Axis::latitude, degrees), Status::ok) << text;
  return degrees;
}

}  // namespace

TEST(LocationList, FileShapes) {
  const std::string lf =
      "Cape Town\t-33.9249 18.4241\nNew York\t40.7128\t-74.006\n Rio  \t4e1   -4.3E1  \t\n";
  for (const std::string& contents :
       {lf, lf.substr(0, lf.size() - 1),
        std::string("Cape Town\t-33.9249 18.4241\r\nNew York\t40.7128\t-74.006\r\n Rio  \t4e1   "
                    "-4.3E1\r\n")}) {
    const auto list = Load(contents);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Cape Town");
    EXPECT_NEAR(list[1].lon, -74.006, 1e-12);
    EXPECT_EQ(list[2].name, " Rio  ");
    EXPECT_NEAR(list[2].lat, 40, 1e-12);
    EXPECT_EQ(FindPlace(list, "NEW york"), &list[1]);
    EXPECT_EQ(FindPlace(list, "Rio"), nullptr);
  }
  EXPECT_EQ(Load("").size(), 0u);
  const auto named = Load(std::string(5000, 'n') + "\t1 2\nBell\a\x1b[2J\t3 4\n");
  EXPECT_EQ(named[0].name, std::string(255, 'n'));
  EXPECT_EQ(named[1].name, "Bell??[2J");  // no escape sequences reach the console
}

TEST(LocationList, MalformedLinesAreSkippedAndNamed) {
  std::string warnings;
  const auto list = Load(
      "Good\t1 2\n\n   \t  \nNo tab 1 2\n\t1 2\nLetters\tabc 2\nHalf\t12\n"
      "Huge\t1e400 2\nNan\tnan 2\nHex\t0x10 5\nTrailing\t1 2 junk\nLast\t-5 6",
      &warnings);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].name, "Last");
  for (int line = 4; line <= 11; ++line) {
    EXPECT_NE(warnings.find("input.txt: line " + std::to_string(line) + " skipped: "),
              std::string::npos);
  }
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 8);  // blank lines are silent
  const fs::path dir = Scratch();
  fs::create_directory(dir / "input.txt");
  std::ostringstream err;
  EXPECT_FALSE(LoadPlaces(dir / "input.txt", err).has_value());
  EXPECT_FALSE(LoadPlaces(dir / "missing.txt", err).has_value());
}

TEST(CoordinateEntry, NotationsSeparatorsSignsAndNonNumbers) {
  const struct {
    const char* text;
    double degrees;
  } cases[] = {{"37.5", 37.5},
               {"37 30", 37.5},
               {"37:30:36", 37.51},
               {"37/30/36", 37.51},
               {"37,30,36", 37.51},
               {",37,,30,", 37.5},
               {"37 30.5", 37 + 30.5 / 60},
               {"-37 30", -36.5},
               {"-37 -30", -37.5},
               {"37,5", 37 + 5 / 60.0},
               {"37\t30", 37},
               {"N 37 30", 37.5},
               {"37 30 N", 37.5},
               {"- 37", 37 / 60.0},
               {"", 0},
               {"1 2 3 4", 1 + 2 / 60.0 + 3 / 3600.0},
               {".5", 0.5},
               {"1e2", 100},
               {"1e400", 0},
               {"nan", 0},
               {"inf", 0},
               {"-infinity", 0},
               {"0x10", 0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Degrees(c.text), c.degrees) << c.text;
  std::size_t used = 0;
  EXPECT_FALSE(ParseDecimalPrefix("1e999", used).has_value());
  EXPECT_DOUBLE_EQ(ParseDecimalPrefix("-2.5e-1x", used).value(), -0.25);
  EXPECT_EQ(used, 7u);
}

TEST(DepartureTimes, TheShapeIsCheckedBeforeAnyCalendar) {
  // Seconds since 1970 from Python's datetime; a fraction of a second is dropped.
  const struct {
    const char* text;
    std::int64_t seconds;
  } good[] = {{"2027-01-15T06:00Z", 1799992800},        {"2027-01-15T06:00:30+00:00", 1799992830},
              {"2027-01-15T06:00:30.999Z", 1799992830}, {"2000-02-29T12:34:56Z", 951827696},
              {"0001-01-01T00:00Z", -62135596800},      {"9999-12-31T23:59:59Z", 253402300799}};
  for (const auto& g : good) {
    std::int64_t seconds = 0;
    std::string why;
    EXPECT_TRUE(ParseUtcTime(g.text, seconds, why)) << g.text << ": " << why;
    EXPECT_EQ(seconds, g.seconds) << g.text;
  }
  // Near misses, each refused with its reason (the first two stopped the
  // date library's reader in undefined behaviour).
  const struct {
    const char* text;
    const char* reason;  // after "not an ISO 8601 time in UTC"
  } bad[] = {{"2027-01-15T06:30:Z", ": the seconds need two digits"},
             {"2027-01-15T06:3:Z", " (e.g. 2027-01-15T06:00Z)"},
             {"2027-01-15T06:Z", " (e.g. 2027-01-15T06:00Z)"},
             {"2027-1-15T06:00Z", " (e.g. 2027-01-15T06:00Z)"},
             {"2027-01-15T06:00", ": no time zone (Z or +00:00)"},
             {"2027-01-15T06:00:", ": the seconds need two digits"},
             {"2027-01-15T06:00:30.Z", ": a fraction of a second needs digits"},
             {"2027-01-15 06:00Z", " (e.g. 2027-01-15T06:00Z)"},
             {"0000-06-01T00:00Z", ": years run from 0001 to 9999"},
             {"10000-01-01T00:00Z", " (e.g. 2027-01-15T06:00Z)"},
             {"2027-13-01T00:00Z", ": no such month"},
             {"2027-00-01T00:00Z", ": no such month"},
             {"2027-02-29T00:00Z", ": no such day in that month"},
             {"2027-02-30T00:00Z", ": no such day in that month"},
             {"2027-04-31T00:00Z", ": no such day in that month"},
             {"2027-01-15T24:00Z", ": hours run from 00 to 23"},
             {"2027-01-15T06:60Z", ": minutes run from 00 to 59"},
             {"2016-12-31T23:59:60Z", ": no leap second can be planned"},
             {"2027-01-15T06:00+01:00", ": only UTC is taken (Z or +00:00)"},
             {"2027-01-15T06:00-00:00", ": only UTC is taken (Z or +00:00)"},
             {"2027-01-15T06:00Zjunk", " (e.g. 2027-01-15T06:00Z)"},
             {"", " (e.g. 2027-01-15T06:00Z)"}};
  for (const auto& b : bad) {
    std::int64_t seconds = 7;
    std::string why;
    EXPECT_FALSE(ParseUtcTime(b.text, seconds, why)) << b.text;
    EXPECT_EQ(why, std::string("not an ISO 8601 time in UTC") + b.reason) << b.text;
    EXPECT_EQ(seconds, 7) << b.text;
  }
}
