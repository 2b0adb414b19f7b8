// vector3d: a named position held as a vector from the centre of a sphere.
// Positions enter in degrees of latitude and longitude through geo() and
// leave in degrees through latitude() and longitude(); the axes are
// x towards (0, 0), y towards (0, 90 E), z towards the north pole.
#pragma once

#include <string>

namespace sailings {

class vector3d {
 public:
  static constexpr int kNameCapacity = 256;  // 255 characters and a terminator

  vector3d() : x_(0), y_(0), z_(0) { name_[0] = '\0'; }
  vector3d(double x, double y, double z) : x_(x), y_(y), z_(z) { name_[0] = '\0'; }
  vector3d(const vector3d&) = default;
  // Assignment copies the components only: the record keeps its own name.
  vector3d& operator=(const vector3d& b) {
    x_ = b.x_;
    y_ = b.y_;
    z_ = b.z_;
    return *this;
  }

  double x() const { return x_; }
  double y() const { return y_; }
  double z() const { return z_; }

  // Sets the components from a radius and a latitude and longitude in degrees.
  // Any angle is accepted: a latitude beyond +-90 lands beyond the pole.
  // Angles are first reduced modulo 360 degrees (exactly, by fmod), so that
  // even huge typed values give a finite position.
  void geo(double r, double lat, double lon);
  // Latitude in degrees of the direction of (x, y, z), in [-90, 90].
  double latitude() const;
  // Longitude in degrees of (x, y), in [-180, 180].
  double longitude() const;

  // Copies at most 255 characters of the text; longer names are cut.
  void name(const char* text);
  void name(const std::string& text);
  std::string get_name() const;

 private:
  char name_[kNameCapacity];
  double x_, y_, z_;
};

// Positions within 1e-8 degrees of each other: equal latitudes, and equal
// longitudes modulo 360 unless both lie at the same pole.
bool SamePosition(const vector3d& p, const vector3d& q);
// The same of two positions read back, degrees.
bool SamePosition(double lat1, double lon1, double lat2, double lon2);

}  // namespace sailings
