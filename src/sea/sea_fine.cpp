// The way round the land cell by cell: the fine search within the
// corridor.
#include "sea/planner.h"

namespace sailings {
namespace sea {

// A* over the fine cells (within the corridor, when given). Each call goes
// on from where the last stopped: the cells it held back at the last
// corridor's edge are taken up again, so a corridor found anew costs only
// the cells it adds.
//
// Weighted: a cell is taken up in order of its way so far plus 1.3 times
// the estimate of the way left, and once only. Steps near land cost up to
// 21 times their chord, so that the way keeps to clear water; no estimate
// that never exceeds the way left can see that, and an exact search takes
// up every cell whose detour is less than what the way pays near land
// (Rotterdam to Singapore: 110,000 of the corridor's 160,000 cells, where
// this takes up 22,000). The way found costs at most 1.3 times the least,
// in those dear steps; pulled taut, it is as long as the exact search's to
// within 0.02% on the way between ports (more often longer than shorter:
// by 2.5 NM in a few thousand where most).
constexpr double kGuideWeight = 1.2;
bool Planner::Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
                     std::vector<std::int64_t>& way) {
  const Vec3 goal = Centre(to);
  // The estimate of the way left: the chord to the goal, and within a
  // corridor its way along the corridor's coarse cells (the guide), which
  // sees that the way bends round the land.
  if (corridor) Guide(to, *corridor);
  const float* const guide = corridor ? scratch_.guide.get() : nullptr;
  // (A fine cell takes the least, over its coarse cell and the eight round
  // it, of the guide's way from there plus the chord to there: no step
  // then lowers the estimate by more than its chord.)
  const auto toGoal = [&](Cell c, Vec3 p) {
    const double chord = Chord(p, goal);
    if (!guide) return chord;
    const int k = CoarseKey(c);
    const int r = k / kCoarseColumns, q = k % kCoarseColumns;
    double least = INFINITY;
    for (int dr = -1; dr <= 1; ++dr)
      for (int dq = -1; dq <= 1; ++dq) {
        if (r + dr < 0 || r + dr >= kCoarseRows) continue;
        const int n = (r + dr) * kCoarseColumns + (q + dq + kCoarseColumns) % kCoarseColumns;
        if (guide[n] > 0 || n == CoarseKey(to))
          least = std::min(least, guide[n] + Chord(p, CoarseCentre(n)));
      }
    return kGuideWeight * std::max(chord, least == INFINITY ? 0.0 : least);
  };
  // (Worked out once a cell for each search: it is looked at again at every
  // step into the cell and as the cell is taken up.)
  ++searches_;
  const auto estimate = [&](CellState& s, Cell c) {
    if (s.estimated != searches_) s.h = toGoal(c, Centre(c)), s.estimated = searches_;
    return s.h;
  };
  if (reached_cells_ == 0) {
    CellState& start = Slot(from);
    start.g = 0, start.parent = -1;
    ++reached_cells_;
    open_.push({estimate(start, from), Key(from)});
  }
  // The frontier as the last call left it, under this call's estimate (each
  // cell once), with the cells held back at its corridor's edge.
  std::vector<std::int64_t> again(held_.begin(), held_.end());
  held_.clear();
  for (; !open_.empty(); open_.pop())
    if (open_.top().second != kBackKey) again.push_back(open_.top().second);
  if (back_g_ < INFINITY) open_.push({back_g_, kBackKey});
  // (And the runs a corridor found anew starts from cells already taken
  // up: they are taken up again, to go on along them.)
  for (const Run& r : runs_)
    if (const CellState& s = Slot(r.a); s.g >= 0) again.push_back(Key(r.a));
  std::sort(again.begin(), again.end());
  again.erase(std::unique(again.begin(), again.end()), again.end());
  for (const std::int64_t k : again) {
    CellState& s = Slot(FromKey(k));
    s.closed = false;
    open_.push({s.g + estimate(s, FromKey(k)), k});
  }
  const auto inCorridor = [&](Cell c) { return !corridor || (*corridor)[CoarseKey(c)]; };
  // Bounded: a search that finds no way within so many cells gives up
  // (memory stays within some hundred megabytes, time within seconds).
  const std::size_t most = corridor ? kMostCorridorCells : kMostCells;
  while (!open_.empty() && reached_cells_ < most) {
    const double f = open_.top().first;
    const auto k = open_.top().second;
    open_.pop();
    if (k == kBackKey) {           // back in the end's cell, from another
      if (f != back_g_) continue;  // stale
      way.push_back(Key(to));
      for (std::int64_t n = back_from_; n >= 0; n = Slot(FromKey(n)).parent) way.push_back(n);
      std::reverse(way.begin(), way.end());
      return true;
    }
    const Cell c = FromKey(k);
    const Vec3 here = Centre(c);
    CellState& slot = Slot(c);
    const double g = slot.g;
    if (f > g + estimate(slot, c) + 1e-6) continue;  // stale
    slot.closed = true;                              // (a cell reached again later keeps its way)
    if (!scratch_.reached[CoarseKey(c)]) scratch_.reached[CoarseKey(c)] = 1, Touch(CoarseKey(c));
    if (k == Key(to) && !back_) {
      for (std::int64_t n = k; n >= 0; n = Slot(FromKey(n)).parent) way.push_back(n);
      std::reverse(way.begin(), way.end());
      return true;
    }
    const auto relax = [&](std::int64_t n, double cost) {
      CellState& there = Slot(FromKey(n));
      if (there.closed) return;
      if (there.g < 0 || g + cost < there.g) {
        reached_cells_ += there.g < 0;
        there.g = g + cost, there.parent = k;
        open_.push({g + cost + estimate(there, FromKey(n)), n});
      }
    };
    bool held = false;
    // (Planner::Takes says the same of one step, for the count of a closed
    // sea's cells: the two go together.)
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
      if (end && back_) {
        if (g + Chord(here, there) < back_g_)
          back_g_ = g + Chord(here, there), back_from_ = k, open_.push({back_g_, kBackKey});
        continue;
      }
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

// The guide: the way from each of the corridor's coarse cells to the goal's
// over their centres (steps in sixteen directions, the runs and the gates),
// found backwards from the goal. A chain of fine steps through the same
// cells is shorter by no more than the 2.7% a chain of sixteen directions
// strays from the straight line, and by a cell or two at its ends.
void Planner::Guide(Cell to, const std::vector<std::uint8_t>& corridor) {
  float* const guide = scratch_.guide.get();
  for (const int k : guided_) guide[k] = 0;  // (the last corridor's)
  guided_.clear();
  std::unordered_map<int, std::vector<std::pair<int, double>>> jumps;  // reversed
  for (const Run& r : runs_) jumps[CoarseKey(r.b)].push_back({CoarseKey(r.a), r.cost});
  for (const GateEnds& e : gates_) {
    jumps[CoarseKey(e.a)].push_back({CoarseKey(e.b), e.cost});
    jumps[CoarseKey(e.b)].push_back({CoarseKey(e.a), e.cost});
  }
  std::unordered_map<int, double> way;
  using Entry = std::pair<double, int>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
  const auto relax = [&](int k, double d) {
    const auto [it, fresh] = way.try_emplace(k, d);
    if (!fresh && it->second <= d) return;
    it->second = d;
    queue.push({d, k});
  };
  relax(CoarseKey(to), 0);
  while (!queue.empty()) {
    const auto [d, k] = queue.top();
    queue.pop();
    if (d > way[k]) continue;
    guide[k] = static_cast<float>(d);
    guided_.push_back(k), Touch(k);
    const int r = k / kCoarseColumns, c = k % kCoarseColumns;
    for (const auto& [dr, dc] : kSteps) {
      if (r + dr < 0 || r + dr >= kCoarseRows) continue;
      const int n = (r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns;
      if (corridor[n]) relax(n, d + Chord(CoarseCentre(k), CoarseCentre(n)));
    }
    if (const auto j = jumps.find(k); j != jumps.end())
      for (const auto& [n, cost] : j->second) relax(n, d + cost);
  }
}

}  // namespace sea
}  // namespace sailings
