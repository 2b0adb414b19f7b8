// The walk along a straight line between coarse cells (sea/cells.h), which
// the corridor's search asks whether a cell is in sight, against the line
// itself sampled finely: the walk steps from neighbour to neighbour, the
// least number of steps, through every cell the line passes, the shorter
// way round and across the 180th meridian either way.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "sea/cells.h"

using sailings::sea::kCoarseColumns;
using sailings::sea::kCoarseRows;

TEST(Cells, AWalkAlongALinePassesEveryCellTheLineDoes) {
  struct Case {
    const char* what;
    int row0, column0, rows, columns;  // from, and how far (columns eastwards)
  } cases[] = {
      {"shallow, eastwards across the 180th meridian", 300, 1430, 3, 17},
      {"steep, westwards across it", 420, 4, -29, -11},
      {"ending on its last column", 100, 1420, 7, 19},
      {"starting on its first column, westwards", 500, 0, 5, -9},
      {"along a row across it", 360, 1436, 0, 8},
      {"along a column", 200, 77, 31, 0},
      {"the diagonal, through corners", 250, 1435, 12, 12},
      {"a knight's move", 10, 1439, 2, 1},
      {"one step", 700, 0, 0, -1},
      {"from the southernmost row", 0, 700, 40, 23},
      {"to the northernmost row", kCoarseRows - 38, 1300, 37, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto key = [](int row, int column) {
      return row * kCoarseColumns + ((column % kCoarseColumns) + kCoarseColumns) % kCoarseColumns;
    };
    const int a = key(c.row0, c.column0), b = key(c.row0 + c.rows, c.column0 + c.columns);
    std::vector<int> walked{a};
    ASSERT_TRUE(sailings::sea::WalkLine(a, b, [&](int k, int n, bool acrossRow) {
      EXPECT_EQ(k, walked.back());
      walked.push_back(n);
      return acrossRow == (n / kCoarseColumns != k / kCoarseColumns);
    }));
    EXPECT_EQ(walked.back(), b);
    EXPECT_EQ(walked.size(), 1u + std::abs(c.rows) + std::abs(c.columns));
    for (std::size_t i = 1; i < walked.size(); ++i) {
      const int dr = walked[i] / kCoarseColumns - walked[i - 1] / kCoarseColumns;
      const int dc =
          (walked[i] % kCoarseColumns - walked[i - 1] % kCoarseColumns + kCoarseColumns + 1) %
              kCoarseColumns -
          1;
      EXPECT_EQ(std::abs(dr) + std::abs(dc), 1) << "step " << i;
    }
    // The line from centre to centre, sampled: every cell it passes is
    // walked (where it passes a corner exactly, the walk takes one of the
    // two cells beside it as well).
    const std::set<int> cells(walked.begin(), walked.end());
    constexpr int kSamples = 100000;
    for (int s = 0; s <= kSamples; ++s) {
      const double t = static_cast<double>(s) / kSamples;
      const int row = static_cast<int>(std::floor(c.row0 + 0.5 + t * c.rows));
      const int column = static_cast<int>(std::floor(c.column0 + 0.5 + t * c.columns));
      ASSERT_EQ(cells.count(key(row, column)), 1u) << "at " << t << " of the way";
    }
  }
  // A walk stops where it is told to, and says so.
  int steps = 0;
  EXPECT_FALSE(sailings::sea::WalkLine(0, 10, [&](int, int, bool) { return ++steps < 3; }));
  EXPECT_EQ(steps, 3);
}
