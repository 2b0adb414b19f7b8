// How positions are stored: round trips, folding beyond the pole, the 180th
// meridian, the quadrants of the longitude, names of places.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "sailings/places.hpp"
#include "vector/position.h"

using namespace sailings;

TEST(PositionVector, RoundTripsFoldingAndEdges) {
  const struct {
    double lat, lon, wantLat, wantLon;
  } cases[] = {{38.5, 23.6, 38.5, 23.6}, {100, 20, 80, -160},
               {0, 190, 0, -170},        {0, 180, 0, 180},
               {0, -180, 0, -180},       {90, 20, 90, 20},
               {765, 370, 45, 10},       {-33.865, -151.2093, -33.865, -151.2093},
               {10, 360, 10, 0},         {10, 540, 10, 180},
               {10, -190, 10, 170}};
  for (const auto& c : cases) {
    const Place p = StorePlace("p", c.lat, c.lon);
    EXPECT_NEAR(p.lat, c.wantLat, 1e-12) << c.lat << " " << c.lon;
    EXPECT_NEAR(p.lon, c.wantLon, 1e-9) << c.lat << " " << c.lon;
  }
  const Place huge = StorePlace("huge", 1e300, -1e308);  // reduced modulo 360 first
  EXPECT_TRUE(std::isfinite(huge.lat) && std::isfinite(huge.lon));
  // On the axes: the quadrant rule of the longitude read back.
  for (const auto& [x, y, lon] : {std::tuple{-1.0, 0.0, 180.0},
                                  {-1.0, -0.0, 180.0},
                                  {1.0, 0.0, 0.0},
                                  {0.0, 1.0, 90.0},
                                  {0.0, -1.0, -90.0},
                                  {-1.0, -1e-300, -180.0}}) {
    EXPECT_NEAR(LongitudeOf({x, y, 0.5}), lon, 1e-12) << x << " " << y;
  }
  // Names end at 255 bytes.
  EXPECT_EQ(StorePlace(std::string(5000, 'x'), 1, 2).name, std::string(255, 'x'));
}
