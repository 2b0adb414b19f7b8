// The way round the land cell by cell: the fine search within the
// corridor.
#include "sea/planner.h"

namespace sailings {
namespace sea {

// The estimate of the way on from a cell: the least, over the points of
// the corridor's way within a coarse cell of it, of the chord to the point
// and the way on from there. The search then reaches the cells along the
// way, not every cell of the corridor nearer the goal as the crow flies
// (with the chord alone, most of a corridor that first leads away from the
// goal, round a continent). It is no bound: the coarse way is a little
// longer than the fine one round a bend, and the estimate jumps where the
// points near a cell change, from one coarse cell to the next. So each
// cell is taken up once (a shorter way to it found later would be taken up
// again and again, down every cell after it): the way found is within a
// cell or two of the shortest through the cells, and pulled taut in any
// case.
void Planner::Guide(const std::vector<int>& path, Cell to) {
  guide_.clear(), guide_near_.clear();
  goal_ = Centre(to);
  std::vector<Vec3> at(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) at[i] = CoarseCentre(path[i]);
  if (!at.empty()) at.back() = goal_;
  double toGo = 0;
  guide_.resize(path.size());
  for (std::size_t i = path.size(); i-- > 0;) {
    if (i + 1 < path.size()) toGo += Chord(at[i], at[i + 1]);
    guide_[i] = {at[i], toGo};
    const int r = path[i] / kCoarseColumns, c = path[i] % kCoarseColumns;
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc)
        if (r + dr >= 0 && r + dr < kCoarseRows)
          guide_near_[(r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns]
              .push_back(static_cast<int>(i));
  }
}

double Planner::ToGo(Cell c) const {
  const Vec3 p = Centre(c);
  const auto near = guide_near_.find(CoarseKey(c));
  if (near == guide_near_.end()) return Chord(p, goal_);
  double least = INFINITY;
  for (const int i : near->second)
    least = std::min(least, guide_[i].to_go + Chord(p, guide_[i].at));
  return least;
}

// A* over the fine cells (within the corridor, when given). Each call goes
// on from where the last stopped: the cells it held back at the last
// corridor's edge are taken up again, so a corridor found anew costs only
// the cells it adds (the frontier's estimates made anew along its way).
bool Planner::Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
                     std::vector<std::int64_t>& way) {
  if (!corridor) guide_.clear(), guide_near_.clear(), goal_ = Centre(to);
  if (reached_cells_ == 0) {
    CellState& start = Slot(from);
    start.g = 0, start.parent = -1;
    ++reached_cells_;
    open_.push({ToGo(from), 0, Key(from)});
  } else {
    std::vector<Item> frontier;
    for (; !open_.empty(); open_.pop())
      if (open_.top().g == Slot(FromKey(open_.top().key)).g) frontier.push_back(open_.top());
    for (const Item& i : frontier) open_.push({i.g + ToGo(FromKey(i.key)), i.g, i.key});
  }
  for (const std::int64_t k : held_) {
    CellState& back = Slot(FromKey(k));  // (taken up again in the new corridor)
    back.done = false;
    const double g = back.g;
    open_.push({g + ToGo(FromKey(k)), g, k});
  }
  held_.clear();
  const auto inCorridor = [&](Cell c) { return !corridor || (*corridor)[CoarseKey(c)]; };
  // Bounded: a search that finds no way within so many cells gives up
  // (memory stays within some hundred megabytes, time within seconds).
  const std::size_t most = corridor ? kMostCorridorCells : kMostCells;
  while (!open_.empty() && reached_cells_ < most) {
    const Item top = open_.top();
    open_.pop();
    const std::int64_t k = top.key;
    const Cell c = FromKey(k);
    const Vec3 here = Centre(c);
    const double g = Slot(c).g;
    if (top.g != g || Slot(c).done) continue;  // stale, or taken up
    Slot(c).done = true;
    if (!scratch_.reached[CoarseKey(c)]) scratch_.reached[CoarseKey(c)] = 1, Touch(CoarseKey(c));
    if (k == Key(to)) {
      for (std::int64_t n = k; n >= 0; n = Slot(FromKey(n)).parent) way.push_back(n);
      std::reverse(way.begin(), way.end());
      return true;
    }
    const auto relax = [&](std::int64_t n, double cost) {
      CellState& there = Slot(FromKey(n));
      if (there.g < 0 || (g + cost < there.g && !there.done)) {
        reached_cells_ += there.g < 0;
        there.g = g + cost, there.parent = k;
        open_.push({g + cost + ToGo(FromKey(n)), g + cost, n});
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
      if (!end && std::min(least, hereClearance) < kSeesNeighbours &&
          !Clear(here, there, std::min(c_, kLeastClearance)))
        continue;
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
