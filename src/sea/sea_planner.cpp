#include "sea/sea_planner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <queue>
#include <unordered_map>

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

class Planner {
 public:
  Planner(const Coast& coast, const SeaRequest& request)
      : coast_(coast), request_(request), c_(request.clearance) {}

  SeaOutcome Plan(SeaPlan& plan, double* inland);

 private:
  // Whether a fine cell may be sailed, and how far its centre keeps from
  // land (capped at the clearance): memoized.
  struct CellState {
    bool open;
    float clearance;
  };
  const CellState& State(Cell c);
  bool Beyond(double lat) const { return request_.limit && std::fabs(lat) > *request_.limit; }
  // Whether the great elliptic leg from a to b keeps `keep` from land and
  // stays within the limiting latitude.
  bool Clear(Vec3 a, Vec3 b, double keep) const {
    return !LegBeyond(a, b) && coast_.ArcClear(a, b, keep);
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
  bool Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
              std::vector<std::int64_t>& way);
  void Taut(std::vector<Vec3>& p, std::vector<double>& need);
  double MoveOffLand(Vec3& p) const;

  const Coast& coast_;
  const SeaRequest& request_;
  const double c_;
  std::unordered_map<std::int64_t, CellState> cells_;
  // The cells every search together may still reach.
  std::size_t budget_ = kMostCells;
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
  const auto [it, fresh] = cells_.try_emplace(Key(c), CellState{false, 0});
  if (fresh) {
    const double lat = CentreLat(c), lon = CentreLon(c);
    if (!Beyond(lat) && !coast_.IsLand(lat, lon)) {
      // Open when at sea and at least the least clearance from land (the
      // narrows keep less than the clearance asked).
      const double d = coast_.Distance(At(lat, lon), c_);
      it->second = {d >= std::min(c_, kLeastClearance), static_cast<float>(d)};
    }
  }
  return it->second;
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
         Clear(At(CentreLat(c), CentreLon(c)), At(CentreLat(n), CentreLon(n)),
               std::min(c_, kLeastClearance));
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

// A* over the coast's cells that hold any sea: a corridor (the cells
// within one of the way) for the fine search.
bool Planner::Corridor(Cell from, Cell to, std::vector<std::uint8_t>& corridor,
                       std::vector<int>& path) {
  const auto coarse = [](Cell f) { return Cell{f.row / 10, f.column / 10}; };
  const Cell s = coarse(from), t = coarse(to);
  const auto key = [](Cell c) { return c.row * kCoarseColumns + c.column; };
  const auto centre = [](int k) {
    return At(-90 + (k / kCoarseColumns + 0.5) * kCoarse,
              -180 + (k % kCoarseColumns + 0.5) * kCoarse);
  };
  // A coarse cell is open when any of a 3 x 3 sample of its fine cells is
  // (and the fine search has not found it closed).
  std::vector<std::int8_t>& open = coarse_open_;
  if (open.empty()) open.assign(kCoarseRows * kCoarseColumns, -1);
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
  const Vec3 goal = centre(key(t));
  std::vector<double> g(kCoarseRows * kCoarseColumns, INFINITY);
  std::vector<int> parent(kCoarseRows * kCoarseColumns, -1);
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  g[key(s)] = 0;
  queue.push({Chord(centre(key(s)), goal), key(s)});
  std::unordered_map<int, std::vector<std::pair<int, double>>> jumps;  // the gates
  for (const GateEnds& e : gates_) {
    const int ka = key(coarse(e.a)), kb = key(coarse(e.b));
    jumps[ka].push_back({kb, e.cost});
    jumps[kb].push_back({ka, e.cost});
  }
  bool found = false;
  while (!queue.empty()) {
    const double f = queue.top().first;
    const auto k = queue.top().second;
    queue.pop();
    if (k == key(t)) {
      found = true;
      break;
    }
    const Vec3 here = centre(k);
    if (f - Chord(here, goal) > g[k] + 1e-6) continue;  // stale
    const int r = k / kCoarseColumns, c = k % kCoarseColumns;
    const auto relax = [&](int n, double cost) {
      if (g[k] + cost < g[n]) {
        g[n] = g[k] + cost;
        parent[n] = k;
        queue.push({g[n] + Chord(centre(n), goal), n});
      }
    };
    for (int dr = -1; dr <= 1; ++dr) {
      for (int dc = -1; dc <= 1; ++dc) {
        if ((dr == 0 && dc == 0) || r + dr < 0 || r + dr >= kCoarseRows) continue;
        const int n = (r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns;
        if (n != key(t) && !isOpen(n)) continue;
        relax(n, Chord(here, centre(n)));
      }
    }
    if (const auto j = jumps.find(k); j != jumps.end())
      for (const auto& [n, cost] : j->second) relax(n, cost);
  }
  if (!found) return false;
  corridor.assign(kCoarseRows * kCoarseColumns, 0);
  path.clear();
  for (int k = key(t); k >= 0; k = parent[k]) {
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

// A* over the fine cells (within the corridor, when given).
bool Planner::Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
                     std::vector<std::int64_t>& way) {
  const Vec3 goal = At(CentreLat(to), CentreLon(to));
  struct Node {
    double g;
    std::int64_t parent;
  };
  std::unordered_map<std::int64_t, Node> nodes;
  using Item = std::pair<double, std::int64_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  std::unordered_map<std::int64_t, std::vector<std::pair<std::int64_t, double>>> jumps;
  for (const GateEnds& e : gates_) {
    jumps[Key(e.a)].push_back({Key(e.b), e.cost});
    jumps[Key(e.b)].push_back({Key(e.a), e.cost});
  }
  const auto centre = [](std::int64_t k) {
    const Cell c = FromKey(k);
    return At(CentreLat(c), CentreLon(c));
  };
  nodes[Key(from)] = {0, -1};
  queue.push({Chord(centre(Key(from)), goal), Key(from)});
  const auto inCorridor = [&](Cell c) {
    return !corridor || (*corridor)[(c.row / 10) * kCoarseColumns + c.column / 10];
  };
  // Bounded: a search that finds no way within so many cells gives up
  // (memory stays within some hundred megabytes, time within seconds).
  const std::size_t most = std::min(budget_, corridor ? kMostCorridorCells : kMostCells);
  while (!queue.empty() && nodes.size() < most) {
    const double f = queue.top().first;
    const auto k = queue.top().second;
    queue.pop();
    const Vec3 here = centre(k);
    const double g = nodes[k].g;
    if (corridor) {
      const Cell c = FromKey(k);
      reached_[(c.row / 10) * kCoarseColumns + c.column / 10] = 1;
    }
    if (f > g + Chord(here, goal) + 1e-6) continue;  // stale
    if (k == Key(to)) {
      for (std::int64_t n = k; n >= 0; n = nodes[n].parent) way.push_back(n);
      std::reverse(way.begin(), way.end());
      return true;
    }
    const auto relax = [&](std::int64_t n, double cost) {
      const auto it = nodes.find(n);
      if (it == nodes.end() || g + cost < it->second.g) {
        nodes[n] = {g + cost, k};
        queue.push({g + cost + Chord(centre(n), goal), n});
      }
    };
    const Cell c = FromKey(k);
    for (int dr = -1; dr <= 1; ++dr) {
      for (int dc = -1; dc <= 1; ++dc) {
        if ((dr == 0 && dc == 0) || c.row + dr < 0 || c.row + dr >= kFineRows) continue;
        const Cell n{c.row + dr, (c.column + dc + kFineColumns) % kFineColumns};
        if (!inCorridor(n)) continue;
        const bool end = Key(n) == Key(to);
        const CellState& s = State(n);
        if (!s.open && !end) continue;
        // Near land, a step is taken only where its leg keeps the least
        // clearance.
        if (!end && std::min(s.clearance, State(c).clearance) < kSeesNeighbours &&
            !Clear(here, centre(Key(n)), std::min(c_, kLeastClearance)))
          continue;
        // Dearer near land: the way keeps to clear water where there is any.
        const double near = end ? 1.0 : 1.0 + 20.0 * std::max(0.0, 1.0 - s.clearance / c_);
        relax(Key(n), Chord(here, centre(Key(n))) * near);
      }
    }
    if (const auto j = jumps.find(k); j != jumps.end())
      for (const auto& [n, cost] : j->second) relax(n, cost);
  }
  budget_ -= std::min(budget_, nodes.size());
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
  for (int step = 0; step < 16 && d < c_ - 0.5; ++step) {
    const Vec3 away = p - nearest;
    const double length = Length(away);
    if (!(length > 0)) break;
    const Vec3 moved = OnSurface(p + ((c_ - d) / length) * away);
    Vec3 movedNearest;
    const double e = coast_.Distance(moved, c_, &movedNearest);
    double lat, lon;
    LatLonOf(moved, lat, lon);
    if (!(e > d) || coast_.IsLand(lat, lon) || Beyond(lat)) {
      // Half as far, once.
      const Vec3 half = OnSurface(p + (0.5 * (c_ - d) / length) * away);
      const double h = coast_.Distance(half, c_, &movedNearest);
      LatLonOf(half, lat, lon);
      if (!(h > d) || coast_.IsLand(lat, lon) || Beyond(lat)) break;
      p = half, d = h, nearest = movedNearest;
      continue;
    }
    p = moved, d = e, nearest = movedNearest;
  }
  return std::min(c_, d);
}

// Pulls a chain straight between its two ends (see the header). `need`
// holds each point's clearance on the way in, each leg's on the way out
// (leg k from p[k] to p[k + 1]).
void Planner::Taut(std::vector<Vec3>& p, std::vector<double>& need) {
  // 0. A leg between neighbours that cuts a corner nearer than its ends
  // keep gets points between them, moved off the land as the cells were
  // (each leg halved at most four times over).
  {
    std::vector<Vec3> q{p[0]};
    std::vector<double> nq{need[0]};
    for (std::size_t k = 0; k + 1 < p.size(); ++k) {
      std::vector<std::pair<Vec3, double>> ends{{p[k + 1], need[k + 1]}};  // a stack
      int halvings = 0;
      while (!ends.empty()) {
        const auto [to, toNeed] = ends.back();
        const Vec3 from = q.back();
        if (halvings < 15 && Chord(from, to) > 50.0 &&
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
  int split = 0;  // points split at corners, at most 64 a chain
  const auto passes = [&] {
    // 2. Each turning point pulled towards the chord of its neighbours until
    // a leg touches its clearance; dropped when its neighbours see each other.
    for (int pass = 0; pass < 40; ++pass) {
      double most = 0;
      for (std::size_t i = 1; i + 1 < p.size(); ++i) {
        const double both = std::min(need[i - 1], need[i]);
        if (Clear(p[i - 1], p[i + 1], both)) {
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
            split < 64) {
          Vec3 t1, t2;
          const double d1 = coast_.ArcDistance(p[i - 1], p[i], c_ + kTurnSlack, 0, &t1);
          const double d2 = coast_.ArcDistance(p[i], p[i + 1], c_ + kTurnSlack, 0, &t2);

          if (d1 < need[i - 1] + kTurnSlack && d2 < need[i] + kTurnSlack) {
            t1 = OnSurface(t1), t2 = OnSurface(t2);
            if (Chord(t1, p[i]) > 10 && Chord(t2, p[i]) > 10 && Chord(t1, p[i - 1]) > 10 &&
                Chord(t2, p[i + 1]) > 10) {
              ++split;
              const double before = need[i - 1], after = need[i];
              p.insert(p.begin() + i + 1, t2), need.insert(need.begin() + i + 1, after);
              p.insert(p.begin() + i, t1), need.insert(need.begin() + i, before);
              most = 1e9;
              ++i;
            }
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
    // coarse cells did not see), the first coarse cell of its way that it
    // did not reach is closed, and a new corridor found.
    std::vector<int> path;
    bool found = false;
    for (int tries = 0; tries < kMostCorridors && !found && Corridor(from, to, corridor, path);
         ++tries) {
      reached_.assign(kCoarseRows * kCoarseColumns, 0);
      found = Search(from, to, &corridor, way);
      if (!found) {
        way.clear();
        bool closed = false;
        for (int k : path) {
          if (!reached_[k]) {
            coarse_open_[k] = 0;
            closed = true;
            break;
          }
        }
        if (!closed) break;  // closed within a cell: the search everywhere decides
      }
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
      p.push_back(At(CentreLat(c), CentreLon(c)));
      gateOf.push_back(-1);
      continue;
    }
    // A gate: from this cell's centre along its line to the far end cell's.
    const std::vector<double>& line = Gates()[through].line;
    const std::size_t n = line.size() / 2;
    const bool forward = Key(FineCell(line[0], line[1])) == way[k];
    p.push_back(At(CentreLat(c), CentreLon(c)));
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
