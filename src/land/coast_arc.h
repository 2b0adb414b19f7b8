// The distance in space from a great elliptic arc to an edge of the coast
// (land/coast.h): the one measure that every query of a leg's clearance
// uses. Internal to src/land.
#pragma once

#include <algorithm>
#include <cmath>
#include <utility>

#include "elliptic/ellipsoid.h"

namespace sailings {
namespace coast_arc {

inline Vec3 Unit(Vec3 p) { return (1.0 / Length(p)) * p; }

// The chord from p to the segment from q to r.
inline double PointSegment(Vec3 p, Vec3 q, Vec3 r) {
  const Vec3 d = r - q;
  const double dd = Dot(d, d);
  const double t = dd > 0 ? std::clamp(Dot(p - q, d) / dd, 0.0, 1.0) : 0.0;
  const Vec3 v = p - (q + t * d);
  return std::sqrt(Dot(v, v));
}

// The arc from a to b (Earth-centred, a nonzero angle apart; n the unit
// normal of their plane, a x b over its length).
struct Arc {
  Vec3 a, b, n;

  // An edge's distance from the arc: where its points fall between the
  // arc's ends (the wedge a x Z . n >= 0, Z x b . n >= 0, each linear along
  // the edge), their distance from the plane; and its chords to the ends.
  // An edge farther than `best` gives `best` or more. (`where`: the point
  // of the arc's plane, or an end, nearest the edge.)
  double EdgeDistance(Vec3 p, Vec3 q, double best, Vec3& where) const {
    // Every point of the arc lies in its plane, so no point of an edge on
    // one side of it is nearer the arc than the edge's nearer end is to
    // the plane: an edge that far from it is passed over at once (most
    // edges looked at are).
    const double hp = Dot(n, p), hq = Dot(n, q);
    if ((hp > 0) == (hq > 0) && std::min(std::fabs(hp), std::fabs(hq)) >= best) return best;
    const double da = PointSegment(a, p, q), db = PointSegment(b, p, q);
    double d = std::min(da, db);
    where = da <= db ? a : b;
    const Vec3 v = q - p;
    double t0 = 0, t1 = 1;
    for (const auto& [f0, f1] : {std::pair{Dot(Cross(a, p), n), Dot(Cross(a, v), n)},
                                 std::pair{Dot(Cross(p, b), n), Dot(Cross(v, b), n)}}) {
      // f0 + t f1 >= 0 on [t0, t1]
      if (f1 == 0) {
        if (f0 < 0) return d;
      } else if (f1 > 0) {
        t0 = std::max(t0, -f0 / f1);
      } else {
        t1 = std::min(t1, -f0 / f1);
      }
    }
    if (t0 > t1) return d;
    const double h0 = Dot(n, p + t0 * v), h1 = Dot(n, p + t1 * v);
    if ((h0 > 0) != (h1 > 0) || h0 == 0 || h1 == 0) {
      const double t = h0 == h1 ? t0 : t0 + (t1 - t0) * h0 / (h0 - h1);
      where = p + t * v;
      return 0.0;
    }
    const double h = std::min(std::fabs(h0), std::fabs(h1));
    if (h < d) {
      const Vec3 z = std::fabs(h0) <= std::fabs(h1) ? p + t0 * v : p + t1 * v;
      where = z - Dot(n, z) * n;
      return h;
    }
    return d;
  }
};

}  // namespace coast_arc
}  // namespace sailings
