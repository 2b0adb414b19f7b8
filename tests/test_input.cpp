// Reading what the user gives: the location list file, typed coordinates, and
// the console answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "input/console_reader.h"
#include "input/decimal.h"
#include "input/location_list.h"
#include "sailings/coordinates.h"

using namespace sailings;
namespace fs = std::filesystem;

namespace {

// A scratch folder of its own for each test.
fs::path Scratch() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  fs::path dir = fs::temp_directory_path() /
                 (std::string("sailings-") + info->test_suite_name() + "-" + info->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<vector3d> Load(const std::string& contents, std::string* warnings = nullptr) {
  const fs::path file = Scratch() / "input.txt";
  std::ofstream(file, std::ios::binary) << contents;
  std::ostringstream err;
  auto list = LoadLocationList(file, err);
  if (warnings) *warnings = err.str();
  EXPECT_TRUE(list.has_value());
  return list ? *list : std::vector<vector3d>{};
}

double Degrees(const char* text) {
  char buffer[512];
  std::strncpy(buffer, text, sizeof buffer - 1);
  buffer[sizeof buffer - 1] = '\0';
  return degconverter(buffer);
}

}  // namespace

TEST(LocationList, WellFormedFileShapes) {
  const std::string lines = "Cape Town\t-33.9249 18.4241\nNew York\t40.7128\t-74.006\n Rio  \t4e1   -4.3E1\n";
  for (const std::string& contents :
       {lines, lines.substr(0, lines.size() - 1),  // no final line end
        std::string("Cape Town\t-33.9249 18.4241\r\nNew York\t40.7128\t-74.006\r\n Rio  \t4e1   -4.3E1\r\n")}) {
    const auto list = Load(contents);
    ASSERT_EQ(list.size(), 5u);  // typed departure, three records, typed destination
    EXPECT_EQ(list[1].get_name(), "Cape Town");
    EXPECT_NEAR(list[1].latitude(), -33.9249, 1e-12);
    EXPECT_NEAR(list[2].longitude(), -74.006, 1e-12);
    EXPECT_EQ(list[3].get_name(), " Rio  ");  // blanks of a name are kept
    EXPECT_NEAR(list[3].latitude(), 40, 1e-12);
    EXPECT_NEAR(list[3].longitude(), -43, 1e-12);
    EXPECT_EQ(list[0].get_name(), "A");
    EXPECT_EQ(list[4].get_name(), "B");
  }
  // Blanks after the longitude do not leak into the next name.
  const auto list = Load("One\t1 2   \t \nTwo\t3 4\n");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[2].get_name(), "Two");
}

TEST(LocationList, MalformedLinesAreSkippedWithTheirNumber) {
  std::string warnings;
  const auto list = Load(
      "Good\t1 2\n"
      "\n"
      "   \t  \n"
      "No tab 1 2\n"
      "\t1 2\n"
      "Letters\tabc 2\n"
      "Half\t12\n"
      "Huge\t1e400 2\n"
      "Nan\tnan 2\n"
      "Hex\t0x10 5\n"
      "Trailing\t1 2 junk\n"
      "Last\t-5 6",
      &warnings);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[1].get_name(), "Good");
  EXPECT_EQ(list[2].get_name(), "Last");
  for (const char* line : {"line 4 ", "line 5 ", "line 6 ", "line 7 ", "line 8 ", "line 9 ",
                           "line 10 ", "line 11 "}) {
    EXPECT_NE(warnings.find(std::string("input.txt: ") + line), std::string::npos) << line;
  }
  EXPECT_EQ(warnings.find("line 2 "), std::string::npos);  // blank lines are silent
  EXPECT_EQ(warnings.find("line 3 "), std::string::npos);
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 8);
}

TEST(LocationList, LongNamesControlCharactersAndMissingFiles) {
  const auto list = Load(std::string(5000, 'n') + "\t1 2\nBell\a\x1b[2J\t3 4\n");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[1].get_name(), std::string(255, 'n'));
  EXPECT_EQ(list[2].get_name(), "Bell??[2J");
  EXPECT_EQ(Load("").size(), 2u);  // no record: only typed positions

  const fs::path dir = Scratch();
  std::ostringstream err;
  EXPECT_FALSE(LoadLocationList(dir / "missing.txt", err).has_value());
  fs::create_directory(dir / "input.txt");
  EXPECT_FALSE(LoadLocationList(dir / "input.txt", err).has_value());
  EXPECT_EQ(filesize((dir / "missing.txt").c_str()), -1);
}

TEST(CoordinateEntry, NotationsSeparatorsAndSigns) {
  EXPECT_DOUBLE_EQ(Degrees("37.5"), 37.5);
  EXPECT_DOUBLE_EQ(Degrees("37 30"), 37.5);
  for (const char* text : {"37:30:36", "37/30/36", "37,30,36", ",37,,30,,36,"}) {
    EXPECT_DOUBLE_EQ(Degrees(text), 37.51) << text;
  }
  EXPECT_DOUBLE_EQ(Degrees("37 30.5"), 37 + 30.5 / 60);
  EXPECT_DOUBLE_EQ(Degrees("-37 30"), -36.5);
  EXPECT_DOUBLE_EQ(Degrees("-37 -30"), -37.5);
  EXPECT_DOUBLE_EQ(Degrees("37,5"), 37 + 5 / 60.0);  // a decimal comma is a separator
  EXPECT_DOUBLE_EQ(Degrees(",37,,30,"), 37.5);
  EXPECT_DOUBLE_EQ(Degrees("37\t30"), 37);  // a tab is not
  EXPECT_DOUBLE_EQ(Degrees("N 37 30"), 37 / 60.0 + 30 / 3600.0);  // a letter takes a slot
  EXPECT_DOUBLE_EQ(Degrees("37 30 N"), 37.5);
  EXPECT_DOUBLE_EQ(Degrees("- 37"), 37 / 60.0);
  EXPECT_DOUBLE_EQ(Degrees(""), 0);
  EXPECT_DOUBLE_EQ(Degrees("1 2 3 4 5"), 1 + 2 / 60.0 + 3 / 3600.0);
  EXPECT_DOUBLE_EQ(Degrees("37abc 30"), 37.5);
  char buffer[] = "10:20";
  degconverter(buffer);
  EXPECT_EQ(buffer[2], '\0');  // split in place
}

TEST(CoordinateEntry, NothingBecomesInfiniteOrNotANumber) {
  for (const char* text : {"1e400", "nan", "inf", "-inf", "infinity", "0x10", "1.8e308 1.8e308",
                           "1.79e308 1.79e308 1.79e308", "e5", ".", "+-3"}) {
    const double value = Degrees(text);
    EXPECT_TRUE(std::isfinite(value)) << text;
    EXPECT_EQ(value, 0.0) << text;
  }
  EXPECT_DOUBLE_EQ(Degrees("1e2"), 100);
  EXPECT_DOUBLE_EQ(Degrees(".5"), 0.5);
  EXPECT_DOUBLE_EQ(Degrees("1e"), 1);
  std::size_t used = 0;
  EXPECT_FALSE(ParseDecimalPrefix("1e999", used).has_value());
  EXPECT_EQ(used, 5u);
  EXPECT_DOUBLE_EQ(ParseDecimalPrefix("-2.5e-1x", used).value(), -0.25);
  EXPECT_EQ(used, 7u);
}

TEST(ConsoleAnswers, NumbersLinesAndTheEndOfInput) {
  std::istringstream in("3 5\n\nabc\n99999999999999999999999\n-7\n0 junk\nlat line\n");
  ConsoleReader reader(in);
  long long v = 0;
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kOk);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kOk);  // the rest of the line
  EXPECT_EQ(v, 5);
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kNotNumber);  // an empty line
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kNotNumber);  // letters
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kOk);
  EXPECT_EQ(v, LLONG_MAX);  // saturates, never wraps
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kOk);
  EXPECT_EQ(v, -7);
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kOk);
  EXPECT_EQ(v, 0);
  reader.DiscardRestOfAnswerLine();  // " junk"
  std::string fields;
  EXPECT_EQ(reader.ReadCoordinateLine(fields), ConsoleReader::kOk);
  EXPECT_EQ(fields, "lat line");
  EXPECT_EQ(reader.ReadInteger(v, true), ConsoleReader::kEnd);
  EXPECT_TRUE(reader.ended());

  // A coordinate line longer than any buffer is read whole, first three fields.
  std::istringstream longLine(std::string(300, ' ') + "12 30 " + std::string(100000, '7') +
                              " 9 9\nnext\n");
  ConsoleReader r2(longLine);
  EXPECT_EQ(r2.ReadCoordinateLine(fields), ConsoleReader::kOk);
  EXPECT_EQ(fields.substr(0, 6), "12 30 ");
  EXPECT_EQ(r2.ReadCoordinateLine(fields), ConsoleReader::kOk);
  EXPECT_EQ(fields, "next");

  std::istringstream reals("2.5\nnan\n1e400\n 7 \n");
  ConsoleReader r3(reals);
  double d = 0;
  EXPECT_EQ(r3.ReadReal(d), ConsoleReader::kOk);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(r3.ReadReal(d), ConsoleReader::kNotNumber);
  EXPECT_EQ(r3.ReadReal(d), ConsoleReader::kNotNumber);
  char c = 0;
  EXPECT_EQ(r3.ReadCharacter(c), ConsoleReader::kOk);
  EXPECT_EQ(c, '7');
  EXPECT_EQ(r3.ReadCharacter(c), ConsoleReader::kEnd);
}
