// The table rows of the public interface (degrees and nautical miles) from
// the computation's rows (radians and metres), for the library and the
// machine-readable writers alike.
#pragma once

#include "elliptic/waypoints.h"
#include "sailings/table.hpp"

namespace sailings {

// The true position (a carried pole or equator latitude is notation only);
// leg and total absent on row 0.
TableRow ToTableRow(const WaypointRow& row);

// The computation's placement and line for a request.
Placement ToPlacement(WaypointPlacement placement);
Along ToAlong(Sailing sailing);

}  // namespace sailings
