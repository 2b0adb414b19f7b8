#include "elliptic/great_ellipse.h"

#include <cmath>

namespace sailings {

namespace {
constexpr double kSameMeridian = 4e-15;  // radians
}  // namespace

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
  rectifying_ =
      a * (1.0 + 0.125 * third_ * third_) * (1.0 + 0.125 * third_ * third_) / (1.0 + third_);
}

double GreatEllipse::AngleOf(Vec3 p) const {
  // For a point (a cos s, b sin s) of the ellipse, tan g = (a/b) tan s
  // = y / ((1 - e_g^2) x) with x, y its coordinates along the two axes.
  return sailings::AngleOf(Dot(p, v_), Dot(p, u_) * (1.0 - eg2_));
}

GreatEllipse::Located GreatEllipse::Locate(Vec3 p) const {
  const double x = Dot(p, u_) * (1.0 - eg2_), y = Dot(p, v_);
  const double r2 = x * x + y * y;
  return {sailings::AngleOf(y, x), 2.0 * x * y / r2, (x * x - y * y) / r2};
}

double GreatEllipse::ArcBetween(const Located& p, const Located& q) const {
  return K_ * (series_.A0 * (q.g - p.g) + (ArcSeriesValue(series_, 0.0, q.sin2g, q.cos2g) -
                                           ArcSeriesValue(series_, 0.0, p.sin2g, p.cos2g)));
}

double GreatEllipse::Arc(double g) const { return K_ * ArcSeriesValue(series_, g); }

double GreatEllipse::ArcBetween(double g1, double g2) const {
  return K_ * (series_.A0 * (g2 - g1) +
               (ArcSeriesValue(series_, 0.0, std::sin(2.0 * g2), std::cos(2.0 * g2)) -
                ArcSeriesValue(series_, 0.0, std::sin(2.0 * g1), std::cos(2.0 * g1))));
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
      sigma +
      std::remainder(sailings::AngleOf(a * std::sin(sigma), b_ * std::cos(sigma)) - sigma, kTwoPi);
  // ... then Newton's method on the arc series makes it exact to the series.
  return InverseArc(series_, K_, m, g0);
}

void GreatEllipse::PointAndTangentAt(double g, Vec3& point, Vec3& tangent) const {
  const double c = a * std::cos(g), s = b_ * std::sin(g);
  const double h = std::hypot(c, s);
  point = (a * (c / h)) * u_ + (b_ * (s / h)) * v_;
  tangent = (-a * (s / h)) * u_ + (b_ * (c / h)) * v_;
}

namespace {

Vec3 Normalized(Vec3 p) { return (1.0 / Length(p)) * p; }

// The unit normal of the meridian plane of lambda whose positive sense runs
// north on that meridian's half.
Vec3 NorthgoingMeridianNormal(double lambda) { return {std::sin(lambda), -std::cos(lambda), 0.0}; }

// A surface point with its local frame: the ellipsoid normal, east, and
// geodetic north; every trigonometric value is formed once.
struct Site {
  double phi, lambda;
  Vec3 P, up, east, north;
};

Site MakeSite(double phi, double lambda) {
  const double sphi = std::sin(phi), cphi = std::cos(phi);
  const double slam = std::sin(lambda), clam = std::cos(lambda);
  return {phi,
          lambda,
          EllipsoidPoint(sphi, cphi, slam, clam),
          {cphi * clam, cphi * slam, sphi},
          {-slam, clam, 0.0},
          {-sphi * clam, -sphi * slam, cphi}};
}

// North on the sphere of geocentric latitudes at the direction of P.
Vec3 GeocentricNorth(Vec3 P) {
  const double r = Length(P), h = std::hypot(P.x, P.y);
  if (h == 0.0) return {-1.0, 0.0, 0.0};
  const double spsi = P.z / r, cpsi = h / r;
  return {-spsi * P.x / h, -spsi * P.y / h, cpsi};
}

// Azimuth of a tangent direction t against the given east and north. On a
// meridian the east component is zero by construction, so it is not left to
// rounding.
double AzimuthIn(Vec3 t, Vec3 east, Vec3 north, bool meridian) {
  return FullCircleAzimuth(meridian ? 0.0 : Dot(t, east), Dot(t, north));
}

}  // namespace

GreatEllipticSailing SolveGreatElliptic(double phi1, double lambda1, double phi2, double lambda2,
                                        bool full) {
  GreatEllipticSailing r;
  const Site s1 = MakeSite(TrueLatitude(phi1), lambda1);
  const Site s2 = MakeSite(TrueLatitude(phi2), lambda2);
  // Longitudes equal or 180 degrees apart. Converted from degrees, -30 and
  // 150 differ by pi + 4e-16 rad: a few units in the last place of pi are
  // still one meridian (4e-15 rad is 25 nanometres at the equator).
  const double apart = std::fabs(WrapLongitudeDifference(lambda2 - lambda1));
  r.meridian = apart <= kSameMeridian || kPi - apart <= kSameMeridian;

  // The plane through the centre and both points; |n| / (|P1| |P2|) is the
  // sine of the angle between them at the centre.
  const Vec3 n = Cross(s1.P, s2.P);
  const double sine = Length(n) / (Length(s1.P) * Length(s2.P));

  if (sine < 1e-9 && Dot(s1.P, s2.P) > 0.0) {
    // Within 6 mm: the chord is the arc to far below a millimetre.
    const Vec3 chord = s2.P - s1.P;
    r.distance = Length(chord);
    r.fwdAzimuth = FullCircleAzimuth(Dot(chord, s1.east), Dot(chord, s1.north));
    r.invAzimuth = FullCircleAzimuth(-Dot(chord, s2.east), -Dot(chord, s2.north));
    r.fwdAzimuthGc = FullCircleAzimuth(Dot(chord, s1.east), Dot(chord, GeocentricNorth(s1.P)));
    const Vec3 m = Cross(s1.P, chord);
    r.normal = Length(m) > 0.0 ? Normalized(m) : NorthgoingMeridianNormal(lambda1);
    return r;
  }

  if (sine < 1e-9) {
    // Antipodes: every plane through the axis holds both points; the shortest
    // of those sections is a meridian's, taken over the departure's pole.
    const bool north = s1.phi >= 0.0;
    Vec3 normal = NorthgoingMeridianNormal(lambda1);
    if (!north) normal = -1.0 * normal;
    const GreatEllipse section(normal);
    const double g1 = section.AngleOf(s1.P);
    r.distance = section.ArcBetween(g1, g1 + kPi);
    r.fwdAzimuthGc = r.fwdAzimuth = r.invAzimuth = north ? 0.0 : kPi;
    // From one pole to the other: leave southwards (northwards), and look
    // back from the other pole the opposite way.
    if (IsNorthPole(s1.phi)) r.fwdAzimuthGc = r.fwdAzimuth = kPi, r.invAzimuth = 0.0;
    if (IsSouthPole(s1.phi)) r.fwdAzimuthGc = r.fwdAzimuth = 0.0, r.invAzimuth = kPi;
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
  const GreatEllipse::Located p1 = section.Locate(s1.P);
  GreatEllipse::Located p2 = section.Locate(s2.P);
  if (p2.g - p1.g > kPi) p2.g -= kTwoPi;
  if (p2.g - p1.g < -kPi) p2.g += kTwoPi;
  r.distance = section.ArcBetween(p1, p2);

  // Azimuths: the tangent of the section (n x surface normal) in the local
  // frame; on the geocentric sphere the radius vector stands for the normal.
  r.fwdAzimuth = AzimuthIn(Cross(travel, s1.up), s1.east, s1.north, r.meridian);
  if (full) {
    r.invAzimuth = AzimuthIn(Cross(-1.0 * travel, s2.up), s2.east, s2.north, r.meridian);
    r.fwdAzimuthGc = AzimuthIn(Cross(travel, s1.P), s1.east, GeocentricNorth(s1.P), r.meridian);
  }
  return r;
}

void DEllipticDistance(double phi1, double lambda1, double phi2, double lambda2, double& s,
                       double& alpha1) {
  const GreatEllipticSailing r = SolveGreatElliptic(phi1, lambda1, phi2, lambda2, false);
  s = r.distance;
  alpha1 = r.fwdAzimuth;
}

namespace {

// The unit normal of the plane that leaves `start` with geocentric azimuth
// alpha (the azimuth on the sphere of geocentric latitudes), spanned with the
// radius vector; its positive sense is the travel.
Vec3 LeavingNormal(const Site& start, double alpha, bool meridian) {
  if (meridian) {
    const Vec3 normal = NorthgoingMeridianNormal(start.lambda);
    return alpha == kPi ? -1.0 * normal : normal;
  }
  // Due east and due west exactly, so that a start on the equator keeps to it.
  const bool eastWest = alpha == kHalfPi || alpha == kThreeHalfPi;
  const double north = eastWest ? 0.0 : std::cos(alpha);
  const double east = eastWest ? (alpha == kHalfPi ? 1.0 : -1.0) : std::sin(alpha);
  const Vec3 d = north * GeocentricNorth(start.P) + east * start.east;
  return Normalized(Cross(Normalized(start.P), d));
}

bool IsMeridianAzimuth(double alpha) { return alpha == 0.0 || alpha == kPi || alpha == kTwoPi; }

}  // namespace

EllipticStepper::EllipticStepper(double phi_p, double lambda_p, double alpha_p)
    : EllipticStepper(phi_p, lambda_p, alpha_p,
                      LeavingNormal(MakeSite(TrueLatitude(phi_p), lambda_p), alpha_p,
                                    IsMeridianAzimuth(alpha_p))) {}

EllipticStepper::EllipticStepper(double phi_p, double lambda_p, double alpha_p, Vec3 normal)
    : lambda_p_(lambda_p),
      cosLambda_(std::cos(lambda_p)),
      sinLambda_(std::sin(lambda_p)),
      meridian_(IsMeridianAzimuth(alpha_p)),
      normal_(normal),
      section_(normal),
      arcStart_(section_.Arc(section_.AngleOf(EllipsoidPoint(TrueLatitude(phi_p), lambda_p)))) {}

EllipticStepResult EllipticStepper::At(double s) const {
  Vec3 Q, tangent;
  section_.PointAndTangentAt(section_.AngleAtArc(arcStart_ + s), Q, tangent);

  // Latitude and longitude of Q, and its local frame, from its coordinates.
  EllipticStepResult r;
  const double h = std::hypot(Q.x, Q.y);
  const double t = Q.z / (kOneMinusESq * h);  // tan phi
  r.phi = std::atan(t);
  double clam = cosLambda_, slam = sinLambda_, dlambda = 0.0;
  if (meridian_) {
    // Still on the start meridian, or on its other half beyond a pole.
    if (Q.x * cosLambda_ + Q.y * sinLambda_ < 0.0) dlambda = kPi, clam = -clam, slam = -slam;
  } else if (h > 0.0) {
    clam = Q.x / h;
    slam = Q.y / h;
    dlambda = std::remainder(sailings::AngleOf(Q.y, Q.x) - lambda_p_, kTwoPi);
  }
  r.lambda = lambda_p_ + dlambda;
  const double cphi = std::isinf(t) ? 0.0 : 1.0 / std::sqrt(1.0 + t * t);
  const double sphi = std::isinf(t) ? std::copysign(1.0, t) : t * cphi;
  const Vec3 east{-slam, clam, 0.0};
  const Vec3 north{-sphi * clam, -sphi * slam, cphi};
  const Vec3 gcNorth = h > 0.0 ? GeocentricNorth(Q) : north;
  r.azimuthGc = AzimuthIn(Cross(normal_, Q), east, gcNorth, meridian_);
  r.azimuth = AzimuthIn(tangent, east, north, meridian_);
  // Azimuths of travel are given in (0, 2pi]: due north is 2pi.
  if (r.azimuthGc == 0.0) r.azimuthGc = kTwoPi;
  if (r.azimuth == 0.0) r.azimuth = kTwoPi;
  return r;
}

EllipticStepResult EllipticStep(double phi_p, double lambda_p, double alpha_p, double s) {
  return EllipticStepper(phi_p, lambda_p, alpha_p).At(s);
}

}  // namespace sailings
