// The fine cells: their states (whether at sea, how far from land) in
// tiles, the thread's tables they are kept in from one passage to the
// next, the steps between them, and the seas they make in each coarse
// cell.
#include "sea/planner.h"

#include <new>

namespace sailings {
namespace sea {

Planner::Scratch& Planner::TheScratch() {
  thread_local Scratch scratch;
  constexpr std::size_t kCells = kCoarseRows * kCoarseColumns;
  if (scratch.tile_of.empty()) {
    scratch.tile_of.assign(kCells, -1);
    scratch.coarse_open.assign(kCells, -1);
    scratch.reached.assign(kCells, 0);
    scratch.bound.reset(static_cast<double*>(std::calloc(kCells, sizeof(double))));
    scratch.guide.reset(static_cast<float*>(std::calloc(kCells, sizeof(float))));
    if (!scratch.bound || !scratch.guide) throw std::bad_alloc();
  }
  return scratch;
}

Planner::~Planner() {
  for (const int k : scratch_.touched)
    scratch_.tile_of[k] = -1, scratch_.coarse_open[k] = -1, scratch_.reached[k] = 0,
    scratch_.bound[k] = 0, scratch_.guide[k] = 0;
  scratch_.touched.clear();
  // (The coast it gathered on this thread: no later planner uses it.)
  ForgetNear(serial_);
}

Planner::CellState& Planner::Slot(Cell c) {
  const int k = CoarseKey(c);
  std::int32_t& tile = scratch_.tile_of[k];
  if (tile < 0) {
    if (tiles_ / kTiles == scratch_.blocks.size()) scratch_.blocks.emplace_back(new Tile[kTiles]);
    tile = static_cast<std::int32_t>(tiles_++);
    scratch_.blocks[tile / kTiles][tile % kTiles] = Tile{};  // (a tile an earlier passage used)
    Touch(k);
  }
  return scratch_.blocks[tile / kTiles][tile % kTiles][(c.row % 10) * 10 + c.column % 10];
}

const Planner::CellState& Planner::State(Cell c) {
  CellState& s = Slot(c);
  if (!s.known) {
    s.known = true;
    if (Beyond(CentreLat(c))) return s;
    Scratch& t = scratch_;
    if (t.known_coast != &coast_ || t.known_clearance != c_ ||
        t.known_tiles == Scratch::kKnownTiles) {
      for (const int k : t.known_cells) t.known_of[k] = -1;
      t.known_cells.clear(), t.known_tiles = 0;
      t.known_coast = &coast_, t.known_clearance = c_;
    }
    const int k = CoarseKey(c), i = (c.row % 10) * 10 + c.column % 10;
    if (t.known_of.empty()) t.known_of.assign(kCoarseRows * kCoarseColumns, -1);
    if (t.known_of[k] < 0) {
      if (t.known_tiles / kTiles == t.known.size())
        t.known.emplace_back(new Scratch::Known[kTiles]);
      t.known_of[k] = static_cast<std::int32_t>(t.known_tiles++);
      t.known_cells.push_back(k);
      t.known[t.known_of[k] / kTiles][t.known_of[k] % kTiles].state.fill(0);
    }
    Scratch::Known& known = t.known[t.known_of[k] / kTiles][t.known_of[k] % kTiles];
    if (!known.state[i]) {
      known.state[i] = 1;
      if (!coast_.IsLand(CentreLat(c), CentreLon(c))) {
        // Open when at sea and at least the least clearance from land (the
        // narrows keep less than the clearance asked).
        const double d = coast_.Distance(Centre(c), c_);
        known.state[i] = d >= std::min(c_, kLeastClearance) ? 3 : 2;
        known.clearance[i] = static_cast<float>(d);
      }
    }
    if (known.state[i] > 1) s.open = known.state[i] == 3, s.clearance = known.clearance[i];
  }
  return s;
}

bool Planner::Step(Cell c, Cell n) {
  const CellState& s = State(n);
  if (!s.open) return false;
  // Near land, a step is taken only where its leg keeps the least clearance.
  return std::min(s.clearance, State(c).clearance) >= kSeesNeighbours ||
         Clear(Centre(c), Centre(n), std::min(c_, kLeastClearance));
}

// The seas of a coarse cell: its fine cells joined by the steps the fine
// search takes, within the cell (a cell across an isthmus holds two).
const Planner::Seas& Planner::SeasOf(int k) {
  const auto [it, fresh] = seas_.try_emplace(k);
  Seas& seas = it->second;
  if (!fresh) return seas;
  seas.of.fill(-1);
  const Cell corner{(k / kCoarseColumns) * 10, (k % kCoarseColumns) * 10};
  for (int i = 0; i < 100; ++i) {
    if (seas.of[i] >= 0 || !State({corner.row + i / 10, corner.column + i % 10}).open) continue;
    seas.of[i] = static_cast<std::int8_t>(seas.count);
    std::vector<int> stack{i};
    while (!stack.empty()) {
      const int j = stack.back();
      stack.pop_back();
      const Cell c{corner.row + j / 10, corner.column + j % 10};
      for (int dr = -1; dr <= 1; ++dr) {
        for (int dc = -1; dc <= 1; ++dc) {
          const int r = j / 10 + dr, q = j % 10 + dc;
          if ((dr == 0 && dc == 0) || r < 0 || r > 9 || q < 0 || q > 9 || seas.of[r * 10 + q] >= 0)
            continue;
          if (!Step(c, {corner.row + r, corner.column + q})) continue;
          seas.of[r * 10 + q] = static_cast<std::int8_t>(seas.count);
          stack.push_back(r * 10 + q);
        }
      }
    }
    ++seas.count;
  }
  return seas;
}

}  // namespace sea
}  // namespace sailings
