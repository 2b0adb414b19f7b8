// The passage of the public interface over the computation's records: one
// route solved once, degrees and nautical miles outside.
#include "sailings/passage.hpp"

#include <cmath>

#include "api/rows.h"
#include "elliptic/comparison.h"
#include "elliptic/passage.h"
#include "elliptic/route.h"
#include "land/land.h"

namespace sailings {

namespace {

CompositeTrack CompositeFigures(const RouteGeometry& g, const CompositeSailing& k, double limit) {
  CompositeTrack t;
  t.limit = ToDegrees(limit);
  t.composite = k.composite;
  t.total_nm = ToNauticalMiles(k.total);
  t.composite_minus_ge_nm = ToNauticalMiles(k.total - std::fabs(g.distance));
  t.rhumb_minus_composite_nm = ToNauticalMiles(g.loxoDistance - k.total);
  if (!k.composite) {
    t.initial_course = AzimuthDegrees(g.fwdAzimuth);
    t.final_course = std::fmod(AzimuthDegrees(g.invAzimuth) + 180.0, 360.0);
    return t;
  }
  t.t1_lat = ToDegrees(TrueLatitude(k.t1Phi));
  t.t1_lon = ToDegrees(k.t1Lambda);
  t.t2_lat = ToDegrees(TrueLatitude(k.t2Phi));
  t.t2_lon = ToDegrees(k.t2Lambda);
  t.ge1_nm = ToNauticalMiles(k.ge1);
  t.parallel_nm = ToNauticalMiles(k.parallel);
  t.ge2_nm = ToNauticalMiles(k.ge2);
  // A part of no length has no course.
  t.along_parallel = AzimuthDegrees(k.parallelCourse);
  if (k.ge1 > 0) t.ge1_course = AzimuthDegrees(k.ge1Course);
  if (k.parallel > 0) t.parallel_course = AzimuthDegrees(k.parallelCourse);
  if (k.ge2 > 0) t.ge2_course = AzimuthDegrees(k.ge2Course);
  const double first = k.ge1 > 0 ? k.ge1Course : k.parallel > 0 ? k.parallelCourse : k.ge2Course;
  t.initial_course = AzimuthDegrees(first);
  t.final_course = AzimuthDegrees(k.finalCourse);
  return t;
}

}  // namespace

Passage::Passage() : geometry_(std::make_shared<RouteGeometry>()) {}

Status Passage::Solve(double lat1, double lon1, double lat2, double lon2,
                      std::optional<double> limit, Passage& passage) {
  RouteGeometry g;
  const Status status = SolveRouteGeometry(lat1, lon1, lat2, lon2, g);
  if (status != Status::ok) return status;
  return Adopt(g, limit, passage);
}

Status Passage::Solve(const Place& from, const Place& to, std::optional<double> limit,
                      Passage& passage) {
  // (A place made elsewhere than StorePlace may hold anything.)
  for (const Place* p : {&from, &to}) {
    if (!std::isfinite(p->lat) || !std::isfinite(p->lon)) return Status::not_a_number;
    if (!(std::fabs(p->lat) <= 90.0)) return Status::latitude_beyond_90;
  }
  if (SamePosition(from, to)) return Status::same_position;
  return Adopt(ComputeRoute(from.lat, from.lon, to.lat, to.lon), limit, passage);
}

Status Passage::Adopt(const RouteGeometry& g, std::optional<double> limit, Passage& passage) {
  Status status = Status::ok;
  CompositeSailing k;
  double limitRadians = 0;
  if (limit) {
    const double degrees = std::fabs(*limit);
    if (!(degrees > 0 && degrees < 90)) return Status::limit_out_of_range;
    limitRadians = degrees * kDegree;
    status = SolveComposite(g, limitRadians, k);
    if (status != Status::ok) return status;
  }
  RouteFigures(g, passage.route_);
  passage.composite_.reset();
  if (limit) passage.composite_ = CompositeFigures(g, k, limitRadians);
  // A passage solved again in a loop keeps its records' storage (copies
  // share them, so only one held by this passage alone is written over).
  if (passage.geometry_.use_count() == 1) {
    *std::const_pointer_cast<RouteGeometry>(passage.geometry_) = g;
  } else {
    passage.geometry_ = std::make_shared<RouteGeometry>(g);
  }
  if (!limit) {
    passage.sailing_.reset();
  } else if (passage.sailing_.use_count() == 1) {
    *std::const_pointer_cast<CompositeSailing>(passage.sailing_) = k;
  } else {
    passage.sailing_ = std::make_shared<CompositeSailing>(k);
  }
  return Status::ok;
}

Vertex Passage::FindVertex() const {
  const RouteVertex v = sailings::FindVertex(*geometry_);
  Vertex out;
  out.kind = v.kind == RouteVertex::kPole      ? Vertex::Kind::pole
             : v.kind == RouteVertex::kEquator ? Vertex::Kind::equator
                                               : Vertex::Kind::point;
  out.lat = ToDegrees(v.phi);
  if (v.kind == RouteVertex::kPoint) out.lon = ToDegrees(v.lambda);
  out.on_route = v.onRoute;
  return out;
}

Comparison Passage::Compare() const {
  Comparison c;
  ComparisonFigures(*geometry_, CompareSailings(*geometry_), c);
  return c;
}

std::optional<LandCrossing> Passage::CrossesLand(Track track) const {
  std::optional<LandPoint> at;
  switch (track) {
    case Track::great_ellipse: at = GreatEllipseCrossesLand(*geometry_); break;
    case Track::rhumb_line: at = RhumbLineCrossesLand(*geometry_); break;
    case Track::geodesic: at = GeodesicCrossesLand(*geometry_); break;
    case Track::composite:
      at = sailing_ ? CompositeCrossesLand(*geometry_, *sailing_)
                    : GreatEllipseCrossesLand(*geometry_);
      break;
  }
  if (!at) return std::nullopt;
  return LandCrossing{at->lat, at->lon};
}

}  // namespace sailings
