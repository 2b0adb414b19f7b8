// The interface's rules for what it is given and what it gives: one
// position at the 180th meridian, at longitude 0 and at the poles; angles on
// the axes; azimuths below 360; the number writer's rounding; text made
// printable for files and terminals.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "api/rows.h"
#include "elliptic/ellipsoid.h"
#include "reference.h"
#include "sailings/places.hpp"
#include "sailings/sailings.hpp"
#include "sailings/text.hpp"

TEST(Rules, PositionRulesAtTheMeridiansAndPoles) {
  const struct {
    double lat1, lon1, lat2, lon2;
    bool same;
  } cases[] = {
      {10, 180, 10, -180, true},
      {10, 0, 10, 360, true},
      {10, 0, 10, -360, true},
      {10, 0, 10, 5e-9, true},
      {10, 0, 10, 2e-8, false},
      {10, -0.0, 10, 0.0, true},
      {10, 179.999999999, 10, -179.999999999, true},
      {10, 179.99999, 10, -179.99999, false},
      {90, 0, 90, 123, true},
      {-90, 0, -90, -45, true},
      {90, 0, -90, 0, false},
      {89.999999, 0, 89.999999, 180, false},
      {0, 0, 0, 180, false},
      {0, 0, 1e-9, 0, true},
      {100, 20, 80, -160, true},
      {10, 20, 10.00000002, 20, false},
  };
  for (const auto& c : cases) {
    const sailings::Place p = sailings::StorePlace("p", c.lat1, c.lon1);
    const sailings::Place q = sailings::StorePlace("q", c.lat2, c.lon2);
    EXPECT_EQ(sailings::SamePosition(p, q), c.same)
        << c.lat1 << " " << c.lon1 << " " << c.lat2 << " " << c.lon2;
    EXPECT_EQ(sailings::SamePosition(q, p), c.same);
  }
}

TEST(Rules, TheNumberWriter) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{-1e-9, 6, "0.000000"},
               {-4e-7, 6, "0.000000"},
               {-6e-7, 6, "-0.000001"},
               {-0.0, 3, "0.000"},
               {-0.4, 0, "0"},
               {-0.6, 0, "-1"},
               {-1e-13, 12, "0.000000000000"},
               {123.4565, 3, "123.457"},
               {0.125, 2, "0.12"},
               {2.5, 0, "2"},
               {359.9999996, 6, "360.000000"},
               {-33.9249, 4, "-33.9249"},
               {1e20, 2, "100000000000000000000.00"}};
  for (const auto& c : cases) {
    char text[400];
    EXPECT_EQ(std::string(text, sailings::FormatNumber(text, c.value, c.decimals)), c.text)
        << c.value;
  }
}

TEST(Rules, AngleRulesOnTheAxes) {
  // The direction angle of (x, y) in (-pi, pi] and the full-circle azimuth
  // in [0, 2pi), on and off the axes, signed zeros included.
  const struct {
    double y, x, angle, azimuth;
  } cases[] = {{0, 0, 0, 0},      {0, 1, 0, 0},           {1, 0, 90, 90},
               {0, -1, 180, 180}, {-1, 0, -90, 270},      {-0.0, -1, 180, 180},
               {1, -1, 135, 135}, {-1, -1, -135, 225},    {-1, 1, -45, 315},
               {1, 1, 45, 45},    {1e-300, -1, 180, 180}, {-1e-300, -1, -180, 180}};
  for (const auto& c : cases) {
    EXPECT_NEAR(sailings::AngleOf(c.y, c.x) / ref::kDeg, c.angle, 1e-12) << c.y << " " << c.x;
    EXPECT_NEAR(sailings::FullCircleAzimuth(c.y, c.x) / ref::kDeg, c.azimuth, 1e-12)
        << c.y << " " << c.x;
  }
}

TEST(Rules, AzimuthsOfTheInterfaceAreBelow360) {
  // The computation's angles (radians, due north sometimes 2 pi or a hair
  // below 0) as the interface gives them: degrees in [0, 360), never -0.
  const double twoPi = 2 * M_PI;
  const struct {
    double radians, degrees;
  } cases[] = {{0, 0},           {-0.0, 0},       {twoPi, 0},
               {-1e-17, 0},      {-1e-15, 0},     {M_PI, 180},
               {-M_PI / 2, 270}, {3 * M_PI, 180}, {std::nextafter(twoPi, 0), 0}};
  for (const auto& c : cases) {
    const double d = sailings::AzimuthDegrees(c.radians);
    EXPECT_GE(d, 0) << c.radians;
    EXPECT_LT(d, 360) << c.radians;
    EXPECT_LT(ref::AngleDiff(d, c.degrees), 1e-9) << c.radians;
    EXPECT_FALSE(std::signbit(d)) << c.radians;
  }
}

TEST(Rules, TextThatReachesFilesAndTerminals) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"Tromsø", "Tromsø"},
               {"\xEF\xBF\xBF", "???"},
               {"\xEF\xBF\xBE", "???"},
               {"\xED\xA0\x80", "???"},
               {"\xC0\xAF", "??"},
               {"\xF4\x90\x80\x80", "????"},
               {"a\tb\x7f", "a?b?"},
               {"\xE2\x80\x99", "\xE2\x80\x99"},
               {"\xF4\x8F\xBF\xBD", "\xF4\x8F\xBF\xBD"},
               {"\xF0\x9F\x8C\x8A", "\xF0\x9F\x8C\x8A"}};
  for (const auto& c : cases) EXPECT_EQ(sailings::PrintableText(c.in), c.out) << c.in;
  EXPECT_EQ(sailings::PrintableText(std::string(100, 'x'), 60), std::string(60, 'x') + "...");
}
