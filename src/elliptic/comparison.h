// The other two sailings a navigator weighs against the great ellipse and
// the rhumb line: the geodesic (the shortest path on the ellipsoid, from
// GeographicLib) and the great circle of a sphere of the mean Earth radius
// (what most chart plotters draw), with what each costs, and how far the
// great-elliptic track strays from the geodesic one.
#pragma once

#include <GeographicLib/Geodesic.hpp>

#include "elliptic/route.h"

namespace sailings {

// The geodesic problems on the program's ellipsoid (a, kFlattening).
const GeographicLib::Geodesic& Geodesic();

struct SailingComparison {
  double geodesicDistance = 0;   // metres
  double geodesicAzimuth1 = 0;   // radians, [0, 2pi): leaving the departure
  double geodesicAzimuth2 = 0;   // radians, [0, 2pi): the direction of travel on arrival
  double sphereDistance = 0;     // metres, on the sphere of kMeanEarthRadius
  double sphereCourse = 0;       // radians, [0, 2pi): initial great-circle course
  double sphereCourseFinal = 0;  // radians, [0, 2pi): its course arriving
  double separation = 0;         // metres: the greatest distance of a point of the great
                                 // ellipse from the geodesic track
};

// The comparison for a route (its latitudes may carry the pole and equator
// conventions). The separation is found by sampling both tracks and
// refining the greatest gap, to well within 1 % or 10 m.
SailingComparison CompareSailings(const RouteGeometry& route);

// The great circle on a sphere of radius `radius` between two positions
// (radians): the haversine distance (metres) and the initial course.
void SphereGreatCircle(double phi1, double lambda1, double phi2, double lambda2, double radius,
                       double& distance, double& course);

}  // namespace sailings
