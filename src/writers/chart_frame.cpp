#include "writers/chart_frame.h"

namespace sailings {

std::vector<Point> Simplify(const std::vector<Point>& in, double tolerance) {
  if (in.size() < 3) return in;
  std::vector<char> keep(in.size(), 0);
  keep.front() = keep.back() = 1;
  std::vector<std::pair<std::size_t, std::size_t>> stack{{0, in.size() - 1}};
  while (!stack.empty()) {
    const auto [a, b] = stack.back();
    stack.pop_back();
    const Point p = in[a], q = in[b];
    const double dx = q.x - p.x, dy = q.y - p.y, len = std::hypot(dx, dy);
    double worst = -1;
    std::size_t at = a;
    for (std::size_t i = a + 1; i < b; ++i) {
      const double d = len > 0 ? std::fabs(dy * (in[i].x - p.x) - dx * (in[i].y - p.y)) / len
                               : std::hypot(in[i].x - p.x, in[i].y - p.y);
      if (d > worst) worst = d, at = i;
    }
    if (worst > tolerance) {
      keep[at] = 1;
      stack.push_back({a, at});
      stack.push_back({at, b});
    }
  }
  std::vector<Point> out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (keep[i]) out.push_back(in[i]);
  }
  return out;
}

ChartFrame FrameTracks(const std::vector<const std::vector<Point>*>& tracks, double l1, double l2) {
  // Polar when a track comes within 10 degrees of a pole.
  Projection projection;
  double highest = -90, lowest = 90;
  for (const auto* t : tracks) {
    for (const Point& p : *t) highest = std::max(highest, p.y), lowest = std::min(lowest, p.y);
  }
  if (highest > 80 || lowest < -80) {
    projection.polar = true;
    projection.pole = highest > 80 && highest >= -lowest ? 1 : -1;
    // The route runs across the bottom (north) or top (south) of the chart.
    projection.center = l1 + 0.5 * std::remainder(l2 - l1, 360.0);
  }

  // The frame: every track with a margin (each track goes the shorter way
  // round, so a Mercator frame spans less than a turn of longitude).
  Frame frame;
  double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
  for (const auto* t : tracks) {
    for (const Point& ll : *t) {
      if (projection.polar && projection.pole * ll.y < -kFrameReach) continue;
      const Point p = projection.Plane(ll.y, ll.x);
      x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y),
      y1 = std::max(y1, p.y);
    }
  }
  const double margin = 0.15 * std::max({x1 - x0, y1 - y0, projection.polar ? 0.1 : 5.0});
  frame.x0 = x0 - margin, frame.x1 = x1 + margin, frame.y0 = y0 - margin, frame.y1 = y1 + margin;
  frame.scale = std::min(kMaxWidth / (frame.x1 - frame.x0), kMaxHeight / (frame.y1 - frame.y0));
  const auto widen = [](double& lo, double& hi, double size) {
    const double mid = 0.5 * (lo + hi);
    lo = mid - 0.5 * size, hi = mid + 0.5 * size;
  };
  widen(frame.x0, frame.x1, kMaxWidth / frame.scale);
  if (frame.height() < kMinHeight) widen(frame.y0, frame.y1, kMinHeight / frame.scale);
  return {projection, frame};
}

}  // namespace sailings
