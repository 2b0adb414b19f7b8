// sailings: great elliptic and rhumb line sailings on the WGS-84 ellipsoid.
// The whole public interface; link the CMake target sailings::sailings.
#pragma once

#include "sailings/compare.hpp"
#include "sailings/coordinates.hpp"
#include "sailings/passage.hpp"
#include "sailings/route.hpp"
#include "sailings/status.hpp"
#include "sailings/table.hpp"

namespace sailings {
// The library's version, "MAJOR.MINOR".
const char* Version();
}  // namespace sailings
