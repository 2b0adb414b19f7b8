#include "sea/sea_planner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <queue>
#include <unordered_map>
#include <unordered_set>

#include "elliptic/ellipsoid.h"
#include "land/coast.h"

namespace sailings {

const std::vector<Gate>& Gates() {
  // Each from open water to open water along the fairway (the ends lie a
  // few miles out, where the data's coast no longer closes the way). The
  // lengths are the canals' own, from entrance to entrance.
  static const std::vector<Gate> gates = {
      {"suez", "the Suez Canal", 104.5, {31.40, 32.36, 31.265, 32.31, 30.85, 32.32, 30.57,
                                         32.29, 30.40, 32.35,  30.30, 32.40, 30.20, 32.47,
                                         30.10, 32.56, 29.94,  32.56, 29.80, 32.56}},
      {"panama", "the Panama Canal", 44.0, {9.42,   -79.92, 9.35,   -79.92, 9.27,   -79.92, 9.20,
                                            -79.88, 9.12,   -79.78, 9.05,   -79.68, 9.02,   -79.61,
                                            8.99,   -79.59, 8.93,   -79.56, 8.85,   -79.51}},
      {"kiel",
       "the Kiel Canal",
       53.3,
       {53.87, 8.95, 53.89, 9.14, 53.95, 9.25, 54.07, 9.40, 54.20, 9.55, 54.30, 9.67, 54.35, 9.90,
        54.365, 10.14, 54.45, 10.22}},
  };
  return gates;
}

namespace {

constexpr double kFine = 0.025;  // degrees: the cells of the way round the land
constexpr int kFineColumns = 14400, kFineRows = 7200;
constexpr double kCoarse = 0.25;
constexpr int kCoarseColumns = 1440, kCoarseRows = 720;
constexpr double kMostInland = 20 * kNauticalMile;
// How often a corridor closed by land the coarse cells did not see is
// found anew, and how many cells a search may reach (within a corridor, and
// everywhere).
constexpr int kMostCorridors = 40;
constexpr std::size_t kMostCorridorCells = 1500000, kMostCells = 3000000;
// A sea from which fewer cells than this are reached is a pocket.
constexpr std::size_t kPocket = 20000;
constexpr double kLeastClearance = 0.1 * kNauticalMile;
// Two cells' centres this far from land see each other (the farthest
// neighbour is 1.42 cells away): no leg between them needs looking at.
constexpr double kSeesNeighbours = 0.75 * kFine * 60 * kNauticalMile;
// A turning point lies within this of the clearance from land.
constexpr double kTurnSlack = 0.1 * kNauticalMile;
// A leg keeps its clearance to within half a metre (the turning points lie
// on it, and the search for them ends within metres).
// The hull of the land's circles is drawn with polygons round them.
constexpr double kHullSlack = 10.0;
// The widest way wrapped so (its land's points are looked for within this
// of its chord, in pieces of this along it).
constexpr double kMostWrap = 150 * kNauticalMile;
double Slack(double clearance) { return std::max(0.0, clearance - 0.5); }

Vec3 At(double lat, double lon) { return EllipsoidPoint(lat * kDegree, lon * kDegree); }
void LatLonOf(Vec3 p, double& lat, double& lon) {
  lon = ToDegrees(std::atan2(p.y, p.x));
  lat = ToDegrees(std::atan2(p.z, kOneMinusESq * std::hypot(p.x, p.y)));
}
// The point of the ellipsoid in the direction of p.
Vec3 OnSurface(Vec3 p) {
  double lat, lon;
  LatLonOf(p, lat, lon);
  return At(lat, lon);
}
double Chord(Vec3 p, Vec3 q) { return Length(p - q); }
// A point `metres` from (lat, lon) towards `bearing` (radians), on the
// local plane: for the few miles of an approach.
void Offset(double lat, double lon, double metres, double bearing, double& outLat, double& outLon) {
  const double phi = lat * kDegree;
  const double w = std::sqrt(1 - e_sq * std::sin(phi) * std::sin(phi));
  const double meridian = kMeridianFactor / (w * w * w), normal = a / w;
  outLat = lat + ToDegrees(metres * std::cos(bearing) / meridian);
  outLon = lon + ToDegrees(metres * std::sin(bearing) / (normal * std::max(1e-9, std::cos(phi))));
}

struct Cell {
  int row, column;
};
Cell FineCell(double lat, double lon) {
  const int r = std::clamp(static_cast<int>(std::floor((lat + 90) / kFine)), 0, kFineRows - 1);
  int c = static_cast<int>(std::floor((std::remainder(lon, 360.0) + 180) / kFine));
  c = ((c % kFineColumns) + kFineColumns) % kFineColumns;
  return {r, c};
}
std::int64_t Key(Cell c) { return static_cast<std::int64_t>(c.row) * kFineColumns + c.column; }
Cell FromKey(std::int64_t k) {
  return {static_cast<int>(k / kFineColumns), static_cast<int>(k % kFineColumns)};
}
double CentreLat(Cell c) { return -90 + (c.row + 0.5) * kFine; }
double CentreLon(Cell c) { return -180 + (c.column + 0.5) * kFine; }
// A cell's centre in space, from tables of its row's and column's sines
// and cosines (made once): the searches ask for centres millions of times.
Vec3 Centre(Cell c) {
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
Vec3 CoarseCentre(int k) {
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
int CoarseKey(Cell fine) { return (fine.row / 10) * kCoarseColumns + fine.column / 10; }

class Planner {
 public:
  Planner(const Coast& coast, const SeaRequest& request)
      : coast_(coast), request_(request), c_(request.clearance) {}

  SeaOutcome Plan(SeaPlan& plan, double* inland);

 private:
  // Whether a fine cell may be sailed, and how far its centre keeps from
  // land (capped at the clearance): memoized.
  struct CellState {
    bool known = false, open = false;
    float clearance = 0;
  };
  const CellState& State(Cell c);
  bool Beyond(double lat) const { return request_.limit && std::fabs(lat) > *request_.limit; }
  // Whether the great elliptic leg from a to b keeps `keep` from land and
  // stays within the limiting latitude.
  // (Never less than half the least clearance: a leg that keeps nothing
  // crosses land.)
  bool Clear(Vec3 a, Vec3 b, double keep) const {
    return !LegBeyond(a, b) && coast_.ArcClear(a, b, std::max(keep, 0.5 * kLeastClearance));
  }
  bool LegBeyond(Vec3 a, Vec3 b) const;
  bool ToSea(double lat, double lon, double keep, double& seaLat, double& seaLon, double& moved,
             double& inland);
  // Whether the sea around a cell is a pocket: fewer than `most` cells
  // reachable from it.
  bool Pocket(Cell c, std::size_t most);
  // Whether a step from cell c to its neighbour n may be taken.
  bool Step(Cell c, Cell n);
  bool Corridor(Cell from, Cell to, std::vector<std::uint8_t>& corridor, std::vector<int>& path);
  // The seas of a coarse cell (index by fine cell within it: -1 closed).
  struct Seas {
    std::array<std::int8_t, 100> of;
    int count = 0;
  };
  const Seas& SeasOf(int coarse);
  bool Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
              std::vector<std::int64_t>& way);
  void Taut(std::vector<Vec3>& p, std::vector<double>& need);
  double MoveOffLand(Vec3& p) const;
  bool Wrap(const std::vector<Vec3>& path, double keep, std::vector<Vec3>& out) const;

  const Coast& coast_;
  const SeaRequest& request_;
  const double c_;
  // The fine cells' states, in tiles of a coarse cell's 10 x 10 (a deque:
  // a state's address holds while tiles are added).
  std::vector<std::int32_t> tile_of_;  // by coarse cell, -1: none yet
  std::deque<std::array<CellState, 100>> tiles_;
  // The fine search, kept from one corridor to the next: what it reached,
  // its frontier, and the cells it held back at a corridor's edge.
  struct Node {
    double g;
    std::int64_t parent;
  };
  std::unordered_map<std::int64_t, Node> nodes_;
  using Item = std::pair<double, std::int64_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> open_;
  std::vector<std::int64_t> held_;
  // Steps between coarse cells that a fine search found closed (keys
  // from * cells + to).
  std::unordered_set<std::int64_t> blocked_;
  // The coarse cells found to hold more than one sea: each sea a node of
  // the corridor's search, numbered from the number of cells on.
  std::unordered_map<int, Seas> seas_;
  std::unordered_map<int, int> split_;  // cell: its first sea's node
  struct Part {
    int cell, sea;
  };
  std::vector<Part> parts_;
  std::vector<std::int8_t> coarse_open_;  // by coarse cell: -1 not yet known
  std::vector<std::uint8_t> reached_;     // the coarse cells a fine search reached
  // The gates open: their first and last cells.
  struct GateEnds {
    int gate;
    Cell a, b;
    double cost;
  };
  std::vector<GateEnds> gates_;
};

const Planner::CellState& Planner::State(Cell c) {
  if (tile_of_.empty()) tile_of_.assign(kCoarseRows * kCoarseColumns, -1);
  std::int32_t& tile = tile_of_[CoarseKey(c)];
  if (tile < 0) {
    tile = static_cast<std::int32_t>(tiles_.size());
    tiles_.emplace_back();
  }
  CellState& s = tiles_[tile][(c.row % 10) * 10 + c.column % 10];
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

// The nearest position to (lat, lon) at sea that keeps the clearance,
// searched on circles every 0.05 NM out to 20 NM.
bool Planner::ToSea(double lat, double lon, double keep, double& seaLat, double& seaLon,
                    double& moved, double& inland) {
  const Vec3 p = At(lat, lon);
  inland = 0;
  if (!coast_.IsLand(lat, lon) && coast_.Distance(p, keep) >= keep) {
    seaLat = lat, seaLon = lon, moved = 0;
    return true;
  }
  if (coast_.IsLand(lat, lon)) inland = coast_.Distance(p, 1e6);
  const double step = 0.05 * kNauticalMile;
  for (double r = step; r <= kMostInland + keep + 0.5 * step; r += step) {
    const int bearings = std::max(36, static_cast<int>(std::ceil(kTwoPi * r / step)));
    double best = -1;
    for (int k = 0; k < bearings; ++k) {
      double qLat, qLon;
      Offset(lat, lon, r, kTwoPi * k / bearings, qLat, qLon);
      if (std::fabs(qLat) > 89.9 || Beyond(qLat) || coast_.IsLand(qLat, qLon)) continue;
      const double d = coast_.Distance(At(qLat, qLon), keep + kNauticalMile);
      if (d >= keep && d > best) best = d, seaLat = qLat, seaLon = qLon;
    }
    if (best >= 0) {
      moved = r;
      return true;
    }
  }
  return false;
}

bool Planner::Step(Cell c, Cell n) {
  const CellState& s = State(n);
  if (!s.open) return false;
  // Near land, a step is taken only where its leg keeps the least clearance.
  return std::min(s.clearance, State(c).clearance) >= kSeesNeighbours ||
         Clear(Centre(c), Centre(n), std::min(c_, kLeastClearance));
}

bool Planner::Pocket(Cell c, std::size_t most) {
  std::unordered_map<std::int64_t, bool> seen{{Key(c), true}};
  std::vector<Cell> stack{c};
  while (!stack.empty() && seen.size() < most) {
    const Cell here = stack.back();
    stack.pop_back();
    for (int dr = -1; dr <= 1; ++dr) {
      for (int dc = -1; dc <= 1; ++dc) {
        if ((dr == 0 && dc == 0) || here.row + dr < 0 || here.row + dr >= kFineRows) continue;
        const Cell n{here.row + dr, (here.column + dc + kFineColumns) % kFineColumns};
        if (seen.count(Key(n)) || !Step(here, n)) continue;
        seen[Key(n)] = true;
        stack.push_back(n);
      }
    }
  }
  return seen.size() < most;
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

// A* over the coast's cells that hold any sea: a corridor (the cells
// within one of the way) for the fine search. A cell found to hold more
// than one sea is a node for each (`split_`), joined to a neighbour only
// where its sea touches the neighbour's.
bool Planner::Corridor(Cell from, Cell to, std::vector<std::uint8_t>& corridor,
                       std::vector<int>& path) {
  constexpr int kCells = kCoarseRows * kCoarseColumns;
  const auto cellOf = [&](int node) { return node < kCells ? node : parts_[node - kCells].cell; };
  const auto centre = [&](int node) { return CoarseCentre(cellOf(node)); };
  // The node of a fine cell: its coarse cell's, or the sea's it lies in
  // (or that a neighbour in the cell lies in) where that is split.
  const auto nodeOf = [&](Cell f) {
    const int k = CoarseKey(f);
    const auto split = split_.find(k);
    if (split == split_.end()) return k;
    const Seas& seas = seas_.at(k);
    for (int dr = 0; dr <= 1; ++dr)
      for (int dc = -dr; dc <= dr; ++dc)
        for (int ds = -dr; ds <= dr; ++ds) {
          const int r = f.row % 10 + dc, q = f.column % 10 + ds;
          if (r >= 0 && r <= 9 && q >= 0 && q <= 9 && seas.of[r * 10 + q] >= 0)
            return split->second + seas.of[r * 10 + q];
        }
    return split->second;
  };
  // A coarse cell is open when any of a 3 x 3 sample of its fine cells is
  // (and the fine search has not found it closed).
  std::vector<std::int8_t>& open = coarse_open_;
  if (open.empty()) open.assign(kCells, -1);
  const auto isOpen = [&](int k) {
    if (open[k] < 0) {
      const Cell c{k / kCoarseColumns, k % kCoarseColumns};
      bool any = false;
      for (int i = 1; i < 10 && !any; i += 3)
        for (int j = 1; j < 10 && !any; j += 3)
          any = State({c.row * 10 + i, c.column * 10 + j}).open;
      open[k] = any;
    }
    return open[k] == 1;
  };
  // Whether the sea of node x touches the sea of node y, neighbours, one of
  // them split: a fine step joins them across their border.
  const auto touches = [&](int x, int y) {
    const int kx = cellOf(x), ky = cellOf(y);
    const Cell cx{(kx / kCoarseColumns) * 10, (kx % kCoarseColumns) * 10};
    const Cell cy{(ky / kCoarseColumns) * 10, (ky % kCoarseColumns) * 10};
    const auto in = [&](int node, int k, Cell corner, Cell f) {
      const int r = f.row - corner.row,
                q = (f.column - corner.column + kFineColumns) % kFineColumns;
      if (node < kCells) return State(f).open || Key(f) == Key(to);
      return seas_.at(k).of[r * 10 + q] == parts_[node - kCells].sea;
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
  const std::size_t nodes = kCells + parts_.size();
  std::vector<double> g(nodes, INFINITY);
  std::vector<int> parent(nodes, -1);
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  g[s] = 0;
  queue.push({Chord(centre(s), goal), s});
  std::unordered_map<int, std::vector<std::pair<int, double>>> jumps;  // the gates
  for (const GateEnds& e : gates_) {
    const int ka = nodeOf(e.a), kb = nodeOf(e.b);
    jumps[ka].push_back({kb, e.cost});
    jumps[kb].push_back({ka, e.cost});
  }
  bool found = false;
  while (!queue.empty()) {
    const double f = queue.top().first;
    const auto x = queue.top().second;
    queue.pop();
    if (x == t) {
      found = true;
      break;
    }
    const Vec3 here = centre(x);
    if (f - Chord(here, goal) > g[x] + 1e-6) continue;  // stale
    const int k = cellOf(x);
    const int r = k / kCoarseColumns, c = k % kCoarseColumns;
    const auto relax = [&](int y, double cost) {
      if (g[x] + cost < g[y]) {
        g[y] = g[x] + cost;
        parent[y] = x;
        queue.push({g[y] + Chord(centre(y), goal), y});
      }
    };
    for (int dr = -1; dr <= 1; ++dr) {
      for (int dc = -1; dc <= 1; ++dc) {
        if ((dr == 0 && dc == 0) || r + dr < 0 || r + dr >= kCoarseRows) continue;
        const int n = (r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns;
        if (!blocked_.empty() && blocked_.count(std::int64_t{k} * kCells + n)) continue;
        const auto split = split_.find(n);
        if (split == split_.end()) {
          if (n != cellOf(t) && !isOpen(n)) continue;
          if (x >= kCells && !touches(x, n)) continue;
          relax(n, Chord(here, centre(n)));
          continue;
        }
        for (int sea = 0; sea < seas_.at(n).count; ++sea) {
          const int y = split->second + sea;
          if (touches(x, y)) relax(y, Chord(here, centre(y)));
        }
      }
    }
    if (const auto j = jumps.find(x); j != jumps.end())
      for (const auto& [y, cost] : j->second) relax(y, cost);
  }
  if (!found) return false;
  corridor.assign(kCells, 0);
  path.clear();
  for (int x = t; x >= 0; x = parent[x]) {
    const int k = cellOf(x);
    path.push_back(k);
    const int r = k / kCoarseColumns, c = k % kCoarseColumns;
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc)
        if (r + dr >= 0 && r + dr < kCoarseRows)
          corridor[(r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns] = 1;
  }
  std::reverse(path.begin(), path.end());
  return true;
}

// A* over the fine cells (within the corridor, when given). Each call goes
// on from where the last stopped: the cells it held back at the last
// corridor's edge are taken up again, so a corridor found anew costs only
// the cells it adds.
bool Planner::Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
                     std::vector<std::int64_t>& way) {
  const Vec3 goal = Centre(to);
  std::unordered_map<std::int64_t, std::vector<std::pair<std::int64_t, double>>> jumps;
  for (const GateEnds& e : gates_) {
    jumps[Key(e.a)].push_back({Key(e.b), e.cost});
    jumps[Key(e.b)].push_back({Key(e.a), e.cost});
  }
  if (nodes_.empty()) {
    nodes_[Key(from)] = {0, -1};
    open_.push({Chord(Centre(from), goal), Key(from)});
  }
  for (const std::int64_t k : held_) open_.push({nodes_[k].g + Chord(Centre(FromKey(k)), goal), k});
  held_.clear();
  const auto inCorridor = [&](Cell c) { return !corridor || (*corridor)[CoarseKey(c)]; };
  // Bounded: a search that finds no way within so many cells gives up
  // (memory stays within some hundred megabytes, time within seconds).
  const std::size_t most = corridor ? kMostCorridorCells : kMostCells;
  while (!open_.empty() && nodes_.size() < most) {
    const double f = open_.top().first;
    const auto k = open_.top().second;
    open_.pop();
    const Cell c = FromKey(k);
    const Vec3 here = Centre(c);
    const double g = nodes_[k].g;
    if (f > g + Chord(here, goal) + 1e-6) continue;  // stale
    reached_[CoarseKey(c)] = 1;
    if (k == Key(to)) {
      for (std::int64_t n = k; n >= 0; n = nodes_[n].parent) way.push_back(n);
      std::reverse(way.begin(), way.end());
      return true;
    }
    const auto relax = [&](std::int64_t n, double cost) {
      const auto it = nodes_.find(n);
      if (it == nodes_.end() || g + cost < it->second.g) {
        nodes_[n] = {g + cost, k};
        open_.push({g + cost + Chord(Centre(FromKey(n)), goal), n});
      }
    };
    bool held = false;
    for (int dr = -1; dr <= 1; ++dr) {
      for (int dc = -1; dc <= 1; ++dc) {
        if ((dr == 0 && dc == 0) || c.row + dr < 0 || c.row + dr >= kFineRows) continue;
        const Cell n{c.row + dr, (c.column + dc + kFineColumns) % kFineColumns};
        if (!inCorridor(n)) {
          held = true;
          continue;
        }
        const bool end = Key(n) == Key(to);
        const CellState& s = State(n);
        if (!s.open && !end) continue;
        // Near land, a step is taken only where its leg keeps the least
        // clearance.
        const Vec3 there = Centre(n);
        if (!end && std::min(s.clearance, State(c).clearance) < kSeesNeighbours &&
            !Clear(here, there, std::min(c_, kLeastClearance)))
          continue;
        // Dearer near land: the way keeps to clear water where there is any.
        const double near = end ? 1.0 : 1.0 + 20.0 * std::max(0.0, 1.0 - s.clearance / c_);
        relax(Key(n), Chord(here, there) * near);
      }
    }
    if (held) held_.push_back(k);
    if (const auto j = jumps.find(k); j != jumps.end())
      for (const auto& [n, cost] : j->second) relax(n, cost);
  }
  return false;
}

// The leg's highest latitude, north or south: where the plane's direction
// nearest the pole falls between the ends (the latitude of the ellipsoid
// grows with the direction's), else at an end.
bool Planner::LegBeyond(Vec3 a, Vec3 b) const {
  if (!request_.limit) return false;
  double lat, lon;
  for (const Vec3 end : {a, b}) {
    LatLonOf(end, lat, lon);
    if (Beyond(lat)) return true;
  }
  const Vec3 n = Cross(a, b);
  const double nn = Dot(n, n);
  if (!(nn > 0)) return false;
  for (const double pole : {1.0, -1.0}) {
    const Vec3 z{0, 0, pole};
    const Vec3 v = z - (Dot(z, n) / nn) * n;  // the plane's direction nearest the pole
    if (Dot(Cross(a, v), n) >= 0 && Dot(Cross(v, b), n) >= 0) {
      LatLonOf(v, lat, lon);
      if (Beyond(lat)) return true;
    }
  }
  return false;
}

// Moves `p` away from the nearest land while it is nearer than the
// clearance (to the middle of narrows, out to the clearance along a coast);
// how far from land it then is, at most the clearance.
double Planner::MoveOffLand(Vec3& p) const {
  Vec3 nearest;
  double d = coast_.Distance(p, c_, &nearest);
  const auto usable = [&](Vec3 q) {
    double lat, lon;
    LatLonOf(q, lat, lon);
    return !coast_.IsLand(lat, lon) && !Beyond(lat);
  };
  for (int step = 0; step < 24 && d < c_ - 0.5; ++step) {
    const Vec3 away = p - nearest;
    const double length = Length(away);
    if (!(length > 0)) break;
    const Vec3 moved = OnSurface(p + ((c_ - d) / length) * away);
    Vec3 movedNearest;
    const double e = coast_.Distance(moved, c_, &movedNearest);
    if (e > d && usable(moved)) {
      p = moved, d = e, nearest = movedNearest;
      continue;
    }
    // Straight away from the nearest land brings it nearer other land (a
    // bay, a corner): the best of 16 bearings, as far, half and a quarter
    // as far; where none is farther from land, the point is in narrows.
    const Vec3 up = (1 / Length(p)) * p;
    Vec3 east = Cross(Vec3{0, 0, 1}, up);
    if (!(Length(east) > 1e-9)) break;
    east = (1 / Length(east)) * east;
    const Vec3 north = Cross(up, east);
    double best = d;
    Vec3 bestAt = p, bestNearest = nearest;
    for (double r = c_ - d; r > 1.0 && best <= d; r *= 0.5) {
      for (int k = 0; k < 16; ++k) {
        const double bearing = kTwoPi * k / 16;
        const Vec3 q = OnSurface(p + r * (std::cos(bearing) * north + std::sin(bearing) * east));
        Vec3 qNearest;
        const double e2 = coast_.Distance(q, c_, &qNearest);
        if (e2 > best + 0.1 && usable(q)) best = e2, bestAt = q, bestNearest = qNearest;
      }
    }
    if (!(best > d)) break;
    p = bestAt, d = best, nearest = bestNearest;
  }
  return std::min(c_, d);
}

// The shortest way from a to c on p's side of their chord that keeps
// `keep` from the land inside the triangle a-p-c: the convex hull of the
// land's clearance circles there (each a polygon round it), from a to c.
// In the central projection (from the Earth's centre onto a plane) every
// great elliptic arc is a straight line, so the hull there is exact; the
// circles are drawn on the ellipsoid. `out`: the hull's corners between a
// and c, none when no land is inside (p may go).
bool Planner::Wrap(const std::vector<Vec3>& path, double keep, std::vector<Vec3>& out) const {
  out.clear();
  const Vec3 a = path.front(), c = path.back();
  Vec3 m0{0, 0, 0};
  for (const Vec3 v : path) m0 = m0 + (1 / Length(v)) * v;
  if (!(Length(m0) > 0)) return false;
  const Vec3 m = (1 / Length(m0)) * m0;
  for (const Vec3 v : path)
    if (!(Dot(v, m) > 0.5 * Length(v))) return false;  // within 60 degrees of the centre
  Vec3 e1 = (c - a) - Dot(c - a, m) * m;
  if (!(Length(e1) > 0)) return false;
  e1 = (1 / Length(e1)) * e1;
  const Vec3 e2 = Cross(m, e1);
  struct P2 {
    double x, y;
  };
  const auto project = [&](Vec3 x) {
    const Vec3 q = (1 / Dot(x, m)) * x;
    return P2{Dot(q, e1), Dot(q, e2)};
  };
  const auto cross = [](P2 o, P2 u, P2 v) {
    return (u.x - o.x) * (v.y - o.y) - (u.y - o.y) * (v.x - o.x);
  };
  std::vector<P2> ring;  // the way and the chord back, a polygon
  for (const Vec3 v : path) ring.push_back(project(v));
  const P2 A = ring.front(), C = ring.back();
  double area = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const P2 u = ring[i], v = ring[(i + 1) % ring.size()];
    area += u.x * v.y - v.x * u.y;
  }
  const double side = area < 0 ? 1 : -1;  // the way's side of the chord A to C
  const auto inside = [&](P2 q) {
    if (!(side * cross(A, C, q) > 0)) return false;
    bool in = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
      if ((ring[i].y > q.y) != (ring[j].y > q.y) &&
          q.x < (ring[j].x - ring[i].x) * (q.y - ring[i].y) / (ring[j].y - ring[i].y) + ring[i].x)
        in = !in;
    }
    return in;
  };
  // The projection's scale: metres by unit near the triangle.
  const double scale = Length(a) * Dot((1 / Length(a)) * a, m);
  // The land near the triangle: within its farthest corner from the centre,
  // and the clearance.
  // The land near the way: along the chord, within the way's farthest
  // point from it and the clearance (the way may be long, never wide).
  const Vec3 normal = (1 / Length(Cross(a, c))) * Cross(a, c);
  double wide = 0;
  for (const Vec3 v : path) wide = std::max(wide, std::fabs(Dot(v, normal)));
  wide += keep + 2 * kNauticalMile;
  if (wide > kMostWrap) return false;  // an ocean's coasts: too many to draw
  std::vector<Vec3> land, some;
  const int pieces = static_cast<int>(std::ceil(Chord(a, c) / kMostWrap));
  for (int k = 0; k <= pieces; ++k) {
    const double t = static_cast<double>(k) / pieces;
    coast_.PointsNear(OnSurface((1 - t) * a + t * c), wide + 0.5 * kMostWrap, some);
    land.insert(land.end(), some.begin(), some.end());
  }
  // Polygons round each circle (outside it), fine enough that their
  // corners lie within 0.05 NM of the circle.
  const double r = keep + 1.0;
  const int sides = std::clamp(
      static_cast<int>(std::ceil(kPi / std::acos(r / (r + 0.05 * kNauticalMile)))), 8, 64);
  const double outer = r / std::cos(kPi / sides);
  std::vector<P2> points{A, C};
  const auto near = [&](P2 q) {  // within the clearance of the triangle, or in it
    if (inside(q)) return true;
    const double reachUnits = 1.1 * outer / scale;
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const P2 u = ring[i], v = ring[(i + 1) % ring.size()];
      const double dx = v.x - u.x, dy = v.y - u.y, dd = dx * dx + dy * dy;
      const double t =
          dd > 0 ? std::clamp(((q.x - u.x) * dx + (q.y - u.y) * dy) / dd, 0.0, 1.0) : 0;
      if (std::hypot(q.x - u.x - t * dx, q.y - u.y - t * dy) < reachUnits) return true;
    }
    return false;
  };
  // A convex hull (Andrew's monotone chain, counter-clockwise).
  const auto hullOf = [&](std::vector<P2> sorted) {
    std::sort(sorted.begin(), sorted.end(),
              [](P2 u, P2 v) { return u.x < v.x || (u.x == v.x && u.y < v.y); });
    std::vector<P2> hull(2 * sorted.size() + 1);
    std::size_t n = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      while (n >= 2 && cross(hull[n - 2], hull[n - 1], sorted[i]) <= 0) --n;
      hull[n++] = sorted[i];
    }
    for (std::size_t i = sorted.size() - 1, lower = n + 1; i-- > 0;) {
      while (n >= lower && cross(hull[n - 2], hull[n - 1], sorted[i]) <= 0) --n;
      hull[n++] = sorted[i];
    }
    hull.resize(n > 1 ? n - 1 : n);
    return hull;
  };
  // Equal circles' hull is their centres' hull widened: only land on or
  // near the centres' hull (a polygon's width) need be drawn.
  std::vector<Vec3> drawn;
  {
    std::vector<Vec3> candidates;
    std::vector<P2> centres{A, C};
    for (const Vec3 s : land) {
      if (!(Dot(s, m) > 0) || !near(project(s))) continue;
      candidates.push_back(s);
      centres.push_back(project(s));
    }
    const std::vector<P2> around = hullOf(centres);
    const double width = 2 * outer / scale;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      const P2 q = centres[i + 2];
      for (std::size_t j = 0; j < around.size(); ++j) {
        const P2 u = around[j], v = around[(j + 1) % around.size()];
        const double dx = v.x - u.x, dy = v.y - u.y, dd = dx * dx + dy * dy;
        const double t =
            dd > 0 ? std::clamp(((q.x - u.x) * dx + (q.y - u.y) * dy) / dd, 0.0, 1.0) : 0;
        if (std::hypot(q.x - u.x - t * dx, q.y - u.y - t * dy) < width) {
          drawn.push_back(candidates[i]);
          break;
        }
      }
    }
  }
  for (const Vec3 s : drawn) {
    // A circle round land inside is drawn whole on p's side of the chord
    // (a polygon's corners may reach past a leg that keeps the clearance
    // exactly); one round land outside only where it reaches inside.
    const bool within = inside(project(s));
    const Vec3 up = (1 / Length(s)) * s;
    Vec3 east = Cross(Vec3{0, 0, 1}, up);
    if (!(Length(east) > 1e-9)) continue;
    east = (1 / Length(east)) * east;
    const Vec3 north = Cross(up, east);
    for (int k = 0; k < sides; ++k) {
      const double angle = kTwoPi * k / sides;
      const Vec3 q = OnSurface(s + outer * (std::cos(angle) * north + std::sin(angle) * east));
      if (!(Dot(q, m) > 0)) continue;
      const P2 x = project(q);
      if (within ? side * cross(A, C, x) > 0 : inside(x)) points.push_back(x);
    }
  }
  if (points.size() == 2) return true;  // nothing inside: the chord is clear of it
  // The hull (Andrew's monotone chain, counter-clockwise), then its chain
  // from A to C on p's side (A and C are corners of it: all else lies in
  // the triangle).
  const std::vector<P2> hull = hullOf(points);
  const auto at = [&](P2 q) {
    for (std::size_t i = 0; i < hull.size(); ++i)
      if (hull[i].x == q.x && hull[i].y == q.y) return static_cast<long>(i);
    return -1L;
  };
  const long iA = at(A), iC = at(C);
  if (iA < 0 || iC < 0) return false;
  const long h = static_cast<long>(hull.size());
  std::vector<P2> chain;
  for (const long step : {1L, h - 1}) {
    chain.clear();
    bool ours = true;
    for (long i = iA;; i = (i + step) % h) {
      chain.push_back(hull[i]);
      if (i == iC) break;
      if (i != iA && side * cross(A, C, hull[i]) <= 0) ours = false;
    }
    if (ours) break;
  }
  for (std::size_t i = 1; i + 1 < chain.size(); ++i)
    out.push_back(OnSurface(m + chain[i].x * e1 + chain[i].y * e2));
  return true;
}

// Pulls a chain straight between its two ends (see the header). `need`
// holds each point's clearance on the way in, each leg's on the way out
// (leg k from p[k] to p[k + 1]).
void Planner::Taut(std::vector<Vec3>& p, std::vector<double>& need) {
  // 0. A leg between neighbours that cuts a corner nearer than its ends
  // keep gets points between them, moved off the land as the cells were
  // (each leg halved at most 64 times, down to 10 m).
  {
    std::vector<Vec3> q{p[0]};
    std::vector<double> nq{need[0]};
    for (std::size_t k = 0; k + 1 < p.size(); ++k) {
      std::vector<std::pair<Vec3, double>> ends{{p[k + 1], need[k + 1]}};  // a stack
      int halvings = 0;
      while (!ends.empty()) {
        const auto [to, toNeed] = ends.back();
        const Vec3 from = q.back();
        if (halvings < 64 && Chord(from, to) > 10.0 &&
            !Clear(from, to, Slack(std::min(nq.back(), toNeed)))) {
          Vec3 mid = OnSurface(0.5 * (from + to));
          const double d = MoveOffLand(mid);
          ends.push_back({mid, d});
          ++halvings;
          continue;
        }
        q.push_back(to), nq.push_back(toNeed);
        ends.pop_back();
      }
    }
    p.swap(q), need.swap(nq);
  }
  // 1. From each point, the farthest later point in sight, keeping the
  // least clearance of the points between (the narrows on the way); where
  // none is, the next point, keeping what its leg does.
  {
    std::vector<Vec3> q{p[0]};
    std::vector<double> nq;
    std::size_t i = 0;
    while (i + 1 < p.size()) {
      std::size_t next = i + 1;
      double keep = -1;
      std::vector<double> least(p.size(), need[i]);
      for (std::size_t j = i + 1; j < p.size(); ++j) least[j] = std::min(least[j - 1], need[j]);
      // Galloping: the legs to i + 1, i + 2, i + 4, ... while in sight, then
      // halving between the last in sight and the first not.
      const auto sees = [&](std::size_t j) { return Clear(p[i], p[j], Slack(least[j])); };
      std::size_t seen = i, unseen = p.size();
      for (std::size_t step = 1; i + step < p.size(); step *= 2) {
        if (!sees(i + step)) {
          unseen = i + step;
          break;
        }
        seen = i + step;
      }
      if (unseen == p.size() && seen != p.size() - 1) {
        if (sees(p.size() - 1))
          seen = p.size() - 1;
        else
          unseen = p.size() - 1;
      }
      while (unseen - seen > 1 && seen > i) {
        const std::size_t mid = seen + (unseen - seen) / 2;
        (sees(mid) ? seen : unseen) = mid;
      }
      if (seen > i) next = seen, keep = Slack(least[seen]);
      if (keep < 0) keep = coast_.ArcDistance(p[i], p[next], c_, 0);
      q.push_back(p[next]), nq.push_back(keep);
      i = next;
    }
    p.swap(q), need.swap(nq);
  }
  int split = 0;  // points split at corners or wrapped round land, at most 1024 a chain
  const auto passes = [&] {
    // 2. Each turning point pulled towards the chord of its neighbours until
    // a leg touches its clearance; dropped when its neighbours see each other.
    for (int pass = 0; pass < 40; ++pass) {
      double most = 0;
      for (std::size_t i = 1; i + 1 < p.size(); ++i) {
        const double both = std::min(need[i - 1], need[i]);
        if (Clear(p[i - 1], p[i + 1], both - kHullSlack)) {
          p.erase(p.begin() + i), need.erase(need.begin() + i);
          need[i - 1] = both;
          --i;
          most = 1e9;
          continue;
        }
        // The chord's point nearest p[i]: on the plane of its neighbours.
        const Vec3 n = Cross(p[i - 1], p[i + 1]);
        const Vec3 m = OnSurface(p[i] - (Dot(p[i], n) / Dot(n, n)) * n);
        const auto clear = [&](Vec3 b) {
          return Clear(p[i - 1], b, need[i - 1]) && Clear(b, p[i + 1], need[i]);
        };
        const auto along = [&](double t) { return OnSurface((1 - t) * p[i] + t * m); };
        double lo = 0, hi = 1;
        for (int k = 0; k < 30 && Chord(along(lo), along(hi)) > 2.0; ++k) {
          const double mid = 0.5 * (lo + hi);
          (clear(along(mid)) ? lo : hi) = mid;
        }
        Vec3 moved = along(lo);
        // Then slid along each leg towards its far end while the other leg
        // stays clear: the path only shortens, and the point comes to the
        // corner that holds the other leg off.
        for (const int side : {-1, 1}) {
          const Vec3 end = p[i + side], other = p[i - side];
          const double otherNeed = side < 0 ? need[i] : need[i - 1];
          const auto slid = [&](double t) { return OnSurface((1 - t) * moved + t * end); };
          double in = 0, out = 1;
          for (int k = 0; k < 30 && Chord(slid(in), slid(out)) > 2.0; ++k) {
            const double mid = 0.5 * (in + out);
            (Clear(slid(mid), other, otherNeed) ? in : out) = mid;
          }
          moved = slid(in);
        }
        most = std::max(most, Chord(moved, p[i]));
        p[i] = moved;
        // A point still off the land: the hull of the land inside its
        // triangle takes its place, where every leg of it keeps clear.
        if (coast_.Distance(p[i], need[i - 1] + kTurnSlack) >=
                std::min(need[i - 1], need[i]) + kTurnSlack &&
            split < 1024) {
          // Its neighbours first; where a leg of the hull then cuts a
          // neighbour's own corner, the window of two on each side.
          bool done = false;
          for (std::size_t wide = 1; wide <= 2 && !done; ++wide) {
            const std::size_t j = i >= wide ? i - wide : 0, k = std::min(p.size() - 1, i + wide);
            if (wide > 1 && j + 2 == k) break;  // no wider than before
            double keep = need[j];
            for (std::size_t q = j; q < k; ++q) keep = std::min(keep, need[q]);
            std::vector<Vec3> hull;
            if (!Wrap(std::vector<Vec3>(p.begin() + j, p.begin() + k + 1), keep, hull) ||
                hull.empty())
              continue;
            hull.insert(hull.begin(), p[j]);
            hull.push_back(p[k]);
            // Every leg clear (to within 10 m: a leg from a neighbour on its
            // own circle to the polygon round it cuts that circle by metres),
            // and shorter (the hull lies within the way but for the
            // polygons' corners).
            bool clear = true;
            double before = 0, after = 0;
            for (std::size_t q = j; q < k; ++q) before += Chord(p[q], p[q + 1]);
            for (std::size_t q = 1; clear && q < hull.size(); ++q) {
              clear = Clear(hull[q - 1], hull[q], keep - kHullSlack);
              after += Chord(hull[q - 1], hull[q]);
            }
            if (!clear || !(after < before)) continue;
            split += static_cast<int>(hull.size());
            p.erase(p.begin() + j + 1, p.begin() + k),
                need.erase(need.begin() + j, need.begin() + k);
            p.insert(p.begin() + j + 1, hull.begin() + 1, hull.end() - 1);
            need.insert(need.begin() + j, hull.size() - 1, keep);
            i = j + hull.size() - 2;
            most = 1e9;
            done = true;
          }
          if (done) continue;
        }
        // A point still off the land, its neighbours' chord held off by land
        // between: the point of that land's clearance nearest the chord
        // takes its place where both legs to it keep clear (it lies between
        // the chord and the point, so the path shortens).
        if (coast_.Distance(p[i], need[i - 1] + kTurnSlack) >=
            std::min(need[i - 1], need[i]) + kTurnSlack) {
          const double keep = std::min(need[i - 1], need[i]);
          Vec3 at;
          if (coast_.ArcDistance(p[i - 1], p[i + 1], keep, 0, &at) < keep) {
            Vec3 x = OnSurface(at);
            const double d = MoveOffLand(x);
            if (d >= keep - 1.0 && coast_.Distance(x, keep + kTurnSlack) < keep + kTurnSlack &&
                Clear(p[i - 1], x, need[i - 1]) && Clear(x, p[i + 1], need[i])) {
              p[i] = x;
              most = 1e9;
              continue;
            }
          }
        }
        // A point still off the land, its legs held off by corners of their
        // own: those corners become turning points in its place (on its
        // legs, so the path is as it was), to be pulled in their turn.
        if (coast_.Distance(p[i], need[i - 1] + kTurnSlack) >=
                std::min(need[i - 1], need[i]) + kTurnSlack &&
            split < 1024) {
          Vec3 t1, t2;
          const double d1 = coast_.ArcDistance(p[i - 1], p[i], c_ + kTurnSlack, 0, &t1);
          const double d2 = coast_.ArcDistance(p[i], p[i + 1], c_ + kTurnSlack, 0, &t2);

          t1 = OnSurface(t1), t2 = OnSurface(t2);
          // (A leg held at its far end is held by that end's own corner.)
          const bool in1 =
              d1 < need[i - 1] + kTurnSlack && Chord(t1, p[i]) > 10 && Chord(t1, p[i - 1]) > 10;
          const bool in2 =
              d2 < need[i] + kTurnSlack && Chord(t2, p[i]) > 10 && Chord(t2, p[i + 1]) > 10;
          if (in1 || in2) {
            ++split;
            const double before = need[i - 1], after = need[i];
            if (in2) p.insert(p.begin() + i + 1, t2), need.insert(need.begin() + i + 1, after);
            if (in1) p.insert(p.begin() + i, t1), need.insert(need.begin() + i, before), ++i;
            most = 1e9;
            --i;  // the point again, between its new neighbours
            continue;
          }
        }
      }
      // Two turning points round one corner become one where their legs meet,
      // if that lies within 0.1 NM of the clearance: a little longer, far
      // fewer points (the arc round a cape is drawn by a few chords).
      for (std::size_t i = 1; i + 2 < p.size(); ++i) {
        const Vec3 n1 = Cross(p[i - 1], p[i]), n2 = Cross(p[i + 1], p[i + 2]);
        Vec3 x = Cross(n1, n2);
        if (!(Length(x) > 0)) continue;
        if (Dot(x, p[i] + p[i + 1]) < 0) x = -1.0 * x;
        x = OnSurface(x);
        const double keep = std::min({need[i - 1], need[i], need[i + 1]});
        if (Chord(x, p[i]) + Chord(x, p[i + 1]) > 4 * Chord(p[i], p[i + 1]) + 100.0) continue;
        // (Where they meet at one of the two, it is no merger but a drop.)
        if (Chord(x, p[i]) < 10 || Chord(x, p[i + 1]) < 10) continue;
        if (coast_.Distance(x, keep + kTurnSlack) >= keep + kTurnSlack) continue;
        if (!Clear(p[i - 1], x, std::min(need[i - 1], keep)) ||
            !Clear(x, p[i + 2], std::min(need[i + 1], keep)))
          continue;
        p[i] = x;
        need[i - 1] = std::min(need[i - 1], keep), need[i] = std::min(need[i + 1], keep);
        p.erase(p.begin() + i + 1), need.erase(need.begin() + i + 1);
        most = 1e9;
      }
      if (most < 2.0) break;
    }
  };
  passes();
  // 3. Again from each point the farthest in sight, now over the few points
  // left (every one tried), and the passes again.
  {
    std::vector<Vec3> q{p[0]};
    std::vector<double> nq;
    std::size_t i = 0;
    while (i + 1 < p.size()) {
      std::size_t next = i + 1;
      double keep = need[i];
      double least = need[i];
      std::vector<double> upTo(p.size(), need[i]);
      for (std::size_t j = i + 2; j < p.size(); ++j) upTo[j] = least = std::min(least, need[j - 1]);
      for (std::size_t j = p.size() - 1; j > i + 1; --j) {
        if (Clear(p[i], p[j], upTo[j])) {
          next = j, keep = upTo[j];
          break;
        }
      }
      q.push_back(p[next]), nq.push_back(keep);
      i = next;
    }
    p.swap(q), need.swap(nq);
  }
  passes();
}

SeaOutcome Planner::Plan(SeaPlan& plan, double* inland) {
  if (Beyond(request_.lat1) || Beyond(request_.lat2)) return SeaOutcome::beyond_limit;
  // 1. The ends at sea.
  // An end whose nearest sea is a pocket the cells cannot leave (a harbour
  // behind a channel narrower than they see) is taken out to where it is
  // not: the nearest position keeping twice, four, eight times the
  // clearance (the approach is not checked in any case).
  double lat1, lon1, lat2, lon2, far1, far2;
  for (double keep = c_;; keep *= 2) {
    if (!ToSea(request_.lat1, request_.lon1, keep, lat1, lon1, plan.approach_from, far1)) {
      if (keep > c_) break;
      if (inland) *inland = far1;
      return SeaOutcome::departure_inland;
    }
    if (keep >= 8 * c_ || !Pocket(FineCell(lat1, lon1), kPocket)) break;
  }
  for (double keep = c_;; keep *= 2) {
    if (!ToSea(request_.lat2, request_.lon2, keep, lat2, lon2, plan.approach_to, far2)) {
      if (keep > c_) break;
      if (inland) *inland = far2;
      return SeaOutcome::destination_inland;
    }
    if (keep >= 8 * c_ || !Pocket(FineCell(lat2, lon2), kPocket)) break;
  }
  const Cell from = FineCell(lat1, lon1), to = FineCell(lat2, lon2);
  // The gates open, each end the cell of its end point.
  for (std::size_t g = 0; g < Gates().size(); ++g) {
    if (g < request_.closed.size() && request_.closed[g]) continue;
    const std::vector<double>& line = Gates()[g].line;
    double length = 0;
    for (std::size_t k = 2; k < line.size(); k += 2)
      length += Chord(At(line[k - 2], line[k - 1]), At(line[k], line[k + 1]));
    gates_.push_back({static_cast<int>(g), FineCell(line[0], line[1]),
                      FineCell(line[line.size() - 2], line.back()), length});
  }
  // 2. The way round the land: the corridor first, then everywhere.
  std::vector<std::int64_t> way;
  std::vector<std::uint8_t> corridor;
  const bool direct = Clear(At(lat1, lon1), At(lat2, lon2), c_);
  if (!direct) {
    // Where the fine search finds the corridor closed (land that the
    // coarse cells did not see), every step from a coarse cell it reached
    // to one of the corridor's it did not is closed (no fine step joins
    // them), and a corridor found anew; the search goes on from where it
    // stopped.
    reached_.assign(kCoarseRows * kCoarseColumns, 0);
    std::vector<int> path;
    bool found = false;
    for (int tries = 0; tries < kMostCorridors && Corridor(from, to, corridor, path); ++tries) {
      found = Search(from, to, &corridor, way);
      if (found || nodes_.size() >= kMostCorridorCells) break;
      // The cells of the way, and the cells the search reached next to
      // ones it did not: a cell found to hold two seas or more is split;
      // from one holding one sea, the steps to the corridor's cells not
      // reached are closed.
      std::size_t closed = 0;
      constexpr int kCells = kCoarseRows * kCoarseColumns;
      std::vector<int> look(path.begin(), path.end());
      for (int k = 0; k < kCells; ++k) {
        if (!corridor[k] || !reached_[k]) continue;
        const int r = k / kCoarseColumns, c = k % kCoarseColumns;
        for (int dr = -1; dr <= 1; ++dr)
          for (int dc = -1; dc <= 1; ++dc) {
            if ((dr == 0 && dc == 0) || r + dr < 0 || r + dr >= kCoarseRows) continue;
            const int n = (r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns;
            if (corridor[n] && !reached_[n]) {
              if (SeasOf(k).count == 1)
                closed += blocked_.insert(std::int64_t{k} * kCells + n).second;
              else
                look.push_back(k);
            }
          }
      }
      for (const int k : look) {
        if (split_.count(k) || SeasOf(k).count < 2) continue;
        split_[k] = kCells + static_cast<int>(parts_.size());
        for (int sea = 0; sea < SeasOf(k).count; ++sea) parts_.push_back({k, sea});
        ++closed;
      }
      if (!closed) break;  // closed within a cell: the search everywhere decides
    }
    if (!found) {
      way.clear();
      if (!Search(from, to, nullptr, way)) return SeaOutcome::no_way;
    }
  }
  // The chain: the ends, the cells' centres and the gates' lines; each
  // leg keeps what it does (at most the clearance), a canal's legs nothing.
  std::vector<Vec3> p{At(lat1, lon1)};
  std::vector<int> gateOf;  // each leg's gate, or -1
  for (std::size_t k = 0; k < way.size(); ++k) {
    const Cell c = FromKey(way[k]);
    int through = -1;
    for (const GateEnds& e : gates_) {
      if (k + 1 < way.size() && ((Key(e.a) == way[k] && Key(e.b) == way[k + 1]) ||
                                 (Key(e.b) == way[k] && Key(e.a) == way[k + 1])))
        through = e.gate;
    }
    if (through < 0) {
      // (The ends' own cells are the ends: their centres may lie on land.)
      if (k == 0 || k + 1 == way.size()) continue;
      p.push_back(Centre(c));
      gateOf.push_back(-1);
      continue;
    }
    // A gate: from this cell's centre along its line to the far end cell's.
    const std::vector<double>& line = Gates()[through].line;
    const std::size_t n = line.size() / 2;
    const bool forward = Key(FineCell(line[0], line[1])) == way[k];
    p.push_back(Centre(c));
    gateOf.push_back(-1);
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t at = forward ? i : n - 1 - i;
      p.push_back(At(line[2 * at], line[2 * at + 1]));
      gateOf.push_back(i == 0 ? -1 : through);
    }
  }
  p.push_back(At(lat2, lon2));
  gateOf.push_back(-1);
  // Each cell's centre moved away from the land while it is nearer than
  // the clearance: to the middle of narrows, out to the clearance along a
  // coast. Then how far each point keeps.
  std::vector<double> need(p.size(), c_);
  for (std::size_t k = 1; k + 1 < p.size(); ++k) {
    const bool gatePoint = gateOf[k] >= 0 || gateOf[k - 1] >= 0;  // a canal's, as it lies
    need[k] = gatePoint ? std::min(c_, coast_.Distance(p[k], c_)) : MoveOffLand(p[k]);
  }
  // 3. Taut, between the canals; a canal's own legs are left as they are.
  std::vector<Vec3> out{p[0]};
  std::vector<double> outNeed;
  std::vector<int> outGate;
  for (std::size_t i = 0; i + 1 < p.size();) {
    if (gateOf[i] >= 0) {
      out.push_back(p[i + 1]), outNeed.push_back(0), outGate.push_back(gateOf[i]);
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j + 1 < p.size() && gateOf[j] < 0) ++j;
    std::vector<Vec3> part(p.begin() + i, p.begin() + j + 1);
    std::vector<double> partNeed(need.begin() + i, need.begin() + j + 1);
    Taut(part, partNeed);
    for (std::size_t k = 1; k < part.size(); ++k) {
      out.push_back(part[k]), outNeed.push_back(partNeed[k - 1]), outGate.push_back(-1);
    }
    i = j;
  }
  // The plan: approach legs, then the chain, then the approach.
  plan.points.clear(), plan.legs.clear(), plan.clearance.clear(), plan.gate.clear();
  const auto point = [&](Vec3 v) {
    double lat, lon;
    LatLonOf(v, lat, lon);
    plan.points.push_back({lat, lon});
  };
  if (plan.approach_from > 0) {
    plan.points.push_back({request_.lat1, request_.lon1});
    plan.legs.push_back(SeaLegKind::approach), plan.clearance.push_back(0), plan.gate.push_back(-1);
  }
  for (std::size_t k = 0; k < out.size(); ++k) {
    point(out[k]);
    if (k + 1 < out.size()) {
      plan.legs.push_back(outGate[k] >= 0 ? SeaLegKind::canal : SeaLegKind::open);
      // What the leg keeps, found anew (at least what it was made to keep).
      plan.clearance.push_back(outGate[k] >= 0 ? 0 : coast_.ArcDistance(out[k], out[k + 1], c_, 0));
      plan.gate.push_back(outGate[k]);
      // A leg at sea that does not keep even half the least clearance
      // would cross land: never given as a way.
      if (outGate[k] < 0 && plan.clearance.back() < 0.5 * kLeastClearance) {
        plan = SeaPlan{};
        return SeaOutcome::no_way;
      }
    }
  }
  // The ends as given, where they were at sea.
  if (plan.approach_from == 0) plan.points.front() = {request_.lat1, request_.lon1};
  if (plan.approach_to > 0) {
    plan.points.push_back({request_.lat2, request_.lon2});
    plan.legs.push_back(SeaLegKind::approach), plan.clearance.push_back(0), plan.gate.push_back(-1);
  } else {
    plan.points.back() = {request_.lat2, request_.lon2};
  }
  return SeaOutcome::ok;
}

}  // namespace

SeaOutcome PlanSea(const Coast& coast, const SeaRequest& request, SeaPlan& plan, double* inland) {
  Planner planner(coast, request);
  return planner.Plan(plan, inland);
}

}  // namespace sailings
