#include "elliptic/passage.h"

#include "elliptic/track_line.h"

#include <algorithm>
#include <cmath>

#include "elliptic/great_ellipse.h"

namespace sailings {

namespace {

// The direction of a geodetic position on the unit sphere.
Vec3 UnitDirection(double phi, double lambda) {
  return {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)};
}

// The angle from a to b about the pole m (counter-clockwise seen from m), in [0, 2pi).
double AngleAbout(Vec3 m, Vec3 a, Vec3 b) {
  double t = std::atan2(Dot(m, Cross(a, b)), Dot(a, b));
  if (t < 0) t += kTwoPi;
  return t;
}

}  // namespace

RouteVertex FindVertex(const RouteGeometry& g) {
  RouteVertex v;
  const double phi1 = TrueLatitude(g.lat1), phi2 = TrueLatitude(g.lat2);
  // From or to a pole: down a meridian from that pole, which is the vertex
  // (the north pole when the route runs from one pole to the other).
  const bool north1 = IsNorthPole(phi1), north2 = IsNorthPole(phi2);
  if (north1 || north2 || IsSouthPole(phi1) || IsSouthPole(phi2)) {
    v.kind = RouteVertex::kPole;
    v.phi = north1 || north2 ? kHalfPi : -kHalfPi;
    v.onRoute = true;
    return v;
  }
  const GreatEllipticSailing sailing = SolveGreatElliptic(g.lat1, g.lon1, g.lat2, g.lon2);
  const Vec3 n = sailing.normal;  // its positive sense is the travel
  Vec3 m{n.x, n.y, kOneMinusESq * n.z};
  m = (1.0 / Length(m)) * m;
  const double horizontal = std::hypot(m.x, m.y);
  if (horizontal < 1e-15) {  // the equator: every point is a vertex
    v.kind = RouteVertex::kEquator;
    return v;
  }
  // The northern vertex: the circle's point nearest the north pole.
  const bool meridian = sailing.meridian || m.z == 0.0;
  Vec3 north{-m.z * m.x, -m.z * m.y, horizontal * horizontal};
  north = meridian ? Vec3{0, 0, 1} : (1.0 / Length(north)) * north;
  const double phiNorth = meridian ? kHalfPi : std::atan2(north.z, std::hypot(north.x, north.y));
  const Vec3 south = -1.0 * north;
  const Vec3 u1 = UnitDirection(phi1, g.lon1), u2 = UnitDirection(phi2, g.lon2);
  const double span = AngleAbout(m, u1, u2);
  const auto onArc = [&](Vec3 u) { return AngleAbout(m, u1, u) <= span + 1e-15; };
  const bool northOn = onArc(north), southOn = onArc(south);
  const double highest = northOn ? phiNorth : std::max(phi1, phi2);
  const double lowest = southOn ? -phiNorth : std::min(phi1, phi2);
  const bool northSide = highest >= -lowest;
  v.kind = meridian ? RouteVertex::kPole : RouteVertex::kPoint;
  v.phi = northSide ? phiNorth : -phiNorth;
  const Vec3 u = northSide ? north : south;
  v.lambda = meridian ? 0.0 : std::atan2(u.y, u.x);
  v.onRoute = northSide ? northOn : southOn;
  return v;
}

Status SolveComposite(const RouteGeometry& g, double limit, CompositeSailing& c) {
  const double phi1 = TrueLatitude(g.lat1), phi2 = TrueLatitude(g.lat2);
  if (std::fabs(phi1) > limit || std::fabs(phi2) > limit) return Status::position_beyond_limit;
  c = CompositeSailing();
  c.total = std::fabs(g.distance);
  const RouteVertex vertex = FindVertex(g);
  if (vertex.kind == RouteVertex::kEquator || !vertex.onRoute || std::fabs(vertex.phi) <= limit) {
    return Status::ok;
  }
  c.composite = true;
  // On the side of the vertex; east unless the route leaves westward (a
  // meridian route over the pole turns east).
  const double side = vertex.phi > 0 ? 1.0 : -1.0;
  const double east = vertex.kind == RouteVertex::kPole || g.fwdAzimuth <= kPi ? 1.0 : -1.0;
  // A great circle with its vertex on latitude L passes latitude phi
  // |lambda - lambda_v| = acos(tan phi / tan L) away from the vertex.
  const auto reach = [&](double phi) {
    const double ratio = std::tan(side * phi) / std::tan(limit);
    return std::acos(std::min(1.0, std::max(-1.0, ratio)));
  };
  const double L = side * limit;
  c.t1Phi = c.t2Phi = L;
  c.t1Lambda = WrapLongitude(std::remainder(g.lon1 + east * reach(phi1), kTwoPi));
  c.t2Lambda = WrapLongitude(std::remainder(g.lon2 - east * reach(phi2), kTwoPi));
  double dlambda = std::remainder(east * (c.t2Lambda - c.t1Lambda), kTwoPi);
  if (dlambda < 0) dlambda = 0;  // the tangent points met: no parallel to sail

  // The parts. A part of no length keeps the course of the next.
  const double parallelCourse = east > 0 ? kHalfPi : kThreeHalfPi;
  c.parallel = PrimeVerticalRadius(limit) * std::cos(limit) * dlambda;
  c.parallelCourse = parallelCourse;
  const double carriedL = AdjustedLatitude(L);
  if (reach(phi1) > 0) {
    const GreatEllipticSailing first = SolveGreatElliptic(g.lat1, g.lon1, carriedL, c.t1Lambda);
    c.ge1 = std::fabs(first.distance);
    c.ge1Course = first.fwdAzimuth;
    c.ge1AzimuthGc = first.fwdAzimuthGc;
  } else {
    c.ge1Course = parallelCourse;
  }
  if (reach(phi2) > 0) {
    const GreatEllipticSailing last = SolveGreatElliptic(carriedL, c.t2Lambda, g.lat2, g.lon2);
    c.ge2 = std::fabs(last.distance);
    c.ge2Course = last.fwdAzimuth;
    c.ge2AzimuthGc = last.fwdAzimuthGc;
    c.finalCourse = std::fmod(last.invAzimuth + kPi, kTwoPi);
  } else {
    c.finalCourse = parallelCourse;  // arriving along the parallel
  }
  c.total = c.ge1 + c.parallel + c.ge2;
  return Status::ok;
}

void CompositeTable(const RouteGeometry& g, const CompositeSailing& c, long n, double step,
                    RowSink& sink) {
  const double endFirst = c.ge1, endParallel = c.ge1 + c.parallel;
  const TrackLine line(g, TrackLine::kComposite, &c);

  // The rows lie at k * step along the track, and at T1 and T2, merged in
  // order (only the two tangent points are held, not the table).
  struct Tangent {
    double s;
    bool first;  // T1 (the end of the first great ellipse), else T2
  };
  Tangent tangents[2];
  int count = 0;
  if (endFirst > 0 && endFirst < c.total) tangents[count++] = {endFirst, true};
  if (endParallel > endFirst && endParallel < c.total) tangents[count++] = {endParallel, false};
  // The leg arriving at s keeps its course on the parallel.
  const auto onParallel = [&](double s) { return s > endFirst && s <= endParallel; };

  WaypointRow row;
  row.latitude = g.lat1;
  row.longitude = g.lon1;
  row.azimuth = row.leaving =
      c.ge1 > 0 ? c.ge1Course : (c.parallel > 0 ? c.parallelCourse : c.ge2Course);
  sink.Row(row);
  double previous = 0;
  long number = 1, k = 1;
  int t = 0;
  // A waypoint within a metre of a tangent point, before it or after it, is
  // that point (no leg of a millimetre).
  const double near = NearFixedPoint(step);
  for (;;) {
    const double waypoint = k <= n ? static_cast<double>(k) * step : HUGE_VAL;
    const double tangent = t < count ? tangents[t].s : HUGE_VAL;
    double s;
    int kind = 0;  // 0 a waypoint, 1 T1, 2 T2
    if (t < count && tangent - waypoint < near) {
      s = tangent;
      kind = tangents[t++].first ? 1 : 2;
      if (waypoint - tangent < near) ++k;  // the waypoint is this point
    } else {
      s = waypoint;
      ++k;
    }
    if (!(s < c.total)) break;
    WaypointRow r;
    r.number = number++;
    r.leg = s - previous;
    r.total = s;
    r.loxodrome = onParallel(s);
    if (kind == 1) {
      r.latitude = AdjustedLatitude(c.t1Phi), r.longitude = c.t1Lambda;
      r.azimuth = c.parallel > 0 ? c.parallelCourse : c.ge2Course;
    } else if (kind == 2) {
      r.latitude = AdjustedLatitude(c.t2Phi), r.longitude = c.t2Lambda;
      r.azimuth = c.ge2Course;
    } else {
      const TrackPoint q = line.At(s);
      r.latitude = q.phi, r.longitude = WrapLongitude(q.lambda), r.azimuth = q.azimuth;
    }
    r.leaving = r.azimuth;
    sink.Row(r);
    previous = s;
  }
  WaypointRow end;
  end.number = number;
  end.latitude = g.lat2;
  end.longitude = g.lon2;
  end.leg = c.total - previous;
  end.total = c.total;
  end.loxodrome = onParallel(c.total);
  sink.Row(end);
}

}  // namespace sailings
