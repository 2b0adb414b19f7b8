// Whether a leg may be sailed: within the limiting latitude, and keeping
// its clearance (less only where the way is narrow).
#include "sea/planner.h"

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
  if (keep >= full || narrows.empty()) return Clear(a, b, keep);
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

}  // namespace sea
}  // namespace sailings
