#include "elliptic/rhumb.h"

#include <cmath>

namespace sailings {

namespace {

const ArcSeries& EllipsoidSeries() {
  static const ArcSeries series = ArcCoefficients(e);
  return series;
}

// dq / dM between two latitudes: the reciprocal of the radius of the parallel
// at the mean latitude when the arc is under a metre (where the quotient of
// two tiny differences would lose its digits), the quotient otherwise.
double IsometricPerArc(double phi1, double phi2, double dM) {
  if (std::fabs(dM) < 1.0) {
    const double mid = 0.5 * (phi1 + phi2);
    return 1.0 / (PrimeVerticalRadius(mid) * std::cos(mid));
  }
  return (IsometricLatitude(phi2) - IsometricLatitude(phi1)) / dM;
}

}  // namespace

double EllipsoidMeridianArc(double phi) {
  return kMeridianFactor * ArcSeriesValue(EllipsoidSeries(), phi);
}

double LatitudeAtMeridianArc(double m) {
  const double quarter = EllipsoidMeridianArc(kHalfPi);
  if (m >= quarter) return kHalfPi;
  if (m <= -quarter) return -kHalfPi;
  // First estimate: one minute of latitude to the nautical mile.
  const double estimate = ((m / 60.0) / kNauticalMile) * kPi / 180.0;
  const double phi = InverseArc(EllipsoidSeries(), kMeridianFactor, m, estimate);
  return phi > kHalfPi ? kHalfPi : (phi < -kHalfPi ? -kHalfPi : phi);
}

void LoxoLeg(double phi1, double lambda1, double phi2, double lambda2, double& alpha, double& d) {
  phi1 = TrueLatitude(phi1);
  phi2 = TrueLatitude(phi2);
  const double dlambda = WrapLongitudeDifference(lambda2 - lambda1);
  const double dphi = phi2 - phi1;

  const bool pole1 = IsNorthPole(phi1) || IsSouthPole(phi1);
  const bool pole2 = IsNorthPole(phi2) || IsSouthPole(phi2);
  if (pole1 || pole2) {
    // Every course from a pole is a meridian; the isometric latitude there is
    // infinite, and the carried pole latitude would otherwise give a spiral.
    if (pole1) {
      alpha = IsNorthPole(phi1) ? kPi : 0.0;
    } else {
      alpha = IsNorthPole(phi2) ? 0.0 : kPi;
    }
    d = std::fabs(MeridianArc(phi1, phi2, e, kMeridianFactor));
    return;
  }

  if (std::fabs(dphi) < 1e-8) {
    alpha = dlambda >= 0.0 ? kHalfPi : kThreeHalfPi;
    d = std::fabs(PrimeVerticalRadius(phi1) * std::cos(phi1) * dlambda);
    return;
  }

  const double dq = IsometricLatitude(phi2) - IsometricLatitude(phi1);
  alpha = FullCircleAzimuth(dlambda, dq);
  // d = |dM / cos alpha| = sqrt(dM^2 + (dlambda / (dq/dM))^2): the same
  // length, without dividing by a vanishing cosine on near-parallel courses.
  const double dM = MeridianArc(phi1, phi2, e, kMeridianFactor);
  const double east = dlambda / IsometricPerArc(phi1, phi2, dM);
  d = std::hypot(dM, east);
}

RhumbPoint RhumbDirect(double phi1, double lambda1, double alpha, double s, double poleMeridian) {
  RhumbPoint q{phi1, lambda1};
  if (s == 0.0) return q;
  phi1 = TrueLatitude(phi1);
  q.phi = phi1;
  if (alpha == kHalfPi || alpha == kThreeHalfPi) {
    // Along the parallel.
    const double dl = s / (PrimeVerticalRadius(phi1) * std::cos(phi1));
    q.lambda = WrapLongitude(lambda1 + (alpha == kHalfPi ? dl : -dl));
    return q;
  }
  const double dM = s * std::cos(alpha);
  q.phi = LatitudeAtMeridianArc(EllipsoidMeridianArc(phi1) + dM);
  if (IsNorthPole(phi1) || IsSouthPole(phi1)) {
    q.lambda = poleMeridian;
  } else if (alpha == 0.0 || alpha == kPi) {
    q.lambda = lambda1;
  } else {
    // lambda - lambda1 = tan alpha (q - q1) = s sin alpha (dq / dM).
    const double dl = s * std::sin(alpha) * IsometricPerArc(phi1, q.phi, dM);
    // A rhumb line reaches a pole only after infinitely many turns; a point
    // rounded onto the pole keeps the start's longitude.
    q.lambda = std::isfinite(dl) ? WrapLongitude(lambda1 + dl) : lambda1;
  }
  return q;
}

}  // namespace sailings
