// sailings: voyages of many legs. A passage plan is a chain of waypoints,
// each leg sailed along its own track (the great ellipse across an ocean,
// rhumb lines along a coast), each at its own speed; the voyage solves every
// leg once and keeps the running distance and time.
//
// Units as in route.hpp: degrees and nautical miles; positions are true
// (the poles at +-90, the equator at 0), courses in [0, 360). Waypoints are
// numbered from 1 in every message, legs from 1 (leg k arrives at waypoint
// k + 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sailings/passage.hpp"
#include "sailings/places.hpp"
#include "sailings/status.hpp"
#include "sailings/table.hpp"
#include "sailings/waypoints.hpp"

namespace sailings {

// What a route file says of the leg that arrives at a waypoint.
enum class LegType {
  unknown,     // nothing (GPX, CSV without a sailing): the voyage's own sailing
  orthodrome,  // RTZ Orthodrome: the shortest way, read as the great ellipse or the geodesic
  loxodrome,   // RTZ Loxodrome: the rhumb line
};

// One waypoint of a voyage, and the leg that arrives at it.
struct VoyagePoint {
  std::string name;    // may be empty
  std::string id;      // the file's own id, may be empty
  bool added = false;  // a turning point a sea passage added (sea.hpp), not the user's
  double lat = 0;      // degrees, [-90, 90]
  double lon = 0;      // degrees, any finite value
  // Of the leg arriving here (a first waypoint has none):
  bool has_leg = false;  // the file gives a leg here
  LegType type = LegType::unknown;
  std::optional<Sailing> sailing;      // a sailing named outright (CSV); beats `type`
  std::optional<double> speed_kn;      // the planned speed, > 0
  std::optional<double> speed_max_kn;  // the most the leg may be sailed at (RTZ speedMax), > 0
  std::optional<double> port_xtd_nm, starboard_xtd_nm;  // the cross-track limits, >= 0
  // At this waypoint:
  std::optional<double> radius_nm;  // the turn radius, >= 0
};

// The most waypoints a voyage holds: 10,000 legs, far beyond any passage
// plan (an ECDIS route has a few hundred), and outputs of bounded size (a
// map file of 10,000 ocean legs is some 30 MB).
inline constexpr std::size_t kMaxVoyageWaypoints = 10001;

struct VoyageOptions {
  Sailing sailing = Sailing::great_ellipse;     // legs of unknown type
  Sailing orthodrome = Sailing::great_ellipse;  // Orthodrome legs (great_ellipse or geodesic)
  // Degrees, (0, 90), held on every leg: a great ellipse, or a geodesic that
  // would go beyond it, sails the composite track (the leg's sailing is then
  // great_ellipse, composite); a leg with an end beyond it is refused.
  std::optional<double> limit;
  std::optional<double> speed_kn;      // legs without their own speed, knots, > 0
  std::optional<double> every_leg_kn;  // every leg, whatever its own speed ("what if we make
                                       // 12 knots"), knots, > 0
  std::optional<std::int64_t> depart;  // seconds since 1970-01-01T00:00Z; needs every speed
};

struct VoyageLeg {
  long number = 0;      // 1, 2, ...
  Place from, to;       // as stored, with the waypoints' names (may be empty)
  bool at_sea = false;  // a leg of a sea passage (an end is a turning point it added)
  Sailing sailing = Sailing::great_ellipse;
  bool composite = false;   // along the composite track within the limit
  Passage passage;          // the leg solved (with the limit for great ellipses)
  double distance_nm = 0;   // along its track, NM, > 0
  double course = 0;        // leaving `from` ([0, 360); a rhumb line's constant course)
  double course_final = 0;  // arriving at `to`
  // The leg's speed: every leg's (VoyageOptions::every_leg_kn), else its own
  // planned speed, else the voyage's. A leg without any of them is sailed at
  // its speedMax (`speed_from_max`). A speed above speedMax is the plan
  // still: the faces warn of it.
  std::optional<double> speed_kn;
  std::optional<double> speed_max_kn;  // the leg's speedMax, the most it may be sailed at
  bool speed_from_max = false;
  bool above_speed_max() const { return speed_kn && speed_max_kn && *speed_kn > *speed_max_kn; }
  std::optional<double> hours;      // of this leg
  std::optional<double> end_hours;  // from the voyage's departure to `to` (every leg before
                                    // this one has a speed)
  double start_nm = 0;              // from the voyage's departure to `from`
  double total_nm = 0;              // from the voyage's departure to `to`
  Track track() const;              // the track sailed
};

class Voyage {
 public:
  // Solves every leg of `points` (at least two). On a refusal `waypoint`
  // names the waypoint (from 1) it concerns and `voyage` is untouched:
  // too_few_waypoints; too_many_waypoints (more than kMaxVoyageWaypoints);
  // not_a_number or latitude_beyond_90 (a position);
  // same_position (a waypoint repeating the one before it); speed_out_of_range;
  // limit_out_of_range; position_beyond_limit (a leg with an end beyond the
  // limit); no_speed (a departure time, and a leg without a
  // speed); ends_after_9999.
  static Status Plan(const std::vector<VoyagePoint>& points, const VoyageOptions& options,
                     Voyage& voyage, long& waypoint);

  const std::vector<VoyageLeg>& legs() const { return legs_; }
  double total_nm() const { return legs_.empty() ? 0.0 : legs_.back().total_nm; }
  // The whole voyage's hours, when every leg has a speed.
  std::optional<double> total_hours() const {
    return legs_.empty() ? std::nullopt : legs_.back().end_hours;
  }
  std::optional<std::int64_t> depart() const { return depart_; }

 private:
  std::vector<VoyageLeg> legs_;
  std::optional<std::int64_t> depart_;
};

// The voyage's waypoint table: `request` (points or leg; its `along` is
// ignored: each leg along its own track) on every leg, the voyage's own
// waypoints always rows. Statuses as PlanWaypoints, naming the leg in `leg`;
// count_out_of_range also when the whole table would hold more than
// kMaxWaypoints intermediate waypoints.
Status PlanVoyageWaypoints(const Voyage& voyage, const TableRequest& request,
                           std::vector<WaypointPlan>& plans, long& leg);
// No intermediate waypoints: the voyage's own waypoints only.
std::vector<WaypointPlan> VoyageWaypointsOnly(const Voyage& voyage);
// The rows in order, numbered through the voyage; a voyage's waypoint row
// carries its name, the course of the leg leaving it, and with speeds its
// hours from the departure.
void ForEachVoyageWaypoint(const Voyage& voyage, const std::vector<WaypointPlan>& plans,
                           WaypointSink& sink);

// The cross-track limit: the least number of equal parts (equal distance
// along the leg) such that the rhumb line an autopilot steers between
// consecutive points never strays more than `limit_nm` from the leg's track.
// The cross-track limits a leg may be split for, NM: from 0.001 NM (under
// two metres) to 100 NM. Every face checks a limit with this, and says
// Describe(Status::xtd_out_of_range) of one outside it.
inline constexpr double kMinCrossTrackNm = 0.001, kMaxCrossTrackNm = 100;
inline bool CrossTrackLimitInRange(double nm) {
  return nm >= kMinCrossTrackNm && nm <= kMaxCrossTrackNm;
}

// On a composite leg the table has rows at the tangent points T1 and T2
// too: `parts` counts the legs written, and the separation is theirs.
struct CrossTrackSplit {
  long parts = 1;            // the legs the leg is written as; 1 for a rhumb line
  long equal_parts = 1;      // the equal parts to ask of the table (`parts` less the
                             // tangent points' rows on a composite leg)
  double separation_nm = 0;  // the greatest separation of those legs' rhumb lines, NM
};
// Status: ok; count_out_of_range when more than kMaxWaypoints parts would be
// needed; xtd_out_of_range for a limit not in [0.001, 100] NM.
Status SplitForCrossTrack(const VoyageLeg& leg, double limit_nm, CrossTrackSplit& split);
// The same for every leg of a voyage (worked out on two cores); on a refusal
// `leg` names the first leg refused.
Status SplitVoyageForCrossTrack(const Voyage& voyage, double limit_nm,
                                std::vector<CrossTrackSplit>& splits, long& leg);
// The voyage's waypoint table for `splits` (one per leg, as
// SplitVoyageForCrossTrack gives them): each leg in its equal parts (and on
// a composite leg the tangent points' rows besides), so that the table's
// legs are those the splits count. count_out_of_range when the table would
// hold more than kMaxWaypoints intermediate waypoints; `leg` names a leg
// refused. `plans` is set on ok.
Status PlanCrossTrackWaypoints(const Voyage& voyage, const std::vector<CrossTrackSplit>& splits,
                               std::vector<WaypointPlan>& plans, long& leg);

}  // namespace sailings
