// sailings: the two sailings of a route on the WGS-84 ellipsoid
// (a = 6378137 m, e^2 = 0.00669438).
//
// Units at this interface: degrees for latitudes, longitudes, azimuths and
// courses (azimuths and courses clockwise from true north), nautical miles of
// exactly 1852 m for distances.
#pragma once

#include "sailings/status.hpp"

namespace sailings {

// The five figures of a route.
struct Route {
  double ge_distance_nm = 0;     // great elliptic arc, the shorter one, NM, >= 0
  double ge_azimuth_fwd = 0;     // great elliptic azimuth leaving the departure, [0, 360)
  double ge_azimuth_inv = 0;     // azimuth at the destination back to the departure, [0, 360)
  double ge_course_final = 0;    // great elliptic course arriving at the destination, [0, 360)
  double rhumb_course = 0;       // constant course of the rhumb line, [0, 360)
  double rhumb_distance_nm = 0;  // rhumb line length, the shorter way in longitude, NM, >= 0
  bool along_meridian = false;   // the great ellipse is a meridian section
};

// Solves the route from (lat1, lon1) to (lat2, lon2), degrees, latitudes in
// [-90, 90], longitudes any finite value (folded into [-180, 180]).
// Status: ok; not_a_number for a non-finite value; latitude_beyond_90;
// same_position when the two coincide within 1e-8 degrees (every longitude
// at a pole is the same position). On a refusal `route` is untouched.
//
// Antipodes have every meridian section through both; the route is the one
// over the pole on the departure's side (north for a departure on the
// equator). Routes from or to a pole run along the meridian.
Status SolveRoute(double lat1, double lon1, double lat2, double lon2, Route& route);

// SolveRoute's great elliptic figures alone (the ge_ fields and
// along_meridian; the rhumb line's left 0), or its rhumb line's alone (the
// rhumb_ fields; the rest left 0): the same figures, the same refusals, in
// about half the time, for arrays of many pairs (the Python module).
Status SolveGreatEllipse(double lat1, double lon1, double lat2, double lon2, Route& route);
Status SolveRhumbLine(double lat1, double lon1, double lat2, double lon2, Route& route);

}  // namespace sailings
