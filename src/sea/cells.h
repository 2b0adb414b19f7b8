// The sea planner's cells: fine cells (0.025 degrees) for the way round
// the land, coarse cells (0.25 degrees, ten by ten fine ones) for the
// corridor it is found in; their keys, centres in space, and the steps
// between them. Internal to src/sea.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "elliptic/ellipsoid.h"
#include "vector/vec3.h"

namespace sailings {
namespace sea {

constexpr double kFine = 0.025;  // degrees: the cells of the way round the land
constexpr int kFineColumns = 14400, kFineRows = 7200;
constexpr double kCoarse = 0.25;
constexpr int kCoarseColumns = 1440, kCoarseRows = 720;

struct Cell {
  int row, column;
};
inline Cell FineCell(double lat, double lon) {
  const int r = std::clamp(static_cast<int>(std::floor((lat + 90) / kFine)), 0, kFineRows - 1);
  int c = static_cast<int>(std::floor((std::remainder(lon, 360.0) + 180) / kFine));
  c = ((c % kFineColumns) + kFineColumns) % kFineColumns;
  return {r, c};
}
inline std::int64_t Key(Cell c) {
  return static_cast<std::int64_t>(c.row) * kFineColumns + c.column;
}
inline Cell FromKey(std::int64_t k) {
  return {static_cast<int>(k / kFineColumns), static_cast<int>(k % kFineColumns)};
}
inline double CentreLat(Cell c) { return -90 + (c.row + 0.5) * kFine; }
inline double CentreLon(Cell c) { return -180 + (c.column + 0.5) * kFine; }
// A cell's centre in space, from tables of its row's and column's sines
// and cosines (made once): the searches ask for centres millions of times.
inline Vec3 Centre(Cell c) {
  struct Tables {
    std::vector<double> xy, z, cos, sin;  // by row; by column
  };
  static const Tables t = [] {
    Tables m;
    for (int r = 0; r < kFineRows; ++r) {
      const double phi = CentreLat({r, 0}) * kDegree;
      const Vec3 p = EllipsoidPoint(std::sin(phi), std::cos(phi), 0, 1);
      m.xy.push_back(p.x), m.z.push_back(p.z);
    }
    for (int c = 0; c < kFineColumns; ++c) {
      const double lambda = CentreLon({0, c}) * kDegree;
      m.cos.push_back(std::cos(lambda)), m.sin.push_back(std::sin(lambda));
    }
    return m;
  }();
  return {t.xy[c.row] * t.cos[c.column], t.xy[c.row] * t.sin[c.column], t.z[c.row]};
}
// A coarse cell's centre in space, from tables made once.
inline Vec3 CoarseCentre(int k) {
  struct Tables {
    std::vector<double> xy, z, cos, sin;
  };
  static const Tables t = [] {
    Tables m;
    for (int r = 0; r < kCoarseRows; ++r) {
      const double phi = (-90 + (r + 0.5) * kCoarse) * kDegree;
      const Vec3 p = EllipsoidPoint(std::sin(phi), std::cos(phi), 0, 1);
      m.xy.push_back(p.x), m.z.push_back(p.z);
    }
    for (int c = 0; c < kCoarseColumns; ++c) {
      const double lambda = (-180 + (c + 0.5) * kCoarse) * kDegree;
      m.cos.push_back(std::cos(lambda)), m.sin.push_back(std::sin(lambda));
    }
    return m;
  }();
  const int r = k / kCoarseColumns, c = k % kCoarseColumns;
  return {t.xy[r] * t.cos[c], t.xy[r] * t.sin[c], t.z[r]};
}
// The columns from coarse cell a to b, the shorter way round in
// longitude (negative: westwards).
inline int ColumnsTo(int a, int b) {
  const int dc = b % kCoarseColumns - a % kCoarseColumns;
  // (Half the globe apart, either way is as short: the one against dc's.)
  return dc >= kCoarseColumns / 2    ? dc - kCoarseColumns
         : dc <= -kCoarseColumns / 2 ? dc + kCoarseColumns
                                     : dc;
}
// The most rows or columns between coarse cells a and b.
inline int Span(int a, int b) {
  return std::max(std::abs(a / kCoarseColumns - b / kCoarseColumns), std::abs(ColumnsTo(a, b)));
}
// How far apart (rows or columns) two coarse cells in sight may be: a
// straight line in rows and columns strays from the great ellipse between
// them, by more the longer it is.
constexpr int kMostSight = 40;
inline int CoarseKey(Cell fine) { return (fine.row / 10) * kCoarseColumns + fine.column / 10; }

// Walks the coarse cells that the straight line (in rows and columns) from
// the centre of cell a to that of b passes, the shorter way round in
// longitude: from cell to cell as the line crosses a row's edge (at
// (2i + 1) / 2rows of the way) or a column's, the row first where it
// passes a corner. Each step, `visit(k, n, across_row)` from cell k to its
// neighbour n, across a row's edge or a column's; a false from it stops
// the walk, and the walk's answer is then false.
template <class Visit>
bool WalkLine(int a, int b, Visit&& visit) {
  const int r0 = a / kCoarseColumns, c0 = a % kCoarseColumns;
  const int dc = ColumnsTo(a, b);
  const int dr = b / kCoarseColumns - r0;
  const int sr = dr > 0 ? kCoarseColumns : -kCoarseColumns, sc = dc > 0 ? 1 : -1;
  const long long rows = std::abs(dr), columns = std::abs(dc);
  // (The column kept within the globe as it steps, not by a remainder:
  // the walks are the corridor's search's innermost loop.)
  int row = r0 * kCoarseColumns, c = c0, k = a;
  for (long long i = 0, j = 0; i < rows || j < columns;) {
    const bool down = j >= columns || (i < rows && (2 * i + 1) * columns <= (2 * j + 1) * rows);
    if (down) {
      row += sr, ++i;
    } else {
      c += sc, ++j;
      c = c < 0 ? c + kCoarseColumns : c >= kCoarseColumns ? c - kCoarseColumns : c;
    }
    const int n = row + c;
    if (!visit(k, n, down)) return false;
    k = n;
  }
  return true;
}

// The searches' steps from a cell (rows, columns): its eight neighbours,
// then the eight cells a knight's move away. A way of steps in sixteen
// directions is never more than 2.7% longer than the straight line (in
// eight, 8.2%, and many ways of one length), so that of the ways round an
// island or through a chain of them, the one found is the one that pulls
// taut the shorter.
constexpr int kSteps[16][2] = {{-1, -1}, {-1, 0}, {-1, 1},  {0, -1}, {0, 1},   {1, -1},
                               {1, 0},   {1, 1},  {-2, -1}, {-2, 1}, {-1, -2}, {-1, 2},
                               {1, -2},  {1, 2},  {2, -1},  {2, 1}};
constexpr int kNeighbours = 8;  // the first eight

}  // namespace sea
}  // namespace sailings
