// The way round the land cell by cell: the fine search within the
// corridor.
#include "sea/planner.h"

namespace sailings {
namespace sea {

// A* over the fine cells (within the corridor, when given). Each call goes
// on from where the last stopped: the cells it held back at the last
// corridor's edge are taken up again, so a corridor found anew costs only
// the cells it adds.
bool Planner::Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
                     std::vector<std::int64_t>& way) {
  const Vec3 goal = Centre(to);
  if (reached_cells_ == 0) {
    CellState& start = Slot(from);
    start.g = 0, start.parent = -1;
    ++reached_cells_;
    open_.push({Chord(Centre(from), goal), Key(from)});
  }
  for (const std::int64_t k : held_)
    open_.push({Slot(FromKey(k)).g + Chord(Centre(FromKey(k)), goal), k});
  held_.clear();
  // (And the runs a corridor found anew starts from cells already taken
  // up: they are taken up again, to go on along them.)
  for (const Run& r : runs_)
    if (const CellState& s = Slot(r.a); s.g >= 0)
      open_.push({s.g + Chord(Centre(r.a), goal), Key(r.a)});
  const auto inCorridor = [&](Cell c) { return !corridor || (*corridor)[CoarseKey(c)]; };
  // Bounded: a search that finds no way within so many cells gives up
  // (memory stays within some hundred megabytes, time within seconds).
  const std::size_t most = corridor ? kMostCorridorCells : kMostCells;
  while (!open_.empty() && reached_cells_ < most) {
    const double f = open_.top().first;
    const auto k = open_.top().second;
    open_.pop();
    const Cell c = FromKey(k);
    const Vec3 here = Centre(c);
    const double g = Slot(c).g;
    if (f > g + Chord(here, goal) + 1e-6) continue;  // stale
    if (!scratch_.reached[CoarseKey(c)]) scratch_.reached[CoarseKey(c)] = 1, Touch(CoarseKey(c));
    if (k == Key(to)) {
      for (std::int64_t n = k; n >= 0; n = Slot(FromKey(n)).parent) way.push_back(n);
      std::reverse(way.begin(), way.end());
      return true;
    }
    const auto relax = [&](std::int64_t n, double cost) {
      CellState& there = Slot(FromKey(n));
      if (there.g < 0 || g + cost < there.g) {
        reached_cells_ += there.g < 0;
        there.g = g + cost, there.parent = k;
        open_.push({g + cost + Chord(Centre(FromKey(n)), goal), n});
      }
    };
    bool held = false;
    // The cell's and its neighbours' states, looked up once: a knight's
    // move passes between two neighbours (-1 rows and columns, 0, 1 at
    // `near[dr + 1][dc + 1]`; null: beyond a pole).
    const float hereClearance = State(c).clearance;
    const CellState* near[3][3] = {};
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc)
        if (c.row + dr >= 0 && c.row + dr < kFineRows && (dr || dc))
          near[dr + 1][dc + 1] =
              &State({c.row + dr, (c.column + dc + kFineColumns) % kFineColumns});
    for (const auto& [dr, dc] : kSteps) {
      if (c.row + dr < 0 || c.row + dr >= kFineRows) continue;
      const Cell n{c.row + dr, (c.column + dc + kFineColumns) % kFineColumns};
      if (!inCorridor(n)) {
        held = true;
        continue;
      }
      const bool end = Key(n) == Key(to);
      const bool knight = std::abs(dr) + std::abs(dc) == 3;
      const CellState& s = knight ? State(n) : *near[dr + 1][dc + 1];
      if (!s.open && !end) continue;
      // A knight's move passes between two cells: both open, and the
      // nearer the land of the three what the step pays for.
      float least = s.clearance;
      if (knight && !end) {
        const CellState& a = *near[dr / 2 + 1][dc / 2 + 1];
        const CellState& b = *near[dr - dr / 2 + 1][dc - dc / 2 + 1];
        if (!a.open || !b.open) continue;
        least = std::min({least, a.clearance, b.clearance});
      }
      // Near land, a step is taken only where its leg keeps the least
      // clearance.
      const Vec3 there = Centre(n);
      if (end || k == Key(from)) {
        // (A leg from the first end or to the last: looked at always, the
        // end being anywhere in its cell, across a spit from its centre.)
        if (!Clear(k == Key(from) ? start_ : here, end ? end_ : there,
                   std::min(c_, kLeastClearance)))
          continue;
      } else if (std::min(least, hereClearance) < kSeesNeighbours &&
                 !Clear(here, there, std::min(c_, kLeastClearance))) {
        continue;
      }
      // Dearer near land: the way keeps to clear water where there is any.
      const double near = end ? 1.0 : 1.0 + 20.0 * std::max(0.0, 1.0 - least / c_);
      relax(Key(n), Chord(here, there) * near);
    }
    if (held) held_.push_back(k);
    for (const GateEnds& e : gates_) {  // (a canal: from one end to the other)
      if (Key(e.a) == k) relax(Key(e.b), e.cost);
      if (Key(e.b) == k) relax(Key(e.a), e.cost);
    }
    if (const auto r = run_at_.find(k); r != run_at_.end())  // (open sea: along the corridor)
      for (const std::size_t i : r->second) relax(Key(runs_[i].b), runs_[i].cost);
  }
  return false;
}

}  // namespace sea
}  // namespace sailings
