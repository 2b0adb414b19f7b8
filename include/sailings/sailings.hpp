// sailings: great elliptic and rhumb line sailings on the WGS-84 ellipsoid.
// The whole public interface; link the CMake target sailings::sailings.
#pragma once

#include "sailings/compare.hpp"
#include "sailings/coordinates.hpp"
#include "sailings/fields.hpp"
#include "sailings/files.hpp"
#include "sailings/line.hpp"
#include "sailings/passage.hpp"
#include "sailings/places.hpp"
#include "sailings/records.hpp"
#include "sailings/route.hpp"
#include "sailings/schedule.hpp"
#include "sailings/sea.hpp"
#include "sailings/status.hpp"
#include "sailings/table.hpp"
#include "sailings/text.hpp"
#include "sailings/voyage_files.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {
// The library's version, "MAJOR.MINOR".
const char* Version();
}  // namespace sailings
