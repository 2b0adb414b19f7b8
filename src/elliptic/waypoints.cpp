#include "elliptic/waypoints.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "concurrency/side_task.h"
#include "elliptic/comparison.h"
#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"
#include "elliptic/track_line.h"

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

// What a row of a table along one line holds before its running total: the
// position, the azimuth there, and the leg from the row before.
struct RowCore {
  double phi = 0, lambda = 0;
  std::optional<double> azimuth;
  double leg = 0;  // metres, added to the total as it is, written unsigned
};

// Rows 1 .. n of a table along one line, handed to `sink` in order with
// their running totals. `fill(from, to, out)` works out rows from .. to into
// out[0 ..], each from its waypoint and the one before (placed afresh from
// the departure: rows do not depend on the blocks). Long tables are worked
// out a block at a time on two worker threads, each a block or two ahead of
// the rows being handed on, so that writing the rows overlaps working them
// out; the totals are summed in row order, so the rows are the same however
// they were worked out.
template <typename Fill>
void EmitRows(long n, Fill fill, bool loxodrome, RowSink& sink, double& total) {
  // Blocks of 2048 rows, smaller for tables of a few thousand so that both
  // workers have some; short tables are not worth a thread.
  const long kBlock = std::clamp(n / 4, 256L, 2048L);
  const auto emit = [&](long first, const std::vector<RowCore>& cores) {
    for (std::size_t k = 0; k < cores.size(); ++k) {
      const RowCore& c = cores[k];
      total += c.leg;
      Next(sink, first + static_cast<long>(k), c.phi, c.lambda, c.azimuth, std::fabs(c.leg), total,
           loxodrome);
    }
  };
  if (n < 512) {
    std::vector<RowCore> cores(static_cast<std::size_t>(std::max(0L, n)));
    if (n > 0) fill(1, n, cores.data());
    emit(1, cores);
    return;
  }
  // Blocks b = 0, 1, ... hold rows 1 + b * kBlock ..; at most kAhead are
  // being worked out or waiting while one is handed on.
  constexpr long kAhead = 2;
  const long blocks = (n + kBlock - 1) / kBlock;
  struct Block {
    std::vector<RowCore> cores;
    SideTask worker;
  };
  std::vector<Block> ring(kAhead + 1);
  const auto start = [&](long b) {
    Block& block = ring[static_cast<std::size_t>(b % (kAhead + 1))];
    const long first = 1 + b * kBlock, last = std::min(n, first + kBlock - 1);
    block.cores.resize(static_cast<std::size_t>(last - first + 1));
    block.worker =
        SideTask([&fill, &block, first, last] { fill(first, last, block.cores.data()); });
  };
  for (long b = 0; b < std::min(blocks, kAhead); ++b) start(b);
  for (long b = 0; b < blocks; ++b) {
    Block& block = ring[static_cast<std::size_t>(b % (kAhead + 1))];
    block.worker.Join();
    if (b + kAhead < blocks) start(b + kAhead);
    emit(1 + b * kBlock, block.cores);
  }
}

void GreatEllipseTable(const RouteGeometry& g, long n, double step, RowSink& sink) {
  Begin(sink, g.lat1, g.lon1, g.fwdAzimuth);
  // Each waypoint is placed from the departure, so nothing accumulates; the
  // leg runs from the row before, as written, to the waypoint as the
  // stepper gives it.
  const TrackLine route(g, TrackLine::kGreatEllipse);
  const auto written = [&](long i, double& phi, double& lambda) {
    if (i == 0) {
      phi = g.lat1, lambda = g.lon1;
      return;
    }
    const TrackPoint q = route.At(static_cast<double>(i) * step);
    phi = q.phi, lambda = WrapLongitude(q.lambda);
  };
  const auto fill = [&](long from, long to, RowCore* out) {
    double phi, lambda, leg, unused;
    written(from - 1, phi, lambda);
    for (long i = from; i <= to; ++i, ++out) {
      const TrackPoint q = route.At(static_cast<double>(i) * step);
      DEllipticDistance(phi, lambda, q.phi, q.lambda, leg, unused);
      out->phi = phi = q.phi;
      out->lambda = lambda = WrapLongitude(q.lambda);
      out->azimuth = q.azimuth;
      out->leg = std::fabs(leg);
    }
  };
  double total = 0, leg = 0, unused = 0;
  EmitRows(n, fill, false, sink, total);
  double latitude = g.lat1, longitude = g.lon1;
  written(n, latitude, longitude);
  DEllipticDistance(latitude, longitude, g.lat2, g.lon2, leg, unused);
  total += std::fabs(leg);
  Next(sink, n + 1, g.lat2, g.lon2, std::nullopt, std::fabs(leg), total);
}

void RhumbLineTable(const RouteGeometry& g, long n, double step, RowSink& sink) {
  Begin(sink, g.lat1, g.lon1, g.loxoCourse);
  const TrackLine line(g, TrackLine::kRhumbLine);
  const auto point = [&](long i) {
    if (i == 0) return RhumbPoint{g.lat1, g.lon1};
    const TrackPoint q = line.At(static_cast<double>(i) * step);
    return RhumbPoint{q.phi, q.lambda};
  };
  const auto fill = [&](long from, long to, RowCore* out) {
    RhumbPoint p = point(from - 1);
    for (long i = from; i <= to; ++i, ++out) {
      const RhumbPoint q = point(i);
      double course = 0, unused = 0;
      LoxoLeg(p.phi, p.lambda, q.phi, q.lambda, unused, out->leg);
      LoxoLeg(q.phi, q.lambda, g.lat2, g.lon2, course, unused);
      out->phi = q.phi, out->lambda = q.lambda, out->azimuth = course;
      p = q;
    }
  };
  double total = 0;
  EmitRows(n, fill, true, sink, total);
  const RhumbPoint last = point(n);
  double unused = 0, leg = 0;
  LoxoLeg(last.phi, last.lambda, g.lat2, g.lon2, unused, leg);
  total += leg;
  Next(sink, n + 1, g.lat2, g.lon2, std::nullopt, std::fabs(leg), total, true);
}

void GeodesicTable(const RouteGeometry& g, long n, double step, RowSink& sink) {
  const TrackLine line(g, TrackLine::kGeodesic);
  const double length = line.length();
  Begin(sink, g.lat1, g.lon1, line.InitialAzimuth());
  // Each waypoint at k * step along the line, so nothing accumulates.
  double previous = 0;
  for (long i = 1; i <= n; ++i) {
    const double s = static_cast<double>(i) * step;
    const TrackPoint q = line.At(s);
    Next(sink, i, q.phi, q.lambda, q.azimuth, s - previous, s);
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
