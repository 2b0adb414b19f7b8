// sailings: every sailing of a route side by side. Besides the great
// ellipse and the rhumb line: the geodesic (the shortest path on the same
// ellipsoid, computed with GeographicLib) and the great circle of a sphere
// of radius 6371008.8 m (the mean Earth radius, what most chart plotters
// draw), and what the choice costs.
//
// Units as in route.hpp: degrees and nautical miles, except where a field
// says metres or kilometres.
#pragma once

#include "sailings/route.hpp"

namespace sailings {

struct Comparison {
  double geodesic_nm = 0;             // the geodesic's length, NM
  double geodesic_azimuth_fwd = 0;    // leaving the departure, [0, 360)
  double geodesic_azimuth_final = 0;  // the direction of travel arriving, [0, 360)
  double sphere_nm = 0;               // the sphere's great circle (haversine), NM
  double sphere_course = 0;           // its initial course, [0, 360)
  double sphere_course_final = 0;     // its course arriving, [0, 360)
  double ge_minus_geodesic_m = 0;     // great ellipse - geodesic, metres (>= 0 up to rounding)
  double sphere_minus_geodesic_nm = 0;
  double rhumb_minus_geodesic_nm = 0;
  double rhumb_minus_geodesic_pct = 0;   // of the geodesic's length
  double ge_geodesic_separation_km = 0;  // the greatest distance of the great-elliptic track
                                         // from the geodesic track, km (to 1 % or 10 m)
};

// The route (as SolveRoute) and its comparison; the same statuses.
Status CompareRoute(double lat1, double lon1, double lat2, double lon2, Route& route,
                    Comparison& comparison);

}  // namespace sailings
