#include "land/land.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "elliptic/comparison.h"
#include "elliptic/great_ellipse.h"
#include "elliptic/track_line.h"

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
    for (int cell = 0; cell < kRows * kColumns; ++cell)
      open_[cell] = state_[cell] == kSea ? kMostOpen : 0;
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
          if (best < open_[Cell(r, c)])
            open_[Cell(r, c)] = static_cast<std::uint8_t>(best), changed = true;
        }
      }
    }
  }

  static int Row(double lat) {
    return std::clamp(static_cast<int>(std::floor(lat + 90.0)), 0, kRows - 1);
  }
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
      const double d1 = side(e.x1, e.y1, e.x2, e.y2, cx, cy),
                   d2 = side(e.x1, e.y1, e.x2, e.y2, lon, lat);
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

// A track's position (degrees) s metres along it: its line's.
LonLat At(const TrackLine& line, double s) {
  const TrackPoint p = line.At(std::clamp(s, 0.0, line.length()));
  return {Normalized(ToDegrees(p.lambda)), ToDegrees(TrueLatitude(p.phi))};
}

std::optional<LandPoint> FirstLand(const TrackLine& track) {
  const LandIndex& index = Index();
  const double skip = 20 * kNauticalMile, step = 10 * kNauticalMile;
  const double end = track.length() - skip;
  double previous = skip;
  for (double s = skip; s <= end;) {
    const LonLat p = At(track, s);
    if (index.IsLand(p.lat, p.lon)) {
      // Between the last sample at sea and this one, to a tenth of a mile.
      double lo = std::min(previous, s), hi = s;
      while (hi - lo > 0.1 * kNauticalMile) {
        const double mid = 0.5 * (lo + hi);
        const LonLat q = At(track, mid);
        (index.IsLand(q.lat, q.lon) ? hi : lo) = mid;
      }
      const LonLat q = At(track, hi);
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

double OpenSeaDistance(double lat, double lon) {
  if (!std::isfinite(lat) || !std::isfinite(lon)) return 0;
  return Index().OpenDistance(lat, Normalized(lon));
}

namespace {

TrackLine MakeTrack(const RouteGeometry& g, CheckedTrack which, const CompositeSailing* c) {
  switch (which) {
    case CheckedTrack::kRhumbLine: return TrackLine(g, TrackLine::kRhumbLine);
    case CheckedTrack::kGeodesic: return TrackLine(g, TrackLine::kGeodesic);
    case CheckedTrack::kComposite:
      if (c && c->composite) return TrackLine(g, TrackLine::kComposite, c);
      break;
    case CheckedTrack::kGreatEllipse: break;
  }
  return TrackLine(g, TrackLine::kGreatEllipse);
}

}  // namespace

std::vector<LandPoint> CheckedTrackPositions(const RouteGeometry& g, CheckedTrack which,
                                             const CompositeSailing* composite, int count) {
  const TrackLine track = MakeTrack(g, which, composite);
  std::vector<LandPoint> positions;
  for (int k = 0; k < count; ++k) {
    const LonLat p = At(track, track.length() * k / std::max(1, count - 1));
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
