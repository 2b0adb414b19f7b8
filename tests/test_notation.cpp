// The navigator's notation: tokens read against GeographicLib's DMS reader
// (the reader of GeoConvert and GeodSolve), the dialogue's fields against
// hand-worked values, refusals with their reasons, and the writer against
// GeographicLib's DMS encoder.
#include <gtest/gtest.h>

#include <tuple>

#include <GeographicLib/DMS.hpp>

#include <cmath>
#include <string>

#include "input/location_list.h"
#include "sailings/coordinates.hpp"
#include "session.h"

using namespace sailings;
using GeographicLib::DMS;

namespace {

// GeographicLib's reading of a token, with the axis its letter implies.
double Reference(const std::string& token, Axis axis) {
  DMS::flag ind;
  const double value = DMS::Decode(token, ind);
  EXPECT_TRUE(ind == DMS::NONE || (ind == DMS::LATITUDE) == (axis == Axis::latitude)) << token;
  return value;
}

}  // namespace

TEST(Notation, TokensReadAsGeographicLibReadsThem) {
  const struct {
    const char* token;
    Axis axis;
  } cases[] = {
      {"-33.9249", Axis::latitude},
      {"+18.4241", Axis::longitude},
      {"151.2093", Axis::longitude},
      {"33.9249S", Axis::latitude},
      {"S33.9249", Axis::latitude},
      {"18.4241E", Axis::longitude},
      {"18.4241e", Axis::longitude},
      {"w74.006", Axis::longitude},
      {"33\u00b055.5'S", Axis::latitude},
      {"33d55'30\"S", Axis::latitude},
      {"33:55:30S", Axis::latitude},
      {"-33:55:30", Axis::latitude},
      {"018\u00b025'26.8\"E", Axis::longitude},
      {"33\u00ba55\u203230\u2033N", Axis::latitude},
      {"74\u00b00\u201922\u201dW", Axis::longitude},
      {"1d2'3''", Axis::longitude},
      {"30'", Axis::latitude},
      {"33''", Axis::latitude},
      {"33d5", Axis::latitude},
      {"33:5.25", Axis::latitude},
      {"0:0:59.999", Axis::longitude},
      {"90", Axis::latitude},
      {"-180", Axis::longitude},
      {"540", Axis::longitude},
      {".5", Axis::latitude},
      {"7.", Axis::latitude},
      {"N0", Axis::latitude},
      {"0:30S", Axis::latitude},
  };
  for (const auto& c : cases) {
    double degrees = -999;
    ASSERT_EQ(ParseCoordinate(c.token, c.axis, degrees), Status::ok) << c.token;
    EXPECT_NEAR(degrees, Reference(c.token, c.axis), 1e-12) << c.token;
  }
}

TEST(Notation, TokenRefusalsAndTheirReasons) {
  const struct {
    const char* token;
    Axis axis;
    Status status;
    bool geographicLibRefuses;  // its reader refuses the token as well
  } cases[] = {
      {"33.9249E", Axis::latitude, Status::latitude_with_e_or_w, false},
      {"18N", Axis::longitude, Status::longitude_with_n_or_s, false},
      {"N33N", Axis::latitude, Status::two_hemispheres, true},
      {"33NS", Axis::latitude, Status::two_hemispheres, true},
      {"-33S", Axis::latitude, Status::sign_and_hemisphere, false},
      {"S-33", Axis::latitude, Status::sign_and_hemisphere, false},
      {"S", Axis::latitude, Status::hemisphere_without_number, true},
      {"33:75", Axis::latitude, Status::minutes_or_seconds_60, true},
      {"33:59:60", Axis::latitude, Status::minutes_or_seconds_60, true},
      {"33d60'", Axis::latitude, Status::minutes_or_seconds_60, true},
      {"1.5:30", Axis::latitude, Status::decimal_point_not_last, true},
      {"33.5d30'", Axis::latitude, Status::decimal_point_not_last, true},
      {"33'5d", Axis::latitude, Status::marks_out_of_order, true},
      {"33Nx", Axis::latitude, Status::unexpected_text, true},
      {"33d5:30", Axis::latitude, Status::marks_out_of_order, false},
      {"1:2:3:4", Axis::latitude, Status::unexpected_text, true},
      {"33:", Axis::latitude, Status::unexpected_text, true},
      {"33:-55", Axis::latitude, Status::unexpected_text, true},
      {"0x10", Axis::latitude, Status::unexpected_text, true},
      {"33 55", Axis::latitude, Status::unexpected_text, true},
      {"", Axis::latitude, Status::not_a_number, true},
      {"-", Axis::latitude, Status::not_a_number, true},
      {"nan", Axis::latitude, Status::not_a_number, false},
      {"inf", Axis::longitude, Status::not_a_number, false},
      {"1e400", Axis::longitude, Status::number_out_of_range, true},
      {"90.000001", Axis::latitude, Status::latitude_beyond_90, true},
      {"-91", Axis::latitude, Status::latitude_beyond_90, true},
  };
  for (const auto& c : cases) {
    double degrees = -999;
    EXPECT_EQ(ParseCoordinate(c.token, c.axis, degrees), c.status) << c.token;
    EXPECT_EQ(degrees, -999) << c.token;  // untouched
    if (c.geographicLibRefuses) {
      bool refused = false;
      try {
        DMS::flag ind;
        const double value = DMS::Decode(c.token, ind);
        refused = (c.axis == Axis::latitude && std::fabs(value) > 90) ||
                  (ind != DMS::NONE && (ind == DMS::LATITUDE) != (c.axis == Axis::latitude));
      } catch (const GeographicLib::GeographicErr&) {
        refused = true;
      }
      EXPECT_TRUE(refused) << c.token;
    }
  }
  // Plain decimal numbers may carry an exponent; a letter after the digits
  // is a hemisphere.
  double degrees = 0;
  EXPECT_EQ(ParseCoordinate("4e1", Axis::latitude, degrees), Status::ok);
  EXPECT_EQ(degrees, 40);
  EXPECT_EQ(ParseCoordinate("1E2", Axis::longitude, degrees), Status::ok);
  EXPECT_EQ(degrees, 100);
  EXPECT_EQ(ParseCoordinate("1E", Axis::longitude, degrees), Status::ok);
  EXPECT_EQ(degrees, 1);
}

TEST(Notation, DialogueFieldsHandWorked) {
  const double dms = 33 + 55 / 60.0 + 30 / 3600.0;  // 33.925
  const struct {
    const char* text;
    Axis axis;
    double degrees;
  } cases[] = {
      {"33 55 30 S", Axis::latitude, -dms},
      {"S 33 55 30", Axis::latitude, -dms},
      {"33,55,30,s", Axis::latitude, -dms},
      {"33:55:30S", Axis::latitude, -dms},
      {"33/55/30", Axis::latitude, dms},
      {"-33 -55 -30", Axis::latitude, -dms},
      {"-33 55 30", Axis::latitude, -33 + 55 / 60.0 + 30 / 3600.0},  // each field its sign
      {"74 0 22 W", Axis::longitude, -(74 + 22 / 3600.0)},
      {"33\u00b055.5'S", Axis::latitude, -(33 + 55.5 / 60)},
      {"33d55'30\" S", Axis::latitude, -dms},
      {"S33.5", Axis::latitude, -33.5},
      {"37 30 N", Axis::latitude, 37.5},
      {"N 37 30", Axis::latitude, 37.5},
      {"37 x 30", Axis::latitude, 37 + 30 / 3600.0},  // text takes a slot as 0
      {"- 37", Axis::latitude, 37 / 60.0},
      {"", Axis::latitude, 0},
      {"1 2 3 4", Axis::latitude, 1 + 2 / 60.0 + 3 / 3600.0},
      {"100", Axis::latitude, 100},
      {"59.999 59.999", Axis::latitude, 59.999 + 59.999 / 60},
      {"nan", Axis::latitude, 0},
      {"1e400 30", Axis::latitude, 0.5},
      // A mark that would go back takes the next place: seconds here.
      {"30 20' 10\u00b0", Axis::latitude, 30 + 20 / 60.0 + 10 / 3600.0},
      {"30' 10", Axis::latitude, 30 / 60.0 + 10 / 3600.0},
  };
  for (const auto& c : cases) {
    double degrees = -999;
    ASSERT_EQ(ParseTypedCoordinate(c.text, c.axis, degrees), Status::ok) << c.text;
    EXPECT_NEAR(degrees, c.degrees, 1e-12) << c.text;
  }
  const struct {
    const char* text;
    Axis axis;
    Status status;
  } refusals[] = {
      {"33 75", Axis::latitude, Status::minutes_or_seconds_60},
      {"-33,925", Axis::latitude, Status::minutes_or_seconds_60},  // a decimal comma
      {"33 0 60", Axis::latitude, Status::minutes_or_seconds_60},
      {"33 -60", Axis::latitude, Status::minutes_or_seconds_60},
      {"-33 55 S", Axis::latitude, Status::sign_and_hemisphere},
      {"33 55 E", Axis::latitude, Status::latitude_with_e_or_w},
      {"74 N", Axis::longitude, Status::longitude_with_n_or_s},
      {"N 33 S", Axis::latitude, Status::two_hemispheres},
      {"S", Axis::latitude, Status::hemisphere_without_number},
  };
  for (const auto& r : refusals) {
    double degrees = -999;
    EXPECT_EQ(ParseTypedCoordinate(r.text, r.axis, degrees), r.status) << r.text;
    EXPECT_EQ(degrees, -999) << r.text;
  }
}

TEST(Notation, TheDialogueRefusesAndAsksAgain) {
  const Session s = Play("0\n33 75\n-33,925\n33 55 30 S\n74 0 22 W\n3\n3\n1000\n1\ny\n");
  EXPECT_NE(s.out.find("Give latitude for departure: Minutes and seconds must be below 60. Please "
                       "try again.\nGive latitude for departure: Minutes and seconds must be below "
                       "60. Please try again.\nGive latitude for departure: latitude (degrees) = "
                       "-33.925\nGive longitude of departure: longitude (degrees) = -74.0061\n"),
            std::string::npos)
      << s.out;
  const Session t = Play("1\n0\n10 E\n10 W\n10 N\n");
  EXPECT_NE(t.out.find("Give latitude for destination: A latitude takes N or S, not E or W. Please "
                       "try again.\nGive latitude for destination: A latitude takes N or S, not E "
                       "or W. Please try again.\nGive latitude for destination: latitude (degrees) "
                       "= 10\nGive longitude of destination: "),
            std::string::npos)
      << t.out;
}

TEST(Notation, LocationListLinesInTheNotation) {
  const fs::path file = Scratch() / "input.txt";
  std::ofstream(file, std::ios::binary)
      << "Cape Town\t33\u00b055'29.6\"S 18d25'26.8\"E\nColons\t-33:55:30\t018:25:26.8E\r\n"
         "Wrong axis\t33.9E 18.4\nSixty\t33:60 1\nBoth\t-33S 18\nBeyond\t100 20";
  std::ostringstream warnings;
  const auto list = LoadPlaces(file, warnings);
  ASSERT_TRUE(list.has_value());
  ASSERT_EQ(list->size(), 3u);
  EXPECT_NEAR((*list)[0].lat, -(33 + 55 / 60.0 + 29.6 / 3600), 1e-9);
  EXPECT_NEAR((*list)[0].lon, 18 + 25 / 60.0 + 26.8 / 3600, 1e-9);
  EXPECT_NEAR((*list)[1].lat, -33.925, 1e-9);  // the sign applies to the whole value
  EXPECT_NEAR((*list)[2].lat, 80, 1e-9);       // folded over the pole, as typed ones
  EXPECT_NEAR((*list)[2].lon, -160, 1e-9);
  EXPECT_EQ(warnings.str(),
            "input.txt: line 3 skipped: latitude: a latitude takes N or S, not E or W\n"
            "input.txt: line 4 skipped: latitude: minutes and seconds must be below 60\n"
            "input.txt: line 5 skipped: latitude: a sign and a hemisphere letter together\n");
}

TEST(Notation, WrittenAsGeographicLibEncodesIt) {
  const struct {
    double degrees;
    Axis axis;
    int decimals;
  } cases[] = {{-33.9249, Axis::latitude, 1},  {18.4241, Axis::longitude, 3},
               {-74.006, Axis::longitude, 0},  {59.99999999, Axis::latitude, 2},
               {0.0000001, Axis::latitude, 4}, {-179.9999999, Axis::longitude, 1},
               {45.5, Axis::latitude, 6}};
  for (const auto& c : cases) {
    const DMS::flag ind = c.axis == Axis::latitude ? DMS::LATITUDE : DMS::LONGITUDE;
    std::string dms = FormatCoordinate(c.degrees, c.axis, CoordinateStyle::dms, c.decimals);
    std::string dm = FormatCoordinate(c.degrees, c.axis, CoordinateStyle::dm, c.decimals);
    for (std::string* s : {&dms, &dm}) s->replace(s->find("\u00b0"), 2, "d");
    // GeographicLib pads degrees to two (three) digits; we write them as they are.
    auto unpadded = [](std::string s) {
      while (s.size() > 1 && s[0] == '0' && s[1] != 'd') s.erase(0, 1);
      return s;
    };
    EXPECT_EQ(dms, unpadded(DMS::Encode(c.degrees, DMS::SECOND, c.decimals, ind))) << c.degrees;
    EXPECT_EQ(dm, unpadded(DMS::Encode(c.degrees, DMS::MINUTE, c.decimals, ind))) << c.degrees;
    double back = 0;
    EXPECT_EQ(
        ParseCoordinate(FormatCoordinate(c.degrees, c.axis, CoordinateStyle::dms, 9), c.axis, back),
        Status::ok);
    EXPECT_NEAR(back, c.degrees, 1e-12);
  }
  EXPECT_EQ(FormatCoordinate(-0.0000001, Axis::latitude, CoordinateStyle::decimal, 6), "0.000000");
  EXPECT_EQ(FormatCoordinate(-33.92494, Axis::latitude, CoordinateStyle::decimal, 4), "-33.9249");
  // Chart labels: whole degrees, no letter on the lines dividing the hemispheres.
  for (const auto& [degrees, axis, text] : {std::tuple{-34.0, Axis::latitude, "34\u00b0S"},
                                            {29.6, Axis::latitude, "30\u00b0N"},
                                            {-0.3, Axis::latitude, "0\u00b0"},
                                            {180.0, Axis::longitude, "180\u00b0"},
                                            {-179.8, Axis::longitude, "180\u00b0"},
                                            {-179.4, Axis::longitude, "179\u00b0W"},
                                            {15.0, Axis::longitude, "15\u00b0E"}}) {
    EXPECT_EQ(FormatCoordinate(degrees, axis, CoordinateStyle::degrees, 0), text) << degrees;
  }
  // Land messages: the hemisphere of the value's sign.
  EXPECT_EQ(FormatPositionShort(-54.84, -68.26), "54.8S 68.3W");
  EXPECT_EQ(FormatPositionShort(-0.04, 190.0), "0.0S 170.0W");
}
