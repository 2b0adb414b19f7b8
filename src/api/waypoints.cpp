// The waypoints of a passage: the computation's rows (radians and metres,
// the pole and equator carried) as the interface gives them, and in the
// console dialogue's notation.
#include "sailings/waypoints.hpp"

#include <cmath>

#include "api/rows.h"
#include "elliptic/passage.h"
#include "elliptic/route.h"
#include "elliptic/waypoints.h"

namespace sailings {

Waypoint ToWaypoint(const WaypointRow& row) {
  Waypoint out;
  out.wp = row.number;
  out.lat = ToDegrees(TrueLatitude(row.latitude));
  out.lon = ToDegrees(row.longitude);
  if (row.azimuth) out.azimuth = AzimuthDegrees(*row.azimuth);
  if (row.leaving) out.course = AzimuthDegrees(*row.leaving);
  out.leg_nm = ToNauticalMiles(row.leg);
  out.total_nm = ToNauticalMiles(row.total);
  out.loxodrome = row.loxodrome;
  return out;
}

ClassicCells ToClassicCells(const WaypointRow& row) {
  ClassicCells cells;
  cells.lat = ToDegrees(row.latitude);
  if (row.azimuth) cells.azimuth = ToDegrees(*row.azimuth);
  return cells;
}

Track TrackOf(const WaypointPlan& plan) {
  if (plan.composite) return Track::composite;
  switch (plan.along) {
    case Sailing::rhumb_line: return Track::rhumb_line;
    case Sailing::geodesic: return Track::geodesic;
    case Sailing::great_ellipse: break;
  }
  return Track::great_ellipse;
}

const char* PlacementName(const WaypointPlan& plan) {
  if (!plan.composite && plan.placement == WaypointPlacement::longitudes) {
    return "great ellipse at intermediate longitudes";
  }
  return TrackName(TrackOf(plan));
}

Status PlanWaypoints(const Passage& passage, const TableRequest& request, WaypointPlan& plan,
                     const PlanOptions& options) {
  const RouteGeometry& g = PassageRecords::Route(passage);
  const CompositeSailing* k = PassageRecords::Composite(passage);
  // A passage never solved has no route to table.
  if (g.distance == 0 && g.loxoDistance == 0) return Status::same_position;
  if (k && (request.placement == WaypointPlacement::longitudes ||
            request.along != Sailing::great_ellipse)) {
    return Status::composite_table_only;
  }
  const bool composite = k && k->composite;
  TablePlan p;
  const Status status =
      PlanTable(g, ToPlacement(request.placement), ToAlong(request.along), request.count,
                request.leg_nm, p, composite ? k->total : -1.0, options.keep_near_end);
  if (status != Status::ok) return status;
  plan.placement = request.placement;
  plan.along =
      request.placement == WaypointPlacement::longitudes ? Sailing::great_ellipse : request.along;
  plan.composite = composite;
  plan.n = p.n;
  plan.step_m = p.step;
  plan.step_nm = ToNauticalMiles(p.step);
  const double length = composite                           ? k->total
                        : plan.along == Sailing::rhumb_line ? g.loxoDistance
                        : plan.along == Sailing::geodesic   ? GeodesicLength(g)
                                                            : std::fabs(g.distance);
  plan.length_nm = ToNauticalMiles(length);
  return Status::ok;
}

namespace {

// The computation's rows of a plan, in order.
void ForEachRow(const Passage& passage, const WaypointPlan& plan, RowSink& rows) {
  if (plan.composite) {
    CompositeTable(PassageRecords::Route(passage), *PassageRecords::Composite(passage), plan.n,
                   plan.step_m, rows);
    return;
  }
  TablePlan p;
  p.placement = ToPlacement(plan.placement);
  p.along = ToAlong(plan.along);
  p.n = plan.n;
  p.step = plan.step_m;
  MakeWaypointTable(PassageRecords::Route(passage), p, rows);
}

}  // namespace

void ForEachWaypoint(const Passage& passage, const WaypointPlan& plan, WaypointSink& sink) {
  WaypointRows rows(sink);
  ForEachRow(passage, plan, rows);
}

void ForEachClassicWaypoint(const Passage& passage, const WaypointPlan& plan, ClassicSink& sink) {
  struct Rows : RowSink {
    explicit Rows(ClassicSink& to) : to(to) {}
    void Row(const WaypointRow& row) override { to.Row(ToWaypoint(row), ToClassicCells(row)); }
    ClassicSink& to;
  } rows(sink);
  ForEachRow(passage, plan, rows);
}

Route ClassicRoute(const Passage& passage) {
  const RouteGeometry& g = PassageRecords::Route(passage);
  Route route = passage.route();
  route.ge_azimuth_fwd = ToDegrees(g.fwdAzimuth);
  route.ge_azimuth_inv = ToDegrees(g.invAzimuth);
  route.rhumb_course = ToDegrees(g.loxoCourse);
  return route;
}

}  // namespace sailings
