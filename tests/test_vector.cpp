// The position record: round trips through latitude and longitude, folding
// beyond the pole, the 180th meridian, names and the small vector algebra.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "vector/vector3d.h"

using sailings::vector3d;

TEST(PositionVector, RoundTripsAndFolding) {
  vector3d v;
  v.geo(1, 38.5, 23.6);
  EXPECT_NEAR(v.latitude(), 38.5, 1e-12);
  EXPECT_NEAR(v.longitude(), 23.6, 1e-12);
  v.geo(1, 100, 20);  // beyond the pole: the far side
  EXPECT_NEAR(v.latitude(), 80, 1e-12);
  EXPECT_NEAR(v.longitude(), -160, 1e-12);
  v.geo(1, 0, 190);
  EXPECT_NEAR(v.longitude(), -170, 1e-12);
  v.geo(1, 0, 180);
  EXPECT_EQ(v.longitude(), 180);
  v.geo(1, 0, -180);
  EXPECT_EQ(v.longitude(), -180);
  v.geo(1, 90, 20);  // cos(pi/2) is not exactly 0: the longitude survives
  EXPECT_NEAR(v.latitude(), 90, 1e-12);
  EXPECT_NEAR(v.longitude(), 20, 1e-9);
  v.geo(1, -33.865, -151.2093);
  EXPECT_NEAR(v.latitude(), -33.865, 1e-12);
  EXPECT_NEAR(v.longitude(), -151.2093, 1e-12);
  // Huge angles still give a finite position (reduced modulo 360 first).
  v.geo(1, 1e300, -1e308);
  EXPECT_TRUE(std::isfinite(v.latitude()) && std::isfinite(v.longitude()));
  v.geo(1, 720 + 45, 360 + 10);
  EXPECT_NEAR(v.latitude(), 45, 1e-12);
  EXPECT_NEAR(v.longitude(), 10, 1e-12);
}

TEST(PositionVector, NamesAreKeptAndBounded) {
  vector3d a, b;
  a.name("Cape Town");
  b.geo(1, 10, 20);
  b.name("B");
  a = b;  // assignment takes the components only
  EXPECT_EQ(a.get_name(), "Cape Town");
  EXPECT_NEAR(a.latitude(), 10, 1e-12);
  const vector3d c(a);  // a copy takes everything
  EXPECT_EQ(c.get_name(), "Cape Town");
  const std::string longName(5000, 'x');
  a.name(longName.c_str());
  EXPECT_EQ(a.get_name(), std::string(255, 'x'));
  a.name(longName);
  EXPECT_EQ(a.get_name().size(), 255u);
}

TEST(PositionVector, Algebra) {
  const vector3d x(1, 0, 0), y(0, 1, 0);
  const vector3d z = sailings::Xproduct(x, y);
  EXPECT_EQ(z.x(), 0);
  EXPECT_EQ(z.y(), 0);
  EXPECT_EQ(z.z(), 1);
  const vector3d n = sailings::norm(vector3d(3, 0, 4));
  EXPECT_NEAR(n.x(), 0.6, 1e-15);
  EXPECT_NEAR(n.y(), 0.0, 1e-15);
  EXPECT_NEAR(n.z(), 0.8, 1e-15);
  const vector3d zero = sailings::norm(vector3d());
  EXPECT_TRUE(std::isnan(zero.x()) && std::isnan(zero.y()) && std::isnan(zero.z()));
  EXPECT_EQ(vector3d(1, 2, 3) * vector3d(4, 5, 6), 32);
  const vector3d s = (vector3d(1, 2, 3) + vector3d(1, 1, 1)) * 2.0 - 1.0;
  EXPECT_EQ(s.x(), 3);
  EXPECT_EQ(s.z(), 7);

  std::ostringstream out;
  out << vector3d(1.5, -2, 3);
  EXPECT_EQ(out.str(), "1.5,-2,3");
  vector3d r(7, 8, 9);
  std::istringstream commas(out.str());
  commas >> r;  // the comma stops the second number: unchanged, stream failed
  EXPECT_TRUE(commas.fail());
  EXPECT_EQ(r.x(), 7);
  r.name("kept");
  std::istringstream blanks("1 2 3");
  blanks >> r;
  EXPECT_EQ(r.z(), 3);
  EXPECT_EQ(r.get_name(), "kept");
}
