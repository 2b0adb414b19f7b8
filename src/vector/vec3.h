// The one vector type of the computation: a direction or a point in space
// (metres or unit length), with its algebra. It knows no ellipsoid.
#pragma once

#include <cmath>

namespace sailings {

struct Vec3 {
  double x, y, z;
};

inline Vec3 operator+(Vec3 p, Vec3 q) { return {p.x + q.x, p.y + q.y, p.z + q.z}; }
inline Vec3 operator-(Vec3 p, Vec3 q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
inline Vec3 operator*(double s, Vec3 p) { return {s * p.x, s * p.y, s * p.z}; }
inline double Dot(Vec3 p, Vec3 q) { return p.x * q.x + p.y * q.y + p.z * q.z; }
inline Vec3 Cross(Vec3 p, Vec3 q) {
  return {p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}
inline double Length(Vec3 p) { return std::sqrt(Dot(p, p)); }

}  // namespace sailings
