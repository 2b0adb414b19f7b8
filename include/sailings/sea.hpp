// sailings: sea passages. The shortest chain of great elliptic legs from
// one position to another that keeps a clearance from the land of Natural
// Earth's 1:10m coastline (built into the library): the way a navigator
// lays off an ocean passage round the land.
//
// The coastline is that of an ocean chart: it plans ocean passages, never
// pilotage. Ports lie on land or close to it at this scale: an end on land,
// or nearer the coast than the clearance, is joined to the nearest position
// at sea that keeps it by an approach leg (not checked); an end farther than
// 20 NM from such a position is refused. The Suez, Panama and Kiel canals
// are land in the data: the planner passes them along their fairways, at
// their lengths, unless told to avoid them. Where the way must pass nearer
// the land than the clearance (a strait narrower than twice it), its legs
// there keep what the narrows allow, and the passage says so.
//
// Units as everywhere: degrees and nautical miles.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sailings/status.hpp"
#include "sailings/voyage.hpp"

namespace sailings {

inline constexpr double kMinClearanceNm = 0.1;
inline constexpr double kMaxClearanceNm = 50;
inline constexpr double kDefaultClearanceNm = 2;
// How far an end may lie from the sea: an end farther is refused.
inline constexpr double kMostInlandNm = 20;

struct SeaOptions {
  double clearance_nm = kDefaultClearanceNm;  // [kMinClearanceNm, kMaxClearanceNm]
  // Degrees, (0, 90): no turning point beyond it.
  std::optional<double> limit;
  // The canals not to pass: "suez", "panama", "kiel" (any case).
  std::vector<std::string> avoid;
  // The legs to be sailed as geodesics, not great ellipses: each open leg
  // is measured as a geodesic (which may pass kilometres from the great
  // ellipse across an ocean) and divided where it comes nearer the land.
  bool geodesic = false;
};

// The leg arriving at a point of a sea passage.
enum class SeaLeg {
  none,      // the departure
  open,      // at sea, keeping SeaPoint::clearance_nm from land
  approach,  // to or from an end on land or near it: not checked
  canal,     // through a canal, along its fairway
};

struct SeaPoint {
  double lat = 0, lon = 0;  // degrees
  bool added = false;       // a turning point the planner added (not an end)
  SeaLeg leg = SeaLeg::none;
  double clearance_nm = 0;  // the clearance the open leg arriving here keeps, NM
  std::string canal;        // a canal leg's canal ("the Suez Canal")
};

struct SeaPassage {
  std::vector<SeaPoint> points;  // from the departure to the destination
  double distance_nm = 0;        // along the legs (great ellipses, or geodesics), NM
  // What a navigator should know: an approach, a canal, narrows where the
  // clearance is less than asked. Sentences without a final full stop.
  std::vector<std::string> notes;
};

// Which canals the planner knows, by the names `avoid` takes.
std::vector<std::string> CanalNames();
// Whether the coastline is at hand (it is, but in a page before its data
// is given by LoadCoastline).
bool CoastlineLoaded();
// Gives the coastline's data (the bytes of coast_10m.bin) to a build that
// leaves it out, and with it the table of which of the planner's cells the
// sea joins (the bytes of links.bin: without it, passages are planned all
// the same, but may differ from a full build's by metres); false when the
// bytes are not such data.
bool LoadCoastline(const std::string& bytes, const std::string& links = {});

// The sea passage from (lat1, lon1) to (lat2, lon2). Refusals:
// clearance_out_of_range, limit_out_of_range, unknown_canal, not_a_number,
// latitude_beyond_90, same_position, position_beyond_limit, end_inland
// (`inland_end` 1 or 2, and `inland_nm` how far it lies from the sea),
// no_way_at_sea, no_coast.
Status PlanSeaPassage(double lat1, double lon1, double lat2, double lon2, const SeaOptions& options,
                      SeaPassage& passage, int* inland_end = nullptr, double* inland_nm = nullptr);

// Why an end is refused with end_inland, as every face words it after the
// end's name: "lies 164.9 NM from the sea, more than 20 NM"; nearer the
// water than that, where none of it within 20 NM keeps the clearance (a
// river, a narrow inlet): "lies 5.6 NM from the sea, and no position within
// 20 NM of it keeps the clearance of 2.00 NM" ("lies at sea, but ..." for
// an end on the water).
std::string InlandText(double inland_nm, double clearance_nm);

// A voyage at sea: between each two consecutive waypoints of `given`, the
// sea passage, its turning points added to `points` in order. Each added
// point is marked `added` and named as every face names it: "NAME approach"
// for the sea end of an approach to a named waypoint, a canal's points by
// the canal ("Suez Canal 1", ...), the rest "turn 1", "turn 2", ... through
// the voyage; it carries the leg attributes the user gave the leg it lies
// on (its speed, its type), without the waypoint's id or turn radius. Two
// consecutive waypoints at one position are passed on as they are (the
// voyage refuses them, naming the waypoint). `notes`: each passage's notes,
// by the leg the user gave (from 1). Refusals as PlanSeaPassage, the leg in
// `refusal` (and, for end_inland, which end and how far); too_many_waypoints
// when the voyage would hold more than kMaxVoyageWaypoints. On a refusal
// `points` and `notes` are untouched.
struct SeaVoyageNote {
  long leg = 0;  // the user's leg, from 1
  std::string text;
};
struct SeaVoyageRefusal {
  long leg = 0;          // the user's leg refused, from 1
  int inland_end = 0;    // end_inland: 1 the leg's departure, 2 its destination
  double inland_nm = 0;  // end_inland: how far it lies from the sea, NM
};
Status SeaVoyagePoints(const std::vector<VoyagePoint>& given, const SeaOptions& options,
                       std::vector<VoyagePoint>& points, std::vector<SeaVoyageNote>& notes,
                       SeaVoyageRefusal& refusal);

}  // namespace sailings
