// sailings: waypoint tables along the great ellipse, the rhumb line or the
// geodesic, in one call.
//
// The way in to tables is waypoints.hpp: a Passage solved once
// (passage.hpp), PlanWaypoints, then ForEachWaypoint to any number of sinks
// (the writers of writers.hpp), with limits, times and every field.
// ForEachTableRow and MakeTable here are a shortcut over it for a table of
// two positions and no more, kept for scripts and the examples; new code
// that writes files or keeps a limit uses waypoints.hpp. (Migrating: a
// TableRow's fields are a Waypoint's of the same names.)
//
// Sailing names how a table or a leg is sailed; Track (passage.hpp) names a
// line of a solved passage, which with a limit may be its composite track.
// TrackOf(plan) gives the track a plan's rows follow.
//
// Units as in route.hpp: degrees and nautical miles.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "sailings/status.hpp"

namespace sailings {

// The most intermediate waypoints a table may hold (placements `longitudes`
// and `points`); `leg` holds at most one per nautical mile of the route.
inline constexpr long long kMaxWaypoints = 100000;

enum class WaypointPlacement {
  longitudes,  // `count` intermediate waypoints at equal steps of longitude (great ellipse)
  points,      // `count` intermediate waypoints at equal distances along the line
  leg,         // a waypoint every `leg_nm` along the line; the last leg is the remainder
};
enum class Sailing {
  great_ellipse,
  rhumb_line,
  geodesic,  // the shortest path on the ellipsoid (GeographicLib's GeodesicLine)
};

struct TableRequest {
  WaypointPlacement placement = WaypointPlacement::leg;
  Sailing along = Sailing::great_ellipse;  // ignored for `longitudes`
  long long count = 0;                     // longitudes: 0 to 100000; points: 1 to 100000
  double leg_nm = 0;                       // leg: at least 1 NM
};

// One row: row 0 is the departure, the last row the destination.
struct TableRow {
  long wp = 0;                     // 0, 1, 2, ...
  double lat = 0;                  // degrees, [-90, 90]
  double lon = 0;                  // degrees, [-180, 180]
  std::optional<double> azimuth;   // degrees, [0, 360): the azimuth or course there; none
                                   // on the destination row (and on row 0 of `longitudes`)
  std::optional<double> leg_nm;    // from the previous row, NM; none on row 0
  std::optional<double> total_nm;  // from the departure, NM; none on row 0
};

// Makes the table of `request` for the route from (lat1, lon1) to
// (lat2, lon2) (degrees, as for SolveRoute) and hands each row to `row` in
// order; memory does not grow with the table. Status as for SolveRoute, and:
// count_out_of_range, leg_too_short, meridian_has_no_longitudes (a route along
// a meridian, or from or to a pole, has no intermediate longitudes). Nothing
// is handed on a refusal.
Status ForEachTableRow(double lat1, double lon1, double lat2, double lon2,
                       const TableRequest& request,
                       const std::function<void(const TableRow&)>& row);

// The same, collected: `rows` is replaced by the table (left empty on a refusal).
Status MakeTable(double lat1, double lon1, double lat2, double lon2, const TableRequest& request,
                 std::vector<TableRow>& rows);

}  // namespace sailings
