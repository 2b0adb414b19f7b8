#include "vector/vector3d.h"

#include <cmath>
#include <cstring>

#include "vector/angles.h"

namespace sailings {

void vector3d::geo(double r, double lat, double lon) {
  const double latr = std::fmod(lat, 360.0) * kPi / 180.0;
  const double lonr = std::fmod(lon, 360.0) * kPi / 180.0;
  const double k = std::cos(latr) * r;
  x_ = k * std::cos(lonr);
  y_ = k * std::sin(lonr);
  z_ = std::sin(latr) * r;
}

double vector3d::latitude() const {
  return std::asin(z_ / std::sqrt((x_ * x_ + y_ * y_) + z_ * z_)) * 180.0 / kPi;
}

double vector3d::longitude() const {
  double t = std::atan(y_ / x_);
  if (x_ < 0 && y_ >= 0) t += kPi;
  if (x_ < 0 && y_ < 0) t -= kPi;
  return t * 180.0 / kPi;
}

void vector3d::name(const char* text) {
  std::size_t n = 0;
  while (n < kNameCapacity - 1 && text[n] != '\0') ++n;
  std::memcpy(name_, text, n);
  name_[n] = '\0';
}

void vector3d::name(const std::string& text) {
  const std::size_t n = text.size() < kNameCapacity - 1 ? text.size() : kNameCapacity - 1;
  std::memcpy(name_, text.data(), n);
  name_[n] = '\0';
}

std::string vector3d::get_name() const { return std::string(name_); }

bool SamePosition(double lat1, double lon1, double lat2, double lon2) {
  if (!(std::fabs(lat1 - lat2) < 1e-8)) return false;
  if (std::fabs(lat1) > 90.0 - 1e-8) return true;  // one pole: every longitude
  double d = std::fmod(std::fabs(lon1 - lon2), 360.0);
  if (d > 180.0) d = 360.0 - d;
  return d < 1e-8;
}

bool SamePosition(const vector3d& p, const vector3d& q) {
  return SamePosition(p.latitude(), p.longitude(), q.latitude(), q.longitude());
}

}  // namespace sailings
