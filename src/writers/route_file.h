// What the route files (GPX, RTZ) share: positions written as plain decimal
// degrees and waypoint names.
#pragma once

namespace sailings {

// Decimal degrees with 8 decimals, never an exponent; a value that rounds to
// zero has no sign. `out` has room for 400 characters; returns the end.
char* Degrees8(char* out, double degrees);
// The same for a longitude, in [-180, 180): 180 is written -180.
char* Longitude8(char* out, double degrees);
// "WP000", "WP001", ... ("WP1000" past 999).
char* WaypointName(char* out, long number);

}  // namespace sailings
