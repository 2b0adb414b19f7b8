#include "elliptic/route.h"

#include <cmath>
#include <iostream>

#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"
#include "elliptic/waypoints.h"

namespace sailings {

RouteGeometry ComputeRoute(double latitude1, double longitude1, double latitude2,
                           double longitude2) {
  RouteGeometry g;
  g.lat1 = latitude1 * kDegree;
  g.lat2 = latitude2 * kDegree;
  g.lon1 = longitude1 * kDegree;
  g.lon2 = longitude2 * kDegree;
  g.dlon = g.lon2 - g.lon1;
  // The pole and equator conventions; psi is taken between the two, so a
  // position on the equator keeps psi = 0.
  if (g.lat1 == kHalfPi) g.lat1 = kPoleLatitude;
  if (g.lat2 == kHalfPi) g.lat2 = kPoleLatitude;
  g.psi1 = GeocentricLatitude(g.lat1);
  g.psi2 = GeocentricLatitude(g.lat2);
  g.lat1 = AdjustedLatitude(g.lat1);
  g.lat2 = AdjustedLatitude(g.lat2);

  const GreatEllipticSailing sailing = SolveGreatElliptic(g.lat1, g.lon1, g.lat2, g.lon2);
  g.distance = sailing.distance;
  g.fwdAzimuthGc = sailing.fwdAzimuthGc;
  g.fwdAzimuth = sailing.fwdAzimuth;
  g.invAzimuth = sailing.invAzimuth;
  const Vec3 n = sailing.normal;
  g.meridian = sailing.meridian || n.z == 0.0;
  if (g.meridian) {
    g.vertexBeta = kHalfPi;
  } else {
    // n . (X, Y, Z) = 0  <=>  Z = -(n_x / n_z) X - (n_y / n_z) Y.
    g.planeA = -n.x / n.z;
    g.planeB = -n.y / n.z;
    g.vertexBeta = std::atan(std::sqrt((g.planeA * g.planeA + g.planeB * g.planeB) / kOneMinusESq));
  }
  LoxoLeg(g.lat1, g.lon1, g.lat2, g.lon2, g.loxoCourse, g.loxoDistance);
  return g;
}

void PrintRouteReport(std::ostream& out, const RouteGeometry& route) {
  out.setf(std::ios::fixed, std::ios::floatfield);
  out.setf(std::ios::right, std::ios::adjustfield);
  out.precision(6);
  out.width(12);  // absorbed by the first text, which is wider
  out << "GREAT ELLIPTIC ARC DISTANCE (in nautical miles):"
      << ToNauticalMiles(std::fabs(route.distance)) << std::endl;
  out << "\nForward Great Elliptic Arc Azimuth (degrees): " << ToDegrees(route.fwdAzimuth)
      << std::endl;
  out << "Inverse Great Eliptic Arc Azimuth (degrees): " << ToDegrees(route.invAzimuth)
      << std::endl;
  out << std::endl << "LOXODROME COURSE:" << ToDegrees(route.loxoCourse) << std::endl;
  out << "\nLOXODROME DISTANCE (in nautical miles):" << ToNauticalMiles(route.loxoDistance)
      << std::endl
      << std::endl;
}

int Elliptic(const vector3d& departure, const vector3d& destination, Console& console) {
  const RouteGeometry route = ComputeRoute(departure.latitude(), departure.longitude(),
                                           destination.latitude(), destination.longitude());
  PrintRouteReport(console.out, route);
  return WaypointDialogue(route, departure.get_name() + " to " + destination.get_name(), console);
}

int Elliptic(vector3d* list, int departure, int destination) {
  static ConsoleReader reader(std::cin);
  Console console{reader, std::cout, std::cerr, ".", true};
  return Elliptic(list[departure], list[destination], console);
}

}  // namespace sailings
