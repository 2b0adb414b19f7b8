// The great ellipse: the section of the ellipsoid by a plane through its
// centre. Its semi-major axis is always a and lies along the line of nodes
// (where the plane meets the equator); its semi-minor axis lies along the
// plane's line of steepest slope.
//
// Points of the section are located by g, the angle between the section's
// own normal at the point and its major axis (for a meridian section g is the
// geodetic latitude). The arc from the node is then the meridian arc series
// of an ellipse of eccentricity e_g:  m(g) = a (1 - e_g^2) [A0 g - A2 sin 2g + ...].
//
// References:
//  * B. R. Bowring, The direct and inverse solutions for the great elliptic
//    line on the reference ellipsoid, Bulletin Geodesique 58, 101-108 (1984).
//  * C. F. F. Karney, Great ellipses, GeographicLib documentation: the
//    section's parametrisation and its auxiliary latitudes.
//  * The meridian arc series: F. R. Helmert, Die mathematischen und
//    physikalischen Theorieen der hoeheren Geodaesie, vol. 1 (1880), with
//    e_g in place of the ellipsoid's eccentricity.
#pragma once

#include "elliptic/ellipsoid.h"

namespace sailings {

class GreatEllipse {
 public:
  // The section with the given unit normal; its positive sense is the
  // rotation about that normal. A horizontal normal gives a meridian section
  // (e_g = e), a vertical one the equator (e_g = 0).
  explicit GreatEllipse(Vec3 unitNormal);

  const Vec3& normal() const { return n_; }
  double eccentricitySquared() const { return eg2_; }
  double semiMinorAxis() const { return b_; }

  // g of a point lying in the plane, in (-pi, pi].
  double AngleOf(Vec3 p) const;
  // g with its sin 2g and cos 2g, found from the point's coordinates alone.
  struct Located {
    double g, sin2g, cos2g;
  };
  Located Locate(Vec3 p) const;
  // Arc length from the node to g, metres (signed, any g).
  double Arc(double g) const;
  // Arc length from g1 to g2, formed from differences of like terms so that
  // short arcs keep their relative accuracy.
  double ArcBetween(double g1, double g2) const;
  // The same for located points (q.g may differ from the located g by 2pi).
  double ArcBetween(const Located& p, const Located& q) const;
  // The g whose arc from the node is m: the closed-form rectifying inversion
  // as first estimate, refined by Newton's method against Arc() itself.
  double AngleAtArc(double m) const;
  // The point of the section at g, and the tangent in the positive sense.
  void PointAndTangentAt(double g, Vec3& point, Vec3& tangent) const;

 private:
  Vec3 n_, u_, v_;  // unit normal, node direction, steepest-ascent direction
  double eg2_, b_, K_;
  double third_, rectifying_;  // third flattening and rectifying radius
  ArcSeries series_;
};

// The great elliptic sailing between two positions (latitudes may carry the
// pole and equator conventions).
struct GreatEllipticSailing {
  double distance = 0;      // signed arc length, metres (sign: see below)
  double fwdAzimuthGc = 0;  // azimuth at the departure on the geocentric sphere, [0, 2pi)
  double fwdAzimuth = 0;    // geodetic azimuth at the departure, [0, 2pi)
  double invAzimuth = 0;    // geodetic azimuth at the destination back to the departure
  Vec3 normal{0, 0, 1};     // unit normal of the route plane; positive sense = travel
  bool meridian = false;    // the route plane contains the polar axis
};

// Solves the inverse problem on the great ellipse.
//  * Always measures the shorter of the two arcs between the positions.
//  * The sign of the distance is that of the arc measured from the node at a
//    longitude in (-pi, 0] towards the northern vertex: positive for
//    eastward travel on most routes. Callers take its absolute value.
//  * Positions on one meridian (equal longitudes or pi apart) give the
//    meridian section and azimuths of exactly 0 or pi.
//  * Antipodal positions (every plane through the axis is a section through
//    both): the meridian section over the pole on the departure's side (the
//    north pole for a departure on the equator); 2 M(pi/2) long.
//  * Positions within 6 mm of each other: the chord.
// Without `full` only the distance and the forward geodetic azimuth are
// computed.
GreatEllipticSailing SolveGreatElliptic(double phi1, double lambda1, double phi2, double lambda2,
                                        bool full = true);

// Great elliptic distance s (metres, signed as above) and forward geodetic
// azimuth alpha1 (radians, [0, 2pi)) from position 1 to position 2. Latitudes
// in [-pi/2, pi/2], longitudes any value; the pole and equator conventions
// are applied here.
void DEllipticDistance(double phi1, double lambda1, double phi2, double lambda2, double& s,
                       double& alpha1);

// The direct problem on the great ellipse.
struct EllipticStepResult {
  double phi;        // geodetic latitude of the new point
  double lambda;     // longitude, lambda_p + change of longitude, not reduced
  double azimuthGc;  // geocentric azimuth of travel there, (0, 2pi]
  double azimuth;    // geodetic azimuth of travel there, (0, 2pi]
};
// From (phi_p, lambda_p), leaving with geocentric azimuth alpha_p (the azimuth
// on the sphere of geocentric latitudes), travel s metres (s >= 0) along the
// great ellipse. Exact to the arc series for any s up to a whole
// circumference, over the poles included; a start azimuth of exactly 0 or pi
// stays on the start meridian (or its opposite half beyond a pole).
EllipticStepResult EllipticStep(double phi_p, double lambda_p, double alpha_p, double s);

// The same great ellipse set up once, for many distances from one start (a
// waypoint table): At(s) equals EllipticStep(phi_p, lambda_p, alpha_p, s).
class EllipticStepper {
 public:
  EllipticStepper(double phi_p, double lambda_p, double alpha_p);
  EllipticStepResult At(double s) const;
  // The unit normal of the section's plane; its positive sense is the travel.
  const Vec3& normal() const { return normal_; }

 private:
  EllipticStepper(double phi_p, double lambda_p, double alpha_p, Vec3 normal);
  double lambda_p_, cosLambda_, sinLambda_;
  bool meridian_;
  Vec3 normal_;
  GreatEllipse section_;
  double arcStart_;  // arc from the node to the start
};

}  // namespace sailings
