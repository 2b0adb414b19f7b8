// The rhumb line (loxodrome): the curve of constant course. On the Mercator
// chart it is straight, so its course follows from the longitude difference
// and the difference of isometric latitudes q, and its length from the
// meridian arc M covered:  tan alpha = dlambda / dq,  d = |dM / cos alpha|.
//
// References:
//  * C. F. F. Karney, The area of rhumb polygons, Stud. Geophys. Geod. 68,
//    (2024), and GeographicLib's Rhumb class (the tests' reference).
//  * The isometric latitude and the meridian arc: J. P. Snyder, Map
//    Projections: A Working Manual, USGS Professional Paper 1395 (1987),
//    eqs. 3-7 and 3-21.
#pragma once

#include "elliptic/ellipsoid.h"

namespace sailings {

// Course alpha (radians, [0, 2pi)) and distance d (metres, >= 0) of the rhumb
// line from position 1 to position 2, the shorter way in longitude.
//  * Latitudes closer than 1e-8 rad are one parallel: the course is exactly
//    90 or 270 degrees and d is measured on the parallel of position 1.
//  * From or to a pole the rhumb line is the meridian: course 180 degrees
//    leaving the north pole or heading for the south pole, 0 the other way,
//    and d the meridian arc.
//  * Equal positions give course 90 degrees and d = 0.
void LoxoLeg(double phi1, double lambda1, double phi2, double lambda2, double& alpha, double& d);

// Meridian arc of the ellipsoid from the equator to phi (metres), and its
// inverse; both use the series with powers of e and the factor a (1 - e_sq).
double EllipsoidMeridianArc(double phi);
double LatitudeAtMeridianArc(double m);

// The point reached from (phi1, lambda1) after s metres (s >= 0) on course
// alpha (the direct problem). A course of exactly 0 or pi keeps the
// longitude; a course of exactly pi/2 or 3pi/2 keeps the latitude. The
// longitude is wrapped into [-pi, pi]. A start at a pole departs along the
// meridian `poleMeridian` (a pole has every longitude).
struct RhumbPoint {
  double phi, lambda;
};
RhumbPoint RhumbDirect(double phi1, double lambda1, double alpha, double s, double poleMeridian);

}  // namespace sailings
