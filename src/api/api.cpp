// The public interface over the computation: degrees and nautical miles
// outside, radians and metres inside.
#include <cmath>

#include "api/rows.h"
#include "elliptic/comparison.h"
#include "elliptic/route.h"
#include "sailings/sailings.hpp"

namespace sailings {

const char* Version() { return SAILINGS_VERSION; }

double AzimuthDegrees(double radians) {
  double degrees = std::fmod(ToDegrees(radians), 360.0);
  if (degrees < 0) degrees += 360.0;
  return degrees >= 360.0 ? 0.0 : degrees + 0.0;  // (+ 0.0: no -0)
}

TableRow ToTableRow(const WaypointRow& row) {
  const Waypoint w = ToWaypoint(row);
  TableRow out;
  out.wp = w.wp;
  out.lat = w.lat;
  out.lon = w.lon;
  out.azimuth = w.azimuth;
  if (w.wp > 0) {
    out.leg_nm = w.leg_nm;
    out.total_nm = w.total_nm;
  }
  return out;
}

Placement ToPlacement(WaypointPlacement placement) {
  switch (placement) {
    case WaypointPlacement::longitudes: return Placement::kIntermediateLongitudes;
    case WaypointPlacement::points: return Placement::kEqualDistances;
    case WaypointPlacement::leg: break;
  }
  return Placement::kLegDistance;
}

Along ToAlong(Sailing sailing) {
  switch (sailing) {
    case Sailing::rhumb_line: return Along::kRhumbLine;
    case Sailing::geodesic: return Along::kGeodesic;
    case Sailing::great_ellipse: break;
  }
  return Along::kGreatEllipse;
}

void RouteFigures(const RouteGeometry& g, Route& route) {
  route.ge_distance_nm = ToNauticalMiles(std::fabs(g.distance));
  route.ge_azimuth_fwd = AzimuthDegrees(g.fwdAzimuth);
  route.ge_azimuth_inv = AzimuthDegrees(g.invAzimuth);
  // (Arriving along the arc is the way back from the destination reversed.)
  route.ge_course_final = AzimuthDegrees(g.invAzimuth + kPi);
  route.rhumb_course = AzimuthDegrees(g.loxoCourse);
  route.rhumb_distance_nm = ToNauticalMiles(g.loxoDistance);
  route.along_meridian = g.meridian;
}

void ComparisonFigures(const RouteGeometry& g, const SailingComparison& c, Comparison& out) {
  out.geodesic_nm = ToNauticalMiles(c.geodesicDistance);
  out.geodesic_azimuth_fwd = AzimuthDegrees(c.geodesicAzimuth1);
  out.geodesic_azimuth_final = AzimuthDegrees(c.geodesicAzimuth2);
  out.sphere_nm = ToNauticalMiles(c.sphereDistance);
  out.sphere_course = AzimuthDegrees(c.sphereCourse);
  out.sphere_course_final = AzimuthDegrees(c.sphereCourseFinal);
  out.ge_minus_geodesic_m = std::fabs(g.distance) - c.geodesicDistance;
  out.sphere_minus_geodesic_nm = ToNauticalMiles(c.sphereDistance - c.geodesicDistance);
  out.rhumb_minus_geodesic_nm = ToNauticalMiles(g.loxoDistance - c.geodesicDistance);
  // (0 for a passage never solved, whose route has no length.)
  out.rhumb_minus_geodesic_pct =
      c.geodesicDistance > 0 ? 100.0 * (g.loxoDistance - c.geodesicDistance) / c.geodesicDistance
                             : 0.0;
  out.ge_geodesic_separation_km = c.separation / 1000.0;
}

Status SolveRoute(double lat1, double lon1, double lat2, double lon2, Route& route) {
  RouteGeometry g;
  const Status status = SolveRouteGeometry(lat1, lon1, lat2, lon2, g);
  if (status != Status::ok) return status;
  RouteFigures(g, route);
  return Status::ok;
}

Status SolveGreatEllipse(double lat1, double lon1, double lat2, double lon2, Route& route) {
  RouteGeometry g;
  const Status status = SolveRouteGeometry(lat1, lon1, lat2, lon2, g, RouteParts::great_ellipse);
  if (status != Status::ok) return status;
  RouteFigures(g, route);
  route.rhumb_course = route.rhumb_distance_nm = 0;
  return Status::ok;
}

Status SolveRhumbLine(double lat1, double lon1, double lat2, double lon2, Route& route) {
  RouteGeometry g;
  const Status status = SolveRouteGeometry(lat1, lon1, lat2, lon2, g, RouteParts::rhumb_line);
  if (status != Status::ok) return status;
  route = Route{};
  route.rhumb_course = AzimuthDegrees(g.loxoCourse);
  route.rhumb_distance_nm = ToNauticalMiles(g.loxoDistance);
  return Status::ok;
}

Status CompareRoute(double lat1, double lon1, double lat2, double lon2, Route& route,
                    Comparison& comparison) {
  RouteGeometry g;
  const Status status = SolveRouteGeometry(lat1, lon1, lat2, lon2, g);
  if (status != Status::ok) return status;
  RouteFigures(g, route);
  ComparisonFigures(g, CompareSailings(g), comparison);
  return Status::ok;
}

namespace {

class CallbackSink : public RowSink {
 public:
  explicit CallbackSink(const std::function<void(const TableRow&)>& row) : row_(row) {}
  void Row(const WaypointRow& row) override { row_(ToTableRow(row)); }

 private:
  const std::function<void(const TableRow&)>& row_;
};

}  // namespace

Status ForEachTableRow(double lat1, double lon1, double lat2, double lon2,
                       const TableRequest& request,
                       const std::function<void(const TableRow&)>& row) {
  RouteGeometry g;
  Status status = SolveRouteGeometry(lat1, lon1, lat2, lon2, g);
  if (status != Status::ok) return status;
  TablePlan plan;
  status = PlanTable(g, ToPlacement(request.placement), ToAlong(request.along), request.count,
                     request.leg_nm, plan);
  if (status != Status::ok) return status;
  CallbackSink sink(row);
  MakeWaypointTable(g, plan, sink);
  return Status::ok;
}

Status MakeTable(double lat1, double lon1, double lat2, double lon2, const TableRequest& request,
                 std::vector<TableRow>& rows) {
  rows.clear();
  return ForEachTableRow(lat1, lon1, lat2, lon2, request,
                         [&rows](const TableRow& row) { rows.push_back(row); });
}

}  // namespace sailings
