// Whether a leg may be sailed: within the limiting latitude, and keeping
// its clearance (less only where the way is narrow); how far a turning
// point may swing so; moving points off the land.
#include "sea/planner.h"

#include <atomic>

namespace sailings {
namespace sea {

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

namespace {

// The chord from x to the great elliptic arc from p to q (less than half
// the ellipse apart): from its plane where x's direction falls between
// them, else to the nearer end.
double ArcChord(Vec3 x, Vec3 p, Vec3 q) {
  const Vec3 n = Cross(p, q);
  const double nn = Length(n);
  if (nn > 0 && Dot(Cross(p, x), n) >= 0 && Dot(Cross(x, q), n) >= 0)
    return std::fabs(Dot(x, n)) / nn;
  return std::min(Chord(x, p), Chord(x, q));
}

}  // namespace

bool Planner::Keeps(Vec3 a, Vec3 b, double keep, const Legs& narrows) const {
  const double full = Slack(c_);
  if (keep >= full || narrows.empty() || Opposite(a, b)) return Clear(a, b, keep);
  const double least = std::max(keep, 0.5 * kLeastClearance);
  // The arc in pieces: each piece that comes nearer the land than the full
  // clearance must do so within the clearance of a narrow leg, and keeps
  // `keep` there; the piece beyond the clearance either side of where it
  // comes nearest is looked at in turn.
  std::vector<std::pair<Vec3, Vec3>> pieces{{a, b}};
  for (int looked = 0; !pieces.empty(); ++looked) {
    const auto [x, y] = pieces.back();
    pieces.pop_back();
    if (LegBeyond(x, y)) return false;
    Vec3 at;
    const double d = coast_.ArcDistance(x, y, full, least, &at);
    if (d >= full) continue;
    if (d < least || looked >= 64) return false;
    bool narrow = false;
    for (const auto& [p, q] : narrows) narrow = narrow || ArcChord(at, p, q) <= c_;
    if (!narrow) return false;
    // Where `at` falls along the arc (an angle in its plane), and the
    // pieces more than the clearance from it.
    const Vec3 ux = (1 / Length(x)) * x, uy = (1 / Length(y)) * y;
    const Vec3 normal = Cross(ux, uy);
    const double sine = Length(normal);
    if (!(sine > 1e-12)) continue;
    const Vec3 n = (1 / sine) * normal, side = Cross(n, ux);
    const double angle = std::atan2(sine, Dot(ux, uy));
    const double t = std::atan2(Dot(at, side), Dot(at, ux));
    const double window = c_ / Length(at);
    const auto point = [&](double s) { return OnSurface(std::cos(s) * ux + std::sin(s) * side); };
    if (t - window > 0) pieces.push_back({x, point(std::min(angle, t - window))});
    if (t + window < angle) pieces.push_back({point(std::max(0.0, t + window)), y});
  }
  return true;
}

namespace {

struct NearCache {
  std::uint64_t planner = 0;
  std::optional<Coast::Near> near;
  Vec3 at{};
  double reach = 0;
};
NearCache& ThreadNear() {
  thread_local NearCache cache;
  return cache;
}

}  // namespace

std::uint64_t Planner::NextSerial() {
  static std::atomic<std::uint64_t> serial{0};
  return ++serial;
}

void Planner::ForgetNear(std::uint64_t planner) {
  if (NearCache& cache = ThreadNear(); cache.planner == planner) cache.near.reset();
}

// Moves `p` away from the nearest land while it is nearer than the
// clearance (to the middle of narrows, out to the clearance along a coast);
// how far from land it then is, at most the clearance.
double Planner::MoveOffLand(Vec3& p) const {
  Vec3 nearest;
  double d = coast_.Distance(p, c_, &nearest);
  // Never farther than half as far again as the clearance it lacks (a
  // point in a river would otherwise travel down it), nor across land.
  const Vec3 start = p;
  const double most = 1.5 * (c_ - d) + 1.0;
  const auto usable = [&](Vec3 q) {
    double lat, lon;
    LatLonOf(q, lat, lon);
    return !coast_.IsLand(lat, lon) && !Beyond(lat) && Chord(start, q) <= most && Clear(p, q, 0);
  };
  for (int step = 0; step < 24 && d < c_ - 0.5; ++step) {
    const Vec3 away = p - nearest;
    const double length = Length(away);
    if (!(length > 0)) break;
    // Every point looked at lies within c_ - d of p (and metres more where
    // the surface bends): the coast within the clearance of any of them,
    // gathered again only where the last gathering (here or for a point
    // before, a clearance wider) does not hold it.
    const double reach = c_ + (c_ - d) + 10.0;
    NearCache& cache = ThreadNear();
    if (cache.planner != serial_ || !cache.near || Chord(cache.at, p) + reach > cache.reach) {
      cache.near.emplace(coast_, p, reach + c_);
      cache.planner = serial_, cache.at = p, cache.reach = reach + c_;
    }
    const Coast::Near* const near = &*cache.near;
    const Vec3 moved = OnSurface(p + ((c_ - d) / length) * away);
    Vec3 movedNearest;
    const double e = near->Distance(moved, c_, &movedNearest, d);
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
    // (A bearing's point no farther than the best from a point of land
    // already found, by a millimetre, is no better: not looked at. In
    // narrows, that is all but those along them.)
    std::array<Vec3, 32> land;
    std::size_t found = 0;
    land[found++] = nearest;
    // (The bearings' cosines and sines, worked out once.)
    static const std::array<std::pair<double, double>, 16> bearings = [] {
      std::array<std::pair<double, double>, 16> t;
      for (int k = 0; k < 16; ++k) t[k] = {std::cos(kTwoPi * k / 16), std::sin(kTwoPi * k / 16)};
      return t;
    }();
    for (double r = c_ - d; r > 1.0 && best <= d; r *= 0.5) {
      for (int k = 0; k < 16; ++k) {
        const auto [cosine, sine] = bearings[k];
        const Vec3 q = OnSurface(p + r * (cosine * north + sine * east));
        const auto beaten = [&](Vec3 l) { return Chord(q, l) < best + 0.1 - 1e-3; };
        if (std::any_of(land.begin(), land.begin() + found, beaten)) continue;
        Vec3 qNearest;
        const double e2 = near->Distance(q, c_, &qNearest, best + 0.1);
        if (e2 < c_ && found < land.size()) land[found++] = qNearest;
        if (e2 > best + 0.1 && usable(q)) best = e2, bestAt = q, bestNearest = qNearest;
      }
    }
    if (!(best > d)) break;
    p = bestAt, d = best, nearest = bestNearest;
  }
  return std::min(c_, d);
}

// A leg from a fixed end that swings from one far end to another nearer
// than its distance from land sweeps no land (every point of the triangle
// between the two is nearer the first leg than the far ends are to each
// other): the point goes in such steps, so that no leg ever jumps an
// island or a cape to come to rest on its far side, and the last step
// that fails is halved to where the legs come to their clearance. A step
// is never less than the least of the clearances, so the steps are few;
// they are looked at no farther than kSwingReach.
double Planner::Swing(Vec3 from, Vec3 to, const Swung& legs) const {
  constexpr double kSwingReach = 10 * kNauticalMile;
  constexpr int kMostSteps = 256;
  const auto at = [&](double t) { return OnSurface((1 - t) * from + t * to); };
  // Each leg swung between two far ends lies in the triangle of its fixed
  // end and them. A point of it is a sum of its end and its far end, the
  // far end's part at most the point's distance from the centre over the
  // far end's (the leg less than a quarter of the globe): it lies within
  // that much times the chord between the far ends of the leg to the
  // first. So the land near each leg is found once for all the legs
  // between two far ends no farther apart than kSwingReach: from `from`
  // to `to`, or the halving's ends.
  std::vector<Coast::Band> bands;
  const auto band = [&](Vec3 near, Vec3 far) {
    bands.clear();
    const double spread = Chord(near, far);
    for (const auto& [end, need] : legs) {
      if (!(spread < kSwingReach && Dot(end, near) > 0.1 * Length(end) * Length(near))) break;
      bands.emplace_back(coast_, end, near, std::max(kSwingReach, need) + 1.02 * spread + 100.0);
    }
    if (bands.size() != legs.size()) bands.clear();
  };
  band(from, to);
  // What each leg keeps at least.
  std::vector<double> keeps;
  for (const auto& leg : legs) keeps.push_back(std::max(leg.second, 0.5 * kLeastClearance));
  // The least room of the legs to a point: their distance from land, or
  // -1 where one does not keep its clearance.
  const auto room = [&](Vec3 q) {
    double least = kSwingReach;
    for (std::size_t i = 0; i < legs.size(); ++i) {
      const Vec3 end = legs[i].first;
      const double keep = keeps[i];
      if (LegBeyond(end, q)) return -1.0;
      const auto distance = [&](Vec3 u, double reach, double stop) {
        return bands.empty() ? coast_.ArcDistance(u, q, reach, stop)
                             : bands[i].ArcDistance(u, q, reach, stop);
      };
      const double d = distance(end, std::max(kSwingReach, keep), keep);
      if (d < keep) return -1.0;
      least = std::min(least, d);
      // (Held to less near its end only: beyond that end's corner, the
      // whole clearance.)
      const double full = std::max(legs[i].second, 0.5 * kLeastClearance);
      const double length = Chord(end, q), trim = full + kTurnSlack + 50.0;
      if (keep < full && length > 2 * trim &&
          distance(OnSurface((1 - trim / length) * end + (trim / length) * q), full, full) < full)
        return -1.0;
    }
    return least;
  };
  double r = room(from);
  double tightest = INFINITY;
  for (const auto& leg : legs) tightest = std::min(tightest, leg.second);
  if (r < 0 && coast_.Distance(from, tightest + kSwingReach) >= tightest + kSwingReach) {
    // A point far off the land (by more than kSwingReach beyond the
    // clearance) whose leg from a fixed end that lies within its clearance
    // by metres (a turning point is found to within them) keeps no more
    // than that end: the leg is held to what the end keeps, down to
    // kEndSlack below the clearance, near the end, and to the whole
    // clearance beyond. (Else the leg never keeps enough, and the point is
    // locked where it is, however far off the land. Nearer the land the
    // other ways of pulling a point in do, and a leg held to less there
    // would only carry that less along the coast.)
    for (std::size_t i = 0; i < legs.size(); ++i) {
      const double ends = coast_.Distance(legs[i].first, keeps[i]);
      if (ends < keeps[i])
        keeps[i] = std::max({keeps[i] - kEndSlack, ends - 0.5, 0.5 * kLeastClearance});
    }
    r = room(from);
    if (r < 0) return 0;
  }
  double t = 0;
  for (int step = 0; step < kMostSteps && t < 1; ++step) {
    const Vec3 here = at(t);
    double next = 1;
    while (Chord(here, at(next)) > 0.9 * r && next - t > 1e-12) next = t + 0.5 * (next - t);
    const double rn = room(at(next));
    if (rn >= 0) {
      t = next, r = rn;
      continue;
    }
    double lo = t, hi = next;  // lo keeps the clearance, hi does not
    if (bands.empty()) band(at(lo), at(hi));
    for (int k = 0; k < 40 && Chord(at(lo), at(hi)) > 2.0; ++k) {
      const double mid = 0.5 * (lo + hi);
      (room(at(mid)) >= 0 ? lo : hi) = mid;
    }
    return lo;
  }
  // (Never quite to `to`: a point slid onto its neighbour would leave a leg
  // of no length.)
  const double length = Chord(from, to);
  return length > 4.0 ? std::min(t, 1 - 2.0 / length) : 0.0;
}

}  // namespace sea
}  // namespace sailings
