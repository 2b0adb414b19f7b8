#include "land/land.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "elliptic/comparison.h"
#include "elliptic/ellipsoid.h"
#include "elliptic/great_ellipse.h"
#include "elliptic/track_line.h"
#include "land/coast.h"

namespace sailings {

namespace {

#include "land/land_110m.inc"

double Normalized(double lon) {
  lon = std::remainder(lon, 360.0);
  return lon >= 180.0 ? lon - 360.0 : lon;
}

// A track's position (degrees) s metres along it: its line's.
LonLat At(const TrackLine& line, double s) {
  const TrackPoint p = line.At(std::clamp(s, 0.0, line.length()));
  return {Normalized(ToDegrees(p.lambda)), ToDegrees(TrueLatitude(p.phi))};
}

// Whether the track's stretch from s0 to s1 (metres along it) meets the
// coast: the great elliptic arc between its ends comes within a metre of a
// coastline edge. Over at most 10 NM the track runs within metres of that
// arc (a rhumb line's sag is some 7 m times the tangent of its latitude), so
// the test answers for the track itself at the data's scale.
bool Touches(const Coast& coast, const TrackLine& track, double s0, double s1) {
  const LonLat p = At(track, s0), q = At(track, s1);
  const Vec3 a = EllipsoidPoint(p.lat * kDegree, p.lon * kDegree),
             b = EllipsoidPoint(q.lat * kDegree, q.lon * kDegree);
  constexpr double kTouch = 1.0;  // metres
  return coast.ArcDistance(a, b, kTouch, kTouch) < kTouch;
}

// The first point of the track on land, 20 NM from either end left out. If
// the first point looked at is at sea, the track can reach land only by
// meeting the coast: every stretch of 10 NM is tested whole, and the first
// that meets it is halved down to a tenth of a mile; its far end is the
// crossing.
std::optional<LandPoint> FirstLand(const TrackLine& track) {
  const Coast* coast = Coast::Get();
  if (!coast) return std::nullopt;  // a build without the data (the page)
  const double skip = 20 * kNauticalMile, step = 10 * kNauticalMile;
  const double end = track.length() - skip;
  if (!(end >= skip)) return std::nullopt;
  const LonLat first = At(track, skip);
  if (coast->IsLand(first.lat, first.lon)) return LandPoint{first.lat, first.lon};
  for (double s = skip; s < end;) {
    const double next = std::min(s + step, end);
    if (Touches(*coast, track, s, next)) {
      double lo = s, hi = next;
      while (hi - lo > 0.1 * kNauticalMile) {
        const double mid = 0.5 * (lo + hi);
        (Touches(*coast, track, lo, mid) ? hi : lo) = mid;
      }
      const LonLat q = At(track, hi);
      return LandPoint{q.lat, q.lon};
    }
    s = next;
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
