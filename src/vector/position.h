// How every position is stored: as the direction from the centre of a unit
// sphere (x towards (0, 0), y towards (0, 90 E), z towards the north pole),
// and read back as a latitude in [-90, 90] and a longitude in [-180, 180]
// degrees. Every face stores a position so before solving a route, so the
// same position gives the same figures everywhere.
#pragma once

#include "vector/vec3.h"

namespace sailings {

// The direction of (lat, lon), degrees. Any finite angle is accepted: a
// latitude beyond +-90 lands beyond the pole; angles are first reduced
// modulo 360 degrees (exactly, by fmod), so that even huge values give a
// position.
Vec3 Direction(double lat, double lon);
// Latitude (degrees, [-90, 90]) and longitude (degrees, [-180, 180]) of a
// direction.
double LatitudeOf(Vec3 d);
double LongitudeOf(Vec3 d);

// Positions read back (degrees) within 1e-8 degrees of each other: equal
// latitudes, and equal longitudes modulo 360 unless both lie at the same
// pole.
bool SamePosition(double lat1, double lon1, double lat2, double lon2);

}  // namespace sailings
