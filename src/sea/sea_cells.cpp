// The fine cells: their states (whether at sea, how far from land) in
// tiles, and the thread's tables they are kept in from one passage to the
// next.
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
    if (!scratch.bound) throw std::bad_alloc();
  }
  return scratch;
}

Planner::~Planner() {
  for (const int k : scratch_.touched)
    scratch_.tile_of[k] = -1, scratch_.coarse_open[k] = -1, scratch_.reached[k] = 0,
    scratch_.bound[k] = 0;
  scratch_.touched.clear();
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
    const double lat = CentreLat(c), lon = CentreLon(c);
    if (!Beyond(lat) && !coast_.IsLand(lat, lon)) {
      // Open when at sea and at least the least clearance from land (the
      // narrows keep less than the clearance asked).
      const double d = coast_.Distance(Centre(c), c_);
      s.open = d >= std::min(c_, kLeastClearance);
      s.clearance = static_cast<float>(d);
    }
  }
  return s;
}

}  // namespace sea
}  // namespace sailings
