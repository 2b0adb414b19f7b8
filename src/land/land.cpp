#include "land/land.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <GeographicLib/GeodesicLine.hpp>

#include "elliptic/comparison.h"
#include "elliptic/great_ellipse.h"

namespace sailings {

namespace {

#include "land/land_110m.inc"

double Normalized(double lon) {
  lon = std::remainder(lon, 360.0);
  return lon >= 180.0 ? lon - 360.0 : lon;
}

constexpr int kColumns = 360, kRows = 180;  // cells of one degree
enum State : std::uint8_t { kSea = 0, kLand = 1, kCoast = 2 };

struct Edge {
  double x1, y1, x2, y2;
};

class LandIndex {
 public:
  LandIndex() {
    const auto& rings = LandRings();
    for (const auto& ring : rings) {
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const LonLat p = ring[i], q = ring[(i + 1) % ring.size()];
        const Edge e{p.lon, p.lat, q.lon, q.lat};
        const int lo = Row(std::min(p.lat, q.lat)), hi = Row(std::max(p.lat, q.lat));
        for (int r = lo; r <= hi; ++r) bands_[r].push_back(e);
        // Every cell the edge's bounds touch holds it (a turn of longitude
        // either way brings it into the cell's own frame).
        const double west = std::min(p.lon, q.lon), east = std::max(p.lon, q.lon);
        for (int r = lo; r <= hi; ++r) {
          for (double x = std::floor(west); x <= east; x += 1.0) {
            const double turn = Normalized(x + 0.5) - (x + 0.5);
            const int c = Column(x + 0.5 + turn);
            coast_[Cell(r, c)].push_back({e.x1 + turn, e.y1, e.x2 + turn, e.y2});
          }
        }
      }
    }
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        const bool inside = Inside(c - 179.5, r - 89.5);  // the cell's centre
        centre_[Cell(r, c)] = inside;
        state_[Cell(r, c)] = !coast_[Cell(r, c)].empty() ? kCoast : inside ? kLand : kSea;
      }
    }
    // Open sea: how many cells of sea lie all round a cell (its distance,
    // in cells, to the nearest cell with land or coast), by relaxation.
    for (int cell = 0; cell < kRows * kColumns; ++cell) open_[cell] = state_[cell] == kSea ? kMostOpen : 0;
    for (bool changed = true; changed;) {
      changed = false;
      for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
          int best = open_[Cell(r, c)];
          for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) {
              const int rr = r + dr;
              if (rr < 0 || rr >= kRows) continue;
              best = std::min(best, open_[Cell(rr, (c + dc + kColumns) % kColumns)] + 1);
            }
          }
          if (best < open_[Cell(r, c)]) open_[Cell(r, c)] = static_cast<std::uint8_t>(best), changed = true;
        }
      }
    }
  }

  static int Row(double lat) { return std::clamp(static_cast<int>(std::floor(lat + 90.0)), 0, kRows - 1); }
  static int Column(double lon) {
    return std::clamp(static_cast<int>(std::floor(lon + 180.0)), 0, kColumns - 1);
  }
  static int Cell(int row, int column) { return row * kColumns + column; }

  // Even-odd: the edges of the latitude's band that a ray from the point
  // towards the east crosses; the rings may reach beyond +-180, so the point
  // is tried a turn either way too. Used to build the index.
  bool Inside(double lon, double lat) const {
    bool inside[3] = {false, false, false};
    for (const Edge& e : bands_[Row(lat)]) {
      if ((e.y1 > lat) != (e.y2 > lat)) {
        const double x = e.x1 + (lat - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1);
        for (int k = 0; k < 3; ++k) {
          if (x > lon + 360.0 * (k - 1)) inside[k] = !inside[k];
        }
      }
    }
    return inside[0] || inside[1] || inside[2];
  }

  // In a coast cell: the centre's answer, turned by every edge of the cell
  // that the segment from the centre to the point crosses.
  bool IsLand(double lat, double lon) const {
    const int r = Row(lat), c = Column(lon), cell = Cell(r, c);
    if (state_[cell] != kCoast) return state_[cell] == kLand;
    const double cx = c - 179.5, cy = r - 89.5;
    const auto side = [](double ax, double ay, double bx, double by, double px, double py) {
      return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    bool inside = centre_[cell];
    for (const Edge& e : coast_[cell]) {
      const double d1 = side(e.x1, e.y1, e.x2, e.y2, cx, cy), d2 = side(e.x1, e.y1, e.x2, e.y2, lon, lat);
      const double d3 = side(cx, cy, lon, lat, e.x1, e.y1), d4 = side(cx, cy, lon, lat, e.x2, e.y2);
      // A crossing; an end of the edge on the segment counts on one side only.
      if ((d1 > 0) != (d2 > 0) && (d3 > 0) != (d4 > 0)) inside = !inside;
    }
    return inside;
  }
  // How far (metres) a track may go from here without meeting a cell that
  // is not open sea: the sea cells all round, less the one it stands in,
  // each at least a degree of longitude at the highest latitude it may reach.
  double OpenDistance(double lat, double lon) const {
    const int cells = open_[Cell(Row(lat), Column(lon))] - 1;
    if (cells <= 0) return 0;
    const double reach = std::min(89.0, std::fabs(lat) + cells);
    return cells * 60.0 * kNauticalMile * std::cos(reach * kDegree);
  }

 private:
  std::vector<Edge> bands_[kRows];
  std::vector<Edge> coast_[kRows * kColumns];
  std::uint8_t state_[kRows * kColumns] = {};
  bool centre_[kRows * kColumns] = {};
  static constexpr std::uint8_t kMostOpen = 40;
  std::uint8_t open_[kRows * kColumns] = {};
};

const LandIndex& Index() {
  static const LandIndex index;
  return index;
}

// A track as pieces, each a position at a fraction of its length.
class Track {
 public:
  struct Piece {
    enum Kind { kPlane, kRhumb, kParallel, kGeodesic } kind;
    double length;  // metres
    // kPlane: the unit directions of the start and of travel, and the angle.
    Vec3 a, b;
    double angle;
    // kRhumb, kParallel: latitudes and longitudes (radians) of the ends.
    double phi1, lambda1, phi2, lambda2, q1, q2;
    bool meridian;
  };

  // The great ellipse leaving (phi1, lambda1) with geocentric azimuth
  // alphaGc for (phi2, lambda2), `length` metres: the section the waypoint
  // tables step along (EllipticStepper), so that a route from a pole or
  // between antipodes is checked on the meridian its table follows.
  void Plane(double phi1, double lambda1, double alphaGc, double phi2, double lambda2,
             double length) {
    const Vec3 normal = EllipticStepper(phi1, lambda1, alphaGc).normal();
    const double p1 = TrueLatitude(phi1), p2 = TrueLatitude(phi2);
    const Vec3 a{std::cos(p1) * std::cos(lambda1), std::cos(p1) * std::sin(lambda1), std::sin(p1)};
    const Vec3 u2{std::cos(p2) * std::cos(lambda2), std::cos(p2) * std::sin(lambda2), std::sin(p2)};
    // On the unit sphere of geodetic positions the plane is a great circle
    // with pole m: travel turns about it.
    Vec3 m{normal.x, normal.y, kOneMinusESq * normal.z};
    m = (1.0 / Length(m)) * m;
    double angle = std::atan2(Dot(m, Cross(a, u2)), Dot(a, u2));
    if (angle < 0) angle += kTwoPi;
    Piece p{};
    p.kind = Piece::kPlane;
    p.length = length;
    p.a = a;
    p.b = Cross(m, a);
    p.angle = angle;
    pieces_.push_back(p);
    length_ += p.length;
  }

  // The geodesic of the route (GeographicLib), sampled at its own distances.
  void Geodesic(const RouteGeometry& g) {
    geodesic_ = sailings::Geodesic().InverseLine(ToDegrees(TrueLatitude(g.lat1)), ToDegrees(g.lon1),
                                                 ToDegrees(TrueLatitude(g.lat2)),
                                                 ToDegrees(TrackLongitude2(g)));
    Piece p{};
    p.kind = Piece::kGeodesic;
    p.length = geodesic_->Distance();
    pieces_.push_back(p);
    length_ += p.length;
  }

  void Rhumb(const RouteGeometry& g) {
    Piece p{};
    p.kind = Piece::kRhumb;
    p.length = g.loxoDistance;
    p.phi1 = TrueLatitude(g.lat1), p.phi2 = TrueLatitude(g.lat2);
    p.lambda1 = g.lon1;
    p.lambda2 = g.lon1 + WrapLongitudeDifference(g.lon2 - g.lon1);
    p.meridian = IsNorthPole(p.phi1) || IsSouthPole(p.phi1) || IsNorthPole(p.phi2) ||
                 IsSouthPole(p.phi2);
    if (p.meridian) {  // from or to a pole: down the other end's meridian
      p.lambda1 = p.lambda2 = IsNorthPole(p.phi1) || IsSouthPole(p.phi1) ? TrackLongitude2(g) : g.lon1;
    } else {
      p.q1 = IsometricLatitude(p.phi1);
      p.q2 = IsometricLatitude(p.phi2);
    }
    pieces_.push_back(p);
    length_ += p.length;
  }

  void Parallel(double phi, double lambda1, double dlambda, double length) {
    Piece p{};
    p.kind = Piece::kParallel;
    p.length = length;
    p.phi1 = p.phi2 = phi;
    p.lambda1 = lambda1;
    p.lambda2 = lambda1 + dlambda;
    pieces_.push_back(p);
    length_ += length;
  }

  double length() const { return length_; }

  // The position (degrees) s metres along the track, as near as sampling needs.
  LonLat At(double s) const {
    for (const Piece& p : pieces_) {
      if (s <= p.length || &p == &pieces_.back()) {
        const double t = p.length > 0 ? std::clamp(s / p.length, 0.0, 1.0) : 0.0;
        if (p.kind == Piece::kGeodesic) {
          double lat, lon;
          geodesic_->Position(t * p.length, lat, lon);
          return {lon, lat};
        }
        return At(p, t);
      }
      s -= p.length;
    }
    return {0, 0};
  }

 private:
  static LonLat At(const Piece& p, double t) {
    switch (p.kind) {
      case Piece::kPlane: {
        const double th = t * p.angle;
        const Vec3 d = std::cos(th) * p.a + std::sin(th) * p.b;
        return {ToDegrees(std::atan2(d.y, d.x)), ToDegrees(std::atan2(d.z, std::hypot(d.x, d.y)))};
      }
      case Piece::kGeodesic:
        break;  // sampled by its line
      case Piece::kParallel:
        return {Normalized(ToDegrees(p.lambda1 + t * (p.lambda2 - p.lambda1))), ToDegrees(p.phi1)};
      case Piece::kRhumb: {
        const double dphi = p.phi2 - p.phi1;
        if (p.meridian || std::fabs(dphi) < 1e-9) {
          return {Normalized(ToDegrees(p.lambda1 + t * (p.lambda2 - p.lambda1))),
                  ToDegrees(p.phi1 + t * dphi)};
        }
        const double phi = p.phi1 + t * dphi;
        const double f = (IsometricLatitude(phi) - p.q1) / (p.q2 - p.q1);
        return {Normalized(ToDegrees(p.lambda1 + f * (p.lambda2 - p.lambda1))), ToDegrees(phi)};
      }
    }
    return {0, 0};
  }

  std::vector<Piece> pieces_;
  std::optional<GeographicLib::GeodesicLine> geodesic_;
  double length_ = 0;
};

std::optional<LandPoint> FirstLand(const Track& track) {
  const LandIndex& index = Index();
  const double skip = 20 * kNauticalMile, step = 10 * kNauticalMile;
  const double end = track.length() - skip;
  double previous = skip;
  for (double s = skip; s <= end;) {
    const LonLat p = track.At(s);
    if (index.IsLand(p.lat, p.lon)) {
      // Between the last sample at sea and this one, to a tenth of a mile.
      double lo = std::min(previous, s), hi = s;
      while (hi - lo > 0.1 * kNauticalMile) {
        const double mid = 0.5 * (lo + hi);
        const LonLat q = track.At(mid);
        (index.IsLand(q.lat, q.lon) ? hi : lo) = mid;
      }
      const LonLat q = track.At(hi);
      return LandPoint{q.lat, q.lon};
    }
    previous = s;
    if (s == end) break;
    // In open sea no land lies within the cells all round: stride across them.
    const double stride = std::max(step, index.OpenDistance(p.lat, p.lon));
    s = std::min(s + stride, end);
  }
  return std::nullopt;
}

}  // namespace

const std::vector<std::vector<LonLat>>& LandRings() {
  static const std::vector<std::vector<LonLat>> rings = [] {
    std::vector<std::vector<LonLat>> out;
    for (std::size_t i = 0; kLandData[i] != 0;) {
      const int n = kLandData[i++];
      std::vector<LonLat> ring;
      for (int k = 0; k < n; ++k, i += 2) {
        LonLat p{kLandX0 + kLandData[i] * kLandDX, kLandY0 + kLandData[i + 1] * kLandDY};
        // The data's rings may cross the 180th meridian: keep each one
        // continuous (it may then reach beyond +-180).
        if (!ring.empty()) p.lon += 360.0 * std::round((ring.back().lon - p.lon) / 360.0);
        ring.push_back(p);
      }
      // A ring that goes all the way round (Antarctica) is closed over its pole.
      const double turn = ring.back().lon - ring.front().lon;
      if (std::fabs(turn) > 180.0) {
        const double pole = ring.front().lat < 0 ? -90.0 : 90.0;
        ring.push_back({ring.back().lon, pole});
        ring.push_back({ring.front().lon, pole});
      }
      // Each ring in the turn of longitude that holds its middle, so that a
      // lake (the Caspian) lies in the same turn as the land around it.
      double west = 1e9, east = -1e9;
      for (const LonLat& p : ring) west = std::min(west, p.lon), east = std::max(east, p.lon);
      const double shift = 360.0 * std::round(0.5 * (west + east) / 360.0);
      for (LonLat& p : ring) p.lon -= shift;
      out.push_back(std::move(ring));
    }
    return out;
  }();
  return rings;
}

bool IsLand(double lat, double lon) {
  if (!std::isfinite(lat) || !std::isfinite(lon)) return false;
  return Index().IsLand(lat, Normalized(lon));
}

namespace {

Track MakeTrack(const RouteGeometry& g, CheckedTrack which, const CompositeSailing* c) {
  Track track;
  if (which == CheckedTrack::kComposite && !(c && c->composite)) which = CheckedTrack::kGreatEllipse;
  switch (which) {
    case CheckedTrack::kGreatEllipse:
      track.Plane(g.lat1, g.lon1, g.fwdAzimuthGc, g.lat2, g.lon2, std::fabs(g.distance));
      break;
    case CheckedTrack::kRhumbLine:
      track.Rhumb(g);
      break;
    case CheckedTrack::kGeodesic:
      track.Geodesic(g);
      break;
    case CheckedTrack::kComposite: {
      const double L = AdjustedLatitude(c->t1Phi);
      if (c->ge1 > 0) track.Plane(g.lat1, g.lon1, c->ge1AzimuthGc, L, c->t1Lambda, c->ge1);
      const double east = c->parallelCourse == kHalfPi ? 1.0 : -1.0;
      if (c->parallel > 0) {
        track.Parallel(c->t1Phi, c->t1Lambda,
                       east * c->parallel / (PrimeVerticalRadius(c->t1Phi) * std::cos(c->t1Phi)),
                       c->parallel);
      }
      if (c->ge2 > 0) {
        track.Plane(AdjustedLatitude(c->t2Phi), c->t2Lambda, c->ge2AzimuthGc, g.lat2, g.lon2, c->ge2);
      }
      break;
    }
  }
  return track;
}

}  // namespace

std::vector<LandPoint> CheckedTrackPositions(const RouteGeometry& g, CheckedTrack which,
                                                const CompositeSailing* composite, int count) {
  const Track track = MakeTrack(g, which, composite);
  std::vector<LandPoint> positions;
  for (int k = 0; k < count; ++k) {
    const LonLat p = track.At(track.length() * k / std::max(1, count - 1));
    positions.push_back({p.lat, p.lon});
  }
  return positions;
}

std::optional<LandPoint> GreatEllipseCrossesLand(const RouteGeometry& g) {
  return FirstLand(MakeTrack(g, CheckedTrack::kGreatEllipse, nullptr));
}

std::optional<LandPoint> RhumbLineCrossesLand(const RouteGeometry& g) {
  return FirstLand(MakeTrack(g, CheckedTrack::kRhumbLine, nullptr));
}

std::optional<LandPoint> GeodesicCrossesLand(const RouteGeometry& g) {
  return FirstLand(MakeTrack(g, CheckedTrack::kGeodesic, nullptr));
}

std::optional<LandPoint> CompositeCrossesLand(const RouteGeometry& g, const CompositeSailing& c) {
  return FirstLand(MakeTrack(g, CheckedTrack::kComposite, &c));
}

}  // namespace sailings
