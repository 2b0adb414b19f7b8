// sailings: the waypoints of a passage: planned once, then streamed row by
// row to any number of sinks (the text table, records, route files, the
// chart), so that memory does not grow with the table.
//
// Units as in route.hpp: degrees and nautical miles; positions are true
// (the poles at +-90, the equator at 0), azimuths and courses in [0, 360).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sailings/passage.hpp"
#include "sailings/schedule.hpp"
#include "sailings/status.hpp"
#include "sailings/table.hpp"

namespace sailings {

// One row of a passage's table: row 0 is the departure, the last row the
// destination.
struct Waypoint {
  long wp = 0;                    // 0, 1, 2, ...
  double lat = 0;                 // degrees, [-90, 90]
  double lon = 0;                 // degrees, [-180, 180]
  std::optional<double> azimuth;  // degrees, [0, 360): what the table shows there: for
                                  // `longitudes` the azimuth of the leg arriving (none on
                                  // row 0), else the azimuth or course leaving; none on the
                                  // destination row
  std::optional<double> course;   // degrees, [0, 360): the course to steer leaving this
                                  // row along the table's track; none on the destination row
  double leg_nm = 0;              // from the previous row, NM, >= 0 (0 on row 0)
  double total_nm = 0;            // from the departure, NM, >= 0 (0 on row 0)
  bool loxodrome = false;         // the leg arriving keeps its course (a rhumb line or a
                                  // parallel); otherwise a great ellipse or a geodesic
  // A voyage's rows (voyage.hpp): the name of a voyage's own waypoint (empty
  // on the others and in a passage's table), the hours from the departure
  // (every leg so far with a speed) and the speed of the leg arriving, knots.
  std::string name;
  std::optional<double> hours;
  std::optional<double> speed_kn;
  // A voyage's rows: the leg the row ends (from 1; 0 on the first row), and
  // on a voyage's own waypoint its index in the voyage's points (from 0;
  // -1 on the rows placed between them and in a passage's table).
  long leg = 0;
  long point = -1;
};

// The hours from the departure to `row`: its own (a voyage's), else at the
// schedule's steady speed.
inline double RowHours(const Waypoint& row, const Schedule& schedule) {
  return row.hours ? *row.hours : schedule.Hours(row.total_nm);
}

// Where the rows go.
class WaypointSink {
 public:
  virtual ~WaypointSink() = default;
  virtual void Row(const Waypoint& row) = 0;
};

// Hands every row to several sinks, in the order they were added.
class WaypointFanOut : public WaypointSink {
 public:
  void Add(WaypointSink& sink) { sinks_.push_back(&sink); }
  void Row(const Waypoint& row) override {
    for (WaypointSink* sink : sinks_) sink->Row(row);
  }

 private:
  std::vector<WaypointSink*> sinks_;
};

// What a table of a passage holds.
struct WaypointPlan {
  WaypointPlacement placement = WaypointPlacement::leg;
  Sailing along = Sailing::great_ellipse;  // the great ellipse for `longitudes`
  bool composite = false;  // along the passage's composite track (T1 and T2 rows of their own)
  long n = 0;              // intermediate waypoints
  double step_nm = 0;      // between waypoints along the track, NM (`points`, `leg`)
  double step_m = 0;       // the same in metres, as the waypoints are placed (k * step_m)
  double length_nm = 0;    // the track's length, NM
};

struct PlanOptions {
  // A waypoint closer than a metre (or half a step) to the next fixed point
  // (T1, T2, the destination) is that point: a leg of 5957.744756 NM on a
  // route of 5957.7447565 NM gives one leg, not a second of half a
  // millimetre. The classic tables keep such a row.
  bool keep_near_end = false;
};

// The track a plan's rows follow (the composite track of a composite plan),
// and how they are placed in words: the track's name, or "great ellipse at
// intermediate longitudes" (what GPX files and charts say of a table).
Track TrackOf(const WaypointPlan& plan);
const char* PlacementName(const WaypointPlan& plan);

// Plans the table of `request` on `passage`. A passage with a limit is
// tabled along its composite track (the great ellipse where that keeps
// within the limit) at equal distances or legs: a request along another
// sailing or at intermediate longitudes is refused with
// composite_table_only. Other statuses: count_out_of_range (longitudes 0 to
// kMaxWaypoints, points 1 to kMaxWaypoints), leg_too_short (below 1 NM),
// meridian_has_no_longitudes (a route along a meridian, or from or to a
// pole), same_position for a passage never solved. `plan` is set on ok.
Status PlanWaypoints(const Passage& passage, const TableRequest& request, WaypointPlan& plan,
                     const PlanOptions& options = {});

// The rows of `plan` (made by PlanWaypoints for this passage), in order.
// Rows are worked out in blocks on two cores and handed on in order.
void ForEachWaypoint(const Passage& passage, const WaypointPlan& plan, WaypointSink& sink);

}  // namespace sailings
