// An independent measure of the land for the sea passages' tests: every
// leg sampled along the exact plane section (reference.h) and measured to
// the coastline's edges in GeographicLib's local tangent plane at each
// sample, finely where it comes near. The coastline is the data's own
// rings; the measure shares no code with the planner.
#pragma once

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <GeographicLib/LocalCartesian.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "land/coast.h"
#include "reference.h"

namespace measured {

// The coastline's edges in buckets of 0.05 degrees, each edge in pieces of
// at most 0.5 NM (straight in longitude and latitude, as the data draws it).
class MeasuredLand {
 public:
  MeasuredLand() {
    const sailings::Coast* coast = sailings::Coast::Get();
    for (const auto& ring : coast->rings()) {
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const auto p = ring[i], q = ring[(i + 1) % ring.size()];
        if (std::fabs(p.lat) > 89.99 || std::fabs(q.lat) > 89.99) continue;  // closed over a pole
        const double nm =
            std::hypot((q.lon - p.lon) * std::cos(p.lat * ref::kDeg), q.lat - p.lat) * 60;
        const int pieces = std::max(1, static_cast<int>(std::ceil(nm / 0.5)));
        for (int k = 0; k < pieces; ++k) {
          const double t0 = double(k) / pieces, t1 = double(k + 1) / pieces;
          Piece e{p.lon + t0 * (q.lon - p.lon), p.lat + t0 * (q.lat - p.lat),
                  p.lon + t1 * (q.lon - p.lon), p.lat + t1 * (q.lat - p.lat)};
          e.x1 = std::remainder(e.x1, 360.0);
          e.x2 = e.x1 + std::remainder(e.x2 - e.x1, 360.0);
          buckets_[Bucket(e.y1, e.x1)].push_back(e);
        }
      }
    }
  }
  // NM from (lat, lon) to the nearest land within `reach` NM (else reach);
  // whether it is on land is not asked (the passages stay at sea).
  double Distance(double lat, double lon, double reach) const {
    double best = reach * ref::kNm;
    ForEachPiece(lat, lon, reach, [&](double ax, double ay, double bx, double by) {
      const double vx = bx - ax, vy = by - ay, vv = vx * vx + vy * vy;
      const double t = vv > 0 ? std::clamp(-(ax * vx + ay * vy) / vv, 0.0, 1.0) : 0.0;
      best = std::min(best, std::hypot(ax + t * vx, ay + t * vy));
    });
    return best / ref::kNm;
  }
  // Whether the way at (lat, lon) is narrow for `clearance` NM: land lies
  // nearer than the clearance on one side and within twice it on the other
  // (beyond the line through the point square to the nearest land).
  bool Narrow(double lat, double lon, double clearance) const {
    const double reach = 2 * clearance * ref::kNm;
    double best = reach, nx = 0, ny = 0;
    std::vector<std::pair<double, double>> ends;
    ForEachPiece(lat, lon, 2 * clearance, [&](double ax, double ay, double bx, double by) {
      const double vx = bx - ax, vy = by - ay, vv = vx * vx + vy * vy;
      const double t = vv > 0 ? std::clamp(-(ax * vx + ay * vy) / vv, 0.0, 1.0) : 0.0;
      const double d = std::hypot(ax + t * vx, ay + t * vy);
      if (d < best) best = d, nx = ax + t * vx, ny = ay + t * vy;
      ends.push_back({ax, ay}), ends.push_back({bx, by});
    });
    if (!(best < clearance * ref::kNm)) return false;
    for (const auto& [x, y] : ends)
      if (std::hypot(x, y) <= reach && x * nx + y * ny < 0) return true;
    return false;
  }
  // NM from the great elliptic leg to land: every 0.5 NM, and every 0.005
  // NM within 0.5 NM of a sample that comes within `near` NM.
  double LegDistance(double lat1, double lon1, double lat2, double lon2, double near) const {
    double angle;
    const ref::Section s = ref::SectionThrough(ref::Unit(ref::Ecef(lat1, lon1)),
                                               ref::Unit(ref::Ecef(lat2, lon2)), angle);
    const int n = std::max(2, static_cast<int>(std::ceil(angle * ref::kA / (0.5 * ref::kNm))));
    double least = near + 1;
    const auto at = [&](double t) {
      double lat, lon;
      ref::Geodetic(s.Point(std::clamp(t, 0.0, angle)), lat, lon);
      return Distance(lat, lon, near + 1);
    };
    for (int k = 0; k <= n; ++k) {
      const double t = angle * k / n, d = at(t);
      least = std::min(least, d);
      if (d < near + 0.5) {
        const double dt = angle / n / 100;
        for (int j = -100; j <= 100; ++j) least = std::min(least, at(t + j * dt));
      }
    }
    return least;
  }
  // The same along the geodesic (GeographicLib's).
  double GeodesicDistance(double lat1, double lon1, double lat2, double lon2, double near) const {
    const GeographicLib::GeodesicLine line =
        GeographicLib::Geodesic::WGS84().InverseLine(lat1, lon1, lat2, lon2);
    const int n = std::max(2, static_cast<int>(std::ceil(line.Distance() / (0.5 * ref::kNm))));
    double least = near + 1;
    const auto at = [&](double s) {
      double lat, lon;
      line.Position(std::clamp(s, 0.0, line.Distance()), lat, lon);
      return Distance(lat, lon, near + 1);
    };
    for (int k = 0; k <= n; ++k) {
      const double s = line.Distance() * k / n, d = at(s);
      least = std::min(least, d);
      if (d < near + 0.5) {
        const double ds = line.Distance() / n / 100;
        for (int j = -100; j <= 100; ++j) least = std::min(least, at(s + j * ds));
      }
    }
    return least;
  }

 private:
  struct Piece {
    double x1, y1, x2, y2;
  };
  static long Bucket(double lat, double lon) {
    const long r = static_cast<long>(std::floor((lat + 90) / 0.05));
    long c = static_cast<long>(std::floor((std::remainder(lon, 360.0) + 180) / 0.05));
    return r * 7200 + (c % 7200 + 7200) % 7200;
  }
  // Each piece within about `reach` NM of (lat, lon), its ends in the local
  // tangent plane there (metres).
  template <class Visit>
  void ForEachPiece(double lat, double lon, double reach, Visit&& visit) const {
    const GeographicLib::LocalCartesian plane(lat, lon, 0);
    const double dlat = reach / 60 + 0.06, dlon = dlat / std::max(0.05, std::cos(lat * ref::kDeg));
    for (double y = lat - dlat; y <= lat + dlat + 0.05; y += 0.05) {
      for (double x = lon - dlon; x <= lon + dlon + 0.05; x += 0.05) {
        const auto it = buckets_.find(Bucket(y, x));
        if (it == buckets_.end()) continue;
        for (const Piece& e : it->second) {
          double ax, ay, az, bx, by, bz;
          const double turn = 360 * std::round((lon - e.x1) / 360);
          plane.Forward(e.y1, e.x1 + turn, 0, ax, ay, az);
          plane.Forward(e.y2, e.x2 + turn, 0, bx, by, bz);
          visit(ax, ay, bx, by);
        }
      }
    }
  }
  std::map<long, std::vector<Piece>> buckets_;
};

inline const MeasuredLand& Land() {
  static const MeasuredLand land;
  return land;
}

// The great elliptic leg's length, metres, by numerical integration.
inline double ArcMetres(double lat1, double lon1, double lat2, double lon2) {
  double angle;
  const ref::Section s = ref::SectionThrough(ref::Unit(ref::Ecef(lat1, lon1)),
                                             ref::Unit(ref::Ecef(lat2, lon2)), angle);
  return s.Arc(angle);
}

}  // namespace measured
