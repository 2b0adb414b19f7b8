#include "elliptic/drawn_track.h"

#include <algorithm>
#include <cmath>

#include "elliptic/ellipsoid.h"

namespace sailings {

namespace {

// A track this close to a pole (radians of latitude, 0.6 mm) passes through it.
constexpr double kThroughPole = 1e-10;
// The longest step of the first sampling, metres, and the largest change of
// longitude between neighbouring samples (radians) before one is put between.
constexpr double kCoarseStep = 20000.0;
constexpr double kCoarseTurn = 0.5;
// Subdivision stops at chords this short (metres) or this deep.
constexpr double kShortestChord = 0.01;
constexpr int kDeepest = 40;

// A point of the track: its distance along (metres), true latitude and
// longitude (radians, unwrapped: continuous along a section of the track).
struct Sample {
  double s = 0, phi = 0, lambda = 0;
  bool pole = false;
};

bool AtPole(double phi) { return std::fabs(phi) >= kHalfPi - kThroughPole; }

// Dips of the distance from a track point to a chord in longitude and
// latitude, measured between Earth-centred points (at these separations the
// straight distance is the distance on the ellipsoid to a part in 1e12).
// Gauss-Newton along the chord from `t`; any t found gives an upper bound,
// so an unconverged step only makes the chord look worse.
double ChordDistance(const Sample& a, const Sample& b, double phi, double lambda, double t) {
  const Vec3 p = EllipsoidPoint(phi, lambda);
  const double dphi = b.phi - a.phi, dlambda = b.lambda - a.lambda;
  for (int i = 0; i < 8; ++i) {
    const double f = a.phi + t * dphi, l = a.lambda + t * dlambda;
    const double sf = std::sin(f), cf = std::cos(f), sl = std::sin(l), cl = std::cos(l);
    const double n = PrimeVerticalRadius(f);
    const double m = n * kOneMinusESq / (1 - e_sq * sf * sf);  // meridian radius of curvature
    const Vec3 c = EllipsoidPoint(sf, cf, sl, cl);
    const Vec3 d =
        (dphi * m) * Vec3{-sf * cl, -sf * sl, cf} + (dlambda * n * cf) * Vec3{-sl, cl, 0};
    const double dd = Dot(d, d);
    if (!(dd > 0)) break;
    const double next = std::clamp(t - Dot(c - p, d) / dd, 0.0, 1.0);
    const bool settled = std::fabs(next - t) < 1e-14;
    t = next;
    if (settled) break;
  }
  return Length(EllipsoidPoint(a.phi + t * dphi, a.lambda + t * dlambda) - p);
}

class Drawer {
 public:
  Drawer(const TrackLine& line, double tolerance) : line_(line), tolerance_(tolerance) {}

  std::vector<std::vector<DrawnVertex>> Draw() {
    const double length = line_.length();
    // Sections between the passages through a pole, where the longitude
    // jumps by half a turn.
    std::vector<double> ends = {0.0};
    for (double s : PolePassages(length)) {
      if (s > ends.back() && s < length) ends.push_back(s);
    }
    ends.push_back(length);
    for (std::size_t i = 0; i + 1 < ends.size(); ++i) Section(ends[i], ends[i + 1]);
    return std::move(pieces_);
  }

 private:
  // The track at s, its longitude in [-pi, pi).
  Sample Raw(double s) const {
    const TrackPoint p = line_.At(std::clamp(s, 0.0, line_.length()));
    Sample q;
    q.s = s;
    q.phi = TrueLatitude(p.phi);
    q.lambda = std::remainder(p.lambda, kTwoPi);
    q.pole = AtPole(q.phi);
    if (q.pole) q.phi = std::copysign(kHalfPi, q.phi);
    return q;
  }

  // Where the track passes through a pole between its ends: each local
  // greatest |latitude| of a first sampling, found by golden sections.
  std::vector<double> PolePassages(double length) const {
    std::vector<double> found;
    const long n = std::max(8L, static_cast<long>(std::ceil(length / kCoarseStep)));
    std::vector<double> lat(static_cast<std::size_t>(n) + 1);
    for (long k = 0; k <= n; ++k)
      lat[static_cast<std::size_t>(k)] = std::fabs(Raw(length * k / n).phi);
    for (long k = 1; k < n; ++k) {
      const std::size_t i = static_cast<std::size_t>(k);
      if (!(lat[i] >= lat[i - 1] && lat[i] >= lat[i + 1] && lat[i] > 1.2)) continue;
      double lo = length * (k - 1) / n, hi = length * (k + 1) / n;
      const double g = 0.3819660112501051;
      double x1 = lo + g * (hi - lo), x2 = hi - g * (hi - lo);
      double f1 = std::fabs(Raw(x1).phi), f2 = std::fabs(Raw(x2).phi);
      for (int it = 0; it < 100 && hi - lo > 1e-6; ++it) {
        if (f1 >= f2) {
          hi = x2, x2 = x1, f2 = f1;
          x1 = lo + g * (hi - lo), f1 = std::fabs(Raw(x1).phi);
        } else {
          lo = x1, x1 = x2, f1 = f2;
          x2 = hi - g * (hi - lo), f2 = std::fabs(Raw(x2).phi);
        }
      }
      const double s = 0.5 * (lo + hi);
      if (AtPole(Raw(s).phi) && (found.empty() || s > found.back())) found.push_back(s);
    }
    return found;
  }

  // The unwrapped longitude of the first sampling at s (linear between its
  // samples), the reference that every later sample is unwrapped against.
  double Reference(double s) const {
    auto it = std::lower_bound(coarse_.begin(), coarse_.end(), s,
                               [](const Sample& q, double v) { return q.s < v; });
    if (it == coarse_.begin()) return it->lambda;
    if (it == coarse_.end()) return coarse_.back().lambda;
    const Sample& b = *it;
    const Sample& a = *(it - 1);
    const double w = b.s > a.s ? (s - a.s) / (b.s - a.s) : 0.0;
    return a.lambda + w * (b.lambda - a.lambda);
  }

  Sample At(double s) const {
    Sample q = Raw(s);
    const double ref = Reference(s);
    // At a pole the longitude is the meridian the track arrives or leaves by.
    q.lambda = q.pole ? ref : ref + std::remainder(q.lambda - ref, kTwoPi);
    return q;
  }

  void Section(double a, double b) {
    // The first sampling, closer where the longitude turns fast (near a pole).
    coarse_.clear();
    const long n = std::max(8L, static_cast<long>(std::ceil((b - a) / kCoarseStep)));
    std::vector<Sample> todo;
    for (long k = n; k >= 0; --k) todo.push_back(Raw(a + (b - a) * k / n));
    while (!todo.empty()) {
      Sample q = todo.back();
      todo.pop_back();
      if (coarse_.empty() || q.pole) {
        coarse_.push_back(q);
        continue;
      }
      const Sample& last = coarse_.back();
      const double turn = std::remainder(q.lambda - last.lambda, kTwoPi);
      if (std::fabs(turn) > kCoarseTurn && q.s - last.s > kShortestChord && !last.pole) {
        todo.push_back(q);
        todo.push_back(Raw(0.5 * (last.s + q.s)));
        continue;
      }
      q.lambda = last.pole ? q.lambda : last.lambda + turn;
      coarse_.push_back(q);
    }
    // Samples at a pole take the longitude of their neighbour in the section.
    for (std::size_t i = 0; i < coarse_.size(); ++i) {
      if (!coarse_[i].pole) continue;
      std::size_t j = i;
      while (j < coarse_.size() && coarse_[j].pole) ++j;
      if (j == coarse_.size()) {
        j = i;
        while (j > 0 && coarse_[j].pole) --j;
      }
      coarse_[i].lambda = coarse_[j].lambda;
    }
    // A pole sample may have opened the section: unwrap the rest against it.
    for (std::size_t i = 1; i < coarse_.size(); ++i) {
      coarse_[i].lambda =
          coarse_[i - 1].lambda + std::remainder(coarse_[i].lambda - coarse_[i - 1].lambda, kTwoPi);
    }

    // Breaks where the longitude crosses the 180th meridian.
    std::vector<Sample> stops = {At(a)};
    const auto side = [](double lambda, bool& boundary) {
      const double q = (lambda + kPi) / kTwoPi;
      boundary = std::fabs(q - std::round(q)) < 1e-12;
      return std::floor(q);
    };
    bool boundary = false;
    double lastSide = 0;
    long lastIndex = -1, boundaryIndex = -1;
    for (std::size_t i = 0; i < coarse_.size(); ++i) {
      const double sd = side(coarse_[i].lambda, boundary);
      if (boundary) {
        boundaryIndex = static_cast<long>(i);
        continue;
      }
      if (lastIndex >= 0 && sd != lastSide) {
        const double meridian = kPi * (2 * std::max(sd, lastSide) - 1);
        Sample cross;
        if (boundaryIndex > lastIndex) {
          cross = coarse_[static_cast<std::size_t>(boundaryIndex)];
        } else {
          double lo = coarse_[static_cast<std::size_t>(lastIndex)].s, hi = coarse_[i].s;
          const bool rising = sd > lastSide;
          for (int it = 0; it < 200 && hi - lo > 1e-7; ++it) {
            const double mid = 0.5 * (lo + hi);
            ((At(mid).lambda < meridian) == rising ? lo : hi) = mid;
          }
          cross = At(0.5 * (lo + hi));
        }
        cross.lambda = meridian;
        if (cross.s > stops.back().s + 1e-6 && cross.s < b - 1e-6) {
          cross.pole = false;
          crossings_.push_back(cross.s);
          stops.push_back(cross);
        }
      }
      lastSide = sd;
      lastIndex = static_cast<long>(i);
    }
    stops.push_back(At(b));

    // Each stretch between breaks, refined; a crossing begins a new piece.
    for (std::size_t i = 0; i + 1 < stops.size(); ++i) {
      if (pieces_.empty() || i > 0) pieces_.emplace_back();
      run_.assign(1, stops[i]);
      Refine(stops[i], stops[i + 1], 0);
      Emit();
    }
  }

  // The greatest distance of the track between a and b from their chord:
  // nine samples, and the top of the parabola through the greatest and its
  // neighbours (the gap near its peak is smooth), so that a peak between
  // samples is not missed.
  double Deviation(const Sample& a, const Sample& b) const {
    constexpr int kParts = 10;
    double gap[kParts + 1] = {};  // the ends lie on the chord
    int top = 0;
    for (int k = 1; k < kParts; ++k) {
      const double u = static_cast<double>(k) / kParts;
      const Sample q = At(a.s + u * (b.s - a.s));
      gap[k] = ChordDistance(a, b, q.phi, q.lambda, u);
      if (gap[k] > gap[top]) top = k;
    }
    if (top == 0) return 0;
    const double left = gap[top - 1], mid = gap[top], right = gap[top + 1];
    const double curve = left - 2 * mid + right;
    if (!(curve < 0)) return mid;
    const double shift = std::clamp(0.5 * (left - right) / curve, -1.0, 1.0);
    return std::max(mid, mid - 0.25 * (left - right) * shift);
  }

  // Appends the vertices after a up to b.
  void Refine(const Sample& a, const Sample& b, int depth) {
    const double deviation = Deviation(a, b);
    if (deviation <= tolerance_ || depth >= kDeepest || b.s - a.s < kShortestChord) {
      run_.push_back(b);
      return;
    }
    // A chord's sagitta falls as the square of its length: about this many
    // parts keep within the tolerance.
    const int parts =
        std::clamp(static_cast<int>(std::ceil(1.1 * std::sqrt(deviation / tolerance_))), 2, 16);
    Sample from = a;
    for (int k = 1; k <= parts; ++k) {
      const Sample to = k == parts ? b : At(a.s + (b.s - a.s) * k / parts);
      Refine(from, to, depth + 1);
      from = to;
    }
  }

  // The run's vertices into the current piece, their longitudes brought
  // into [-180, 180] together.
  void Emit() {
    double lo = run_.front().lambda, hi = lo;
    for (const Sample& q : run_) lo = std::min(lo, q.lambda), hi = std::max(hi, q.lambda);
    const double shift = -kTwoPi * std::round(0.5 * (lo + hi) / kTwoPi);
    std::vector<DrawnVertex>& piece = pieces_.back();
    for (const Sample& q : run_) {
      double lon = ToDegrees(q.lambda + shift);
      if (std::fabs(std::fabs(lon) - 180.0) < 1e-9) lon = std::copysign(180.0, lon);
      lon = std::clamp(lon, -180.0, 180.0);
      const DrawnVertex v{ToDegrees(q.phi), lon};
      if (!piece.empty() && piece.back().lat == v.lat && piece.back().lon == v.lon) continue;
      piece.push_back(v);
    }
  }

  const TrackLine& line_;
  double tolerance_;
  std::vector<Sample> coarse_, run_;
  std::vector<double> crossings_;
  std::vector<std::vector<DrawnVertex>> pieces_;
};

}  // namespace

std::vector<std::vector<DrawnVertex>> DrawTrackLine(const TrackLine& line, double tolerance) {
  return Drawer(line, tolerance).Draw();
}

}  // namespace sailings
