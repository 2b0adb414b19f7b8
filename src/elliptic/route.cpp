#include "elliptic/route.h"

#include <cmath>

#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"
#include "vector/position.h"

namespace sailings {

RouteGeometry ComputeRoute(double latitude1, double longitude1, double latitude2, double longitude2,
                           RouteParts parts) {
  RouteGeometry g;
  g.lat1 = latitude1 * kDegree;
  g.lat2 = latitude2 * kDegree;
  g.lon1 = longitude1 * kDegree;
  g.lon2 = longitude2 * kDegree;
  g.dlon = g.lon2 - g.lon1;
  // The pole and equator conventions.
  g.lat1 = AdjustedLatitude(g.lat1);
  g.lat2 = AdjustedLatitude(g.lat2);

  if (parts != RouteParts::great_ellipse)
    LoxoLeg(g.lat1, g.lon1, g.lat2, g.lon2, g.loxoCourse, g.loxoDistance);
  if (parts == RouteParts::rhumb_line) return g;
  const GreatEllipticSailing sailing = SolveGreatElliptic(g.lat1, g.lon1, g.lat2, g.lon2);
  g.distance = sailing.distance;
  g.fwdAzimuthGc = sailing.fwdAzimuthGc;
  g.fwdAzimuth = sailing.fwdAzimuth;
  g.invAzimuth = sailing.invAzimuth;
  const Vec3 n = sailing.normal;
  // A route from or to a pole runs along the other end's meridian, whatever
  // longitude the pole was given.
  const double phi1 = TrueLatitude(g.lat1), phi2 = TrueLatitude(g.lat2);
  g.meridian = sailing.meridian || n.z == 0.0 || IsNorthPole(phi1) || IsSouthPole(phi1) ||
               IsNorthPole(phi2) || IsSouthPole(phi2);
  if (!g.meridian) {
    // n . (X, Y, Z) = 0  <=>  Z = -(n_x / n_z) X - (n_y / n_z) Y.
    g.planeA = -n.x / n.z;
    g.planeB = -n.y / n.z;
  }
  return g;
}

double TrackLongitude2(const RouteGeometry& g) {
  const double phi1 = TrueLatitude(g.lat1), phi2 = TrueLatitude(g.lat2);
  const bool poles =
      (IsNorthPole(phi1) || IsSouthPole(phi1)) && (IsNorthPole(phi2) || IsSouthPole(phi2));
  return poles ? g.lon1 : g.lon2;
}

Status SolveRouteGeometry(double latitude1, double longitude1, double latitude2, double longitude2,
                          RouteGeometry& route, RouteParts parts) {
  if (!std::isfinite(latitude1) || !std::isfinite(longitude1) || !std::isfinite(latitude2) ||
      !std::isfinite(longitude2)) {
    return Status::not_a_number;
  }
  if (!(std::fabs(latitude1) <= 90.0) || !(std::fabs(latitude2) <= 90.0)) {
    return Status::latitude_beyond_90;
  }
  const Vec3 departure = Direction(latitude1, longitude1);
  const Vec3 destination = Direction(latitude2, longitude2);
  const double lat1 = LatitudeOf(departure), lon1 = LongitudeOf(departure);
  const double lat2 = LatitudeOf(destination), lon2 = LongitudeOf(destination);
  if (SamePosition(lat1, lon1, lat2, lon2)) return Status::same_position;
  route = ComputeRoute(lat1, lon1, lat2, lon2, parts);
  return Status::ok;
}

}  // namespace sailings
