// The route report: the great elliptic and the loxodromic sailing between a
// departure and a destination, and the record of the route's geometry that
// the waypoint tables read.
#pragma once

#include <filesystem>
#include <iosfwd>

#include "elliptic/ellipsoid.h"
#include "input/console_reader.h"
#include "vector/vector3d.h"

namespace sailings {

// Quantities of one route (radians and metres). Latitudes carry the pole and
// equator conventions of the ellipsoid model.
struct RouteGeometry {
  double lat1 = 0, lon1 = 0;  // departure
  double lat2 = 0, lon2 = 0;  // destination
  double dlon = 0;            // lon2 - lon1, not wrapped
  double psi1 = 0, psi2 = 0;  // geocentric latitudes (before the equator convention)
  // The route plane Z = planeA X + planeB Y through the centre and both
  // positions; both 0 on a meridian section, which has no such form.
  double planeA = 0, planeB = 0;
  double vertexBeta = 0;    // reduced latitude of the plane's northern vertex
  double distance = 0;      // great elliptic distance, signed, metres
  double fwdAzimuthGc = 0;  // forward azimuth on the geocentric sphere
  double fwdAzimuth = 0;    // forward geodetic azimuth at the departure
  double invAzimuth = 0;    // geodetic azimuth at the destination back to the departure
  double loxoCourse = 0;    // rhumb line course
  double loxoDistance = 0;  // rhumb line distance, metres
  bool meridian = false;    // the great ellipse is a meridian section
};

// The route between two positions given in degrees (as vector3d reads them).
RouteGeometry ComputeRoute(double latitude1, double longitude1, double latitude2,
                           double longitude2);

// Sets the console's number format (fixed, right, 6 decimals, kept for the
// rest of the run) and prints the five items of the route report.
void PrintRouteReport(std::ostream& out, const RouteGeometry& route);

// The console of one run of the dialogue.
struct Console {
  ConsoleReader& reader;
  std::ostream& out;
  std::ostream& err;                // problems that are not part of the dialogue
  std::filesystem::path directory;  // where "waypoints.dat" is written
  bool flushRows = true;            // flush the console after every table row
};

// Status of Elliptic() and of the waypoint dialogue.
inline constexpr int kStatusCannotWrite = -1;
inline constexpr int kStatusLegTooShort = -2;

// One route: the report, then the waypoint dialogue; returns its status
// (0, kStatusCannotWrite or kStatusLegTooShort). When the input ends during
// the dialogue it returns 0 and console.reader.ended() is true.
int Elliptic(const vector3d& departure, const vector3d& destination, Console& console);
// The same on the standard console and the working directory.
int Elliptic(vector3d* list, int departure, int destination);

}  // namespace sailings
