// The position record: round trips, folding beyond the pole, the 180th
// meridian, names.
#include <gtest/gtest.h>

#include <cmath>

#include "vector/vector3d.h"

using sailings::vector3d;

TEST(PositionVector, RoundTripsFoldingAndEdges) {
  const struct {
    double lat, lon, wantLat, wantLon;
  } cases[] = {{38.5, 23.6, 38.5, 23.6}, {100, 20, 80, -160},  {0, 190, 0, -170},
               {0, 180, 0, 180},         {0, -180, 0, -180},   {90, 20, 90, 20},
               {765, 370, 45, 10},       {-33.865, -151.2093, -33.865, -151.2093}};
  for (const auto& c : cases) {
    vector3d v;
    v.geo(1, c.lat, c.lon);
    EXPECT_NEAR(v.latitude(), c.wantLat, 1e-12) << c.lat << " " << c.lon;
    EXPECT_NEAR(v.longitude(), c.wantLon, 1e-9) << c.lat << " " << c.lon;
  }
  vector3d huge;
  huge.geo(1, 1e300, -1e308);  // reduced modulo 360 first: still a position
  EXPECT_TRUE(std::isfinite(huge.latitude()) && std::isfinite(huge.longitude()));
}

TEST(PositionVector, NamesTravelWithCopiesNotAssignments) {
  vector3d a, b;
  a.name("Cape Town");
  b.geo(1, 10, 20);
  a = b;  // assignment takes the components only; a copy takes the name too
  EXPECT_EQ(a.get_name(), "Cape Town");
  EXPECT_NEAR(a.latitude(), 10, 1e-12);
  EXPECT_EQ(vector3d(a).get_name(), "Cape Town");
  a.name(std::string(5000, 'x').c_str());
  EXPECT_EQ(a.get_name(), std::string(255, 'x'));
}
