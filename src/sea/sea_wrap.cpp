// The hull of the land's clearance circles inside a stretch of the way, and
// a turning point unlocked from its neighbours' corners, and the last
// passes: legs confined to the narrows, corners merged, points pruned.
#include <functional>

#include "sea/hull.h"
#include "sea/planner.h"

namespace sailings {
namespace sea {

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
  // How wide the way is: its farthest point from the plane of the arc from
  // a to c, and the clearance (the way may be long, never wide).
  const Vec3 normal = (1 / Length(Cross(a, c))) * Cross(a, c);
  double wide = 0;
  for (const Vec3 v : path) wide = std::max(wide, std::fabs(Dot(v, normal)));
  wide += keep + 2 * kNauticalMile;
  if (wide > kMostWrap) return false;  // an ocean's coasts: too many to draw
  // The land drawn lies within a circle's reach (below) of the polygon of
  // the way and the arc from a to c, so within that of the path's farthest
  // point from the arc (its plane between the ends, else the nearer end),
  // and a hundredth more for the projection's scale.
  double off = 0;
  for (const Vec3 v : path) {
    const bool between = Dot(Cross(a, v), normal) >= 0 && Dot(Cross(v, c), normal) >= 0;
    off = std::max(off, between ? std::fabs(Dot(v, normal)) : std::min(Chord(v, a), Chord(v, c)));
  }
  std::vector<Vec3> land;
  coast_.PointsNearArc(a, c, 1.01 * (off + 1.25 * (keep + 1.0 + kHullSlack)) + 100.0, land);
  // Polygons round each circle (outside it), fine enough that their
  // corners lie within half the hull's slack (5 m) of the circle: a leg from a
  // neighbour on its own circle to the polygon round it then cuts the circle
  // by less than the slack.
  const double r = keep + 1.0;
  const int sides =
      std::clamp(static_cast<int>(std::ceil(kPi / std::acos(r / (r + kHullSlack / 2)))), 8, 64);
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
      const double ex = q.x - u.x - t * dx, ey = q.y - u.y - t * dy;
      if (ex * ex + ey * ey < reachUnits * reachUnits) return true;
    }
    return false;
  };
  const auto hullOf = [](std::vector<P2> points) { return Hull(std::move(points)); };
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
        const double ex = q.x - u.x - t * dx, ey = q.y - u.y - t * dy;
        if (ex * ex + ey * ey < width * width) {
          drawn.push_back(candidates[i]);
          break;
        }
      }
    }
  }
  // The polygons' corners: cosine, sine (the thread's, for the last number
  // of sides: a passage's clearance gives one).
  thread_local std::vector<std::pair<double, double>> turn;
  if (turn.size() != static_cast<std::size_t>(sides)) {
    turn.clear();
    for (int k = 0; k < sides; ++k)
      turn.push_back({std::cos(kTwoPi * k / sides), std::sin(kTwoPi * k / sides)});
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
      const Vec3 q = OnSurface(s + outer * (turn[k].first * north + turn[k].second * east));
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

// The way from a by b to c, b pulled towards the land that holds it off or
// the chord a-c: the first of its clearance towards that land and halving
// shares of the way to the chord whose legs, turned where they come
// nearer the land than they keep (at their points nearest the land, moved
// off it), keep clear and are shorter. `out`: the points between a and c;
// `first`: how many of its legs take the place of the leg from a to b.
bool Planner::Unlock(Vec3 a, Vec3 b, Vec3 c, double needAB, double needBC, std::vector<Vec3>& out,
                     std::size_t& first) {
  const Vec3 n = Cross(a, c);
  if (!(Dot(n, n) > 0)) return false;
  const Vec3 m = OnSurface(b - (Dot(b, n) / Dot(n, n)) * n);
  const double before = Arc(a, b) + Arc(b, c);
  // A leg from u to v kept as it is, or turned where it comes nearer the
  // land than it keeps, and its two parts again (three times at most):
  // false where it cannot be. (To within 10 m, as the hull's legs: a leg
  // from a point on a corner's clearance circle to one further round cuts
  // the circle by metres.)
  const std::function<bool(Vec3, Vec3, double, int, std::vector<Vec3>&)> leg =
      [&](Vec3 u, Vec3 v, double keep, int depth, std::vector<Vec3>& pts) {
        if (LegBeyond(u, v)) return false;  // (a turn does not bring it back)
        Vec3 at;
        const double d = coast_.ArcDistance(u, v, keep, 0, &at);
        if (d >= keep - kHullSlack) return true;
        if (depth == 0) return false;
        Vec3 t = OnSurface(at);
        if (MoveOffLand(t) < Slack(keep) || Chord(t, u) < 10 || Chord(t, v) < 10) return false;
        if (!leg(u, t, keep, depth - 1, pts)) return false;
        pts.push_back(t);
        return leg(t, v, keep, depth - 1, pts);
      };
  // b tried first where it comes to its clearance on the way to the land
  // that holds it off (the corner the way bends round, where that land lies
  // between b and the chord), then at the shares, down to metres.
  const double keep = std::min(needAB, needBC);
  std::vector<Vec3> tries;
  Vec3 land;
  const double off = coast_.Distance(b, keep + kMostWrap, &land);
  if (off > keep + 1.0 && off < keep + kMostWrap)
    tries.push_back(OnSurface(b + ((off - keep) / off) * (land - b)));
  for (double share = 0.5; share * Chord(b, m) > 20.0; share *= 0.5)
    tries.push_back(OnSurface((1 - share) * b + share * m));
  for (const Vec3 x : tries) {
    if (coast_.Distance(x, keep) < Slack(keep)) continue;
    std::vector<Vec3> pts;
    if (!leg(a, x, needAB, 3, pts)) continue;
    const std::size_t legs = pts.size() + 1;
    pts.push_back(x);
    if (!leg(x, c, needBC, 3, pts)) continue;
    double after = 0;
    Vec3 from = a;
    for (const Vec3 q : pts) after += Arc(from, q), from = q;
    after += Arc(from, c);
    if (!(after < before - 1.0)) continue;
    out = pts, first = legs;
    return true;
  }
  return false;
}

void Planner::Confine(std::vector<Vec3>& p, std::vector<double>& need) {
  const double full = Slack(c_);
  // A turning point nearer the land than the full clearance though not in
  // narrows (moved off the land, it keeps the full clearance: a coast with
  // open sea off it) goes out to that clearance, where its legs keep what
  // they did.
  for (std::size_t i = 1; i + 1 < p.size(); ++i) {
    if (coast_.Distance(p[i], full) >= full - kEndSlack) continue;
    Vec3 x = p[i];
    if (MoveOffLand(x) < full - kHullSlack) continue;
    if (Clear(p[i - 1], x, need[i - 1] - kHullSlack) && Clear(x, p[i + 1], need[i] - kHullSlack))
      p[i] = x;
  }
  const auto narrow = [&](Vec3 q) { return coast_.Distance(q, full) < full - 1.0; };
  // (Each leg looked at again after a turn; at most 256 turns a chain.)
  for (std::size_t k = 0, turns = 0; k + 1 < p.size() && turns < 256; ++k) {
    if (need[k] >= full) continue;
    const bool narrowFrom = narrow(p[k]), narrowTo = narrow(p[k + 1]);
    if (narrowFrom && narrowTo) continue;
    // The leg beyond the clearance from an end in the narrows.
    const double f = c_ / Chord(p[k], p[k + 1]);
    if ((narrowFrom || narrowTo) && f > 0.9) continue;
    const Vec3 u = narrowFrom ? OnSurface((1 - f) * p[k] + f * p[k + 1]) : p[k];
    const Vec3 v = narrowTo ? OnSurface(f * p[k] + (1 - f) * p[k + 1]) : p[k + 1];
    Vec3 at;
    if (coast_.ArcDistance(u, v, full, 0, &at) >= full - kHullSlack) continue;
    // (Where the leg comes nearer the land within narrows of its own,
    // moved to their middle, it keeps their clearance there.)
    Vec3 t = OnSurface(at);
    if (MoveOffLand(t) < full - kHullSlack || Chord(t, p[k]) < 10 || Chord(t, p[k + 1]) < 10)
      continue;
    // (Nor back to where the way has just been: turned there, a leg out of
    // narrows would turn again and again between two points.)
    if ((k > 0 && Chord(t, p[k - 1]) < 10) || (k + 2 < p.size() && Chord(t, p[k + 2]) < 10))
      continue;
    // Each new leg keeps the narrows' clearance where it reaches them, else
    // the full clearance where it does (the other looked at in its turn).
    const double narrowNeed = need[k];
    const auto keeps = [&](Vec3 a, Vec3 b, bool toNarrows) {
      return toNarrows || !Clear(a, b, full - kHullSlack) ? narrowNeed : full;
    };
    if (!Clear(p[k], t, narrowNeed - kHullSlack) || !Clear(t, p[k + 1], narrowNeed - kHullSlack))
      continue;
    const double before = keeps(p[k], t, narrowFrom), after = keeps(t, p[k + 1], narrowTo);
    p.insert(p.begin() + k + 1, t);
    need[k] = before;
    need.insert(need.begin() + k + 1, after);
    ++turns;
    --k;  // (the leg from p[k] again)
  }
}

bool Planner::Merge(std::vector<Vec3>& p, std::vector<double>& need, double least) const {
  bool merged = false;
  for (std::size_t i = 1; i + 2 < p.size(); ++i) {
    const Vec3 n1 = Cross(p[i - 1], p[i]), n2 = Cross(p[i + 1], p[i + 2]);
    Vec3 x = Cross(n1, n2);
    if (!(Length(x) > 0)) continue;
    if (Dot(x, p[i] + p[i + 1]) < 0) x = -1.0 * x;
    x = OnSurface(x);
    const double keep = std::min({need[i - 1], need[i], need[i + 1]});
    // (Not in narrows: a leg there keeps less only near them, and the
    // merged legs would carry their clearance on.)
    if (keep < least) continue;
    if (Chord(x, p[i]) + Chord(x, p[i + 1]) > 4 * Chord(p[i], p[i + 1]) + 100.0) continue;
    // (Where they meet at one of the two, it is no merger but a drop.)
    if (Chord(x, p[i]) < 10 || Chord(x, p[i + 1]) < 10) continue;
    if (coast_.Distance(x, keep + kTurnSlack) >= keep + kTurnSlack) continue;
    // (To within metres, as the hull's legs: the legs from the two points'
    // neighbours on the same corner's circle are its chords.)
    if (!Clear(p[i - 1], x, keep - kHullSlack) || !Clear(x, p[i + 2], keep - kHullSlack)) continue;
    p[i] = x;
    need[i - 1] = need[i] = keep;
    p.erase(p.begin() + i + 1), need.erase(need.begin() + i + 1);
    merged = true;
  }
  return merged;
}

void Planner::Prune(std::vector<Vec3>& p, std::vector<double>& need) const {
  // A point still off the land whose neighbours see each other to within
  // the 0.01 NM a leg keeps its clearance to: dropped. (Where a leg from a
  // corner's circle to a far one cuts that circle by metres, the point
  // between bends the way by seconds of arc, far from any land, and the
  // passes move it towards the chord in steps no longer than the legs'
  // distance from land at the corner.)
  // So too a point between two legs through narrows whose neighbours see
  // each other as those legs do (a spike the turns out of the narrows
  // leave, the way going out and back).
  // (Less than the full clearance only near the three points that lie in
  // the narrows: a leg that keeps the narrows' clearance along its length
  // may end far from them.)
  const auto spike = [&](std::size_t i, double both) {
    Legs narrowPoints;
    for (std::size_t j = i - 1; j <= i + 1; ++j)
      if (coast_.Distance(p[j], Slack(c_)) < Slack(c_) - kEndSlack)
        narrowPoints.push_back({p[j], p[j]});
    return !narrowPoints.empty() && Keeps(p[i - 1], p[i + 1], both - kEndSlack, narrowPoints);
  };
  for (std::size_t i = 1; i + 1 < p.size();) {
    const double both = std::min(need[i - 1], need[i]);
    // (And a point within 10 m of the one before: two passes' turns at one
    // place, the way between them metres long.)
    if (Chord(p[i - 1], p[i]) < 10.0 ||
        (both >= Slack(c_) && coast_.Distance(p[i], both + kTurnSlack) >= both + kTurnSlack &&
         Clear(p[i - 1], p[i + 1], both - kEndSlack)) ||
        (both < Slack(c_) && spike(i, both))) {
      p.erase(p.begin() + i), need.erase(need.begin() + i);
      need[i - 1] = both;
      if (i > 1) --i;  // (its neighbour again, now beside a longer leg)
    } else {
      ++i;
    }
  }
}

}  // namespace sea
}  // namespace sailings
