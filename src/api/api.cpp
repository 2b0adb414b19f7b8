// The public interface over the computation: degrees and nautical miles
// outside, radians and metres inside.
#include <cmath>

#include "api/rows.h"
#include "elliptic/route.h"
#include "sailings/sailings.hpp"

namespace sailings {

const char* Version() { return SAILINGS_VERSION; }

TableRow ToTableRow(const WaypointRow& row) {
  TableRow out;
  out.wp = row.number;
  out.lat = ToDegrees(TrueLatitude(row.latitude));
  out.lon = ToDegrees(row.longitude);
  if (row.azimuth) out.azimuth = ToDegrees(*row.azimuth);
  if (row.number > 0) {
    out.leg_nm = ToNauticalMiles(row.leg);
    out.total_nm = ToNauticalMiles(row.total);
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
  return sailing == Sailing::rhumb_line ? Along::kRhumbLine : Along::kGreatEllipse;
}

Status SolveRoute(double lat1, double lon1, double lat2, double lon2, Route& route) {
  RouteGeometry g;
  const Status status = SolveRouteGeometry(lat1, lon1, lat2, lon2, g);
  if (status != Status::ok) return status;
  route.ge_distance_nm = ToNauticalMiles(std::fabs(g.distance));
  route.ge_azimuth_fwd = ToDegrees(g.fwdAzimuth);
  route.ge_azimuth_inv = ToDegrees(g.invAzimuth);
  route.rhumb_course = ToDegrees(g.loxoCourse);
  route.rhumb_distance_nm = ToNauticalMiles(g.loxoDistance);
  route.along_meridian = g.meridian;
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
