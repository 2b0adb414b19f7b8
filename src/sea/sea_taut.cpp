// Pulling the cells' way taut: the passes that drop, pull, slide, wrap and
// merge turning points.
#include "sea/planner.h"

#include <set>

namespace sailings {
namespace sea {

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
          const Vec3 half = OnSurface(0.5 * (from + to));
          Vec3 mid = half;
          double d = MoveOffLand(mid);
          // (Where the point moved leaves a leg across land, the middle of
          // the chord stays: its legs keep what the chord does.)
          if (!Clear(from, mid, 0) || !Clear(mid, to, 0))
            mid = half, d = std::min(c_, coast_.Distance(half, c_));
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
      const auto sees = [&](std::size_t j) {
        Legs narrows;  // (the points' needs: a leg is narrow where either end is)
        for (std::size_t k = i; least[j] < c_ && k < j; ++k)
          if (std::min(need[k], need[k + 1]) < c_) narrows.push_back({p[k], p[k + 1]});
        return Keeps(p[i], p[j], Slack(least[j]), narrows);
      };
      // (On past a point not in sight: land may hide the nearer points and
      // not the farther, whose leg passes an island on its other side.)
      std::size_t seen = i, unseen = p.size();
      for (std::size_t step = 1;; step *= 2) {
        const std::size_t j = std::min(i + step, p.size() - 1);
        if (sees(j))
          seen = j, unseen = p.size();
        else if (unseen == p.size())
          unseen = j;
        if (j == p.size() - 1) break;
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
  // The legs from `first` up to `last` that keep less than the clearance.
  const auto narrowLegs = [&](std::size_t first, std::size_t last) {
    Legs narrows;
    for (std::size_t k = first; k < last; ++k)
      if (need[k] < Slack(c_)) narrows.push_back({p[k], p[k + 1]});
    return narrows;
  };
  // A point's window: two points on each side (fewer at the ends) and the
  // needs of the legs between.
  using Window = std::vector<double>;
  const auto WindowOf = [&](std::size_t i) {
    const std::size_t j = i >= 2 ? i - 2 : 0, k = std::min(p.size() - 1, i + 2);
    Window w{double(i - j), double(k - i)};
    for (std::size_t q = j; q <= k; ++q) w.insert(w.end(), {p[q].x, p[q].y, p[q].z});
    w.insert(w.end(), need.begin() + j, need.begin() + k);
    return w;
  };
  std::set<Window> settled;
  const auto passes = [&] {
    // 2. Each turning point pulled towards the chord of its neighbours until
    // a leg touches its clearance; dropped when its neighbours see each other.
    // (A pass that leaves as many points and the same length as the pass
    // before, or the one before that, changed nothing that matters: a
    // corner split off a leg and dropped again, in one pass or over two.)
    // (Of two such passes' ways, the one of fewer points.)
    std::pair<std::size_t, double> last[2] = {{0, -1}, {0, -1}};
    std::vector<Vec3> lastP;
    std::vector<double> lastNeed;
    for (int pass = 0; pass < 40; ++pass) {
      double most = 0;
      for (std::size_t i = 1; i + 1 < p.size(); ++i) {
        // Two points off the land within metres of each other hold each
        // other where they are (each one's leg to the other is the other's
        // own): they are made one at their middle, worked as one.
        if (i + 2 < p.size() && Chord(p[i], p[i + 1]) < 50.0 &&
            coast_.Distance(p[i], c_ + kTurnSlack) >= c_ + kTurnSlack &&
            coast_.Distance(p[i + 1], c_ + kTurnSlack) >= c_ + kTurnSlack) {
          p[i] = OnSurface(0.5 * (p[i] + p[i + 1]));
          need[i + 1] = std::min(need[i], need[i + 1]);
          p.erase(p.begin() + i + 1), need.erase(need.begin() + i);
          most = 1e9;
        }
        // (A point whose window was worked before to no change is left as
        // it is: its work depends on that window alone.)
        const Window window = WindowOf(i);
        if (settled.count(window)) continue;
        const std::size_t count = p.size();
        const Vec3 was = p[i];
        // The point of the leg from u to v nearest u (t = 0) from which on
        // towards v (or, `back`, from v back) the leg keeps the full
        // clearance: where a leg through narrows is divided.
        const double full = Slack(c_);
        const auto divide = [&](Vec3 u, Vec3 v, bool back, Vec3& x) {
          const auto along = [&](double t) { return OnSurface((1 - t) * u + t * v); };
          double lo = 0, hi = 1;  // lo: too near the narrows; hi: clear
          if (back) std::swap(lo, hi);
          for (int k = 0; k < 40 && Chord(along(lo), along(hi)) > 20.0; ++k) {
            const double mid = 0.5 * (lo + hi);
            const bool clear = back ? Clear(u, along(mid), full) : Clear(along(mid), v, full);
            (clear ? hi : lo) = mid;
          }
          x = along(hi);
          return Chord(x, u) > 10.0 && Chord(x, v) > 10.0;
        };
        const double both = std::min(need[i - 1], need[i]);
        // (Neighbours held within their clearance by metres keep it so on
        // the chord: a leg keeps no more than its ends.)
        const double ends =
            std::min(coast_.Distance(p[i - 1], both), coast_.Distance(p[i + 1], both));
        if (Keeps(p[i - 1], p[i + 1],
                  std::min(both - kHullSlack, std::max(both - kEndSlack, ends - 0.5)),
                  narrowLegs(i - 1, i + 1))) {
          // A leg through narrows and one keeping the full clearance are
          // not made one (the narrows' clearance would go with the leg
          // wherever it is moved next): the point goes to the chord where
          // the narrows end instead.
          Vec3 x;
          if ((need[i - 1] < full) != (need[i] < full) &&
              divide(p[i - 1], p[i + 1], need[i] < full, x)) {
            most = std::max(most, Chord(x, p[i]));
            p[i] = x;
            continue;
          }
          p.erase(p.begin() + i), need.erase(need.begin() + i);
          need[i - 1] = both;
          --i;
          most = 1e9;
          continue;
        }
        // A point off the land whose leg in or out passes narrows (a port's
        // channel, a strait) at its far end: that leg keeps the narrows'
        // clearance along its whole length, too little to hold the point
        // off any other coast. The leg is divided where the rest of it
        // keeps the full clearance (on the leg: the path is as it was), and
        // the point is worked with that division as its neighbour.
        if (split < 1024 && coast_.Distance(p[i], c_ + kTurnSlack) >= c_ + kTurnSlack) {
          Vec3 x;
          if (need[i - 1] < full && divide(p[i - 1], p[i], false, x)) {
            ++split;
            p.insert(p.begin() + i, x), need.insert(need.begin() + i, full);
            ++i;
          }
          if (need[i] < full && divide(p[i], p[i + 1], true, x)) {
            ++split;
            p.insert(p.begin() + i + 1, x), need.insert(need.begin() + i, full);
          }
        }
        // The chord's point nearest p[i]: on the plane of its neighbours.
        const Vec3 n = Cross(p[i - 1], p[i + 1]);
        const Vec3 m = OnSurface(p[i] - (Dot(p[i], n) / Dot(n, n)) * n);
        // (Swung, never jumped: a point pulled over an island would come to
        // rest round its far side, a longer way than the one it was on.)
        Vec3 moved = p[i];
        double t = Swing(p[i], m, {{p[i - 1], need[i - 1]}, {p[i + 1], need[i]}});
        if (t > 0) moved = OnSurface((1 - t) * p[i] + t * m);
        // Then slid along each leg towards its far end while the other leg
        // stays clear: the path only shortens, and the point comes to the
        // corner that holds the other leg off.
        for (const int side : {-1, 1}) {
          const Vec3 end = p[i + side], other = p[i - side];
          const double otherNeed = side < 0 ? need[i] : need[i - 1];
          t = Swing(moved, end, {{other, otherNeed}});
          if (t > 0) moved = OnSurface((1 - t) * moved + t * end);
        }
        most = std::max(most, Chord(moved, p[i]));
        p[i] = moved;
        // Whether it is still off the land (what each way below of pulling
        // it in asks first; none but one that moves it, and goes on to the
        // next, changes the point or its legs).
        const bool off = coast_.Distance(p[i], need[i - 1] + kTurnSlack) >=
                         std::min(need[i - 1], need[i]) + kTurnSlack;
        // A point still off the land: the hull of the land inside its
        // triangle takes its place, where every leg of it keeps clear.
        if (off && split < 1024) {
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
            const Legs narrows = narrowLegs(j, k);
            double before = 0, after = 0;
            for (std::size_t q = j; q < k; ++q) before += Arc(p[q], p[q + 1]);
            for (std::size_t q = 1; clear && q < hull.size(); ++q) {
              clear = Keeps(hull[q - 1], hull[q], keep - kHullSlack, narrows);
              after += Arc(hull[q - 1], hull[q]);
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
        if (off) {
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
        if (off && split < 1024) {
          // (A leg held at its far end is held by that end's own corner;
          // where that corner is the nearest land, the leg without its
          // ends is looked at too: it may be held in between as well.)
          const auto heldBy = [&](Vec3 u, Vec3 v, double keep, Vec3& t) {
            double d = coast_.ArcDistance(u, v, c_ + kTurnSlack, 0, &t);
            t = OnSurface(t);
            if (d < keep + kTurnSlack && Chord(t, u) > 10 && Chord(t, v) > 10) return true;
            const double length = Chord(u, v), trim = c_ + kTurnSlack + 50.0;
            if (length < 2 * trim + 20.0) return false;
            const double f = trim / length;
            d = coast_.ArcDistance(OnSurface((1 - f) * u + f * v), OnSurface(f * u + (1 - f) * v),
                                   c_ + kTurnSlack, 0, &t);
            t = OnSurface(t);
            return d < keep + kTurnSlack;
          };
          Vec3 t1, t2;
          const bool in1 = heldBy(p[i - 1], p[i], need[i - 1], t1);
          const bool in2 = heldBy(p[i], p[i + 1], need[i], t2);
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
        // A point still off the land whose legs are held only at their far
        // ends: the turns at its neighbours lock it (a leg leaving a
        // corner's clearance circle cannot swing towards the land about a
        // point on that circle). It is pulled towards the chord all the
        // same, and where a leg then comes nearer the land than it keeps,
        // the leg's point nearest the land, moved off it, turns that leg
        // (the neighbour's corner taken further round). Not in narrows: a
        // leg keeping less there keeps the full clearance elsewhere.
        if (off && std::min(need[i - 1], need[i]) >= c_ - kHullSlack && split < 1024) {
          std::vector<Vec3> turned;
          std::size_t first = 0;
          if (Unlock(p[i - 1], p[i], p[i + 1], need[i - 1], need[i], turned, first)) {
            ++split;
            const double before = need[i - 1], after = need[i];
            p.erase(p.begin() + i), need.erase(need.begin() + i - 1, need.begin() + i + 1);
            p.insert(p.begin() + i, turned.begin(), turned.end());
            // (the pieces of the first leg keep its need, the rest the second's)
            std::vector<double> needs;
            for (std::size_t q = 0; q <= turned.size(); ++q)
              needs.push_back(q < first ? before : after);
            need.insert(need.begin() + i - 1, needs.begin(), needs.end());
            most = 1e9;
            --i;
            continue;
          }
        }
        if (p.size() == count && p[i].x == was.x && p[i].y == was.y && p[i].z == was.z)
          settled.insert(window);
      }
      if (Merge(p, need, Slack(c_))) most = 1e9;
      double length = 0;
      for (std::size_t k = 0; k + 1 < p.size(); ++k) length += Chord(p[k], p[k + 1]);
      if (most < 2.0) break;
      for (const auto& [count, before] : last) {
        if (p.size() != count || std::fabs(length - before) >= 1.0) continue;
        if (lastP.size() < p.size() && std::fabs(last[0].second - length) < 1.0)
          p.swap(lastP), need.swap(lastNeed);
        return;
      }
      last[1] = last[0], last[0] = {p.size(), length};
      lastP = p, lastNeed = need;
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
        if (Keeps(p[i], p[j], upTo[j], upTo[j] < Slack(c_) ? narrowLegs(i, j) : Legs{})) {
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
  Confine(p, need);
  // At last, corners merged until none is left to merge: an arc round a
  // cape drawn by many short chords, each of its points held metres within
  // the clearance (as the hull's and the legs' ends are), becomes a few.
  while (Merge(p, need, c_ - 5.0)) {
  }
  Prune(p, need);
}

}  // namespace sea
}  // namespace sailings
