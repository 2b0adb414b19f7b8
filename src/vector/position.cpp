#include "vector/position.h"

#include <cmath>

#include "vector/angles.h"

namespace sailings {

Vec3 Direction(double lat, double lon) {
  const double latr = std::fmod(lat, 360.0) * kPi / 180.0;
  const double lonr = std::fmod(lon, 360.0) * kPi / 180.0;
  const double k = std::cos(latr) * 1.0;
  return {k * std::cos(lonr), k * std::sin(lonr), std::sin(latr) * 1.0};
}

double LatitudeOf(Vec3 d) {
  return std::asin(d.z / std::sqrt((d.x * d.x + d.y * d.y) + d.z * d.z)) * 180.0 / kPi;
}

double LongitudeOf(Vec3 d) {
  double t = std::atan(d.y / d.x);
  if (d.x < 0 && d.y >= 0) t += kPi;
  if (d.x < 0 && d.y < 0) t -= kPi;
  return t * 180.0 / kPi;
}

bool SamePosition(double lat1, double lon1, double lat2, double lon2) {
  if (!(std::fabs(lat1 - lat2) < 1e-8)) return false;
  if (std::fabs(lat1) > 90.0 - 1e-8) return true;  // one pole: every longitude
  double d = std::fmod(std::fabs(lon1 - lon2), 360.0);
  if (d > 180.0) d = 360.0 - d;
  return d < 1e-8;
}

}  // namespace sailings
