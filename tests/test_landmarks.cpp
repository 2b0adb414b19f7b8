// The landmarks' bound on the way over the sea (sea/landmarks.h) against
// the way itself, found afresh from each goal over the coast as it is: the
// bound must never exceed it (the corridor's search would no longer be
// exact), and must come near it where the land makes the way long.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "elliptic/ellipsoid.h"
#include "land/coast.h"
#include "sea/landmarks.h"
#include "sea/planner.h"

namespace sailings {
extern const unsigned char kSeaLandmarks[];
extern const std::size_t kSeaLandmarksSize;
}  // namespace sailings

namespace {

using sailings::sea::CoarseKey;
using sailings::sea::FineCell;
using sailings::sea::LandmarkBound;
using sailings::sea::Landmarks;

int CellAt(double lat, double lon) { return CoarseKey(FineCell(lat, lon)); }

}  // namespace

TEST(Landmarks, BoundTheWayOverTheSea) {
  // If this fails after the coast, the gates or the cells changed, make
  // the tables again: tools/make-sea-landmarks.cpp.
  const sailings::Coast& coast = *sailings::Coast::Get();
  const Landmarks* landmarks = Landmarks::Get();
  ASSERT_NE(landmarks, nullptr);
  struct Case {
    const char* way;
    double lat1, lon1, lat2, lon2;
    double least;  // the bound at the start, at least this part of the way
  } cases[] = {
      // By Suez (the arc 5,600 NM, the way 8,300).
      {"off Rotterdam to off Singapore", 52.2, 3.5, 1.0, 104.5, 0.98},
      // By Panama, the arc across North America.
      {"off New York to off San Francisco", 40.2, -73.2, 37.5, -123.5, 0.98},
      // Out of the Black Sea by the Bosporus.
      {"the Black Sea to the Aegean", 43.0, 34.0, 38.5, 25.0, 0.9},
      // Across the 180th meridian.
      {"off Yokohama to off Dutch Harbor", 34.5, 140.5, 54.5, -166.0, 0.95},
      // The Caspian is a sea of its own: nothing bounds a way from it.
      {"the Caspian to the Mediterranean", 42.0, 51.0, 35.0, 18.0, 0},
  };
  std::vector<double> way;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.way);
    const int from = CellAt(c.lat1, c.lon1), goal = CellAt(c.lat2, c.lon2);
    sailings::sea::SeaDistances(coast, goal, way);
    const LandmarkBound bound(landmarks, from, goal);
    int over = 0, cells = 0;
    for (int k = 0; k < static_cast<int>(way.size()); ++k) {
      if (!std::isfinite(way[k])) continue;
      ++cells;
      if (bound(k) > way[k] && ++over <= 3)
        ADD_FAILURE() << "cell " << k << ": bound " << bound(k) << " m, way " << way[k] << " m";
    }
    EXPECT_EQ(over, 0) << " of " << cells << " cells";
    if (c.least > 0) {
      ASSERT_TRUE(std::isfinite(way[from]));
      EXPECT_GE(bound(from), c.least * way[from]) << "the way " << way[from] / 1852 << " NM";
    } else {
      EXPECT_FALSE(std::isfinite(way[from]));
      EXPECT_EQ(bound(from), 0);
    }
  }
}

TEST(Landmarks, TablesThatDoNotReadBoundNothing) {
  const std::string good(reinterpret_cast<const char*>(sailings::kSeaLandmarks),
                         sailings::kSeaLandmarksSize);
  const int from = CellAt(52.2, 3.5), goal = CellAt(1.0, 104.5);
  struct Case {
    const char* what;
    std::string bytes;
    bool reads;  // the header
  } cases[] = {
      {"empty", "", false},
      {"a header only", good.substr(0, 8), false},
      {"cut short", good.substr(0, good.size() / 2), false},
      {"no landmarks", std::string("SLM1\0\0\0\0", 8), false},
      // Every band's stream damaged past its zlib header: its checksum
      // fails, and the band bounds nothing.
      {"streams damaged", good, true},
  };
  std::string& damaged = cases[4].bytes;
  const std::size_t head = 8 + 4 * (16 + 16 * 90 + 1);
  for (std::size_t i = head + 2; i < damaged.size(); i += 7) damaged[i] ^= 0x5A;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Landmarks landmarks(c.bytes);
    EXPECT_EQ(landmarks.ok(), c.reads);
    if (!landmarks.ok()) continue;
    EXPECT_EQ(landmarks.Miles(0, from), Landmarks::kNone);
    EXPECT_EQ(LandmarkBound(&landmarks, from, goal)(from), 0);
  }
}
