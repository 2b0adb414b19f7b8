// The way round the land in coarse cells: the corridor's search.
#include "sea/planner.h"

#include "sea/landmarks.h"
#include "sea/links.h"
#include "sea/node_heap.h"

#include <new>

namespace sailings {
namespace sea {

namespace {

// The chord between the centres of a coarse cell in row r and of the cell
// dr rows and dc columns away, a neighbour or a knight's move (nothing else
// changes it): from a table made once.
double CoarseStep(int r, int dr, int dc) {
  static const std::vector<double> table = [] {
    std::vector<double> t(kCoarseRows * 15, 0.0);
    for (int row = 0; row < kCoarseRows; ++row) {
      for (int i = -2; i <= 2; ++i) {
        for (int j = 0; j <= 2 && row + i >= 0 && row + i < kCoarseRows; ++j)
          t[row * 15 + (i + 2) * 3 + j] = Chord(CoarseCentre(row * kCoarseColumns),
                                                CoarseCentre((row + i) * kCoarseColumns + j));
      }
    }
    return t;
  }();
  return table[r * 15 + (dr + 2) * 3 + std::abs(dc)];
}

}  // namespace

template <class Whole>
bool Planner::Sight(int a, int b, std::vector<int>* cells, Whole&& whole) const {
  const SeaLinks* const links = Joins();
  const int toRow = Direction(b / kCoarseColumns > a / kCoarseColumns ? 1 : -1, 0);
  const int toColumn = Direction(0, ColumnsTo(a, b) > 0 ? 1 : -1);
  return WalkLine(a, b, [&](int k, int n, bool acrossRow) {
    const int d = acrossRow ? toRow : toColumn;
    if ((links && Holds(k) && Holds(n) && !links->Joined(k, d)) || !whole(n) ||
        (!blocked_.empty() && (blocked_[k] >> d & 1)))
      return false;
    if (cells && n != b) cells->push_back(n);
    return true;
  });
}

// A* over the coast's cells that hold any sea: a corridor (the cells
// within one of the way) for the fine search. A cell found to hold more
// than one sea is a node for each (`split_`), joined to a neighbour only
// where its sea touches the neighbour's.
bool Planner::Corridor(Cell from, Cell to, std::vector<std::uint8_t>& corridor,
                       std::vector<int>& path) {
  constexpr int kCells = kCoarseRows * kCoarseColumns;
  const auto cellOf = [&](int node) { return node < kCells ? node : parts_[node - kCells].cell; };
  // Which cells the sea joins, where the table of them holds (sea/links.h):
  // a cell of two seas is split as it is first met. (Elsewhere, as the
  // fine cells are found.)
  const SeaLinks* const links = Joins();
  const auto holds = [&](int k) { return links && Holds(k); };
  const auto firstOf = [&](int k) {
    if (holds(k) && links->Seas(k) >= 2 && SplitOf(k) < 0) Split(k, links->Seas(k));
    return SplitOf(k);
  };
  // (Nor from or to an end's cell where the end's fine cell, which the
  // search starts from or ends at, is not open: in none of its seas.)
  const int start = State(from).open ? -1 : CoarseKey(from);
  const int end = State(to).open ? -1 : CoarseKey(to);
  const auto linked = [&](int k, int n) { return holds(k) && holds(n) && k != start && n != end; };
  const auto centre = [&](int node) { return CoarseCentre(cellOf(node)); };
  // The node of a fine cell: its coarse cell's, or the sea's it lies in
  // (or that a neighbour in the cell lies in) where that is split.
  const auto nodeOf = [&](Cell f) {
    const int k = CoarseKey(f);
    const int first = firstOf(k);
    if (first < 0) return k;
    const Seas& seas = SeasOf(k);
    for (int dr = 0; dr <= 1; ++dr)
      for (int dc = -dr; dc <= dr; ++dc)
        for (int ds = -dr; ds <= dr; ++ds) {
          const int r = f.row % 10 + dc, q = f.column % 10 + ds;
          if (r >= 0 && r <= 9 && q >= 0 && q <= 9 && seas.of[r * 10 + q] >= 0)
            return first + seas.of[r * 10 + q];
        }
    return first;
  };
  // What the coast's index holds in coarse cell (r, c) (its cells are these).
  const auto kindOf = [&](int r, int c) {
    return coast_.KindOfCell(-90 + (r + 0.5) * kCoarse, -180 + (c + 0.5) * kCoarse);
  };
  // A coarse cell is open when any of a 3 x 3 sample of its fine cells is
  // (and the fine search has not found it closed).
  std::vector<std::int8_t>& open = scratch_.coarse_open;
  const auto isOpen = [&](int k) {
    if (holds(k)) return links->Seas(k) > 0;
    if (open[k] < 0) {
      const Cell c{k / kCoarseColumns, k % kCoarseColumns};
      // (A cell without coast is all sea or all land, and its samples lie
      // more than two miles inside it: open wherever within the limit.)
      const Coast::CellKind kind = kindOf(c.row, c.column);
      bool any = false;
      for (int i = 1; i < 10 && !any && kind != Coast::CellKind::land; i += 3)
        for (int j = 1; j < 10 && !any; j += 3) {
          const Cell f{c.row * 10 + i, c.column * 10 + j};
          any = kind == Coast::CellKind::sea ? !Beyond(CentreLat(f)) : State(f).open;
        }
      open[k] = any;
      Touch(k);
    }
    return open[k] == 1;
  };
  // Whether the sea of node x touches the sea of node y, neighbours, one of
  // them split: a fine step joins them across their border.
  const auto touches = [&](int x, int y) {
    const int kx = cellOf(x), ky = cellOf(y);
    if (linked(kx, ky) && linked(ky, kx)) {
      const int dr = ky / kCoarseColumns - kx / kCoarseColumns;
      const int dc =
          (ky % kCoarseColumns - kx % kCoarseColumns + kCoarseColumns + 1) % kCoarseColumns - 1;
      return links->Joined(kx, Direction(dr, dc), x < kCells ? 0 : parts_[x - kCells].sea,
                           y < kCells ? 0 : parts_[y - kCells].sea);
    }
    const Cell cx{(kx / kCoarseColumns) * 10, (kx % kCoarseColumns) * 10};
    const Cell cy{(ky / kCoarseColumns) * 10, (ky % kCoarseColumns) * 10};
    const auto in = [&](int node, int k, Cell corner, Cell f) {
      const int r = f.row - corner.row,
                q = (f.column - corner.column + kFineColumns) % kFineColumns;
      if (node < kCells) return State(f).open || Key(f) == Key(to);
      return SeasOf(k).of[r * 10 + q] == parts_[node - kCells].sea;
    };
    for (int i = 0; i < 10; ++i) {
      for (int j = 0; j < 10; ++j) {
        const Cell a{cx.row + i, (cx.column + j) % kFineColumns};
        if (i > 0 && i < 9 && j > 0 && j < 9) continue;  // the border only
        if (!in(x, kx, cx, a)) continue;
        for (int dr = -1; dr <= 1; ++dr)
          for (int dc = -1; dc <= 1; ++dc) {
            const Cell b{a.row + dr, (a.column + dc + kFineColumns) % kFineColumns};
            if (b.row < 0 || b.row >= kFineRows || CoarseKey(b) != ky) continue;
            if (in(y, ky, cy, b) && Step(a, b)) return true;
          }
      }
    }
    return false;
  };
  const int s = nodeOf(from), t = nodeOf(to);
  const Vec3 goal = centre(t);
  // (Every split cell's seas may be met.)
  const std::size_t nodes = kCells + parts_.size() + (links ? links->Parts() : 0);
  // The ways' lengths and parents, kept by the thread from one search to
  // the next (a million nodes each), and never filled: an entry holds only
  // where its stamp is this search's, and is set as the search first meets
  // its node. (Filled, or set back as the search leaves, their pages cost
  // more than the search: a page first written costs microseconds.)
  struct Ways {
    std::size_t size = 0;
    std::unique_ptr<double[]> g, h;
    std::unique_ptr<int[]> parent;
    // Where the parent is a cell not yet known to be in sight: the best
    // parent known to be sound (a neighbour, a gate's far end, a cell
    // found in sight), and the way through it.
    std::unique_ptr<int[]> via;
    std::unique_ptr<double[]> by_via;
    std::unique_ptr<std::uint8_t[]> done;                   // taken up (never again)
    std::unique_ptr<int[]> slot;                            // the frontier's (NodeHeap)
    std::unique_ptr<std::uint32_t[], Scratch::Free> stamp;  // (calloc: pages made as written)
    std::uint32_t search = 0;
    std::vector<int> touched;  // this search's nodes
    NodeHeap frontier;
  };
  thread_local Ways ways;
  if (ways.size < nodes) {
    // (With room for the seas of cells split by later searches.)
    const std::size_t size = nodes + 65536;
    ways.g.reset(new double[size]), ways.h.reset(new double[size]);
    ways.parent.reset(new int[size]), ways.via.reset(new int[size]);
    ways.by_via.reset(new double[size]), ways.done.reset(new std::uint8_t[size]);
    ways.slot.reset(new int[size]);
    ways.stamp.reset(static_cast<std::uint32_t*>(std::calloc(size, sizeof(std::uint32_t))));
    if (!ways.stamp) throw std::bad_alloc();
    ways.size = size, ways.search = 0;
  }
  if (++ways.search == 0)
    std::fill(ways.stamp.get(), ways.stamp.get() + ways.size, 0), ++ways.search;
  ways.touched.clear();
  NodeHeap& queue = ways.frontier;
  queue.Reset(ways.slot.get());
  double* const g = ways.g.get();
  double* const h = ways.h.get();
  int* const parent = ways.parent.get();
  int* const via = ways.via.get();
  double* const byVia = ways.by_via.get();
  const auto meet = [&](int x) {
    if (ways.stamp[x] == ways.search) return;
    ways.stamp[x] = ways.search;
    g[x] = INFINITY, h[x] = 0, parent[x] = -1, via[x] = -1, byVia[x] = INFINITY, ways.done[x] = 0;
    ways.slot[x] = -1;
    ways.touched.push_back(x);
  };
  // Any angle: a node reached from a neighbour
  // whose own parent is in sight of it takes that parent for its own, its
  // way the chord between them (looked at when the node is taken up, and
  // where it is not in sight, the neighbour's way instead). The way's
  // length is then that of straight legs between cells, not of a chain of
  // sixteen directions (up to 2.7% longer): the side of an island a way
  // passes is the side that is shorter, where the two differ by more than
  // the cells' width.
  // (Not from, to or through a cell of two seas, nor from or to the ends'
  // cells.)
  const auto whole = [&](int k) {
    return holds(k) ? links->Seas(k) == 1 : SplitOf(k) < 0 && isOpen(k);
  };
  const auto plain = [&](int x) { return x < kCells && x != start && x != end && whole(x); };
  // The heuristic: the angle at the centre to the goal on the sphere of
  // the polar radius, which every chain of chords between points of the
  // ellipsoid outside it is longer than (it is no longer than the chords'
  // radial projections onto the sphere, each shorter than its arc by less
  // than a part in 1e-5 for steps under a degree). The chord alone falls
  // short by a tenth across an ocean, and the search then floods seas far
  // off the way. Where the land makes the way long, the landmarks'
  // distances over the sea bound it far better (sea/landmarks.h). A search
  // found anew after steps were closed knows more: a way can only have
  // grown longer, so the last search's length to the goal less its way to
  // a cell (the scratch's `bound`) is as good a bound, and better.
  const LandmarkBound bySea(Landmarks::Get(), cellOf(s), cellOf(t));
  const auto toGoal = [&](int x) {
    const Vec3 p = centre(x);
    const double arc = kPolarRadius * (1 - 1e-5) * std::atan2(Length(Cross(p, goal)), Dot(p, goal));
    // (The landmarks' distances are chains of the steps: the straight legs
    // may be shorter, by the chain's 2.7%.)
    const double sea = bySea(cellOf(x)) / 1.03;
    return std::max({arc, sea, scratch_.bound[cellOf(x)]});
  };
  meet(s);
  g[s] = 0, h[s] = toGoal(s);
  queue.Push(s, g[s] + h[s]);
  // The gates, each way: from a node, to a node, the cost (a few, looked
  // through at every node taken up).
  struct Jump {
    int from, to;
    double cost;
  };
  std::vector<Jump> jumps;
  for (const GateEnds& e : gates_) {
    const int ka = nodeOf(e.a), kb = nodeOf(e.b);
    jumps.push_back({ka, kb, e.cost}), jumps.push_back({kb, ka, e.cost});
  }
  bool found = false;
  while (!queue.Empty()) {
    const int x = queue.Pop().node;
    if (parent[x] != via[x] && !Sight(parent[x], x, nullptr, whole)) {
      g[x] = byVia[x], parent[x] = via[x];
      queue.Push(x, g[x] + h[x]);
      continue;
    }
    via[x] = parent[x], byVia[x] = g[x], ways.done[x] = 1;
    if (x == t) {
      found = true;
      break;
    }
    const int k = cellOf(x);
    const int r = k / kCoarseColumns, c = k % kCoarseColumns;
    const int before = parent[x];
    const bool sighted = before >= 0 && plain(x) && plain(before);
    const Vec3 beforeAt = sighted ? CoarseCentre(before) : Vec3{};
    // (`whole`: y known to be a cell of one sea, not split.)
    const auto relax = [&](int y, double cost, bool whole = false) {
      meet(y);
      if (ways.done[y]) return;
      int from = x;
      double way = g[x] + cost;
      if (sighted && (whole ? y != start && y != end : plain(y)) && Span(before, y) <= kMostSight) {
        // (The parent's way as it was found sound: it may have been
        // lowered since by a way not yet looked at.)
        const double straight = byVia[before] + Chord(beforeAt, CoarseCentre(y));
        if (straight < way) from = before, way = straight;
      }
      if (way < g[y]) {
        if (g[y] == INFINITY) h[y] = toGoal(y);
        g[y] = way, parent[y] = from;
        queue.Push(y, g[y] + h[y]);
      }
      if (g[x] + cost < byVia[y]) via[y] = x, byVia[y] = g[x] + cost;
    };
    // (In open water, where the table holds in all five rows, every step
    // is open and joined: only a cell split since, or a step closed, is
    // asked of. The rows' farthest from the equator are the first and last.)
    const bool openWater = x < kCells && links && links->OpenWater(k) &&
                           Holds(k - 2 * kCoarseColumns) && Holds(k + 2 * kCoarseColumns);
    for (int step = 0; step < 16; ++step) {
      const int dr = kSteps[step][0], dc = kSteps[step][1];
      if (r + dr < 0 || r + dr >= kCoarseRows) continue;
      const auto cell = [&](int i, int j) {
        const int column = c + j;
        return (r + i) * kCoarseColumns + (column < 0                 ? column + kCoarseColumns
                                           : column >= kCoarseColumns ? column - kCoarseColumns
                                                                      : column);
      };
      const int n = cell(dr, dc);
      if (!blocked_.empty() && (blocked_[k] >> step & 1)) continue;
      if (openWater && SplitOf(n) < 0 &&
          (step < kNeighbours ||
           (SplitOf(cell(dr / 2, dc / 2)) < 0 && SplitOf(cell(dr - dr / 2, dc - dc / 2)) < 0))) {
        relax(n, CoarseStep(r, dr, dc), true);
        continue;
      }
      const int first = firstOf(n);
      if (step >= kNeighbours) {
        // A knight's move: between cells of one sea each, past the two
        // cells it passes between (and where the table says, joined to
        // the far cell by one of them).
        if (x >= kCells || first >= 0 || (n != cellOf(t) && !isOpen(n))) continue;
        const int a = cell(dr / 2, dc / 2), b = cell(dr - dr / 2, dc - dc / 2);
        if (firstOf(a) >= 0 || firstOf(b) >= 0 || !isOpen(a) || !isOpen(b)) continue;
        if (linked(k, n)) {
          const int toA = Direction(dr / 2, dc / 2), toB = Direction(dr - dr / 2, dc - dc / 2);
          if (!(links->Joined(k, toA) && links->Joined(a, toB)) &&
              !(links->Joined(k, toB) && links->Joined(b, toA)))
            continue;
        }
        relax(n, CoarseStep(r, dr, dc));
        continue;
      }
      if (first < 0) {
        if (n != cellOf(t) && !isOpen(n)) continue;
        if (x >= kCells ? !touches(x, n) : linked(k, n) && !links->Joined(k, step)) continue;
        relax(n, CoarseStep(r, dr, dc));
        continue;
      }
      for (int sea = 0; sea < (holds(n) ? links->Seas(n) : seas_.at(n).count); ++sea) {
        const int y = first + sea;
        if (touches(x, y)) relax(y, CoarseStep(r, dr, dc));
      }
    }
    for (const Jump& j : jumps)
      if (j.from == x) relax(j.to, j.cost);
  }
  if (!found) return false;
  // (A cell's bound is learned while it is one node: its parts, if it is
  // split later, are no nearer the goal than it was.)
  for (const int x : ways.touched) {
    if (x >= kCells || g[t] - g[x] <= scratch_.bound[x]) continue;
    if (scratch_.bound[x] == 0) Touch(x);
    scratch_.bound[x] = g[t] - g[x];
  }
  path.clear();
  std::vector<int> between;
  for (int x = t; x >= 0; x = parent[x]) {
    path.push_back(cellOf(x));
    // (A parent in sight, two cells away or more: the cells between, or a
    // step two cells on the diagonal leaves a gap. A gate's far end is none.)
    const int p = parent[x];
    between.clear();
    if (p >= 0 && p < kCells && x < kCells && Span(p, x) > 1 && Sight(p, x, &between, whole))
      path.insert(path.end(), between.rbegin(), between.rend());
  }
  std::reverse(path.begin(), path.end());

  Lay(path, corridor);
  return true;
}

}  // namespace sea
}  // namespace sailings
