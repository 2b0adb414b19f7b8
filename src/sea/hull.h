// The convex hull of points in a plane (the central projection, where the
// way round a stretch of coast is drawn: sea_wrap.cpp). Internal to src/sea.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace sailings {
namespace sea {

// Drops the points strictly inside the octagon of the extreme ones (least
// and most x, y, x + y and x - y), none of which is a corner of their hull
// (Akl and Toussaint): most of the polygons' corners round a coast lie
// inside it, and need not be sorted. (Only those inside by more than the
// rounding of the test: a point all but on an edge stays.)
template <class P>
void DropInterior(std::vector<P>& points) {
  if (points.size() < 16) return;
  std::size_t at[8] = {};  // counter-clockwise from the least x
  double best[8], extent = 0;
  std::fill(best, best + 8, -INFINITY);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double x = points[i].x, y = points[i].y;
    const double key[8] = {-x, -(x + y), -y, x - y, x, x + y, y, y - x};
    for (int k = 0; k < 8; ++k)
      if (key[k] > best[k]) best[k] = key[k], at[k] = i;
    extent = std::max({extent, std::fabs(x), std::fabs(y)});
  }
  const double margin = 1e-9 * extent * extent;
  std::vector<P> corners;
  for (const std::size_t i : at)
    if (corners.empty() || points[i].x != corners.back().x || points[i].y != corners.back().y)
      corners.push_back(points[i]);
  while (corners.size() > 1 && corners.front().x == corners.back().x &&
         corners.front().y == corners.back().y)
    corners.pop_back();
  if (corners.size() < 3) return;
  const auto inside = [&](P q) {
    for (std::size_t k = 0; k < corners.size(); ++k) {
      const P u = corners[k], v = corners[(k + 1) % corners.size()];
      if (!((v.x - u.x) * (q.y - u.y) - (v.y - u.y) * (q.x - u.x) > margin)) return false;
    }
    return true;
  };
  points.erase(std::remove_if(points.begin(), points.end(), inside), points.end());
}

// The corners of the convex hull of `points` (any with x and y), counter-
// clockwise from the least x (the least y of those): Andrew's monotone
// chain, no point on an edge between corners, none twice. Empty for none.
template <class P>
std::vector<P> Hull(std::vector<P> points) {
  DropInterior(points);
  if (points.empty()) return {};
  const auto cross = [](P o, P u, P v) {
    return (u.x - o.x) * (v.y - o.y) - (u.y - o.y) * (v.x - o.x);
  };
  std::sort(points.begin(), points.end(),
            [](P u, P v) { return u.x < v.x || (u.x == v.x && u.y < v.y); });
  std::vector<P> hull(2 * points.size() + 1);
  std::size_t n = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    while (n >= 2 && cross(hull[n - 2], hull[n - 1], points[i]) <= 0) --n;
    hull[n++] = points[i];
  }
  for (std::size_t i = points.size() - 1, lower = n + 1; i-- > 0;) {
    while (n >= lower && cross(hull[n - 2], hull[n - 1], points[i]) <= 0) --n;
    hull[n++] = points[i];
  }
  hull.resize(n > 1 ? n - 1 : n);
  return hull;
}

}  // namespace sea
}  // namespace sailings
