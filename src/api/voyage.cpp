// Voyages: a chain of passages, each leg solved once along its own track.
#include "sailings/voyage.hpp"

#include <GeographicLib/GeodesicLine.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "api/rows.h"
#include "concurrency/side_task.h"
#include "elliptic/comparison.h"
#include "elliptic/ellipsoid.h"
#include "elliptic/passage.h"
#include "elliptic/separation.h"
#include "elliptic/waypoints.h"
#include "sailings/line.hpp"
#include "sailings/schedule.hpp"

namespace sailings {

Track VoyageLeg::track() const {
  switch (sailing) {
    case Sailing::rhumb_line: return Track::rhumb_line;
    case Sailing::geodesic: return Track::geodesic;
    case Sailing::great_ellipse: break;
  }
  return composite ? Track::composite : Track::great_ellipse;
}

namespace {

// The sailing of the leg arriving at `p`.
Sailing LegSailing(const VoyagePoint& p, const VoyageOptions& options) {
  if (p.sailing) return *p.sailing;
  switch (p.type) {
    case LegType::loxodrome: return Sailing::rhumb_line;
    case LegType::orthodrome: return options.orthodrome;
    case LegType::unknown: break;
  }
  return options.sailing;
}

// The greatest latitude (degrees, its magnitude) that the geodesic from
// `from` to `to` reaches: an end, or a vertex between them. The vertices lie
// a quarter of the auxiliary sphere's great circle (90 degrees of arc) from
// the equator's crossings, alternately north and south.
double GeodesicHighestLatitude(const Place& from, const Place& to) {
  const GeographicLib::GeodesicLine line =
      Geodesic().InverseLine(from.lat, from.lon, to.lat, to.lon);
  double highest = std::max(std::fabs(from.lat), std::fabs(to.lat));
  const double arc = line.Arc();                                  // degrees
  double vertex = std::fmod(90.0 - line.EquatorialArc(), 180.0);  // arc to the next vertex
  if (vertex < 0) vertex += 180.0;
  for (; vertex < arc; vertex += 180.0) {
    double lat = 0, lon = 0;
    line.ArcPosition(vertex, lat, lon);
    highest = std::max(highest, std::fabs(lat));
  }
  return highest;
}

// A limiting latitude holds on every leg. A great ellipse keeps within it
// along its composite track (Passage::Solve); so does a geodesic that would
// go beyond it, which then sails the same composite track. A rhumb line goes
// farthest from the equator at an end, and a geodesic or a rhumb line with
// an end beyond the limit is refused as a great ellipse is.
Status HoldLimit(VoyageLeg& leg, const std::optional<double>& limit) {
  if (!limit || leg.sailing == Sailing::great_ellipse) return Status::ok;
  const double degrees = std::fabs(*limit);
  if (std::fabs(leg.from.lat) > degrees || std::fabs(leg.to.lat) > degrees) {
    return Status::position_beyond_limit;
  }
  if (leg.sailing == Sailing::geodesic && GeodesicHighestLatitude(leg.from, leg.to) > degrees) {
    leg.sailing = Sailing::great_ellipse;  // along the composite track
  }
  return Status::ok;
}

// Distance and courses of a solved leg along its track.
void LegFigures(VoyageLeg& leg) {
  const Route& r = leg.passage.route();
  switch (leg.sailing) {
    case Sailing::rhumb_line:
      leg.distance_nm = r.rhumb_distance_nm;
      leg.course = leg.course_final = r.rhumb_course;
      return;
    case Sailing::geodesic: {
      const SailingLine line(leg.passage, Track::geodesic);
      leg.distance_nm = line.length_nm();
      leg.course = line.Position(0).azimuth;
      leg.course_final = line.Position(leg.distance_nm).azimuth;
      return;
    }
    case Sailing::great_ellipse: break;
  }
  if (leg.passage.composite()) {
    const CompositeTrack& c = *leg.passage.composite();
    leg.composite = c.composite;
    leg.distance_nm = c.total_nm;
    leg.course = c.initial_course;
    leg.course_final = c.final_course;
    return;
  }
  leg.distance_nm = r.ge_distance_nm;
  leg.course = r.ge_azimuth_fwd;
  // The direction of travel arriving: the azimuth back, turned about.
  const double back = r.ge_azimuth_inv + 180.0;
  leg.course_final = back >= 360.0 ? back - 360.0 : back;
}

// The speed a leg is sailed at: every leg's, else its own planned speed,
// else the voyage's, else (nothing else given) its speedMax. A plan faster
// than the leg's speedMax is kept (it is the plan) and marked.
Status LegSpeed(const VoyagePoint& p, const VoyageOptions& options, VoyageLeg& leg) {
  leg.speed_kn = options.every_leg_kn ? options.every_leg_kn
                 : p.speed_kn         ? p.speed_kn
                                      : options.speed_kn;
  leg.speed_max_kn = p.speed_max_kn;
  if (p.speed_max_kn && !leg.speed_kn) {
    leg.speed_kn = p.speed_max_kn;
    leg.speed_from_max = true;
  }
  if (leg.speed_kn && !SpeedInRange(*leg.speed_kn)) return Status::speed_out_of_range;
  return Status::ok;
}

}  // namespace

Status Voyage::Plan(const std::vector<VoyagePoint>& points, const VoyageOptions& options,
                    Voyage& voyage, long& waypoint) {
  waypoint = 0;
  if (points.size() < 2) return Status::too_few_waypoints;
  if (points.size() > kMaxVoyageWaypoints) return Status::too_many_waypoints;
  if (options.limit && !(std::fabs(*options.limit) > 0 && std::fabs(*options.limit) < 90)) {
    return Status::limit_out_of_range;
  }
  for (const std::optional<double>& knots : {options.speed_kn, options.every_leg_kn}) {
    if (knots && !SpeedInRange(*knots)) return Status::speed_out_of_range;
  }
  std::vector<Place> places;
  places.reserve(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const VoyagePoint& p = points[i];
    waypoint = static_cast<long>(i) + 1;
    if (!std::isfinite(p.lat) || !std::isfinite(p.lon)) return Status::not_a_number;
    if (std::fabs(p.lat) > 90) return Status::latitude_beyond_90;
    if (p.speed_kn && !SpeedInRange(*p.speed_kn)) {
      return Status::speed_out_of_range;
    }
    places.push_back(StorePlace(p.name, p.lat, p.lon));
  }
  std::vector<VoyageLeg> legs(points.size() - 1);
  double total = 0;
  std::optional<double> hours = 0.0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    VoyageLeg& leg = legs[i - 1];
    waypoint = static_cast<long>(i) + 1;
    leg.number = static_cast<long>(i);
    leg.from = places[i - 1];
    leg.to = places[i];
    leg.at_sea = points[i - 1].added || points[i].added;
    leg.sailing = LegSailing(points[i], options);
    if (const Status status = HoldLimit(leg, options.limit); status != Status::ok) return status;
    const std::optional<double> limit =
        leg.sailing == Sailing::great_ellipse ? options.limit : std::nullopt;
    const Status status = Passage::Solve(leg.from, leg.to, limit, leg.passage);
    if (status != Status::ok) return status;
    LegFigures(leg);
    leg.start_nm = total;
    total += leg.distance_nm;
    leg.total_nm = total;
    if (const Status status = LegSpeed(points[i], options, leg); status != Status::ok)
      return status;
    if (leg.speed_kn) {
      leg.hours = leg.distance_nm / *leg.speed_kn;
      if (hours) hours = *hours + *leg.hours;
    } else {
      if (options.depart) return Status::no_speed;
      hours.reset();
    }
    leg.end_hours = hours;
    if (hours) {
      Schedule clock{1.0, options.depart};  // (one knot: hours are miles)
      if (!clock.EndsInTime(*hours)) return Status::ends_after_9999;
    }
  }
  waypoint = 0;
  voyage.legs_ = std::move(legs);
  voyage.depart_ = options.depart;
  return Status::ok;
}

namespace {

// A plan of no intermediate waypoints: the leg's ends only.
WaypointPlan EndsOnly(const VoyageLeg& leg) {
  TableRequest request;
  request.placement = WaypointPlacement::leg;
  request.along = leg.sailing;
  request.leg_nm = 1e12;
  WaypointPlan plan;
  // A solved leg and a step longer than any leg: nothing to refuse. Should
  // that ever change, the leg's two ends are still its rows (n = 0).
  if (PlanWaypoints(leg.passage, request, plan) != Status::ok) plan = WaypointPlan{};
  return plan;
}

}  // namespace

Status PlanVoyageWaypoints(const Voyage& voyage, const TableRequest& request,
                           std::vector<WaypointPlan>& plans, long& leg) {
  leg = 0;
  if (request.placement == WaypointPlacement::longitudes) return Status::composite_table_only;
  std::vector<WaypointPlan> planned;
  long long count = 0;
  for (const VoyageLeg& l : voyage.legs()) {
    leg = l.number;
    TableRequest r = request;
    r.along = l.sailing;
    WaypointPlan plan;
    const Status status = PlanWaypoints(l.passage, r, plan);
    if (status != Status::ok) return status;
    count += plan.n;
    if (count > kMaxWaypoints) return Status::count_out_of_range;
    planned.push_back(plan);
  }
  leg = 0;
  plans = std::move(planned);
  return Status::ok;
}

std::vector<WaypointPlan> VoyageWaypointsOnly(const Voyage& voyage) {
  std::vector<WaypointPlan> plans;
  for (const VoyageLeg& leg : voyage.legs()) plans.push_back(EndsOnly(leg));
  return plans;
}

namespace {

// The rows of one leg after another, numbered through the voyage. Each row
// is held back by one, so that the row of a voyage's waypoint between two
// legs takes the course of the leg leaving it from the next leg's first row.
class VoyageRows : public WaypointSink {
 public:
  VoyageRows(WaypointSink& sink) : sink_(sink) {}

  void StartLeg(const VoyageLeg& leg, bool first) {
    leg_ = &leg;
    first_ = first;
    startHours_ = leg.end_hours ? std::optional<double>(*leg.end_hours - *leg.hours) : std::nullopt;
  }

  void Row(const Waypoint& row) override {
    if (row.wp == 0) {
      if (first_) {
        Waypoint r = row;
        r.name = leg_->from.name;
        r.point = 0;
        if (startHours_) r.hours = 0.0;
        Hold(r);
      } else if (holding_) {  // the voyage's waypoint between two legs
        held_.azimuth = row.azimuth;
        held_.course = row.course;
      }
      return;
    }
    Waypoint r = row;
    const double along = row.total_nm;
    r.total_nm = leg_->start_nm + along;
    r.speed_kn = leg_->speed_kn;
    r.leg = leg_->number;
    if (startHours_ && leg_->speed_kn) r.hours = *startHours_ + along / *leg_->speed_kn;
    Hold(r);
  }

  // The leg's last row is the voyage's waypoint it arrives at.
  void EndLeg() {
    if (holding_) {
      held_.name = leg_->to.name;
      held_.point = leg_->number;
    }
  }
  void Finish() {
    if (holding_) sink_.Row(held_);
    holding_ = false;
  }

 private:
  void Hold(Waypoint& r) {
    if (holding_) sink_.Row(held_);
    r.wp = next_++;
    held_ = std::move(r);
    holding_ = true;
  }

  WaypointSink& sink_;
  const VoyageLeg* leg_ = nullptr;
  bool first_ = true;
  std::optional<double> startHours_;
  Waypoint held_;
  bool holding_ = false;
  long next_ = 0;
};

}  // namespace

void ForEachVoyageWaypoint(const Voyage& voyage, const std::vector<WaypointPlan>& plans,
                           WaypointSink& sink) {
  VoyageRows rows(sink);
  const std::vector<VoyageLeg>& legs = voyage.legs();
  for (std::size_t i = 0; i < legs.size() && i < plans.size(); ++i) {
    rows.StartLeg(legs[i], i == 0);
    ForEachWaypoint(legs[i].passage, plans[i], rows);
    rows.EndLeg();
  }
  rows.Finish();
}

Status SplitForCrossTrack(const VoyageLeg& leg, double limit_nm, CrossTrackSplit& split) {
  if (!CrossTrackLimitInRange(limit_nm)) return Status::xtd_out_of_range;
  const std::shared_ptr<const TrackLine> line = MakeTrackLine(leg.passage, leg.track());
  double worst = 0;
  const long parts = CrossTrackParts(*line, limit_nm * kNauticalMile, kMaxWaypoints + 1, worst);
  if (parts > kMaxWaypoints + 1) return Status::count_out_of_range;
  split.equal_parts = split.parts = parts;
  split.separation_nm = ToNauticalMiles(worst);
  const CompositeSailing* c = PassageRecords::Composite(leg.passage);
  if (leg.track() != Track::composite || !c || !c->composite) return Status::ok;
  // The composite track's table has rows at its tangent points T1 and T2 as
  // well (a point of the equal parts within NearFixedPoint of one is that
  // point): the legs written are those, and their rhumb lines are measured.
  const double total = c->total, step = total / static_cast<double>(parts);
  std::vector<double> stations;
  for (long k = 0; k < parts; ++k) stations.push_back(step * static_cast<double>(k));
  stations.push_back(total);
  const double near = NearFixedPoint(step);
  for (const double tangent : {c->ge1, c->ge1 + c->parallel}) {
    if (!(tangent > 0 && tangent < total)) continue;
    const auto after = std::lower_bound(stations.begin(), stations.end(), tangent);
    if (after != stations.end() && *after - tangent < near && *after < total) {
      *after = tangent;
    } else if (after != stations.begin() && tangent - *(after - 1) < near && *(after - 1) > 0) {
      *(after - 1) = tangent;
    } else {
      stations.insert(after, tangent);
    }
  }
  worst = 0;
  for (std::size_t i = 1; i < stations.size(); ++i) {
    const TrackPoint a = line->At(stations[i - 1]), b = line->At(stations[i]);
    const Curve chord =
        RhumbChord({TrueLatitude(a.phi), a.lambda}, {TrueLatitude(b.phi), b.lambda});
    worst =
        std::max(worst, GreatestSeparation(chord, *line, stations[i - 1], stations[i], 8).metres);
  }
  split.parts = static_cast<long>(stations.size()) - 1;
  split.separation_nm = ToNauticalMiles(worst);
  return Status::ok;
}

Status PlanCrossTrackWaypoints(const Voyage& voyage, const std::vector<CrossTrackSplit>& splits,
                               std::vector<WaypointPlan>& plans, long& leg) {
  leg = 0;
  std::vector<WaypointPlan> planned = VoyageWaypointsOnly(voyage);
  long long count = 0;
  for (std::size_t i = 0; i < planned.size() && i < splits.size(); ++i) {
    if (splits[i].equal_parts <= 1) continue;
    TableRequest request;
    request.placement = WaypointPlacement::points;
    request.along = voyage.legs()[i].sailing;
    request.count = splits[i].equal_parts - 1;
    count += request.count;
    if (count > kMaxWaypoints) return Status::count_out_of_range;
    if (const Status status = PlanWaypoints(voyage.legs()[i].passage, request, planned[i]);
        status != Status::ok) {
      leg = voyage.legs()[i].number;
      return status;
    }
  }
  plans = std::move(planned);
  return Status::ok;
}

Status SplitVoyageForCrossTrack(const Voyage& voyage, double limit_nm,
                                std::vector<CrossTrackSplit>& splits, long& leg) {
  leg = 0;
  const std::vector<VoyageLeg>& legs = voyage.legs();
  std::vector<CrossTrackSplit> found(legs.size());
  std::vector<Status> statuses(legs.size(), Status::ok);
  // The legs are independent: each core takes the next leg not yet taken.
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < legs.size(); i = next++) {
      statuses[i] = SplitForCrossTrack(legs[i], limit_nm, found[i]);
    }
  };
  SideTask helper(work);
  work();
  helper.Join();
  for (std::size_t i = 0; i < legs.size(); ++i) {
    if (statuses[i] != Status::ok) {
      leg = legs[i].number;
      return statuses[i];
    }
  }
  splits = std::move(found);
  return Status::ok;
}

}  // namespace sailings
