// The WGS-84 ellipsoid model shared by every sailing computation.
//
// Notation, used throughout the elliptic unit:
//   phi     geodetic latitude (angle of the ellipsoid normal to the equator)
//   psi     geocentric latitude (angle of the radius vector to the equator)
//   lambda  longitude, positive east
//   alpha   azimuth or course, clockwise from north
// Units: radians and metres inside every computation; degrees and nautical
// miles (exactly 1852 m) only at the console and in files.
//
// Two conventions of the route record are stated once here:
//   * a latitude of exactly +pi/2 is carried as pi/2 - 1e-8 (kPoleLatitude),
//   * a latitude of exactly 0 is carried as 1e-8 (kEquatorLatitude).
// They are notation only (the waypoint tables print a carried equator as
// 0.000001 and a carried pole as 89.999999): every computation first takes a
// carried value back to the true latitude with TrueLatitude(), so no result
// is off by the 6 cm that 1e-8 rad is on the ground.
#pragma once

#include <cmath>

#include "vector/angles.h"
#include "vector/vec3.h"

namespace sailings {

// Ellipsoid constants. e_sq and e are two separately rounded constants
// (e * e = 0.006694379990203256, not e_sq); each formula names the one it uses.
inline constexpr double a = 6378137.0;                       // semi-major axis, metres
inline constexpr double e_sq = 0.00669438;                   // first eccentricity squared
inline constexpr double e = 0.081819190843;                  // first eccentricity
inline constexpr double kOneMinusESq = 0.99330562;           // 1 - e_sq
inline constexpr double kMeridianFactor = 6335439.32722994;  // a (1 - e_sq), metres
inline constexpr double kPolarRadius = 6356752.3142;         // a sqrt(1 - e_sq), metres
// The flattening of the same ellipsoid, 1 - sqrt(1 - e_sq), for GeographicLib
// (the geodesic of the comparisons) and the tests' references.
inline constexpr double kFlattening = 0.0033528106647474805;
// The sphere of the mean Earth radius (IUGG R1), which chart plotters use for
// their great circles.
inline constexpr double kMeanEarthRadius = 6371008.8;  // metres

inline constexpr double kNauticalMile = 1852.0;  // metres

inline constexpr double kPoleLatitude = kHalfPi - 1e-8;
inline constexpr double kEquatorLatitude = 1e-8;
// Latitudes this close to +-pi/2 are a pole: the adjusted north pole and the
// rounding of a typed 90 degrees both fall inside (1.5e-8 rad is 10 cm).
inline constexpr double kPoleTolerance = 1.5e-8;

inline double ToNauticalMiles(double metres) { return metres / kNauticalMile; }

// Apply the carrying conventions above to a route latitude, and undo them.
double AdjustedLatitude(double phi);
double TrueLatitude(double carried);
bool IsNorthPole(double phi);
bool IsSouthPole(double phi);

// N = a / sqrt(1 - e_sq sin^2 phi), the prime vertical radius of curvature.
double PrimeVerticalRadius(double phi);
// psi = atan((1 - e_sq) tan phi). Valid on (-pi/2, pi/2); +-pi/2 maps to itself.
double GeocentricLatitude(double phi);

// Earth-centred Cartesian coordinates of a point on the ellipsoid surface:
// X = N cos phi cos lambda, Y = N cos phi sin lambda, Z = N (1 - e_sq) sin phi;
// the second form takes the sines and cosines already known.
Vec3 EllipsoidPoint(double phi, double lambda);
Vec3 EllipsoidPoint(double sinPhi, double cosPhi, double sinLambda, double cosLambda);
// The reverse, degrees: the geodetic latitude and longitude of the point of
// the ellipsoid in the direction of p from the centre (p itself, on it).
inline void LatLonOf(Vec3 p, double& lat, double& lon) {
  lon = ToDegrees(std::atan2(p.y, p.x));
  lat = ToDegrees(std::atan2(p.z, kOneMinusESq * std::sqrt(p.x * p.x + p.y * p.y)));
}

// Isometric latitude q = ln(((1 - e sin phi)/(1 + e sin phi))^(e/2) tan(phi/2 + pi/4)),
// with e (not e_sq); evaluated as asinh(tan phi) - e atanh(e sin phi), the same
// function, well conditioned at the equator. Infinite at the poles.
double IsometricLatitude(double phi);

// Coefficients of the meridian arc series of an ellipse of eccentricity eps:
// M(phi) = K [A0 phi - A2 sin 2phi + A4 sin 4phi - A6 sin 6phi + A8 sin 8phi],
// K = semi-major axis times (1 - eps^2), phi the latitude of the ellipse's
// normal. Truncation error is of order eps^10 (below 1e-4 m for the Earth).
struct ArcSeries {
  double A0, A2, A4, A6, A8;
};
ArcSeries ArcCoefficients(double eps);
// Arc from the major axis to phi, divided by K (the second form takes
// sin 2phi and cos 2phi already known).
double ArcSeriesValue(const ArcSeries& c, double phi);
double ArcSeriesValue(const ArcSeries& c, double phi, double sin2, double cos2);
// Signed arc from phi1 to phi2 along an ellipse (negative when phi2 < phi1).
double MeridianArc(double phi1, double phi2, double eps, double K);
// The latitude whose arc from the major axis is m (inverse of K * series),
// by Newton's method from the estimate phi0; at most 12 passes.
double InverseArc(const ArcSeries& c, double K, double m, double phi0);

// Full-circle azimuth rule: the direction of (east y, north x), in [0, 2pi).
// atan(y/x), plus pi if x < 0, plus 2pi if still negative. (0, 0) gives 0.
double FullCircleAzimuth(double y, double x);
// Direction angle of (x, y) in (-pi, pi], the quadrant rule of a longitude.
double AngleOf(double y, double x);
// Longitude difference wrap into [-pi, pi] (pi stays pi).
double WrapLongitudeDifference(double dlambda);
// Longitude wrap of a longitude advanced by a step (+-pi unchanged).
double WrapLongitude(double lambda);

}  // namespace sailings
