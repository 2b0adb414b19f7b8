// Sea passages sailed as geodesics (sea_planner.h).
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include "sea/planner.h"

namespace sailings {

namespace {

// What the geodesic from p to q keeps from land, up to `reach` metres.
double GeodesicKeeps(const Coast& coast, SeaTurn p, SeaTurn q, double reach) {
  const GeographicLib::GeodesicLine line =
      GeographicLib::Geodesic::WGS84().InverseLine(p.lat, p.lon, q.lat, q.lon);
  const int pieces =
      std::max(1, static_cast<int>(std::ceil(line.Distance() / (10 * kNauticalMile))));
  double least = reach;
  Vec3 from = sea::At(p.lat, p.lon);
  for (int k = 1; k <= pieces && least > 0; ++k) {
    double lat = q.lat, lon = q.lon;
    if (k < pieces) line.Position(line.Distance() * k / pieces, lat, lon);
    const Vec3 to = sea::At(lat, lon);
    least = std::min(least, coast.ArcDistance(from, to, least, 0));
    from = to;
  }
  return least;
}

}  // namespace

void SailGeodesics(const Coast& coast, SeaPlan& plan) {
  constexpr double kTolerance = 0.01 * kNauticalMile;
  constexpr int kMostHalvings = 12;  // a leg of 10,000 NM halved to 2.5 NM
  SeaPlan out;
  out.approach_from = plan.approach_from, out.approach_to = plan.approach_to;
  out.points.push_back(plan.points.front());
  for (std::size_t k = 0; k < plan.legs.size(); ++k) {
    const auto keep = [&](SeaLegKind kind, double clearance, int gate, SeaTurn to) {
      out.legs.push_back(kind), out.clearance.push_back(clearance), out.gate.push_back(gate);
      out.points.push_back(to);
    };
    if (plan.legs[k] != SeaLegKind::open) {
      keep(plan.legs[k], plan.clearance[k], plan.gate[k], plan.points[k + 1]);
      continue;
    }
    // Depth first, so that the pieces come out in order.
    struct Piece {
      SeaTurn to;
      double clearance;  // the great ellipse's
      int depth;
    };
    std::vector<Piece> stack{{plan.points[k + 1], plan.clearance[k], 0}};
    while (!stack.empty()) {
      const Piece piece = stack.back();
      const SeaTurn from = out.points.back();
      const double geodesic = GeodesicKeeps(coast, from, piece.to, piece.clearance);
      if (geodesic >= piece.clearance - kTolerance || piece.depth >= kMostHalvings) {
        keep(SeaLegKind::open, geodesic, -1, piece.to);
        stack.pop_back();
        continue;
      }
      // The great ellipse's middle: the ellipsoid's point in the direction
      // halfway between the ends' (in their plane through the centre).
      const Vec3 a = sea::At(from.lat, from.lon), b = sea::At(piece.to.lat, piece.to.lon);
      const Vec3 middle = sea::OnSurface((1 / Length(a)) * a + (1 / Length(b)) * b);
      SeaTurn m;
      LatLonOf(middle, m.lat, m.lon);
      const double first = coast.ArcDistance(a, middle, piece.clearance, 0);
      stack.back().clearance = coast.ArcDistance(middle, b, piece.clearance, 0);
      stack.back().depth = piece.depth + 1;
      stack.push_back({m, first, piece.depth + 1});
    }
  }
  plan = std::move(out);
}

}  // namespace sailings
