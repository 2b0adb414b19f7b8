// Sea passages: the shortest chain of great elliptic legs between two
// positions that keeps a clearance from the coast (land/coast.h).
//
// The method, in three steps:
//  1. Ends. An end on land or nearer the coast than the clearance is joined
//     to the nearest position at sea that keeps it (an approach leg, not
//     checked); one farther than 20 NM from such a position is refused.
//  2. The way round the land. A* over cells of 0.025 degrees whose centres
//     lie at sea, within a corridor found by A* over cells of 0.25 degrees
//     (fast; three of them wide near land, one over open sea; its estimate
//     bounded by landmarks' distances over the sea), over the steps a
//     fine step can take (a table of which coarse cells the sea joins; a
//     cell of two seas, across an isthmus, a node for each). Where the
//     fine search finds the corridor closed all the same (where the table
//     does not hold: a clearance under 1.1 NM, a limiting latitude), the
//     steps it could not take are closed, cells found to hold two seas are
//     split, the corridor is found anew and the search goes on. Each step costs its chord, more
//     near land, so that the way keeps clear water where there is any. The fine search is guided
//     by the corridor's own way to the goal, and weighted: it follows the corridor rather than
//     taking up all of it, and its way costs at most 1.2 times the least. Canals join their two
//     ends as gates, at their lengths; so does a strait narrower than the cells (the Bosporus),
//     sailed along its middle. Ends in one fine cell with land between
//     them (an islet): the way leaves the cell and comes back to it.
//  3. Taut. The cells' way is pulled straight: from each turning point the
//     farthest cell that a great elliptic leg reaches keeping the
//     clearance, then every turning point moved towards the chord of its
//     neighbours until it touches the clearance, dropped where its
//     neighbours see each other, and, where it is still off the land,
//     replaced by the hull of the land's clearance circles inside its
//     stretch of the way, or, where the turns at its neighbours lock it
//     (a leg leaving a corner's circle cannot swing about it), pulled in
//     all the same, its legs turned round the corners they then come
//     near. What is left bends only where the land makes it:
//     no turning point can be dropped, and nearly every one lies within
//     0.1 NM of the clearance. The parts of the way between canals, each
//     pulled between its own fixed ends, are pulled on two cores at once
//     (as a long chain's points are first moved off the land).
// No leg's ends lie within a degree of opposite each other: no one great
// ellipse joins opposite ends, and near them its plane is all but undefined.
// Where the way must pass nearer the land than the clearance (a strait
// narrower than twice it), the legs there keep half the narrows' width
// instead, and say so.
//
// Units: degrees and metres; legs are great elliptic arcs of the ellipsoid.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sailings {

class Coast;

// A canal: land in the data, passed through its centre line.
struct Gate {
  const char* name;          // lower case, as --avoid names it
  const char* title;         // as notes print it
  double length_nm;          // through the canal
  std::vector<double> line;  // lat, lon pairs (degrees), end to end
};
const std::vector<Gate>& Gates();

struct SeaRequest {
  double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;  // degrees
  double clearance = 3704;                        // metres, > 0
  std::optional<double> limit;                    // degrees, (0, 90): no leg beyond it
  std::vector<bool> closed;                       // by the index of Gates(); missing: open
};

enum class SeaLegKind {
  open,      // at sea, keeping `clearance`
  approach,  // from or to an end on land or near it: not checked
  canal,     // through a gate
};

struct SeaTurn {
  double lat, lon;  // degrees
};
struct SeaPlan {
  std::vector<SeaTurn> points;    // from the departure to the destination, both included
  std::vector<SeaLegKind> legs;   // legs[k] from points[k] to points[k + 1]
  std::vector<double> clearance;  // legs[k]'s clearance kept, metres (open legs)
  std::vector<int> gate;          // legs[k]'s gate (canal legs), else -1
  // An end moved to sea: how far, metres (0: it was at sea).
  double approach_from = 0, approach_to = 0;
  // How many corridors the way round the land was searched in (the work
  // it took: one, where the first was open).
  int corridors = 0;
};

enum class SeaOutcome {
  ok,
  no_coast,          // the coast is not loaded
  departure_inland,  // no position keeping the clearance within 20 NM of it
  destination_inland,
  no_way,        // no way at sea joins them (a lake, a closed canal)
  beyond_limit,  // an end beyond the limiting latitude
};

// `inland`: with departure_inland or destination_inland, how far the end
// lies from the sea (the coast), metres.
SeaOutcome PlanSea(const Coast& coast, const SeaRequest& request, SeaPlan& plan,
                   double* inland = nullptr);

// A plan's open legs sailed as geodesics instead of great ellipses. The
// geodesic leaves the great ellipse's plane by metres over a few hundred
// miles and by kilometres across an ocean, so each open leg is measured as
// a geodesic (in pieces of at most 10 NM, each within millimetres of its
// chord's plane section) and, where it keeps less than its great ellipse
// less 0.01 NM, divided at the great ellipse's middle (a point that keeps
// the clearance), again until it does: the turning points added lie on the
// great elliptic legs. `clearance` becomes what each geodesic leg keeps.
void SailGeodesics(const Coast& coast, SeaPlan& plan);

}  // namespace sailings
