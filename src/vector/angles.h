// Angles: the constants of the circle, in radians, for every layer (the
// vector algebra knows no ellipsoid; the ellipsoid model builds on this).
#pragma once

namespace sailings {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kQuarterPi = 0.7853981633974483;
inline constexpr double kHalfPi = 1.5707963267948966;
inline constexpr double kThreeHalfPi = 4.71238898038469;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kDegree = 0.017453292519943295;  // radians per degree

inline double ToDegrees(double radians) { return radians * 180.0 / kPi; }

}  // namespace sailings
