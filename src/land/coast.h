// The coast of Natural Earth's 1:10m land polygons (public domain, version
// 4.1.0; src/land/coast_10m.bin, made by tools/make-coast-data.py): the land
// that sea passages keep clear of and that the land check looks for.
//
// The scale is that of an ocean chart: a coastline to a few hundred metres
// (the data's grid is 0.0036 degrees of longitude by 0.0017 of latitude),
// harbours, canals and the narrowest straits closed. It plans ocean passages;
// it is never a pilotage chart.
//
// Geometry. A ring's edges are straight in the plane of longitude and
// latitude (so the data draws them); edges longer than 2 NM are divided so
// that in space each piece is a chord that stays within 1 m of the surface.
// Distances are chords between points of the ellipsoid (Earth-centred,
// metres): within 1 m of the geodesic up to 50 NM (the difference grows as
// the cube of the distance over the square of the radius), and never more
// than it, so a distance found clear is clear.
//
// A great elliptic arc is the plane section through the centre: a point of
// land lies at least |n . P| from it, n the plane's unit normal, wherever
// its foot falls between the arc's ends, and otherwise at least its chord
// to the nearer end. The smallest of these over every edge near the arc is
// the arc's distance from land, exact but for those two bounds (a few
// metres at 50 NM, and on the side of caution).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "vector/vec3.h"

namespace sailings {

class Coast {
 public:
  // The coast built into the library, decoded and indexed on first use
  // (about 140 ms, 30 MB); nullptr in a build that leaves the data out (the
  // page) until LoadCoast() has given it.
  static const Coast* Get();
  // Gives the data (the bytes of coast_10m.bin) to a build without it;
  // false when the bytes are not such data. Once only: later calls change
  // nothing and answer whether a coast is loaded.
  static bool Load(std::string_view bytes);

  // Whether (lat, lon), degrees, any longitude, lies on land.
  bool IsLand(double lat, double lon) const;
  // The chord (metres) from `p` (Earth-centred, on the ellipsoid) to the
  // nearest land, if that is less than `reach`; else `reach`. With `nearest`,
  // also the nearest point of the coast (when one is nearer than `reach`).
  double Distance(Vec3 p, double reach, Vec3* nearest = nullptr) const;
  // The coast's points (both ends of every edge, Earth-centred) within
  // about `reach` metres of `p` (the index's cells that reach holds).
  void PointsNear(Vec3 p, double reach, std::vector<Vec3>& out) const;
  // The same within about `reach` of the great elliptic arc from a to b,
  // each once.
  void PointsNearArc(Vec3 a, Vec3 b, double reach, std::vector<Vec3>& out) const;
  // The coast round a point, for many Distance() questions near it: the
  // edges within `reach` of `p`. Its Distance(q, r) of a point q with
  // r + |q - p| <= reach is the coast's, edge for edge, without looking
  // through the index's cells again. (Where the edges are many, a fjord
  // coast within tens of miles, they are sorted into squares of the plane
  // touching the ellipsoid at p, and the squares are looked at nearest
  // first: no square farther than the nearest edge found yet holds a
  // nearer one, for the plane's distances are no longer than the space's.)
  class Near {
   public:
    Near(const Coast& coast, Vec3 p, double reach);
    // As Coast::Distance, of a point within `reach` of p; stops at the
    // first edge nearer than `stop` (<= reach), returning that edge's
    // distance: a point no better than one known is refused at once.
    double Distance(Vec3 q, double reach, Vec3* nearest = nullptr, double stop = 0) const;

   private:
    std::vector<Vec3> ends_;  // both ends of each edge
    // The squares: `side` on a side, `squares` by `squares` of them
    // centred on p (none: the edges are few); each square's edges (their
    // first ends' indices in ends_) from first_[s] to first_[s + 1].
    Vec3 origin_{}, east_{}, north_{};
    double side_ = 0, half_ = 0;
    int squares_ = 0;
    std::vector<std::uint32_t> first_, edges_;
    void Plane(Vec3 q, double& x, double& y) const;
    int Square(double x) const;
  };
  // The land near many arcs from one end, found once: a turning point's
  // legs as it is swung (sea/planner.h). The edges within `reach` of the
  // arc from `a` to `b`: every edge within r of an arc that lies within
  // `reach` - r of that one is among them.
  class Band {
   public:
    Band(const Coast& coast, Vec3 a, Vec3 b, double reach);
    // As Coast::ArcDistance, of an arc within the band.
    double ArcDistance(Vec3 a, Vec3 b, double reach, double stop) const;

   private:
    std::vector<Vec3> ends_;  // both ends of each edge
  };
  // The distance (metres) from the great elliptic arc from `a` to `b`
  // (Earth-centred, on the ellipsoid, less than half the ellipse apart) to
  // land, if less than `reach`; else `reach`. Stops at the first edge
  // nearer than `stop` (<= reach): a leg is refused at once. With `at`, the
  // point of the arc (off the surface by the arc's sag, at most metres)
  // nearest the land found, when any is nearer than `reach`. Ends opposite
  // each other (no one arc joins them): 0.
  double ArcDistance(Vec3 a, Vec3 b, double reach, double stop, Vec3* at = nullptr) const;
  // No coast lies within this chord (metres) of any point of the index's
  // cell holding (lat, lon), degrees: the open sea that an arc across an
  // ocean passes over at once (0 next to coast; little near the poles,
  // where the cells are narrow).
  double OpenAround(double lat, double lon) const;
  bool ArcClear(Vec3 a, Vec3 b, double clearance) const {
    return ArcDistance(a, b, clearance, clearance) >= clearance;
  }

  // The index's cell of 0.25 degrees (rows from -90, columns from -180)
  // holding (lat, lon), any longitude: wholly sea (no coastline in it, its
  // centre at sea), wholly land, or holding coast.
  enum class CellKind { sea, land, coast };
  CellKind KindOfCell(double lat, double lon) const;

  // The rings, degrees, each continuous in longitude (it may reach beyond
  // +-180); the ring that goes all the way round (Antarctica) is closed
  // over its pole.
  struct Point {
    double lon, lat;
  };
  const std::vector<std::vector<Point>>& rings() const { return rings_; }
  std::size_t points() const { return points_.size(); }

 private:
  explicit Coast(std::string_view bytes);
  bool Decode(std::string_view bytes);
  void Index();
  void IndexSpace();             // points_, edges_, cell_start_, cell_edges_
  void IndexPlane();             // plane_edges_, plane_start_, plane_cells_, centre_land_
  void IndexOpen();              // open_rings_, open_metres_
  int Column(double lon) const;  // any longitude
  int Row(double lat) const;
  template <class Visit>
  bool ForEachEdgeNear(double lat, double lon, double reach, Visit&& visit) const;
  template <class Visit>
  void ForEachEdgeNearArc(Vec3 a, Vec3 b, double reach, Visit&& visit) const;

  std::vector<std::vector<Point>> rings_;
  // The edges in space: points_[i] to points_[i + 1], for i in edges_.
  std::vector<Vec3> points_;
  std::vector<std::uint32_t> edges_;
  // Cells of kCell degrees: the edges each holds (CSR: cell_start_[c] to
  // cell_start_[c + 1] in cell_edges_, indices into edges_), and in the
  // plane the ring edges (indices into plane_edges_) for the land test.
  struct PlaneEdge {
    double x1, y1, x2, y2;  // degrees, in some turn of longitude
  };
  std::vector<PlaneEdge> plane_edges_;
  std::vector<std::uint32_t> cell_start_, cell_edges_;
  std::vector<std::uint32_t> plane_start_, plane_cells_;
  std::vector<std::uint8_t> centre_land_;  // whether each cell's centre is land
  // Each cell's rings of cells without coast round it (0: it holds coast;
  // at most 255), and by row and rings how far that sea reaches at least.
  std::vector<std::uint8_t> open_rings_;
  std::vector<float> open_metres_;
  bool ok_ = false;
};

}  // namespace sailings
