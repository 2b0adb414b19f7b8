// The corridor the fine search keeps to, and the runs of it over open sea
// that it crosses in one step.
#include "sea/planner.h"

namespace sailings {
namespace sea {

// The corridor: the way's cells and, where land or the limiting latitude
// is near (within the 5 x 5 cells round), their neighbours too. Over open
// sea the way's own cells are enough, with the two a knight's move passes
// between: the fine way there is pulled straight in any case.
//
// And there the fine search need not go cell by cell at all. A run of the
// way's cells each with nothing but sea in its 5 x 5 (no coast, nor the
// limit, within a cell of any point of it and its neighbours) is crossed
// in one step, from the middle of its first cell through the middles of
// the others to that of its last: the fine cells a way across an ocean
// would reach (tens of thousands) are left out, and the chain of those
// middles, a cell apart, is pulled taut like the cells' own. A cell of
// the run keeps the clearance only where the run's cells lie farther from
// land than it: a cell's width, at the run's highest latitude.
void Planner::Lay(const std::vector<int>& path, std::vector<std::uint8_t>& corridor) {
  constexpr int kCells = kCoarseRows * kCoarseColumns;
  corridor.assign(kCells, 0);
  const auto mark = [&](int r, int c, std::uint8_t on) {
    if (r >= 0 && r < kCoarseRows)
      corridor[r * kCoarseColumns + (c + kCoarseColumns) % kCoarseColumns] = on;
  };
  const auto openSea = [&](int r, int c) {
    return r >= 0 && r < kCoarseRows && !Beyond(std::fabs(-90 + (r + 0.5) * kCoarse) + kCoarse) &&
           coast_.KindOfCell(-90 + (r + 0.5) * kCoarse, -180 + (c + 0.5) * kCoarse) ==
               Coast::CellKind::sea;
  };
  // A degree of latitude, or of longitude at the equator, is at least this
  // long on the ellipsoid (110.57 km).
  constexpr double kLeastDegree = 59.7 * kNauticalMile;
  std::vector<bool> open(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    const int r = path[i] / kCoarseColumns, c = path[i] % kCoarseColumns;
    bool sea = true;
    for (int dr = -2; dr <= 2 && sea; ++dr)
      for (int dc = -2; dc <= 2 && sea; ++dc) sea = openSea(r + dr, c + dc);
    const double highest = std::fabs(-90 + (r + 0.5) * kCoarse) + 2.5 * kCoarse;
    open[i] = sea && highest < 90 &&
              c_ + kTurnSlack < kCoarse * kLeastDegree * std::cos(highest * kDegree);
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc)
        if (!open[i] || (dr == 0 && dc == 0)) mark(r + dr, c + dc, 1);
    if (i > 0) {
      const int dr = path[i - 1] / kCoarseColumns - r, dc = ColumnsTo(path[i], path[i - 1]);
      if (std::abs(dr) + std::abs(dc) == 3 && std::abs(dr) <= 2 && std::abs(dc) <= 2)
        mark(r + dr / 2, c + dc / 2, 1), mark(r + dr - dr / 2, c + dc - dc / 2, 1);
    }
  }
  // The runs, their inner cells out of the corridor (the ends' own cells,
  // where the searches start and end, are never in one).
  const auto middle = [&](int k) {
    return Cell{(k / kCoarseColumns) * 10 + 5, (k % kCoarseColumns) * 10 + 5};
  };
  for (std::size_t i = 1; i + 1 < path.size();) {
    if (!open[i]) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j + 2 < path.size() && open[j + 1]) ++j;
    if (j < i + 3) {
      i = j + 1;
      continue;
    }
    Run run{middle(path[i]), middle(path[j]), 0, {}};
    for (std::size_t k = i + 1; k < j; ++k) {
      run.via.push_back(Centre(middle(path[k])));
      mark(path[k] / kCoarseColumns, path[k] % kCoarseColumns, 0);
    }
    // (Its length the straight leg's, a chain of chords a cell long: the
    // middles step a row or a column at a time, and their chain is up to
    // 41% longer than the leg the way is pulled taut to.)
    const Vec3 a = Centre(run.a), b = Centre(run.b);
    const int n = static_cast<int>(j - i);
    Vec3 last = a;
    for (int q = 1; q <= n; ++q) {
      const double t = static_cast<double>(q) / n;
      const Vec3 next = OnSurface((1 - t) * a + t * b);
      run.cost += Chord(last, next);
      last = next;
    }
    run_at_[Key(run.a)].push_back(runs_.size());
    runs_.push_back(std::move(run));
    i = j + 1;
  }
}

}  // namespace sea
}  // namespace sailings
