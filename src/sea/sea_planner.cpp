#include "sea/sea_planner.h"

#include "sea/planner.h"

#include <atomic>
#include <exception>

#include "concurrency/side_task.h"

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

namespace sea {

// Straits narrower than the fine cells see (a channel under a cell wide
// winds through them, and no chain of their centres stays in it): the
// line of the water's middle (the points farthest from both banks in the
// data), passed like a canal's but sailed at sea, each leg keeping what
// it does. Their ends lie where the cells see the way again.
const std::vector<std::vector<double>>& Straits() {
  static const std::vector<std::vector<double>> straits = {
      // The Bosporus, from the Black Sea to the Sea of Marmara (its narrows
      // some 750 m wide at this scale).
      {41.260, 29.1400, 41.240, 29.1345, 41.220, 29.1190, 41.200, 29.1040, 41.185, 29.0895,
       41.170, 29.0740, 41.160, 29.0600, 41.150, 29.0605, 41.140, 29.0730, 41.130, 29.0790,
       41.115, 29.0690, 41.100, 29.0640, 41.080, 29.0560, 41.065, 29.0480, 41.050, 29.0340,
       41.040, 29.0130, 41.030, 28.9985, 41.015, 29.0040, 41.000, 29.0040, 40.980, 28.9965},
  };
  return straits;
}

SeaOutcome Planner::Plan(SeaPlan& plan, double* inland) {
  if (Beyond(request_.lat1) || Beyond(request_.lat2)) return SeaOutcome::beyond_limit;
  plan.corridors = 0;
  // 1. The ends at sea.
  // An end whose nearest sea is a pocket the cells cannot leave (a harbour
  // behind a channel narrower than they see) is taken out to where it is
  // not: the nearest position keeping twice, four, eight times the
  // clearance, and more under a small one, up to 2 NM (at 0.1 NM, an arm
  // of a Greenland fjord keeps 0.8 NM and is a pocket still); the approach
  // is not checked in any case.
  const auto toSea = [&](double lat, double lon, double& seaLat, double& seaLon, double& moved) {
    double far = 0;
    for (double keep = c_;; keep *= 2) {
      if (!ToSea(lat, lon, keep, seaLat, seaLon, moved, far)) {
        if (keep > c_) return true;
        if (inland) *inland = far;
        return false;
      }
      if ((keep >= 8 * c_ && keep >= 2 * kNauticalMile) ||
          !Pocket(FineCell(seaLat, seaLon), kPocket))
        return true;
    }
  };
  double lat1, lon1, lat2, lon2;
  if (!toSea(request_.lat1, request_.lon1, lat1, lon1, plan.approach_from))
    return SeaOutcome::departure_inland;
  if (!toSea(request_.lat2, request_.lon2, lat2, lon2, plan.approach_to))
    return SeaOutcome::destination_inland;
  const Cell from = FineCell(lat1, lon1), to = FineCell(lat2, lon2);
  start_ = At(lat1, lon1), end_ = At(lat2, lon2);
  // The gates open (the canals not closed, the straits), each end the cell
  // of its end point.
  const auto gate = [&](int g, const std::vector<double>& line) {
    gates_.push_back({g, FineCell(line[0], line[1]), FineCell(line[line.size() - 2], line.back()),
                      LineLength(line), &line});
  };
  for (std::size_t g = 0; g < Gates().size(); ++g)
    if (g >= request_.closed.size() || !request_.closed[g])
      gate(static_cast<int>(g), Gates()[g].line);
  for (const std::vector<double>& line : Straits()) gate(-1, line);
  // 2. The way round the land: the corridor first, then everywhere.
  std::vector<std::int64_t> way;
  std::vector<std::uint8_t> corridor;
  const bool direct = Clear(At(lat1, lon1), At(lat2, lon2), c_);
  back_ = !direct && Key(from) == Key(to);
  if (!direct) {
    // Where the fine search finds the corridor closed (land that the
    // coarse cells did not see), every step from a coarse cell it reached
    // to one of the corridor's it did not is closed (no fine step joins
    // them), and a corridor found anew; the search goes on from where it
    // stopped.
    std::vector<int> path;
    bool found = false;
    for (int tries = 0; tries < kMostCorridors && Corridor(from, to, corridor, path); ++tries) {
      ++plan.corridors;
      found = Search(from, to, &corridor, way);
      if (found || reached_cells_ >= kMostCorridorCells) break;
      // The cells of the way, and the cells the search reached next to
      // ones it did not: a cell found to hold two seas or more is split;
      // from one holding one sea, the steps to the corridor's cells not
      // reached are closed.
      std::size_t closed = 0;
      constexpr int kCells = kCoarseRows * kCoarseColumns;
      std::vector<int> look(path.begin(), path.end());
      for (int k = 0; k < kCells; ++k) {
        if (!corridor[k] || !scratch_.reached[k]) continue;
        const int r = k / kCoarseColumns, c = k % kCoarseColumns;
        for (int step = 0; step < 16; ++step) {
          const int dr = kSteps[step][0], dc = kSteps[step][1];
          if (r + dr < 0 || r + dr >= kCoarseRows) continue;
          const int n = (r + dr) * kCoarseColumns + (c + dc + kCoarseColumns) % kCoarseColumns;
          if (corridor[n] && !scratch_.reached[n]) {
            if (SeasOf(k).count == 1) {
              if (blocked_.empty()) blocked_.assign(kCells, 0);
              const auto bit = static_cast<std::uint16_t>(1 << step);
              closed += !(blocked_[k] & bit);
              blocked_[k] |= bit;
            } else {
              look.push_back(k);
            }
          }
        }
      }
      for (const int k : look) {
        if (SplitOf(k) >= 0 || SeasOf(k).count < 2) continue;
        Split(k, SeasOf(k).count);
        ++closed;
      }
      if (!closed) break;  // closed within a cell: the search everywhere decides
    }
    if (!found) {
      // (An end in a lake: said at once.)
      if (Enclosed(from, to, true) || Enclosed(from, to, false)) return SeaOutcome::no_way;
      way.clear();
      // (No way out of the ends' cell and back: the leg between them, as
      // where they are one cell's to begin with.)
      if (!Search(from, to, nullptr, way)) {
        if (!back_) return SeaOutcome::no_way;
        way.assign(1, Key(from));
      }
    }
  }
  // The chain: the ends, the cells' centres and the gates' lines; each
  // leg keeps what it does (at most the clearance), a canal's legs nothing.
  std::vector<Vec3> p{At(lat1, lon1)};
  std::vector<int> gateOf;  // each leg's entry of gates_, or -1
  for (std::size_t k = 0; k < way.size(); ++k) {
    const Cell c = FromKey(way[k]);
    int through = -1;  // the entry of gates_
    for (std::size_t g = 0; g < gates_.size(); ++g) {
      const GateEnds& e = gates_[g];
      if (k + 1 < way.size() && ((Key(e.a) == way[k] && Key(e.b) == way[k + 1]) ||
                                 (Key(e.b) == way[k] && Key(e.a) == way[k + 1])))
        through = static_cast<int>(g);
    }
    if (through < 0) {
      // (The ends' own cells are the ends: their centres may lie on land.)
      if (k == 0 || k + 1 == way.size()) continue;
      p.push_back(Centre(c));
      gateOf.push_back(-1);
      // A run over open sea: the middles of its cells.
      const auto run = run_at_.find(way[k]);
      for (std::size_t i = 0; run != run_at_.end() && i < run->second.size(); ++i) {
        const Run& r = runs_[run->second[i]];
        if (Key(r.b) != way[k + 1]) continue;
        for (const Vec3 v : r.via) p.push_back(v), gateOf.push_back(-1);
        break;
      }
      continue;
    }
    // A gate: from this cell's centre along its line to the far end cell's.
    const std::vector<double>& line = *gates_[through].line;
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
  const std::vector<Vec3> cells = p;
  const auto move = [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
      const bool gatePoint = gateOf[k] >= 0 || gateOf[k - 1] >= 0;  // a canal's, as it lies
      const Vec3 cell = p[k];
      need[k] = gatePoint ? std::min(c_, coast_.Distance(p[k], c_)) : MoveOffLand(p[k]);
      // (Not across land: in a river's mouth the nearest bank's far side
      // may lie beyond the other.)
      if (!gatePoint && !Clear(cell, p[k], 0)) {
        p[k] = cell;
        need[k] = std::min(c_, coast_.Distance(cell, c_));
      }
    }
  };
  // (A long chain's second half on a second core.)
  const std::size_t half = p.size() >= 256 ? p.size() / 2 : p.size() - 1;
  std::exception_ptr failed;
  {
    SideTask helper;
    if (half + 1 < p.size())
      helper = SideTask([&] {
        try {
          move(half, p.size() - 1);
        } catch (...) {
          failed = std::current_exception();
        }
      });
    move(1, half);
  }
  if (failed) std::rethrow_exception(failed);
  // Nor apart across land (two points of a narrow pass moved out of it
  // each its own way): back to their cells, whose steps were clear, until
  // none is (a point put back may leave its other leg across land).
  for (bool again = true; again;) {
    again = false;
    for (std::size_t k = 1; k < p.size(); ++k) {
      if (gateOf[k - 1] >= 0 || Clear(p[k - 1], p[k], 0)) continue;
      for (const std::size_t j : {k, k - 1}) {
        if (j == 0 || j + 1 == p.size() || Clear(p[k - 1], p[k], 0)) continue;
        if (p[j].x == cells[j].x && p[j].y == cells[j].y && p[j].z == cells[j].z) continue;
        p[j] = cells[j];
        need[j] = std::min(c_, coast_.Distance(p[j], c_));
        again = true;
      }
    }
  }
  // 3. Taut, between the canals; a canal's own legs are left as they are.
  // The parts between them are independent (each pulled between its own
  // fixed ends): two cores take them, each the next not yet taken.
  struct Part {
    std::size_t first, last;  // the chain's points it spans
    std::vector<Vec3> p;
    std::vector<double> need;
    std::exception_ptr failed;
  };
  std::vector<Part> parts;
  for (std::size_t i = 0; i + 1 < p.size();) {
    if (gateOf[i] >= 0) {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j + 1 < p.size() && gateOf[j] < 0) ++j;
    parts.push_back({i, j, std::vector<Vec3>(p.begin() + i, p.begin() + j + 1),
                     std::vector<double>(need.begin() + i, need.begin() + j + 1), nullptr});
    i = j;
  }
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t k = next++; k < parts.size(); k = next++) {
      try {
        Taut(parts[k].p, parts[k].need);
      } catch (...) {
        parts[k].failed = std::current_exception();
      }
    }
  };
  {
    SideTask helper;
    if (parts.size() > 1) helper = SideTask(work);
    work();
  }
  for (const Part& part : parts)
    if (part.failed) std::rethrow_exception(part.failed);
  std::vector<Vec3> out{p[0]};
  std::vector<double> outNeed;
  std::vector<int> outGate;
  for (std::size_t i = 0, k = 0; i + 1 < p.size();) {
    if (gateOf[i] >= 0) {
      out.push_back(p[i + 1]), outNeed.push_back(0), outGate.push_back(gateOf[i]);
      ++i;
      continue;
    }
    const Part& part = parts[k++];
    for (std::size_t q = 1; q < part.p.size(); ++q) {
      out.push_back(part.p[q]), outNeed.push_back(part.need[q - 1]), outGate.push_back(-1);
    }
    i = part.last;
  }
  // A last look at what each leg keeps: a turning point whose neighbours'
  // leg keeps more than its own two (by a metre: where the same land holds
  // all three they tie, and the last bits of the trigonometry would decide),
  // where they keep the clearance (to the 0.01 NM a leg keeps it to), is
  // none (two turns metres apart off a cape, each leg held a few metres
  // within the clearance, the leg past both keeping more). Not where less
  // is kept: the narrows' clearance is carried no farther than the narrows.
  const auto keeps = [&](std::size_t k) {
    // (A strait's legs are sailed at sea, a canal's through it.)
    const bool canal = outGate[k] >= 0 && gates_[outGate[k]].gate >= 0;
    return canal ? 0.0 : coast_.ArcDistance(out[k], out[k + 1], c_, 0);
  };
  std::vector<double> kept(outGate.size());
  for (std::size_t k = 0; k < kept.size(); ++k) kept[k] = keeps(k);
  for (std::size_t i = 1; i + 1 < out.size();) {
    const double both = std::min(kept[i - 1], kept[i]);
    if (outGate[i - 1] < 0 && outGate[i] < 0 && both >= c_ - 0.01 * kNauticalMile &&
        !LegBeyond(out[i - 1], out[i + 1]) &&
        coast_.ArcDistance(out[i - 1], out[i + 1], c_, 0) >= both + 1.0) {
      out.erase(out.begin() + i), outNeed.erase(outNeed.begin() + i);
      outGate.erase(outGate.begin() + i), kept.erase(kept.begin() + i);
      kept[i - 1] = keeps(i - 1);
      if (i > 1) --i;
    } else {
      ++i;
    }
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
      // (A strait's legs are sailed at sea, a canal's through it.)
      const int canal = outGate[k] >= 0 ? gates_[outGate[k]].gate : -1;
      plan.legs.push_back(canal >= 0 ? SeaLegKind::canal : SeaLegKind::open);
      // What the leg keeps (at least what it was made to keep).
      plan.clearance.push_back(canal >= 0 ? 0 : kept[k]);
      plan.gate.push_back(canal);
      // A leg at sea that touches land (within a metre) may cross it:
      // never given as a way.
      if (canal < 0 && plan.clearance.back() < 1.0) {
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

}  // namespace sea

SeaOutcome PlanSea(const Coast& coast, const SeaRequest& request, SeaPlan& plan, double* inland) {
  sea::Planner planner(coast, request);
  return planner.Plan(plan, inland);
}

}  // namespace sailings
