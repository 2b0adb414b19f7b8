// The table of which coarse cells the sea joins (sea/links.h) against the
// fine cells themselves, looked at afresh by the planner, and what it is
// for: a corridor the fine search can follow the first time it is found.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "elliptic/ellipsoid.h"
#include "land/coast.h"
#include "sea/links.h"
#include "sea/planner.h"

namespace sailings {
extern const unsigned char kSeaLinks[];
extern const std::size_t kSeaLinksSize;
}  // namespace sailings

namespace {

using sailings::sea::kCoarse;
using sailings::sea::kCoarseColumns;
using sailings::sea::SeaLinks;

sailings::SeaRequest Request(double lat1, double lon1, double lat2, double lon2, double nm) {
  sailings::SeaRequest r;
  r.lat1 = lat1, r.lon1 = lon1, r.lat2 = lat2, r.lon2 = lon2;
  r.clearance = nm * sailings::kNauticalMile;
  return r;
}

}  // namespace

TEST(SeaLinks, SayWhatTheFineSearchFinds) {
  // If this fails after the coast or the cells changed, make the table
  // again: tools/make-sea-links.cpp.
  const SeaLinks* links = SeaLinks::Get();
  ASSERT_NE(links, nullptr);
  struct Box {
    const char* where;
    double south, west, north, east;  // degrees
  } boxes[] = {
      {"the Danish straits", 54.5, 9.5, 56.0, 13.0},
      {"the Canadian Arctic, Bellot Strait", 71.5, -96.0, 72.5, -93.0},
      {"the Singapore Strait", 1.0, 103.5, 1.5, 104.5},
      {"Chile's fjords", -50.0, -75.5, -49.0, -74.0},
      {"the Bosporus", 40.75, 28.75, 41.5, 29.5},
      {"across the 180th meridian, Fiji", -17.0, 179.0, -16.0, -179.0},
      {"the open Atlantic", 29.0, -41.0, 30.0, -40.0},
      {"inland Africa", 9.0, 19.0, 10.0, 20.0},
  };
  int cells = 0, split = 0, joined = 0;
  for (const double nm : {0.1, 0.6, 2.0})
    for (const Box& box : boxes) {
      SCOPED_TRACE(box.where);
      SCOPED_TRACE(nm);
      const sailings::SeaRequest request = Request(0, 0, 0, 0, nm);
      sailings::sea::Planner planner(*sailings::Coast::Get(), request);
      const int r0 = static_cast<int>((box.south + 90) / kCoarse);
      const int r1 = static_cast<int>((box.north + 90) / kCoarse);
      const int c0 = static_cast<int>((box.west + 180) / kCoarse);
      int c1 = static_cast<int>((box.east + 180) / kCoarse);
      if (c1 < c0) c1 += kCoarseColumns;
      int wrong = 0;
      for (int r = r0; r < r1; ++r) {
        for (int q = c0; q < c1; ++q) {
          const int k = r * kCoarseColumns + q % kCoarseColumns;
          std::vector<std::pair<int, int>> pairs[8];
          const int seas = planner.Links(k, pairs);
          ++cells, split += seas >= 2;
          bool same = links->Seas(k) == seas;
          for (int d = 0; d < 8; ++d) {
            const int n = (r + sailings::sea::kSteps[d][0]) * kCoarseColumns +
                          (q + sailings::sea::kSteps[d][1]) % kCoarseColumns;
            same &= links->Joined(k, d) == !pairs[d].empty();
            joined += !pairs[d].empty();
            for (int i = 0; i < seas; ++i)
              for (int j = 0; j < links->Seas(n); ++j) {
                const bool is = std::find(pairs[d].begin(), pairs[d].end(), std::make_pair(i, j)) !=
                                pairs[d].end();
                same &= links->Joined(k, d, i, j) == is;
              }
          }
          if (!same && ++wrong <= 3)
            ADD_FAILURE() << "cell at " << -90 + (r + 0.5) * kCoarse << ", "
                          << -180 + (q % kCoarseColumns + 0.5) * kCoarse << ": " << seas
                          << " seas, the table " << links->Seas(k);
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  // The boxes hold cells of every kind.
  EXPECT_GT(split, 10);
  EXPECT_GT(joined, 1000);
  EXPECT_LT(joined, 8 * cells);
}

TEST(SeaLinks, TheFirstCorridorIsOpen) {
  // Through archipelagos and narrows that the coarse cells hold open water
  // in but the fine cells close: without the table each took several
  // corridors. The table holds at every clearance, and within a limit that
  // closes nothing there.
  struct Case {
    const char* way;
    double lat1, lon1, lat2, lon2;
  } cases[] = {
      {"Queen Maud Gulf to Lancaster Sound", 68.5, -105.0, 74.5, -80.0},
      {"Haida Gwaii to the Strait of Juan de Fuca", 54.0, -133.0, 48.5, -125.0},
  };
  const sailings::Coast& coast = *sailings::Coast::Get();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.way);
    for (const double nm : {2.0, 0.5}) {
      for (const double limit : {0.0, 80.0}) {
        sailings::SeaRequest request = Request(c.lat1, c.lon1, c.lat2, c.lon2, nm);
        if (limit > 0) request.limit = limit;
        sailings::SeaPlan plan;
        ASSERT_EQ(sailings::PlanSea(coast, request, plan), sailings::SeaOutcome::ok);
        EXPECT_EQ(plan.corridors, 1) << nm << " NM, limit " << limit;
      }
    }
  }
  // Along a limiting latitude: the rows it closes part of are looked at
  // fine cell by fine cell, not taken from the table (nor the open water
  // beside them crossed without asking). Round Cape Horn, at 56 degrees
  // south, within 60: the limit closes the Southern Ocean beyond it.
  for (const auto& [c, limit] :
       {std::pair{Case{"Yokohama to San Francisco", 35.0, 140.2, 37.7, -123.1}, 45.0},
        std::pair{Case{"Sydney to Buenos Aires", -33.8688, 151.2093, -34.6037, -58.3816}, 60.0}}) {
    SCOPED_TRACE(c.way);
    sailings::SeaRequest request = Request(c.lat1, c.lon1, c.lat2, c.lon2, 2);
    request.limit = limit;
    sailings::SeaPlan plan;
    ASSERT_EQ(sailings::PlanSea(coast, request, plan), sailings::SeaOutcome::ok);
    EXPECT_EQ(plan.corridors, 1);
  }
  // Ocean passages whose corridors take knight's moves past capes, each
  // joined to its far cell by one of the two cells it passes between.
  for (const Case& c : {Case{"Cape Town to Reykjavik", -33.9249, 18.4241, 64.1466, -21.9426},
                        Case{"New York to Rotterdam", 40.7128, -74.006, 51.9244, 4.4777}}) {
    SCOPED_TRACE(c.way);
    sailings::SeaPlan plan;
    ASSERT_EQ(sailings::PlanSea(coast, Request(c.lat1, c.lon1, c.lat2, c.lon2, 2), plan),
              sailings::SeaOutcome::ok);
    EXPECT_EQ(plan.corridors, 1);
  }
}

TEST(SeaLinks, TablesThatDoNotReadAreNotUsed) {
  const std::string good(reinterpret_cast<const char*>(sailings::kSeaLinks),
                         sailings::kSeaLinksSize);
  ASSERT_TRUE(SeaLinks(good).ok());
  std::string damaged = good, longer = good;
  for (std::size_t i = 10; i < damaged.size(); i += 7) damaged[i] ^= 0x5A;
  longer[4] = static_cast<char>(longer[4] + 1);  // the raw table a byte longer than it is
  for (const std::string& bytes :
       {std::string(), good.substr(0, 8), good.substr(0, good.size() / 2),
        std::string("SSL1\0\0\0\0", 8), damaged, longer, "SSL0" + good.substr(4)})
    EXPECT_FALSE(SeaLinks(bytes).ok()) << bytes.size() << " bytes";
}

TEST(SeaLinks, OpenWaterIsTwoCellsFromAnyCoast) {
  // Open water: a cell and the 24 round it each one sea, joined all round;
  // so at least three cells (some 40 NM) from the nearest coast's cell.
  // Where these points lie from the coast is geography, not the table.
  struct Case {
    const char* where;
    double lat, lon;
    bool open;
  } cases[] = {
      {"the equatorial Pacific", 0.1, -140.1, true},
      {"the Pacific on the 180th meridian, east of it", 0.1, -179.9, true},
      {"and west of it", 10.1, 179.9, true},
      {"the North Atlantic", 40.1, -40.1, true},
      {"the Southern Ocean", -60.1, -120.1, true},
      {"the Strait of Gibraltar", 35.95, -5.6, false},
      {"the Channel off Dover", 51.0, 1.5, false},
      {"20 NM off the Portuguese coast", 38.7, -9.85, false},
      {"the Arctic Ocean beside the pole (two rows)", 89.6, 0.1, false},
  };
  const SeaLinks* links = SeaLinks::Get();
  ASSERT_NE(links, nullptr);
  for (const Case& c : cases) {
    const int k = static_cast<int>((c.lat + 90) / kCoarse) * kCoarseColumns +
                  static_cast<int>((c.lon + 180) / kCoarse);
    EXPECT_EQ(links->OpenWater(k), c.open) << c.where;
  }
  // Everywhere, the same as asking each of the 25 cells (the table's bits
  // are made a row at a time, over a window of five).
  int open = 0, wrong = 0;
  for (int r = 0; r < sailings::sea::kCoarseRows; ++r)
    for (int c = 0; c < kCoarseColumns; ++c) {
      bool all = r >= 2 && r + 2 < sailings::sea::kCoarseRows;
      for (int dr = -2; dr <= 2 && all; ++dr)
        for (int dc = -2; dc <= 2 && all; ++dc) {
          const int n = (r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns;
          all = links->Seas(n) == 1;
          for (int d = 0; d < 8 && all; ++d) all = links->Joined(n, d);
        }
      open += all;
      wrong += links->OpenWater(r * kCoarseColumns + c) != all;
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(open, 500000);  // most of the oceans
}
