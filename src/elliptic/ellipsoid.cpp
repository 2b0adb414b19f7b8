#include "elliptic/ellipsoid.h"

#include <cmath>

namespace sailings {

double AdjustedLatitude(double phi) {
  if (phi == kHalfPi) return kPoleLatitude;
  if (phi == 0.0) return kEquatorLatitude;
  return phi;
}

double TrueLatitude(double carried) {
  if (carried == kPoleLatitude) return kHalfPi;
  if (carried == kEquatorLatitude) return 0.0;
  return carried;
}

bool IsNorthPole(double phi) { return phi > kHalfPi - kPoleTolerance; }
bool IsSouthPole(double phi) { return phi < -kHalfPi + kPoleTolerance; }

double PrimeVerticalRadius(double phi) {
  const double s = std::sin(phi);
  return a / std::sqrt(1.0 - e_sq * s * s);
}

double GeocentricLatitude(double phi) { return std::atan(kOneMinusESq * std::tan(phi)); }

Vec3 EllipsoidPoint(double phi, double lambda) {
  return EllipsoidPoint(std::sin(phi), std::cos(phi), std::sin(lambda), std::cos(lambda));
}

Vec3 EllipsoidPoint(double sinPhi, double cosPhi, double sinLambda, double cosLambda) {
  const double N = a / std::sqrt(1.0 - e_sq * sinPhi * sinPhi);
  return {N * cosPhi * cosLambda, N * cosPhi * sinLambda, N * kOneMinusESq * sinPhi};
}

double IsometricLatitude(double phi) {
  return std::asinh(std::tan(phi)) - e * std::atanh(e * std::sin(phi));
}

ArcSeries ArcCoefficients(double eps) {
  const double e2 = eps * eps, e4 = e2 * e2, e6 = e4 * e2, e8 = e6 * e2;
  ArcSeries c;
  c.A0 =
      1.0 + (e2 * 3.0) / 4.0 + (e4 * 45.0) / 64.0 + (e6 * 175.0) / 256.0 + (e8 * 11025.0) / 16384.0;
  c.A2 = (e2 * 3.0) / 8.0 + (e4 * 15.0) / 32.0 + (e6 * 525.0) / 1024.0 + (e8 * 2205.0) / 4096.0;
  c.A4 = (e4 * 15.0) / 256.0 + (e6 * 105.0) / 1024.0 + (e8 * 2205.0) / 16384.0;
  c.A6 = (e6 * 35.0) / 3072.0 + (e8 * 315.0) / 12288.0;
  c.A8 = (e8 * 315.0) / 131072.0;
  return c;
}

namespace {

// Clenshaw summation of the periodic part of the series,
//   -A2 sin 2x + A4 sin 4x - A6 sin 6x + A8 sin 8x   (sine sum)
//   -2 A2 cos 2x + 4 A4 cos 4x - 6 A6 cos 6x + 8 A8 cos 8x   (its derivative),
// from sin 2x and cos 2x alone (the derivative needs cos 2x only).
double PeriodicSum(const ArcSeries& c, double sin2, double cos2) {
  const double alpha = 2.0 * cos2;
  double b1 = c.A8;
  double b0 = -c.A6 + alpha * b1;
  double t = c.A4 + alpha * b0 - b1;
  b1 = b0;
  b0 = t;
  t = -c.A2 + alpha * b0 - b1;
  return t * sin2;
}

double PeriodicSlope(const ArcSeries& c, double cos2) {
  const double alpha = 2.0 * cos2;
  double b1 = 8.0 * c.A8;
  double b0 = -6.0 * c.A6 + alpha * b1;
  double t = 4.0 * c.A4 + alpha * b0 - b1;
  b1 = b0;
  b0 = t;
  t = -2.0 * c.A2 + alpha * b0 - b1;
  return t * cos2 - b0;
}

}  // namespace

double ArcSeriesValue(const ArcSeries& c, double phi) {
  return c.A0 * phi + PeriodicSum(c, std::sin(2.0 * phi), std::cos(2.0 * phi));
}

double ArcSeriesValue(const ArcSeries& c, double phi, double sin2, double cos2) {
  return c.A0 * phi + PeriodicSum(c, sin2, cos2);
}

double MeridianArc(double phi1, double phi2, double eps, double K) {
  const ArcSeries c = ArcCoefficients(eps);
  // The linear term as a difference keeps short arcs accurate.
  return K * (c.A0 * (phi2 - phi1) + (PeriodicSum(c, std::sin(2.0 * phi2), std::cos(2.0 * phi2)) -
                                      PeriodicSum(c, std::sin(2.0 * phi1), std::cos(2.0 * phi1))));
}

double InverseArc(const ArcSeries& c, double K, double m, double phi0) {
  // The slope is the radius of curvature over K, within 1% of 1 on the Earth,
  // so Newton's method converges quadratically from any estimate within a
  // radian; twelve passes are far more than a double needs.
  const double target = m / K;
  double phi = phi0;
  for (int pass = 0; pass < 12; ++pass) {
    const double sin2 = std::sin(2.0 * phi), cos2 = std::cos(2.0 * phi);
    const double step =
        (c.A0 * phi + PeriodicSum(c, sin2, cos2) - target) / (c.A0 + PeriodicSlope(c, cos2));
    phi -= step;
    if (!(std::fabs(step) > 1e-15)) break;
  }
  return phi;
}

double FullCircleAzimuth(double y, double x) {
  // x == 0 is settled explicitly: a negative zero must not turn east into west.
  if (x == 0.0) return y > 0.0 ? kHalfPi : (y < 0.0 ? kThreeHalfPi : 0.0);
  double alpha = std::atan(y / x);
  if (x < 0.0) alpha += kPi;
  if (alpha < 0.0) alpha += kTwoPi;
  return alpha;
}

double AngleOf(double y, double x) {
  if (x == 0.0) return y > 0.0 ? kHalfPi : (y < 0.0 ? -kHalfPi : 0.0);
  double t = std::atan(y / x);
  if (x < 0.0 && y >= 0.0) t += kPi;
  if (x < 0.0 && y < 0.0) t -= kPi;
  return t;
}

double WrapLongitudeDifference(double dlambda) {
  if (dlambda > kPi) dlambda -= kTwoPi;
  if (dlambda < -kPi) dlambda += kTwoPi;
  return dlambda;
}

double WrapLongitude(double lambda) {
  if (lambda < -kPi) lambda += kTwoPi;
  if (lambda > kPi) lambda += -kTwoPi;
  return lambda;
}

}  // namespace sailings
