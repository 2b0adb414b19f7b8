// The route: the great elliptic and the loxodromic sailing between a
// departure and a destination, and the record of the route's geometry that
// the waypoint tables read.
#pragma once

#include "elliptic/ellipsoid.h"
#include "sailings/status.hpp"

namespace sailings {

// Quantities of one route (radians and metres). Latitudes carry the pole and
// equator conventions of the ellipsoid model.
struct RouteGeometry {
  double lat1 = 0, lon1 = 0;  // departure
  double lat2 = 0, lon2 = 0;  // destination
  double dlon = 0;            // lon2 - lon1, not wrapped
  // The route plane Z = planeA X + planeB Y through the centre and both
  // positions; both 0 on a meridian section, which has no such form.
  double planeA = 0, planeB = 0;
  double distance = 0;      // great elliptic distance, signed, metres
  double fwdAzimuthGc = 0;  // forward azimuth on the geocentric sphere
  double fwdAzimuth = 0;    // forward geodetic azimuth at the departure
  double invAzimuth = 0;    // geodetic azimuth at the destination back to the departure
  double loxoCourse = 0;    // rhumb line course
  double loxoDistance = 0;  // rhumb line distance, metres
  bool meridian = false;    // the great ellipse is a meridian section
};

// The destination's longitude (radians) as every track of the route takes
// it. A route from or to a pole runs along the meridian of the other end; a
// route from one pole to the other has two such ends, and runs down the
// departure's meridian (as its great ellipse leaves the pole at 180 or 0
// degrees): every sailing, table, chart and land check of it alike.
double TrackLongitude2(const RouteGeometry& route);

// Which sailings of a route are solved: both, or one alone (the other's
// fields of RouteGeometry left 0).
enum class RouteParts { both, great_ellipse, rhumb_line };

// The route between two positions given in degrees, as stored (vector/position.h).
RouteGeometry ComputeRoute(double latitude1, double longitude1, double latitude2, double longitude2,
                           RouteParts parts = RouteParts::both);

// The route between two positions in degrees as every face takes them:
// refused when a value is not finite (not_a_number), a latitude lies beyond
// 90 degrees, or the positions coincide (same_position, as the dialogue
// tests it); otherwise both are stored as the position record stores them
// (longitudes folded) and the route computed from what it reads back, so
// that the same route gives the same figures in every face.
Status SolveRouteGeometry(double latitude1, double longitude1, double latitude2, double longitude2,
                          RouteGeometry& route, RouteParts parts = RouteParts::both);

}  // namespace sailings
