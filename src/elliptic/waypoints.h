// Intermediate waypoints: the dialogue that follows the route report and the
// three ways of placing waypoints.
#pragma once

#include <ostream>
#include <string>

#include "elliptic/route.h"
#include "elliptic/waypoint_table.h"

namespace sailings {

inline constexpr const char* kWaypointFile = "waypoints.dat";
// The most intermediate waypoints a table may hold (modes 1 and 2); mode 3
// holds at most one per nautical mile of the route, about 10,820.
inline constexpr long long kMaxWaypoints = 100000;

// The waypoint menu, the file, the questions and one table; returns 0,
// kStatusCannotWrite or kStatusLegTooShort. Every table also goes to
// "waypoints.gpx" as the route `routeName`; a route that ends without a
// table leaves no "waypoints.gpx" behind.
int WaypointDialogue(const RouteGeometry& route, const std::string& routeName, Console& console);

// The generators. Each writes the whole table (header, departure row, `n`
// waypoint rows and the destination row) through `table`.
//
// Mode 1: the great ellipse at n equal steps of longitude (the route must not
// be a meridian section: it has no intermediate longitudes).
void IntermediateLongitudeTable(const RouteGeometry& route, long n, WaypointTable& table);
// Modes 2 and 3 on the great ellipse: waypoint k lies k * step metres along
// the great ellipse from the departure.
void GreatEllipseTable(const RouteGeometry& route, long n, double step, WaypointTable& table);
// Modes 2 and 3 on the rhumb line: waypoint k lies k * step metres along the
// rhumb line from the departure.
void RhumbLineTable(const RouteGeometry& route, long n, double step, WaypointTable& table);

}  // namespace sailings
