#include "elliptic/great_ellipse.h"

#include <cmath>

namespace sailings {

GreatEllipse::GreatEllipse(Vec3 unitNormal) : n_(unitNormal) {
  const double horizontal2 = n_.x * n_.x + n_.y * n_.y;
  const double horizontal = std::sqrt(horizontal2);
  if (horizontal > 0.0) {
    u_ = {-n_.y / horizontal, n_.x / horizontal, 0.0};  // z x n: the line of nodes
  } else {
    u_ = {1.0, 0.0, 0.0};  // the equator: any diameter is an axis
  }
  v_ = Cross(n_, u_);  // steepest ascent, v.z = horizontal >= 0
  // Inclination i of the plane: sin^2 i = horizontal^2, cos^2 i = n_z^2;
  // e_g^2 = e^2 sin^2 i / (1 - e^2 cos^2 i).
  eg2_ = e_sq * horizontal2 / (1.0 - e_sq * n_.z * n_.z);
  b_ = a * std::sqrt(1.0 - eg2_);
  K_ = a * (1.0 - eg2_);
  series_ = ArcCoefficients(std::sqrt(eg2_));
  third_ = (a - b_) / (a + b_);
  rectifying_ = a * (1.0 + 0.125 * third_ * third_) * (1.0 + 0.125 * third_ * third_) / (1.0 + third_);
}

double GreatEllipse::AngleOf(Vec3 p) const {
  // For a point (a cos s, b sin s) of the ellipse, tan g = (a/b) tan s
  // = y / ((1 - e_g^2) x) with x, y its coordinates along the two axes.
  return sailings::AngleOf(Dot(p, v_), Dot(p, u_) * (1.0 - eg2_));
}

double GreatEllipse::Arc(double g) const { return K_ * ArcSeriesValue(series_, g); }

double GreatEllipse::ArcBetween(double g1, double g2) const {
  const ArcSeries& c = series_;
  return K_ * (c.A0 * (g2 - g1) - c.A2 * (std::sin(2.0 * g2) - std::sin(2.0 * g1)) +
               c.A4 * (std::sin(4.0 * g2) - std::sin(4.0 * g1)) -
               c.A6 * (std::sin(6.0 * g2) - std::sin(6.0 * g1)) +
               c.A8 * (std::sin(8.0 * g2) - std::sin(8.0 * g1)));
}

double GreatEllipse::AngleAtArc(double m) const {
  // Closed-form inversion of the rectifying angle mu = m / A_g into the
  // parametric angle sigma (good to a few metres), converted to g ...
  const double mu = m / rectifying_;
  const double F = 1.0 - 1.65 * third_ * std::cos(2.0 * mu);
  const double G = 1.65 * third_ * std::sin(2.0 * mu);
  const double sigma = mu + 1.25 * (1.0 - 0.5625 * third_ * third_) *
                                std::pow(F, 0.24242424242424243) *
                                std::sin(0.24242424242424243 * G);
  const double g0 =
      sigma + std::remainder(sailings::AngleOf(a * std::sin(sigma), b_ * std::cos(sigma)) - sigma,
                             kTwoPi);
  // ... then Newton's method on the arc series makes it exact to the series.
  return InverseArc(series_, K_, m, g0);
}

Vec3 GreatEllipse::PointAt(double g) const {
  // Parametric angle sigma: (cos sigma, sin sigma) is along (a cos g, b sin g).
  const double c = a * std::cos(g), s = b_ * std::sin(g);
  const double h = std::hypot(c, s);
  return (a * (c / h)) * u_ + (b_ * (s / h)) * v_;
}

Vec3 GreatEllipse::TangentAt(double g) const {
  const double c = a * std::cos(g), s = b_ * std::sin(g);
  const double h = std::hypot(c, s);
  return (-a * (s / h)) * u_ + (b_ * (c / h)) * v_;
}

namespace {

Vec3 Normalized(Vec3 p) { return (1.0 / Length(p)) * p; }

Vec3 SurfaceNormal(double phi, double lambda) {
  const double c = std::cos(phi);
  return {c * std::cos(lambda), c * std::sin(lambda), std::sin(phi)};
}

// The unit normal of the meridian plane of lambda whose positive sense runs
// north on that meridian's half.
Vec3 NorthgoingMeridianNormal(double lambda) { return {std::sin(lambda), -std::cos(lambda), 0.0}; }

// Geodetic azimuth of a tangent direction t at (phi, lambda). On a meridian
// the east component is zero by construction, so it is not left to rounding.
double GeodeticAzimuth(Vec3 t, double phi, double lambda, bool meridian) {
  const double east = meridian ? 0.0 : Dot(t, EastVector(lambda));
  return FullCircleAzimuth(east, Dot(t, NorthVector(phi, lambda)));
}

double GeocentricAzimuth(Vec3 t, double psi, double lambda, bool meridian) {
  const double east = meridian ? 0.0 : Dot(t, EastVector(lambda));
  return FullCircleAzimuth(east, Dot(t, NorthVector(psi, lambda)));
}

}  // namespace

GreatEllipticSailing SolveGreatElliptic(double phi1, double lambda1, double phi2, double lambda2) {
  phi1 = TrueLatitude(phi1);
  phi2 = TrueLatitude(phi2);
  GreatEllipticSailing r;
  const Vec3 P1 = EllipsoidPoint(phi1, lambda1);
  const Vec3 P2 = EllipsoidPoint(phi2, lambda2);
  const double dlambda = WrapLongitudeDifference(lambda2 - lambda1);
  r.meridian = dlambda == 0.0 || dlambda == kPi || dlambda == -kPi;

  // The plane through the centre and both points; |n| / (|P1| |P2|) is the
  // sine of the angle between them at the centre.
  const Vec3 n = Cross(P1, P2);
  const double sine = Length(n) / (Length(P1) * Length(P2));

  if (sine < 1e-9 && Dot(P1, P2) > 0.0) {
    // Within 6 mm: the chord is the arc to far below a millimetre.
    const Vec3 chord = P2 - P1;
    r.distance = Length(chord);
    const double psi1 = GeocentricLatitude(phi1);
    r.fwdAzimuth = FullCircleAzimuth(Dot(chord, EastVector(lambda1)),
                                     Dot(chord, NorthVector(phi1, lambda1)));
    r.invAzimuth = FullCircleAzimuth(-Dot(chord, EastVector(lambda2)),
                                     -Dot(chord, NorthVector(phi2, lambda2)));
    r.fwdAzimuthGc = FullCircleAzimuth(Dot(chord, EastVector(lambda1)),
                                       Dot(chord, NorthVector(psi1, lambda1)));
    const Vec3 m = Cross(P1, chord);
    r.normal = Length(m) > 0.0 ? Normalized(m) : NorthgoingMeridianNormal(lambda1);
    return r;
  }

  if (sine < 1e-9) {
    // Antipodes: every plane through the axis holds both points; the shortest
    // of those sections is a meridian's, taken over the departure's pole.
    const bool north = phi1 >= 0.0;
    Vec3 normal = NorthgoingMeridianNormal(lambda1);
    if (!north) normal = -1.0 * normal;
    const GreatEllipse section(normal);
    const double g1 = section.AngleOf(P1);
    r.distance = section.ArcBetween(g1, g1 + kPi);
    r.fwdAzimuthGc = r.fwdAzimuth = r.invAzimuth = north ? 0.0 : kPi;
    r.normal = normal;
    r.meridian = true;
    return r;
  }

  Vec3 travel = Normalized(n);  // positive sense runs from P1 to P2
  if (r.meridian) {
    Vec3 exact = NorthgoingMeridianNormal(lambda1);
    if (Dot(exact, n) < 0.0) exact = -1.0 * exact;
    travel = exact;
  }
  r.normal = travel;

  // Measure in the frame whose node lies at a longitude in (-pi, 0] and whose
  // g grows northwards; take the shorter way between the two g.
  Vec3 frame = travel;
  if (frame.x > 0.0 || (frame.x == 0.0 && frame.y > 0.0) ||
      (frame.x == 0.0 && frame.y == 0.0 && frame.z < 0.0)) {
    frame = -1.0 * frame;
  }
  const GreatEllipse section(frame);
  const double g1 = section.AngleOf(P1);
  double g2 = section.AngleOf(P2);
  if (g2 - g1 > kPi) g2 -= kTwoPi;
  if (g2 - g1 < -kPi) g2 += kTwoPi;
  r.distance = section.ArcBetween(g1, g2);

  // Azimuths: the tangent of the section (n x surface normal) in the local
  // frame; on the geocentric sphere the radius vector stands for the normal.
  const double psi1 = GeocentricLatitude(phi1);
  r.fwdAzimuth =
      GeodeticAzimuth(Cross(travel, SurfaceNormal(phi1, lambda1)), phi1, lambda1, r.meridian);
  r.invAzimuth = GeodeticAzimuth(Cross(-1.0 * travel, SurfaceNormal(phi2, lambda2)), phi2,
                                 lambda2, r.meridian);
  r.fwdAzimuthGc = GeocentricAzimuth(Cross(travel, SurfaceNormal(psi1, lambda1)), psi1, lambda1,
                                     r.meridian);
  return r;
}

int DEllipticDistance(double phi1, double lambda1, double phi2, double lambda2, double& s,
                      double& alpha1) {
  const GreatEllipticSailing r =
      SolveGreatElliptic(AdjustedLatitude(phi1), lambda1, AdjustedLatitude(phi2), lambda2);
  s = r.distance;
  alpha1 = r.fwdAzimuth;
  return 0;
}

EllipticStepResult EllipticStep(double phi_p, double lambda_p, double alpha_p, double s) {
  phi_p = TrueLatitude(phi_p);
  const double psi = GeocentricLatitude(phi_p);
  const bool meridian = alpha_p == 0.0 || alpha_p == kPi || alpha_p == kTwoPi;
  // The start direction on the sphere of geocentric latitudes, and the plane
  // it spans with the radius vector; its positive sense is the travel.
  const Vec3 radial = SurfaceNormal(psi, lambda_p);
  Vec3 normal;
  if (meridian) {
    normal = NorthgoingMeridianNormal(lambda_p);
    if (std::cos(alpha_p) < 0.0) normal = -1.0 * normal;
  } else {
    // Due east and due west exactly, so that a start on the equator keeps to it.
    const bool eastWest = alpha_p == kHalfPi || alpha_p == kThreeHalfPi;
    const double north = eastWest ? 0.0 : std::cos(alpha_p);
    const double east = eastWest ? (alpha_p == kHalfPi ? 1.0 : -1.0) : std::sin(alpha_p);
    const Vec3 d = north * NorthVector(psi, lambda_p) + east * EastVector(lambda_p);
    normal = Normalized(Cross(radial, d));
  }
  const GreatEllipse section(normal);
  const double gp = section.AngleOf(EllipsoidPoint(phi_p, lambda_p));
  const double gq = section.AngleAtArc(section.Arc(gp) + s);
  const Vec3 Q = section.PointAt(gq);

  EllipticStepResult r;
  const double horizontal = std::hypot(Q.x, Q.y);
  r.phi = std::atan(Q.z / (kOneMinusESq * horizontal));
  double dlambda;
  if (meridian) {
    // Still on the start meridian, or on its other half beyond a pole.
    dlambda = Q.x * std::cos(lambda_p) + Q.y * std::sin(lambda_p) >= 0.0 ? 0.0 : kPi;
  } else {
    dlambda = horizontal > 0.0 ? std::remainder(sailings::AngleOf(Q.y, Q.x) - lambda_p, kTwoPi) : 0.0;
  }
  r.lambda = lambda_p + dlambda;
  const double psi_q = GeocentricLatitude(r.phi);
  r.azimuthGc = GeocentricAzimuth(Cross(normal, SurfaceNormal(psi_q, r.lambda)), psi_q, r.lambda, meridian);
  r.azimuth = GeodeticAzimuth(section.TangentAt(gq), r.phi, r.lambda, meridian);
  // Azimuths of travel are given in (0, 2pi]: due north is 2pi.
  if (r.azimuthGc == 0.0) r.azimuthGc = kTwoPi;
  if (r.azimuth == 0.0) r.azimuth = kTwoPi;
  return r;
}

}  // namespace sailings
