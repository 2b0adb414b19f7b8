#include "elliptic/waypoints.h"

#include <cmath>

#include <GeographicLib/GeodesicLine.hpp>

#include "elliptic/comparison.h"
#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"

namespace sailings {

namespace {

// Row helpers: the departure row has no leg; every other row has one.
void Begin(RowSink& sink, double latitude, double longitude, std::optional<double> azimuth) {
  WaypointRow row;
  row.latitude = latitude;
  row.longitude = longitude;
  row.azimuth = row.leaving = azimuth;
  sink.Row(row);
}

void Next(RowSink& sink, long number, double latitude, double longitude,
          std::optional<double> azimuth, double leg, double total, bool loxodrome = false) {
  WaypointRow row;
  row.number = number;
  row.latitude = latitude;
  row.longitude = longitude;
  row.azimuth = row.leaving = azimuth;
  row.leg = leg;
  row.total = total;
  row.loxodrome = loxodrome;
  sink.Row(row);
}

}  // namespace

double GeodesicLength(const RouteGeometry& g) {
  double s12 = 0;
  Geodesic().Inverse(ToDegrees(TrueLatitude(g.lat1)), ToDegrees(g.lon1),
                     ToDegrees(TrueLatitude(g.lat2)), ToDegrees(TrackLongitude2(g)), s12);
  return s12;
}

void IntermediateLongitudeTable(const RouteGeometry& g, long n, RowSink& sink) {
  // The shorter way round, in the direction the route leaves: on a great
  // ellipse the longitude changes monotonically, eastward when the azimuth
  // lies in (0, pi).
  double span = std::fabs(WrapLongitudeDifference(g.dlon));
  if (g.fwdAzimuth > kPi) span = -span;
  const double stepLongitude = span / (static_cast<double>(n) + 1.0);

  // Each row shows the azimuth of the leg arriving at it; the course leaving
  // it is that of the next leg, so a row goes out once the next point is known.
  WaypointRow row;
  row.latitude = g.lat1;
  row.longitude = g.lon1;
  double total = 0, leg = 0, azimuth = 0;
  for (long i = 1; i <= n + 1; ++i) {
    double phi = g.lat2, lambda = g.lon2;
    if (i <= n) {
      const double longitude = g.lon1 + static_cast<double>(i) * stepLongitude;
      // On the plane Z = A X + B Y a surface point satisfies
      // (1 - e_sq) tan(phi) = A cos(lambda) + B sin(lambda).
      phi = std::atan((g.planeA * std::cos(longitude) + g.planeB * std::sin(longitude)) /
                      kOneMinusESq);
      lambda = WrapLongitude(longitude);
    }
    DEllipticDistance(row.latitude, row.longitude, phi, lambda, leg, azimuth);
    row.leaving = azimuth;
    sink.Row(row);
    total += std::fabs(leg);
    row.number = i;
    row.latitude = phi;
    row.longitude = lambda;
    row.azimuth = azimuth;
    row.leg = std::fabs(leg);
    row.total = total;
  }
  row.leaving.reset();
  sink.Row(row);
}

void GreatEllipseTable(const RouteGeometry& g, long n, double step, RowSink& sink) {
  Begin(sink, g.lat1, g.lon1, g.fwdAzimuth);
  double latitude = g.lat1, longitude = g.lon1, total = 0, leg = 0, unused = 0;
  // Each waypoint is placed from the departure, so nothing accumulates.
  const EllipticStepper route(g.lat1, g.lon1, g.fwdAzimuthGc);
  for (long i = 1; i <= n; ++i) {
    const EllipticStepResult q = route.At(static_cast<double>(i) * step);
    DEllipticDistance(latitude, longitude, q.phi, q.lambda, leg, unused);
    total += std::fabs(leg);
    const double wrapped = WrapLongitude(q.lambda);
    Next(sink, i, q.phi, wrapped, q.azimuth, std::fabs(leg), total);
    latitude = q.phi;
    longitude = wrapped;
  }
  DEllipticDistance(latitude, longitude, g.lat2, g.lon2, leg, unused);
  total += std::fabs(leg);
  Next(sink, n + 1, g.lat2, g.lon2, std::nullopt, std::fabs(leg), total);
}

void RhumbLineTable(const RouteGeometry& g, long n, double step, RowSink& sink) {
  Begin(sink, g.lat1, g.lon1, g.loxoCourse);
  double latitude = g.lat1, longitude = g.lon1, total = 0, leg = 0, course = 0, unused = 0;
  for (long i = 1; i <= n; ++i) {
    const RhumbPoint q =
        RhumbDirect(g.lat1, g.lon1, g.loxoCourse, static_cast<double>(i) * step, TrackLongitude2(g));
    LoxoLeg(latitude, longitude, q.phi, q.lambda, unused, leg);
    LoxoLeg(q.phi, q.lambda, g.lat2, g.lon2, course, unused);
    total += leg;
    Next(sink, i, q.phi, q.lambda, course, std::fabs(leg), total, true);
    latitude = q.phi;
    longitude = q.lambda;
  }
  LoxoLeg(latitude, longitude, g.lat2, g.lon2, unused, leg);
  total += leg;
  Next(sink, n + 1, g.lat2, g.lon2, std::nullopt, std::fabs(leg), total, true);
}

void GeodesicTable(const RouteGeometry& g, long n, double step, RowSink& sink) {
  const GeographicLib::GeodesicLine line =
      Geodesic().InverseLine(ToDegrees(TrueLatitude(g.lat1)), ToDegrees(g.lon1),
                             ToDegrees(TrueLatitude(g.lat2)), ToDegrees(TrackLongitude2(g)));
  const double length = line.Distance();
  const auto azimuth = [](double degrees) {
    const double r = std::remainder(degrees, 360.0) * kDegree;
    return r < 0 ? r + kTwoPi : r;
  };
  Begin(sink, g.lat1, g.lon1, azimuth(line.Azimuth()));
  // Each waypoint at k * step along the line, so nothing accumulates.
  double previous = 0;
  for (long i = 1; i <= n; ++i) {
    const double s = static_cast<double>(i) * step;
    double lat, lon, azi;
    line.Position(s, lat, lon, azi);
    Next(sink, i, lat * kDegree, lon * kDegree, azimuth(azi), s - previous, s);
    previous = s;
  }
  Next(sink, n + 1, g.lat2, g.lon2, std::nullopt, length - previous, length);
}

double NearFixedPoint(double step) { return std::fmin(1.0, 0.5 * step); }

Status PlanTable(const RouteGeometry& g, Placement placement, Along along, long long count,
                 double legNm, TablePlan& plan, double ownLength, bool keepNearEnd) {
  plan.placement = placement;
  plan.along = placement == Placement::kIntermediateLongitudes ? Along::kGreatEllipse : along;
  // Each method measures the route along its own line.
  double length = plan.along == Along::kGreatEllipse ? std::fabs(g.distance) : g.loxoDistance;
  if (plan.along == Along::kGeodesic) length = GeodesicLength(g);
  if (ownLength >= 0) length = ownLength;
  switch (placement) {
    case Placement::kIntermediateLongitudes: {
      // A route from or to a pole runs along the other end's meridian, even
      // where the two longitudes differ: it has no intermediate longitudes.
      const double phi1 = TrueLatitude(g.lat1), phi2 = TrueLatitude(g.lat2);
      if (g.meridian || IsNorthPole(phi1) || IsSouthPole(phi1) || IsNorthPole(phi2) ||
          IsSouthPole(phi2)) {
        return Status::meridian_has_no_longitudes;
      }
      if (count < 0 || count > kMaxWaypoints) return Status::count_out_of_range;
      plan.n = static_cast<long>(count);
      plan.step = 0;
      return Status::ok;
    }
    case Placement::kEqualDistances:
      if (count < 1 || count > kMaxWaypoints) return Status::count_out_of_range;
      plan.n = static_cast<long>(count);
      plan.step = length / (static_cast<double>(plan.n) + 1.0);
      return Status::ok;
    case Placement::kLegDistance: {
      if (!(legNm >= 1.0)) return Status::leg_too_short;
      plan.step = legNm * kNauticalMile;
      const double legs = length / plan.step;  // at most about 10,820 (legs of 1 NM)
      plan.n = legs < 1e6 ? static_cast<long>(legs) : 0;
      if (!keepNearEnd && plan.n > 0 &&
          length - static_cast<double>(plan.n) * plan.step < NearFixedPoint(plan.step)) {
        --plan.n;
      }
      return Status::ok;
    }
  }
  return Status::count_out_of_range;
}

void MakeWaypointTable(const RouteGeometry& g, const TablePlan& plan, RowSink& sink) {
  if (plan.placement == Placement::kIntermediateLongitudes) {
    IntermediateLongitudeTable(g, plan.n, sink);
  } else if (plan.along == Along::kGreatEllipse) {
    GreatEllipseTable(g, plan.n, plan.step, sink);
  } else if (plan.along == Along::kGeodesic) {
    GeodesicTable(g, plan.n, plan.step, sink);
  } else {
    RhumbLineTable(g, plan.n, plan.step, sink);
  }
}

}  // namespace sailings
