#include "elliptic/separation.h"

#include <algorithm>
#include <cmath>

#include "elliptic/comparison.h"
#include "elliptic/ellipsoid.h"
#include "elliptic/rhumb.h"

namespace sailings {

namespace {

// The unit vector of travel on azimuth `alpha` at (phi, lambda): north and
// east of the local horizon, in Earth-centred axes.
Vec3 Tangent(double phi, double lambda, double alpha) {
  const double sp = std::sin(phi), cp = std::cos(phi), sl = std::sin(lambda), cl = std::cos(lambda);
  const Vec3 north{-sp * cl, -sp * sl, cp};
  const Vec3 east{-sl, cl, 0.0};
  return std::cos(alpha) * north + std::sin(alpha) * east;
}

// The point of `track` nearest to p, searched from arc length `s`: its arc
// length (in [0, length]) and the chord to it (metres).
struct Nearest {
  double s = 0, chord = 0;
  SurfacePoint at;
};

Nearest NearestOnTrack(const TrackLine& track, Vec3 p, double s) {
  const double length = track.length();
  s = std::clamp(s, 0.0, length);
  Nearest n;
  for (int pass = 0; pass < 8; ++pass) {
    const TrackPoint q = track.At(s);
    const double phi = TrueLatitude(q.phi);
    const Vec3 point = EllipsoidPoint(phi, q.lambda);
    n.s = s, n.chord = Length(p - point), n.at = {phi, q.lambda};
    const double step = Dot(p - point, Tangent(phi, q.lambda, q.azimuth));
    const double next = std::clamp(s + step, 0.0, length);
    if (std::fabs(next - s) < 1e-4) break;
    s = next;
  }
  return n;
}

// The curve's chord distance from the track at u.
struct Gap {
  const Curve& curve;
  const TrackLine& track;
  double s0, s1;
  double operator()(double u, SurfacePoint* point = nullptr,
                    SurfacePoint* nearest = nullptr) const {
    const SurfacePoint c = curve(u);
    const Nearest n = NearestOnTrack(track, EllipsoidPoint(c.phi, c.lambda), s0 + u * (s1 - s0));
    if (point) *point = c;
    if (nearest) *nearest = n.at;
    return n.chord;
  }
};

// The largest of `samples` + 1 equally spaced values of the gap (u = 0 to 1)
// and where.
double Sampled(const Gap& gap, int samples, int& worst) {
  double largest = -1;
  worst = 0;
  for (int k = 0; k <= samples; ++k) {
    const double d = gap(static_cast<double>(k) / samples);
    if (d > largest) largest = d, worst = k;
  }
  return largest;
}

// Refines the largest sampled gap by golden sections between its neighbours.
double Refined(const Gap& gap, int samples, int worst, double sampled, double& u) {
  const double g = 0.6180339887498949;
  double lo = std::max(0.0, (worst - 1.0) / samples), hi = std::min(1.0, (worst + 1.0) / samples);
  double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
  double f1 = gap(x1), f2 = gap(x2);
  while (hi - lo > 1e-6) {
    if (f1 > f2) {
      hi = x2, x2 = x1, f2 = f1;
      x1 = hi - g * (hi - lo), f1 = gap(x1);
    } else {
      lo = x1, x1 = x2, f1 = f2;
      x2 = lo + g * (hi - lo), f2 = gap(x2);
    }
  }
  const double best = std::max(f1, f2);
  if (best <= sampled) {
    u = static_cast<double>(worst) / samples;
    return sampled;
  }
  u = f1 > f2 ? x1 : x2;
  return best;
}

// The surface distance from the curve at u to the track.
double SurfaceGap(const Gap& gap, double u, SurfacePoint& at) {
  SurfacePoint nearest;
  gap(u, &at, &nearest);
  double metres = 0;
  Geodesic().Inverse(ToDegrees(at.phi), ToDegrees(at.lambda), ToDegrees(nearest.phi),
                     ToDegrees(nearest.lambda), metres);
  return metres;
}

}  // namespace

SeparationResult GreatestSeparation(const Curve& curve, const TrackLine& track, double s0,
                                    double s1, int samples) {
  const Gap gap{curve, track, s0, s1};
  int worst = 0;
  const double sampled = Sampled(gap, samples, worst);
  SeparationResult r;
  Refined(gap, samples, worst, sampled, r.u);
  r.metres = SurfaceGap(gap, r.u, r.at);
  return r;
}

Curve RhumbChord(SurfacePoint from, SurfacePoint to) {
  double course = 0, length = 0;
  LoxoLeg(from.phi, from.lambda, to.phi, to.lambda, course, length);
  return [from, to, course, length](double u) {
    if (u >= 1) return to;  // the end exactly, whatever the rounding of the course
    const RhumbPoint p = RhumbDirect(from.phi, from.lambda, course, u * length, to.lambda);
    return SurfacePoint{p.phi, p.lambda};
  };
}

namespace {

constexpr int kChordSamples = 8;

// The greatest chord gap of the rhumb lines between n equal parts of the
// track. With a finite `stop`, returns as soon as one part is found to
// exceed it (the value returned is then above `stop`, not the greatest).
// `part` and `u` tell where the greatest lies.
double PartsSeparation(const TrackLine& track, long n, double stop, long& part, double& u) {
  const double length = track.length();
  double largest = 0;
  part = 0, u = 0;
  TrackPoint a = track.At(0);
  for (long k = 0; k < n; ++k) {
    const double s0 = length * k / n, s1 = k + 1 == n ? length : length * (k + 1) / n;
    const TrackPoint b = track.At(s1);
    const Curve chord =
        RhumbChord({TrueLatitude(a.phi), a.lambda}, {TrueLatitude(b.phi), b.lambda});
    const Gap gap{chord, track, s0, s1};
    int worst = 0;
    double d = Sampled(gap, kChordSamples, worst);
    double at = static_cast<double>(worst) / kChordSamples;
    // A smooth bulge is sampled to within a few per cent of its top: refine
    // only what may decide the answer, or everything for the final count.
    if (d <= stop && (d > 0.9 * stop || !std::isfinite(stop)) && d > largest * 0.9) {
      d = Refined(gap, kChordSamples, worst, d, at);
    }
    if (d > largest) largest = d, part = k, u = at;
    if (largest > stop) return largest;
    a = b;
  }
  return largest;
}

}  // namespace

long CrossTrackParts(const TrackLine& track, double limit, long most, double& worst) {
  worst = 0;
  if (track.kind() == TrackLine::kRhumbLine || !(track.length() > 0)) return 1;
  long part = 0;
  double u = 0;
  // The fewest parts first, one by one (a track over a pole may keep within
  // the limit with two parts and not with three: a part across the pole);
  // then upwards from there: a bulge shrinks as the square of the part's
  // length, so the next count to try is estimated from the last one's bulge.
  long failing = 0, passing = 1;
  double bulge = PartsSeparation(track, 1, limit, part, u);
  while (bulge > limit && passing < std::min(4L, most)) {
    failing = passing++;
    bulge = PartsSeparation(track, passing, limit, part, u);
  }
  while (bulge > limit) {
    failing = passing;
    if (failing >= most) return most + 1;
    const double estimate = std::ceil(failing * std::sqrt(bulge / limit) * 1.02);
    passing = static_cast<long>(std::min<double>(most, std::max<double>(failing + 1, estimate)));
    bulge = PartsSeparation(track, passing, limit, part, u);
  }
  // Then down by halves to the least count that keeps within the limit.
  while (passing - failing > 1) {
    const long middle = failing + (passing - failing) / 2;
    if (PartsSeparation(track, middle, limit, part, u) > limit) {
      failing = middle;
    } else {
      passing = middle;
    }
  }
  // The greatest separation of that count, along the surface.
  PartsSeparation(track, passing, INFINITY, part, u);
  const double length = track.length();
  const double s0 = length * part / passing,
               s1 = part + 1 == passing ? length : length * (part + 1) / passing;
  const TrackPoint a = track.At(s0), b = track.At(s1);
  const Curve chord = RhumbChord({TrueLatitude(a.phi), a.lambda}, {TrueLatitude(b.phi), b.lambda});
  SurfacePoint at;
  worst = SurfaceGap(Gap{chord, track, s0, s1}, u, at);
  return passing;
}

}  // namespace sailings
