// The table rows of the public interface (degrees and nautical miles) from
// the computation's rows (radians and metres), for the library and the
// machine-readable writers alike.
#pragma once

#include <memory>

#include "elliptic/comparison.h"
#include "elliptic/route.h"
#include "elliptic/track_line.h"
#include "elliptic/waypoints.h"
#include "sailings/classic.hpp"
#include "sailings/compare.hpp"
#include "sailings/passage.hpp"
#include "sailings/table.hpp"
#include "sailings/waypoints.hpp"

namespace sailings {

// An azimuth or course of the computation (radians, in [0, 2pi], due north
// sometimes 2pi, or a hair below 0) as the interface gives it: degrees in
// [0, 360), never -0.
double AzimuthDegrees(double radians);

// The true position (a carried pole or equator latitude is notation only);
// leg and total absent on row 0.
TableRow ToTableRow(const WaypointRow& row);
// The same row as a passage's table gives it, and its cells in the console
// dialogue's notation (classic.hpp): the latitude as carried, the azimuth in
// [0, 360].
Waypoint ToWaypoint(const WaypointRow& row);
ClassicCells ToClassicCells(const WaypointRow& row);

// The computation's rows handed on to a sink of the interface.
class WaypointRows : public RowSink {
 public:
  explicit WaypointRows(WaypointSink& sink) : sink_(sink) {}
  void Row(const WaypointRow& row) override { sink_.Row(ToWaypoint(row)); }

 private:
  WaypointSink& sink_;
};

// The figures of the public interface from the computation's records.
void RouteFigures(const RouteGeometry& route, Route& figures);
void ComparisonFigures(const RouteGeometry& route, const SailingComparison& comparison,
                       Comparison& figures);

// The computation's line of `track` of a passage (the composite track is the
// great ellipse when the passage keeps within its limit or has none).
std::shared_ptr<const TrackLine> MakeTrackLine(const Passage& passage, Track track);

// The computation's placement and line for a request.
Placement ToPlacement(WaypointPlacement placement);
Along ToAlong(Sailing sailing);

}  // namespace sailings
