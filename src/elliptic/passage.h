// Passage planning on the great ellipse: the vertex of a route, and the
// composite sailing that keeps within a limiting latitude.
//
// A plane through the centre, n . P = 0, written in geodetic latitude phi and
// longitude lambda (P = N (cos phi cos lambda, cos phi sin lambda,
// (1 - e_sq) sin phi)), is
//   n_x cos phi cos lambda + n_y cos phi sin lambda + n_z (1 - e_sq) sin phi = 0:
// a great circle of the unit sphere of geodetic positions, with pole
// m = (n_x, n_y, (1 - e_sq) n_z). The vertex and the tangent points of a
// parallel follow from spherical formulas on that circle, exactly; lengths
// and azimuths still come from the ellipsoid.
//
// References: composite sailing as The American Practical Navigator
// (Bowditch, NGA Pub. 9), the chapter on the sailings, has it on the sphere; the vertex
// of a great circle, ibid.; here both on the great ellipse.
#pragma once

#include "elliptic/route.h"
#include "elliptic/waypoints.h"
#include "sailings/passage.hpp"
#include "sailings/status.hpp"

namespace sailings {

struct RouteVertex {
  enum Kind {
    kPoint,    // an ordinary vertex at (phi, lambda)
    kPole,     // a meridian route: the vertex is the pole of that side (phi = +-pi/2)
    kEquator,  // a route along the equator: phi = 0, no longitude, never on the route
  } kind = kPoint;
  double phi = 0, lambda = 0;  // radians; lambda in (-pi, pi]
  bool onRoute = false;        // between the departure and the destination
};

// The point of the route's great ellipse farthest from the equator, on the
// side (north or south) where the route itself goes farthest from it (north
// when both are equal).
RouteVertex FindVertex(const RouteGeometry& route);

// The composite track within latitude +-limit (radians, 0 < limit < pi/2).
struct CompositeSailing {
  bool composite = false;                 // false: the route keeps within the limit as it is
  double t1Phi = 0, t1Lambda = 0;         // where the first great ellipse touches the parallel
  double t2Phi = 0, t2Lambda = 0;         // where the last one leaves it
  double ge1 = 0, parallel = 0, ge2 = 0;  // lengths, metres
  double ge1Course = 0, parallelCourse = 0, ge2Course = 0;  // initial courses, radians
  double finalCourse = 0;  // the course arriving at the destination, radians
  double total = 0;        // metres (the great ellipse's when not composite)
  // The great ellipse leaving the departure and the one leaving T2, as
  // geocentric azimuths, for placing waypoints along them.
  double ge1AzimuthGc = 0, ge2AzimuthGc = 0;
};

// Status: ok, or position_beyond_limit when the departure or the destination
// lies beyond the limit. A departure (destination) on the limit gives a
// first (last) great-elliptic part of length 0. A meridian route over a pole
// turns east (longitude increasing from T1 to T2).
Status SolveComposite(const RouteGeometry& route, double limit, CompositeSailing& composite);

// The records of a public Passage (sailings/passage.hpp), for the library's
// own tables, lines and writers.
struct PassageRecords {
  static const RouteGeometry& Route(const Passage& passage) { return *passage.geometry_; }
  // Null without a limit.
  static const CompositeSailing* Composite(const Passage& passage) {
    return passage.sailing_.get();
  }
};

// Waypoints along the whole composite track, at k * step metres from the
// departure along it (n of them), with T1 and T2 always rows of their own.
void CompositeTable(const RouteGeometry& route, const CompositeSailing& composite, long n,
                    double step, RowSink& sink);

}  // namespace sailings
