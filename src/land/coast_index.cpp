// The coast's index (land/coast.h), made once when the data is decoded.
#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

#include "elliptic/ellipsoid.h"
#include "land/coast.h"
#include "land/coast_grid.h"

namespace sailings {

using namespace coast_grid;

namespace {

// The index's cells that the bounds of an edge from (x1, y1) to (x2, y2),
// degrees, touch: add(cell) for each.
template <class Add>
void CellsOf(double x1, double y1, double x2, double y2, Add&& add) {
  const auto row = [](double y) {
    return std::clamp(static_cast<int>(std::floor((y + 90.0) / kCell)), 0, kRows - 1);
  };
  const int r0 = row(std::min(y1, y2)), r1 = row(std::max(y1, y2));
  const double west = std::min(x1, x2), east = std::max(x1, x2);
  const int first = static_cast<int>(std::floor((west + 180) / kCell));
  const int columns =
      std::min(kColumns, static_cast<int>(std::floor((east + 180) / kCell)) - first + 1);
  const int c0 = ((first % kColumns) + kColumns) % kColumns;
  for (int r = r0; r <= r1; ++r) {
    for (int k = 0; k < columns; ++k) add(r * kColumns + (c0 + k) % kColumns);
  }
}

// Each cell's edges (CSR: start[c] to start[c + 1] in list) from the
// (cell, edge) pairs, sorted by cell by counting: each cell's count summed
// to where it ends, then each edge put in before its cell's end from the
// last pair back (the cell's start where it ends, its edges in order).
using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
void Fill(const Pairs& pairs, std::vector<std::uint32_t>& start, std::vector<std::uint32_t>& list) {
  start.assign(kRows * kColumns + 1, 0);
  for (const auto& [cell, e] : pairs) ++start[cell];
  for (std::size_t c = 1; c < kRows * kColumns; ++c) start[c] += start[c - 1];
  start.back() = start[kRows * kColumns - 1];
  list.resize(start.back());
  for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) list[--start[it->first]] = it->second;
}

// A ring that goes all the way round (Antarctica's), closed over its pole
// in the plane: on from its last point to its first one a turn of
// longitude on (the data's last point need not lie on the 180th meridian:
// Antarctica's ends at 179.7°E, and the strip east of it is land), down to
// the pole, back along it, and up to the first point. A ring that does not
// go round is left as it is.
void CloseOverPole(std::vector<Coast::Point>& ring) {
  const Coast::Point first = ring.front(), last = ring.back();
  if (std::fabs(last.lon - first.lon) <= 180.0) return;
  const double pole = first.lat < 0 ? -90.0 : 90.0;
  const double end = first.lon + 360.0 * std::round((last.lon - first.lon) / 360.0);
  ring.push_back({end, first.lat});
  ring.push_back({end, pole});
  ring.push_back({first.lon, pole});
}

}  // namespace

// The index in space and the index in the plane are independent: made at
// once, where threads may be had (the load is what a single passage's
// process waits for). The memory is taken once (the data's half a million
// points fill tens of megabytes, and every page taken and copied as a
// vector grows costs more than the points' own arithmetic).
void Coast::Index() {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
  IndexPlane();
  IndexSpace();
#else
  std::thread plane;
  try {
    plane = std::thread([this] { IndexPlane(); });
  } catch (const std::system_error&) {
    IndexPlane();
  }
  IndexSpace();
  if (plane.joinable()) plane.join();
#endif
  // The rings as the plane has them: each in its turn of longitude, the
  // one that goes all the way round closed over its pole.
  for (auto& ring : rings_) {
    CloseOverPole(ring);
    double west = 1e9, east = -1e9;
    for (const Point& p : ring) west = std::min(west, p.lon), east = std::max(east, p.lon);
    const double shift = 360.0 * std::round(0.5 * (west + east) / 360.0);
    for (Point& p : ring) p.lon -= shift;
  }
}

// In space: each ring's edges, the long ones divided, the ring closed.
void Coast::IndexSpace() {
  const auto piecesOf = [](Point p, Point q) {
    // The edge's length as drawn, a little more than its chord.
    const double dx = (q.lon - p.lon) * std::cos(0.5 * (p.lat + q.lat) * kDegree);
    const double dy = q.lat - p.lat;
    const double length = std::sqrt(dx * dx + dy * dy) * kMetresPerDegree * 1.01;
    return std::max(1, static_cast<int>(std::ceil(length / kLongestEdge)));
  };
  std::size_t total = 0;
  for (const auto& ring : rings_) {
    for (std::size_t i = 0; i < ring.size(); ++i)
      total += piecesOf(ring[i], ring[(i + 1) % ring.size()]);
  }
  points_.reserve(total + rings_.size());
  edges_.reserve(total);
  Pairs pairs;  // each edge in the cells its bounds touch
  pairs.reserve(total + total / 2);
  for (const auto& ring : rings_) {
    const std::size_t first = points_.size();
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const Point p = ring[i], q = ring[(i + 1) % ring.size()];
      const int pieces = piecesOf(p, q);
      for (int k = 0; k < pieces; ++k) {
        const double t = static_cast<double>(k) / pieces, u = static_cast<double>(k + 1) / pieces;
        const Point m{p.lon + t * (q.lon - p.lon), p.lat + t * (q.lat - p.lat)};
        const Point n =
            k + 1 == pieces ? q : Point{p.lon + u * (q.lon - p.lon), p.lat + u * (q.lat - p.lat)};
        const auto e = static_cast<std::uint32_t>(edges_.size());
        edges_.push_back(static_cast<std::uint32_t>(points_.size()));
        points_.push_back(EllipsoidPoint(m.lat * kDegree, m.lon * kDegree));
        CellsOf(m.lon, m.lat, n.lon, n.lat, [&](int cell) {
          pairs.push_back({static_cast<std::uint32_t>(cell), e});
        });
      }
    }
    points_.push_back(points_[first]);  // the ring closed
  }
  Fill(pairs, cell_start_, cell_edges_);
  IndexOpen();
}

// The open sea round each cell. A cell k rings of cells from the nearest
// that holds coast (breadth first from those, wrapping in longitude) has
// none in the 2k - 1 cells square round it, so a point of the cell is at
// least k - 1 cells from any coast: (k - 1) kCell degrees of latitude
// away, or as many of longitude within the square's rows. Across those
// degrees of latitude the angle at the centre is at least (1 - e^2) times
// as many (the geocentric latitude changes no slower), and every point of
// the ellipsoid lies at least the polar radius b from the centre, so the
// chord is at least 2 b sin of half that angle. Across the longitudes, every
// point of the rows lies at least a cos(phi) from the axis, phi the rows'
// highest latitude, so the chord is at least 2 a cos(phi) sin of half the
// difference. The lesser of the two, less a kilometre (an edge's chord
// strays from its cells by metres), is the sea's reach.
void Coast::IndexOpen() {
  constexpr int kCells = kRows * kColumns, kMost = 255;
  open_rings_.assign(kCells, kMost);
  std::vector<std::int32_t> queue;
  for (int c = 0; c < kCells; ++c)
    if (cell_start_[c + 1] > cell_start_[c]) open_rings_[c] = 0, queue.push_back(c);
  for (std::size_t i = 0; i < queue.size(); ++i) {
    const int c = queue[i], r = c / kColumns, column = c % kColumns;
    const int next = open_rings_[c] + 1;
    if (next >= kMost) continue;
    for (int dr = -1; dr <= 1; ++dr) {
      if (r + dr < 0 || r + dr >= kRows) continue;
      for (int dc = -1; dc <= 1; ++dc) {
        const int n = (r + dr) * kColumns + (column + dc + kColumns) % kColumns;
        if (open_rings_[n] > next)
          open_rings_[n] = static_cast<std::uint8_t>(next), queue.push_back(n);
      }
    }
  }
  open_metres_.assign(kRows * 256, 0);
  for (int r = 0; r < kRows; ++r) {
    for (int k = 2; k <= kMost; ++k) {
      const double degrees = (k - 1) * kCell;
      const double south = -90 + (r - k + 1) * kCell, north = -90 + (r + k) * kCell;
      const double highest = std::min(90.0, std::max(std::fabs(south), std::fabs(north)));
      const double across = 2 * kPolarRadius * std::sin(0.5 * kOneMinusESq * degrees * kDegree);
      const double along =
          2 * a * std::cos(highest * kDegree) * std::sin(0.5 * std::min(180.0, degrees) * kDegree);
      open_metres_[r * 256 + k] = static_cast<float>(std::max(0.0, std::min(across, along) - 1000));
    }
  }
}

// In the plane: each ring in the turn of longitude that holds its middle
// (a lake then lies in the same turn as the land around it); the ring
// that goes all the way round closed over its pole. (rings_ is only read
// here: Index() moves the rings so once this is done.)
void Coast::IndexPlane() {
  std::size_t ringPoints = 0;
  for (const auto& ring : rings_) ringPoints += ring.size() + 3;
  plane_edges_.reserve(ringPoints);
  Pairs pairs;
  pairs.reserve(ringPoints + ringPoints / 2);
  std::vector<Point> closed;
  for (const auto& given : rings_) {
    const std::vector<Point>* ring = &given;
    if (std::fabs(given.back().lon - given.front().lon) > 180.0) {
      closed = given;
      CloseOverPole(closed);
      ring = &closed;
    }
    double west = 1e9, east = -1e9;
    for (const Point& p : *ring) west = std::min(west, p.lon), east = std::max(east, p.lon);
    const double shift = 360.0 * std::round(0.5 * (west + east) / 360.0);
    for (std::size_t i = 0; i < ring->size(); ++i) {
      const Point p = (*ring)[i], q = (*ring)[(i + 1) % ring->size()];
      const auto e = static_cast<std::uint32_t>(plane_edges_.size());
      plane_edges_.push_back({p.lon - shift, p.lat, q.lon - shift, q.lat});
      const PlaneEdge& d = plane_edges_.back();
      CellsOf(d.x1, d.y1, d.x2, d.y2, [&](int cell) {
        pairs.push_back({static_cast<std::uint32_t>(cell), e});
      });
    }
  }
  Fill(pairs, plane_start_, plane_cells_);
  // Each cell's centre by the even-odd rule: the crossings of its row's
  // parallel east of it, in every turn of longitude.
  std::vector<std::vector<double>> crossings(kRows);
  for (const PlaneEdge& e : plane_edges_) {
    const int r0 = Row(std::min(e.y1, e.y2)), r1 = Row(std::max(e.y1, e.y2));
    for (int r = r0; r <= r1; ++r) {
      const double y = -90.0 + (r + 0.5) * kCell;
      if ((e.y1 > y) != (e.y2 > y)) {
        crossings[r].push_back(e.x1 + (y - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1));
      }
    }
  }
  centre_land_.assign(kRows * kColumns, 0);
  for (int r = 0; r < kRows; ++r) {
    std::vector<double>& xs = crossings[r];
    std::sort(xs.begin(), xs.end());
    // The crossings east of each centre, in each turn, counted as the
    // centres go east (each turn's first crossing east only moves east).
    std::size_t at[3] = {0, 0, 0};
    for (int c = 0; c < kColumns; ++c) {
      const double x = -180.0 + (c + 0.5) * kCell;
      bool land = false;
      for (int turn = -1; turn <= 1; ++turn) {
        std::size_t& i = at[turn + 1];
        while (i < xs.size() && xs[i] <= x + 360.0 * turn) ++i;
        land = land || ((xs.size() - i) % 2 == 1);
      }
      centre_land_[r * kColumns + c] = land;
    }
  }
}

}  // namespace sailings
