#include "land/coast.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "elliptic/ellipsoid.h"
#include "land/coast_arc.h"
#include "land/coast_grid.h"

namespace sailings {

using namespace coast_grid;
using coast_arc::Unit;

namespace {

// The square of the chord from p to the segment from q to r.
double PointSegmentSquared(Vec3 p, Vec3 q, Vec3 r) {
  const Vec3 d = r - q;
  const double dd = Dot(d, d);
  const double t = dd > 0 ? std::clamp(Dot(p - q, d) / dd, 0.0, 1.0) : 0.0;
  const Vec3 v = p - (q + t * d);
  return Dot(v, v);
}
// The edge from q to r looked at for the point of land nearest p: `best`
// (a square) and `nearest` follow it where it is nearer.
void Closer(Vec3 p, Vec3 q, Vec3 r, double& best, Vec3* nearest) {
  const double d = PointSegmentSquared(p, q, r);
  if (d < best) {
    best = d;
    if (nearest) {
      const Vec3 v = r - q;
      const double vv = Dot(v, v);
      *nearest = q + (vv > 0 ? std::clamp(Dot(p - q, v) / vv, 0.0, 1.0) : 0.0) * v;
    }
  }
}

// Per thread: which cells and edges a query has already looked at. (Their
// zeros calloc's: a thread's pages are made only as its queries write them,
// so that a thread made for one passage costs no more than the land it
// looks at.)
struct Seen {
  struct Free {
    void operator()(void* p) const { std::free(p); }
  };
  using Marks = std::unique_ptr<std::uint32_t[], Free>;
  Marks cells, edges;
  std::size_t cell_count = 0, edge_count = 0;
  std::uint32_t epoch = 0;
  static void Make(Marks& marks, std::size_t& count, std::size_t wanted) {
    marks.reset(static_cast<std::uint32_t*>(std::calloc(std::max<std::size_t>(wanted, 1), 4)));
    if (!marks) throw std::bad_alloc();
    count = wanted;
  }
  void Begin(std::size_t cellCount, std::size_t edgeCount) {
    if (!cells || cell_count != cellCount) Make(cells, cell_count, cellCount);
    if (!edges || edge_count != edgeCount) Make(edges, edge_count, edgeCount);
    if (++epoch == 0) {  // after four billion queries, start afresh
      std::fill(cells.get(), cells.get() + cell_count, 0);
      std::fill(edges.get(), edges.get() + edge_count, 0);
      epoch = 1;
    }
  }
};
Seen& ThreadSeen() {
  thread_local Seen seen;
  return seen;
}

}  // namespace

int Coast::Column(double lon) const {
  const int c = static_cast<int>(std::floor((lon + 180.0) / kCell));
  return ((c % kColumns) + kColumns) % kColumns;
}
int Coast::Row(double lat) const {
  return std::clamp(static_cast<int>(std::floor((lat + 90.0) / kCell)), 0, kRows - 1);
}

double Coast::OpenAround(double lat, double lon) const {
  const int r = Row(lat);
  return open_metres_[r * 256 + open_rings_[r * kColumns + Column(lon)]];
}

bool Coast::IsLand(double lat, double lon) const {
  if (!std::isfinite(lat) || !std::isfinite(lon)) return false;
  lat = std::clamp(lat, -90.0, 90.0);
  lon = std::remainder(lon, 360.0);
  const int r = Row(lat), c = Column(lon), cell = r * kColumns + c;
  const double cx = -180.0 + (c + 0.5) * kCell, cy = -90.0 + (r + 0.5) * kCell;
  const auto side = [](double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
  };
  // The centre's answer, turned by every edge that the segment from the
  // centre to the point crosses; an end of an edge on it counts on one
  // side only.
  bool inside = centre_land_[cell];
  for (std::uint32_t k = plane_start_[cell]; k < plane_start_[cell + 1]; ++k) {
    const PlaneEdge& e = plane_edges_[plane_cells_[k]];
    // (The edge turned by whole turns to lie round the cell's centre: none
    // but near the 180th meridian.)
    const double off = cx - 0.5 * (e.x1 + e.x2);
    const double turn = std::fabs(off) < 180.0 ? 0.0 : 360.0 * std::round(off / 360.0);
    const double x1 = e.x1 + turn, x2 = e.x2 + turn;
    const double d1 = side(x1, e.y1, x2, e.y2, cx, cy), d2 = side(x1, e.y1, x2, e.y2, lon, lat);
    const double d3 = side(cx, cy, lon, lat, x1, e.y1), d4 = side(cx, cy, lon, lat, x2, e.y2);
    if ((d1 > 0) != (d2 > 0) && (d3 > 0) != (d4 > 0)) inside = !inside;
  }
  return inside;
}

Coast::CellKind Coast::KindOfCell(double lat, double lon) const {
  if (!std::isfinite(lat) || !std::isfinite(lon)) return CellKind::coast;
  const int cell =
      Row(std::clamp(lat, -90.0, 90.0)) * kColumns + Column(std::remainder(lon, 360.0));
  if (plane_start_[cell + 1] > plane_start_[cell]) return CellKind::coast;
  return centre_land_[cell] ? CellKind::land : CellKind::sea;
}

// Visits each edge in the cells within `reach` metres of (lat, lon) once
// per query (the thread's Seen); stops when `visit` returns true.
template <class Visit>
bool Coast::ForEachEdgeNear(double lat, double lon, double reach, Visit&& visit) const {
  Seen& seen = ThreadSeen();
  const double dlat = reach / kMetresPerDegree + 1e-9;
  const double south = lat - dlat, north = lat + dlat;
  const double widest = std::max(std::fabs(south), std::fabs(north));
  const double cosine = std::cos(std::min(90.0, widest) * kDegree);
  const double dlon = cosine > 1e-3 ? reach / (kMetresPerDegree * cosine) + 1e-9 : 360.0;
  const int r0 = Row(south), r1 = Row(north);
  const int columns =
      dlon >= 180.0
          ? kColumns
          : std::min(kColumns, static_cast<int>(std::floor((lon + dlon + 180) / kCell)) -
                                   static_cast<int>(std::floor((lon - dlon + 180) / kCell)) + 1);
  const int c0 = dlon >= 180.0 ? 0 : Column(lon - dlon);
  for (int r = r0; r <= r1; ++r) {
    for (int k = 0; k < columns; ++k) {
      const int cell = r * kColumns + (c0 + k) % kColumns;
      if (seen.cells[cell] == seen.epoch) continue;
      seen.cells[cell] = seen.epoch;
      for (std::uint32_t i = cell_start_[cell]; i < cell_start_[cell + 1]; ++i) {
        const std::uint32_t e = cell_edges_[i];
        if (seen.edges[e] == seen.epoch) continue;
        seen.edges[e] = seen.epoch;
        if (visit(e)) return true;
      }
    }
  }
  return false;
}

void Coast::PointsNear(Vec3 p, double reach, std::vector<Vec3>& out) const {
  out.clear();
  double lat, lon;
  LatLonOf(p, lat, lon);
  if (!std::isfinite(lat) || !std::isfinite(lon) || !(reach > 0)) return;
  ThreadSeen().Begin(kRows * kColumns, edges_.size());
  ForEachEdgeNear(lat, lon, reach, [&](std::uint32_t e) {
    out.push_back(points_[edges_[e]]);
    out.push_back(points_[edges_[e] + 1]);
    return false;
  });
}

double Coast::Distance(Vec3 p, double reach, Vec3* nearest) const {
  double lat, lon;
  LatLonOf(p, lat, lon);
  if (!std::isfinite(lat) || !std::isfinite(lon) || !(reach > 0)) return 0;
  ThreadSeen().Begin(kRows * kColumns, edges_.size());
  double best = reach * reach;  // (squares: one root at the end)
  ForEachEdgeNear(lat, lon, reach, [&](std::uint32_t e) {
    Closer(p, points_[edges_[e]], points_[edges_[e] + 1], best, nearest);
    return false;
  });
  return best < reach * reach ? std::sqrt(best) : reach;
}

Coast::Near::Near(const Coast& coast, Vec3 p, double reach) {
  double lat, lon;
  LatLonOf(p, lat, lon);
  if (!std::isfinite(lat) || !std::isfinite(lon) || !(reach > 0)) return;
  ThreadSeen().Begin(kRows * kColumns, coast.edges_.size());
  coast.ForEachEdgeNear(lat, lon, reach, [&](std::uint32_t e) {
    const Vec3 q = coast.points_[coast.edges_[e]], r = coast.points_[coast.edges_[e] + 1];
    if (PointSegmentSquared(p, q, r) <= reach * reach) ends_.push_back(q), ends_.push_back(r);
    return false;
  });
  // Few edges are looked through at once; more, by squares of about two
  // edges each.
  const std::size_t edges = ends_.size() / 2;
  if (edges < 64) return;
  squares_ = static_cast<int>(std::clamp(std::sqrt(edges / 2.0), 2.0, 64.0));
  half_ = reach, side_ = 2 * reach / squares_;
  origin_ = p;
  const Vec3 up = Unit(p);
  east_ = Cross(Vec3{0, 0, 1}, up);
  east_ = Length(east_) > 1e-9 ? Unit(east_) : Vec3{1, 0, 0};  // (at a pole, any)
  north_ = Cross(up, east_);
  // Each edge in every square its plane's bounding box meets: counted,
  // then laid out.
  const auto range = [&](Vec3 a, Vec3 b, int& i0, int& i1, int& j0, int& j1) {
    double x0, y0, x1, y1;
    Plane(a, x0, y0), Plane(b, x1, y1);
    i0 = Square(std::min(x0, x1)), i1 = Square(std::max(x0, x1));
    j0 = Square(std::min(y0, y1)), j1 = Square(std::max(y0, y1));
  };
  const std::size_t count = static_cast<std::size_t>(squares_) * squares_;
  first_.assign(count + 1, 0);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::uint32_t> at;
    if (pass == 1) {
      for (std::size_t s = 0; s < count; ++s) first_[s + 1] += first_[s];
      edges_.resize(first_[count]);
      at.assign(first_.begin(), first_.end() - 1);
    }
    for (std::size_t k = 0; k < ends_.size(); k += 2) {
      int i0, i1, j0, j1;
      range(ends_[k], ends_[k + 1], i0, i1, j0, j1);
      for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
          const std::size_t s = static_cast<std::size_t>(j) * squares_ + i;
          if (pass == 0)
            ++first_[s + 1];
          else
            edges_[at[s]++] = static_cast<std::uint32_t>(k);
        }
    }
  }
}

void Coast::Near::Plane(Vec3 q, double& x, double& y) const {
  x = Dot(q - origin_, east_), y = Dot(q - origin_, north_);
}
int Coast::Near::Square(double x) const {
  return static_cast<int>(std::clamp(std::floor((x + half_) / side_), 0.0, squares_ - 1.0));
}

double Coast::Near::Distance(Vec3 p, double reach, Vec3* nearest, double stop) const {
  if (!std::isfinite(Dot(p, p)) || !(reach > 0)) return 0;
  double best = reach * reach;
  const double least = stop > 0 ? stop * stop : -1;
  if (squares_ == 0) {
    for (std::size_t k = 0; k < ends_.size() && !(best < least); k += 2)
      Closer(p, ends_[k], ends_[k + 1], best, nearest);
    return best < reach * reach ? std::sqrt(best) : reach;
  }
  // Ring after ring of squares round p's (or the nearest square to it):
  // ring n lies at least n - 1 sides away in the plane. A square is
  // skipped, and the rings end, where the plane puts it farther than the
  // nearest edge yet (by more than rounding could make it).
  double x, y;
  Plane(p, x, y);
  const int i0 = Square(x), j0 = Square(y);
  const auto beyond = [&](double plane2) { return plane2 >= best * (1 + 1e-9) + 1e-6; };
  for (int n = 0; n < 2 * squares_ && !(n > 1 && beyond((n - 1) * side_ * (n - 1) * side_)); ++n) {
    for (int j = j0 - n; j <= j0 + n; ++j) {
      if (j < 0 || j >= squares_) continue;
      const bool edge = j == j0 - n || j == j0 + n;  // (a ring's top or bottom row: all of it)
      for (int i = i0 - n; i <= i0 + n; i += edge || n == 0 ? 1 : 2 * n) {
        if (i < 0 || i >= squares_) continue;
        const double dx = std::max({0.0, -half_ + i * side_ - x, x - (-half_ + (i + 1) * side_)});
        const double dy = std::max({0.0, -half_ + j * side_ - y, y - (-half_ + (j + 1) * side_)});
        if (beyond(dx * dx + dy * dy)) continue;
        const std::size_t s = static_cast<std::size_t>(j) * squares_ + i;
        for (std::uint32_t e = first_[s]; e < first_[s + 1]; ++e) {
          Closer(p, ends_[edges_[e]], ends_[edges_[e] + 1], best, nearest);
          if (best < least) return std::sqrt(best);
        }
      }
    }
  }
  return best < reach * reach ? std::sqrt(best) : reach;
}

// Visits each edge in the cells within `reach` metres of the arc from a to
// b (a nonzero angle apart) once (the thread's Seen, begun by the caller):
// within `look` of its points every 10 km or less (`look` reaching half the
// way to the next); stops when `visit` returns true.
template <class Visit>
void Coast::ForEachEdgeNearArc(Vec3 a, Vec3 b, double reach, Visit&& visit) const {
  const Vec3 ua = Unit(a), ub = Unit(b);
  const double angle = std::atan2(Length(Cross(ua, ub)), Dot(ua, ub));
  const double radius = std::max(Length(a), Length(b));
  const int steps = std::max(1, static_cast<int>(std::ceil(angle * radius / kArcStep)));
  const double look = reach + 0.5 * angle * radius / steps + 100.0;
  // The chord between the surface's points at two steps (each within the
  // equatorial radius of the centre, nearer it by at most e^2 a per radian
  // of latitude).
  const double step = 1.01 * sailings::a * angle / steps;
  // The steps' points, sin((1 - t) angle) ua + sin(t angle) ub: the sines
  // carried from step to step (sin (k + 1)x = 2 cos x sin kx - sin (k - 1)x,
  // and down from the far end alike), within a millimetre of their values
  // over the longest arc (`look` has a hundred metres to spare). Not near
  // opposite ends, where the sum cancels and an error in a sine turns the
  // point: each is worked afresh there.
  const bool carry = angle < 3.0;
  const double delta = angle / steps, twice = 2 * std::cos(delta);
  double up[2] = {0, std::sin(delta)};                          // sin k delta, one more
  double down[2] = {std::sin(angle), std::sin(angle - delta)};  // sin (steps - k) delta, one less
  int carried = 0;                                              // the step they hold
  for (int k = 0; k <= steps; ++k) {
    const double t = static_cast<double>(k) / steps;
    for (; carry && carried < k; ++carried) {
      up[0] = std::exchange(up[1], twice * up[1] - up[0]);
      down[0] = std::exchange(down[1], twice * down[1] - down[0]);
    }
    const Vec3 d = carry ? down[0] * ua + up[0] * ub
                         : std::sin((1 - t) * angle) * ua + std::sin(t * angle) * ub;
    double lat, lon;
    LatLonOf(d, lat, lon);
    // Open sea round this step's cell: no edge lies within `look` of it, nor
    // of the steps after it that lie within the open sea less `look`.
    if (const double open = OpenAround(lat, lon); open >= look) {
      k += static_cast<int>(std::min<double>(steps, (open - look) / step));
      continue;
    }
    if (ForEachEdgeNear(lat, lon, look, visit)) return;
  }
}

void Coast::PointsNearArc(Vec3 a, Vec3 b, double reach, std::vector<Vec3>& out) const {
  out.clear();
  if (!(reach > 0) || !(Length(Cross(Unit(a), Unit(b))) > 1e-15)) return PointsNear(a, reach, out);
  ThreadSeen().Begin(kRows * kColumns, edges_.size());
  ForEachEdgeNearArc(a, b, reach, [&](std::uint32_t e) {
    out.push_back(points_[edges_[e]]);
    out.push_back(points_[edges_[e] + 1]);
    return false;
  });
}

// The band's edges: those the index's walk along the arc visits that lie
// within `reach` of it (kept as they are met, none copied first).
Coast::Band::Band(const Coast& coast, Vec3 a, Vec3 b, double reach) {
  const Vec3 normal = Cross(Unit(a), Unit(b));
  const double sine = Length(normal);
  if (!(reach > 0) || !(sine > 1e-15)) {  // a point: the edges round it
    std::vector<Vec3> near;
    coast.PointsNear(a, reach, near);
    for (std::size_t k = 0; k + 1 < near.size(); k += 2)
      if (coast_arc::PointSegment(a, near[k], near[k + 1]) < reach)
        ends_.push_back(near[k]), ends_.push_back(near[k + 1]);
    return;
  }
  ThreadSeen().Begin(kRows * kColumns, coast.edges_.size());
  // (Every edge the walk meets that comes within `reach` of the arc's
  // plane, or crosses it: those within `reach` of the arc and the few near
  // the plane beyond its ends, which only lengthen the list. That is all an
  // arc within the band asks of, and far cheaper than each edge's distance
  // from the arc.)
  const Vec3 n = (1.0 / sine) * normal;
  coast.ForEachEdgeNearArc(a, b, reach, [&](std::uint32_t e) {
    const Vec3 p = coast.points_[coast.edges_[e]], q = coast.points_[coast.edges_[e] + 1];
    const double hp = Dot(n, p), hq = Dot(n, q);
    if ((hp > 0) != (hq > 0) || std::min(std::fabs(hp), std::fabs(hq)) < reach)
      ends_.push_back(p), ends_.push_back(q);
    return false;
  });
}

double Coast::ArcDistance(Vec3 a, Vec3 b, double reach, double stop, Vec3* at) const {
  const Vec3 ua = Unit(a), ub = Unit(b);
  const Vec3 normal = Cross(ua, ub);
  const double sine = Length(normal);
  if (!(reach > 0)) return 0;
  // The arc a point; or its ends opposite, no one arc joining them: nothing
  // is known to keep clear of the land.
  if (!(sine > 1e-15)) return Dot(ua, ub) > 0 ? Distance(a, reach) : 0;
  const Vec3 n = (1.0 / sine) * normal;
  ThreadSeen().Begin(kRows * kColumns, edges_.size());
  double best = reach;
  const coast_arc::Arc arc{a, b, n};
  Vec3 where{0, 0, 0};
  ForEachEdgeNearArc(a, b, reach, [&](std::uint32_t e) {
    const double dist = arc.EdgeDistance(points_[edges_[e]], points_[edges_[e] + 1], best, where);
    if (dist < best) {
      best = dist;
      if (at) *at = where;
    }
    return best < stop;
  });
  return best;
}

}  // namespace sailings
