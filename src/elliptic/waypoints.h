// Intermediate waypoints: the three ways of placing them along a route, and
// the plan (count and step) that a request for a table makes.
#pragma once

#include <optional>

#include "elliptic/route.h"
#include "sailings/status.hpp"
#include "sailings/table.hpp"

namespace sailings {

// kMaxWaypoints (sailings/table.hpp): the most intermediate waypoints a
// table may hold (modes 1 and 2); mode 3 holds at most one per nautical mile
// of the route, about 10,820.

// One row of a waypoint table (radians and metres). Latitudes carry the pole
// and equator conventions of the route record (TrueLatitude() undoes them).
// Row 0 is the departure: leg and total are 0 and not shown.
struct WaypointRow {
  long number = 0;
  double latitude = 0, longitude = 0;  // longitude in [-pi, pi] but for the end rows
  std::optional<double> azimuth;       // radians, [0, 2pi], or none: as the dialogue's
                                       // table shows it (for intermediate longitudes the
                                       // leg arriving here, else the course leaving)
  std::optional<double> leaving;       // radians, [0, 2pi]: the course to steer leaving
                                       // this row along the table's line; none at the end
  double leg = 0, total = 0;           // metres, >= 0
  bool loxodrome = false;              // the leg arriving here keeps its course (a rhumb
                                       // line or a parallel); otherwise a great ellipse or
                                       // geodesic (an orthodrome)
};

// Where the rows of a table go: the text table, a route file, a test.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void Row(const WaypointRow& row) = 0;
};

enum class Placement {
  kIntermediateLongitudes = 1,  // mode 1: n equal steps of longitude
  kEqualDistances = 2,          // mode 2: n waypoints at equal distances
  kLegDistance = 3,             // mode 3: waypoints every leg
};
enum class Along { kGreatEllipse = 1, kRhumbLine = 2, kGeodesic = 3 };

// What a table holds: n intermediate waypoints, `step` metres apart along
// the method's own line (modes 2 and 3).
struct TablePlan {
  Placement placement = Placement::kLegDistance;
  Along along = Along::kGreatEllipse;
  long n = 0;
  double step = 0;
};

// The plan for a route: mode 1 takes 0 to kMaxWaypoints waypoints and a
// route that is not a meridian section (always along the great ellipse);
// mode 2 takes 1 to kMaxWaypoints; mode 3 a leg of at least 1 NM (`legNm`).
// Each method measures the route along its own line.
// A `length` of 0 or more (metres) stands for the route's own (a composite
// track's, say).
//
// A waypoint closer than a metre (or half a step) to the destination is the
// destination: a leg of 5957.744756 NM on a route of 5957.7447565 NM gives
// one leg, not a second of half a millimetre. The dialogue's tables keep
// such a row (`keepNearEnd`), as they always have.
Status PlanTable(const RouteGeometry& route, Placement placement, Along along, long long count,
                 double legNm, TablePlan& plan, double length = -1.0, bool keepNearEnd = false);

// How close (metres) a waypoint may come to the next fixed point (a tangent
// point of the composite track, the destination) before it is that point.
double NearFixedPoint(double step);

// The geodesic's length from the departure to the destination, metres.
double GeodesicLength(const RouteGeometry& route);

// The whole table (departure row, n waypoint rows, destination row) of a plan.
void MakeWaypointTable(const RouteGeometry& route, const TablePlan& plan, RowSink& sink);

// The generators. Each writes the whole table through `sink`.
//
// Mode 1: the great ellipse at n equal steps of longitude (the route must not
// be a meridian section: it has no intermediate longitudes).
void IntermediateLongitudeTable(const RouteGeometry& route, long n, RowSink& sink);
// Modes 2 and 3 on the great ellipse: waypoint k lies k * step metres along
// the great ellipse from the departure.
void GreatEllipseTable(const RouteGeometry& route, long n, double step, RowSink& sink);
// Modes 2 and 3 on the rhumb line: waypoint k lies k * step metres along the
// rhumb line from the departure.
void RhumbLineTable(const RouteGeometry& route, long n, double step, RowSink& sink);
// Modes 2 and 3 on the geodesic (GeographicLib's GeodesicLine): waypoint k
// lies k * step metres along the geodesic from the departure; the azimuth is
// the geodesic's there.
void GeodesicTable(const RouteGeometry& route, long n, double step, RowSink& sink);

}  // namespace sailings
