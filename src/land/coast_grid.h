// The grid that indexes the coast (land/coast.h): its cells, and how long
// an edge of the data may be before it is divided.
// Internal to src/land.
#pragma once

#include "elliptic/ellipsoid.h"

namespace sailings {
namespace coast_grid {

constexpr double kCell = 0.25;  // degrees
constexpr int kColumns = 1440, kRows = 720;
// Edges longer than this are divided: a 2 NM chord lies within 0.1 m of
// the surface, and within metres of the straight edge of the plane.
constexpr double kLongestEdge = 2 * kNauticalMile;
// Where an arc is looked at: every this many metres along it.
constexpr double kArcStep = 10000;
constexpr double kMetresPerDegree = 111000;  // a little less than any degree of latitude

}  // namespace coast_grid
}  // namespace sailings
