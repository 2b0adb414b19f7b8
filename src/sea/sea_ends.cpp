// The ends at sea: the nearest position to each that keeps the clearance,
// and whether the sea there is a pocket the cells cannot leave.
#include "sea/planner.h"

#include "sea/links.h"

namespace sailings {
namespace sea {

// The nearest position to (lat, lon) at sea that keeps the clearance,
// searched on circles every 0.05 NM out to 20 NM.
bool Planner::ToSea(double lat, double lon, double keep, double& seaLat, double& seaLon,
                    double& moved, double& inland) {
  const Vec3 p = At(lat, lon);
  inland = 0;
  const bool land = coast_.IsLand(lat, lon);
  const double near = land ? 0 : coast_.Distance(p, keep);
  if (!land && near >= keep) {
    seaLat = lat, seaLon = lon, moved = 0;
    return true;
  }
  if (land) inland = coast_.Distance(p, 1e6);
  // No position nearer than this keeps the clearance: from land, the way
  // out crosses the coast (`inland` away) and goes on `keep` beyond it; at
  // sea, the clearance grows no faster than the distance gone (with a
  // margin for the circles' flat offsets and the coast's chords).
  const double least = 0.98 * (land ? inland + keep : keep - near) - 100.0;
  const double step = 0.05 * kNauticalMile;
  for (double r = step; r <= kMostInland + keep + 0.5 * step; r += step) {
    if (r < least) continue;
    const int bearings = std::max(36, static_cast<int>(std::ceil(kTwoPi * r / step)));
    double best = -1;
    for (int k = 0; k < bearings; ++k) {
      double qLat, qLon;
      Offset(lat, lon, r, kTwoPi * k / bearings, qLat, qLon);
      if (std::fabs(qLat) > 89.9 || Beyond(qLat)) continue;
      const Vec3 q = At(qLat, qLon);
      // Every position within `skip` of q is on land or nearer the coast
      // than `keep` (a position at sea that near a point on land is within
      // `keep` of the coast between them): the bearings on round the
      // circle that near are passed over, with the same answer.
      double skip;
      if (coast_.IsLand(qLat, qLon)) {
        skip = coast_.Distance(q, kMostInland + keep) + keep;
      } else {
        const double d = coast_.Distance(q, keep + kNauticalMile);
        if (d >= keep && d > best) best = d, seaLat = qLat, seaLon = qLon;
        skip = keep - d;
      }
      for (skip -= 1.0; skip > 0 && k + 1 < bearings; ++k) {
        double nLat, nLon;
        Offset(lat, lon, r, kTwoPi * (k + 1) / bearings, nLat, nLon);
        if (Chord(At(nLat, nLon), q) >= skip) break;
      }
    }
    if (best >= 0) {
      moved = r;
      return true;
    }
  }
  return false;
}

const SeaLinks* Planner::Joins() const { return c_ < kLeastClearance ? nullptr : SeaLinks::Get(); }

// (The fine cells' centres in the row, and the steps between them, lie
// within the limit, by more than a leg between neighbours bows out: a
// millionth of a degree.)
bool Planner::HoldsWithin(int k) const {
  const double south = -90 + (k / kCoarseColumns) * kCoarse;
  const double farthest =
      std::max(std::fabs(south + kFine / 2), std::fabs(south + kCoarse - kFine / 2));
  return farthest + 1e-3 <= *request_.limit;
}

// Breadth first: the cells' states it works out lie round the end, where
// the search will want them.
bool Planner::Pocket(Cell c, std::size_t most) {
  // Where the table of links holds, the coarse cells' seas say it sooner:
  // a sea joined to `most` / 80 coarse cells of open sea (a hundred fine
  // cells each, but for a few beside a coast) is no pocket. (Otherwise,
  // and where the table does not hold, the fine cells are counted.)
  if (const SeaLinks* links = Joins(); links && !request_.limit && State(c).open) {
    const int first = CoarseKey(c);
    std::vector<std::pair<int, int>> stack{
        {first, SeasOf(first).of[(c.row % 10) * 10 + c.column % 10]}};
    std::unordered_set<std::int64_t> seen{first * std::int64_t{128} + stack[0].second};
    std::size_t open = 0;
    while (!stack.empty() && seen.size() < 4096) {
      const auto [k, i] = stack.back();
      stack.pop_back();
      const int r = k / kCoarseColumns, q = k % kCoarseColumns;
      if (links->Seas(k) == 1 &&
          coast_.KindOfCell(-90 + (r + 0.5) * kCoarse, -180 + (q + 0.5) * kCoarse) ==
              Coast::CellKind::sea &&
          ++open >= most / 80)
        return false;
      for (int d = 0; d < 8; ++d) {
        if (r + kSteps[d][0] < 0 || r + kSteps[d][0] >= kCoarseRows) continue;
        const int n = (r + kSteps[d][0]) * kCoarseColumns +
                      (q + kSteps[d][1] + kCoarseColumns) % kCoarseColumns;
        for (int j = 0; j < links->Seas(n); ++j)
          if (links->Joined(k, d, i, j) && seen.insert(n * std::int64_t{128} + j).second)
            stack.push_back({n, j});
      }
    }
  }
  std::unordered_set<std::int64_t> seen;
  seen.reserve(2 * most);
  seen.insert(Key(c));
  std::vector<Cell> queue{c};
  for (std::size_t next = 0; next < queue.size() && seen.size() < most; ++next) {
    const Cell here = queue[next];
    for (int dr = -1; dr <= 1; ++dr) {
      for (int dc = -1; dc <= 1; ++dc) {
        if ((dr == 0 && dc == 0) || here.row + dr < 0 || here.row + dr >= kFineRows) continue;
        const Cell n{here.row + dr, (here.column + dc + kFineColumns) % kFineColumns};
        if (seen.count(Key(n)) || !Step(here, n)) continue;
        seen.insert(Key(n));
        queue.push_back(n);
      }
    }
  }
  return seen.size() < most;
}

// Whether the fine search, from `from` to `to`, takes the step from cell x
// to its neighbour y (dr rows, dc columns on): as sea_fine.cpp does.
bool Planner::Takes(Cell x, int dr, int dc, Cell from, Cell to) {
  const Cell y{x.row + dr, (x.column + dc + kFineColumns) % kFineColumns};
  const bool end = Key(y) == Key(to);
  const CellState& s = State(y);
  if (!s.open && !end) return false;
  float least = s.clearance;
  if (std::abs(dr) + std::abs(dc) == 3 && !end) {
    const CellState& a = State({x.row + dr / 2, (x.column + dc / 2 + kFineColumns) % kFineColumns});
    const CellState& b =
        State({x.row + dr - dr / 2, (x.column + dc - dc / 2 + kFineColumns) % kFineColumns});
    if (!a.open || !b.open) return false;
    least = std::min({least, a.clearance, b.clearance});
  }
  const double keep = std::min(c_, kLeastClearance);
  if (end || Key(x) == Key(from))
    return Clear(Key(x) == Key(from) ? start_ : Centre(x), end ? end_ : Centre(y), keep);
  return std::min(least, State(x).clearance) >= kSeesNeighbours ||
         Clear(Centre(x), Centre(y), keep);
}

bool Planner::Enclosed(Cell from, Cell to, bool back) {
  if (Key(from) == Key(to)) return false;
  // From `to` back (the cells whose step leads to one reached), or from
  // `from` on: the cells the search may stand on are open, but for `from`.
  const Cell c = back ? to : from, other = back ? from : to;
  std::unordered_set<std::int64_t> seen{Key(c)};
  std::vector<Cell> queue{c};
  for (std::size_t next = 0; next < queue.size(); ++next) {
    if (seen.size() >= kEnclosed) return false;
    const Cell here = queue[next];
    for (const auto& [dr, dc] : kSteps) {
      if (here.row + dr < 0 || here.row + dr >= kFineRows) continue;
      const Cell n{here.row + dr, (here.column + dc + kFineColumns) % kFineColumns};
      if (seen.count(Key(n)) || (Key(n) != Key(other) && !State(n).open)) continue;
      if (!(back ? Takes(n, -dr, -dc, from, to) : Takes(here, dr, dc, from, to))) continue;
      if (Key(n) == Key(other)) return false;
      seen.insert(Key(n)), queue.push_back(n);
    }
    for (const GateEnds& e : gates_) {  // (a gate either way)
      for (const auto& [at, n] : {std::pair{e.a, e.b}, std::pair{e.b, e.a}}) {
        if (Key(here) != Key(at) || seen.count(Key(n))) continue;
        if (Key(n) == Key(other)) return false;
        seen.insert(Key(n)), queue.push_back(n);
      }
    }
  }
  return true;
}

}  // namespace sea
}  // namespace sailings
