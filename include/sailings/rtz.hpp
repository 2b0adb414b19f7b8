// sailings: what an RTZ route holds beyond the waypoints a voyage sails,
// kept so that a route read from an ECDIS goes back to it as it came: the
// waypoints' ids and attributes (revision, radius), every leg's attributes
// (the cross-track limits, speedMin and speedMax, safety contour and depth,
// draughts, notes), the route information and the manual schedule.
//
// Attributes are kept as read (names and decoded values, in the file's
// order) and written back escaped; a file's 1.1 and 1.2 spellings are written
// in RTZ 1.0's (scheduleElement as sheduleElement, absFuelSave as
// absFuelSace).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sailings {

// Some ECDIS refuse an RTZ route larger than this, bytes.
inline constexpr std::uintmax_t kRtzMaxBytes = 400000;

// An element's attributes: (name, value) in order.
using XmlAttributes = std::vector<std::pair<std::string, std::string>>;

struct RtzKept {
  XmlAttributes route_info;  // routeInfo's, but routeName (the route written is named
                             // after its file, as ECDIS check)
  bool has_default = false;  // a <defaultWaypoint>:
  XmlAttributes default_waypoint, default_leg;  // its attributes and its leg's
  // Per waypoint of the route, in order:
  std::vector<std::string> ids;         // its id, digits only; all empty when the file's ids
                                        // are not distinct non-negative integers (renumbered)
  std::vector<XmlAttributes> waypoint;  // its attributes but id and name
  std::vector<XmlAttributes> leg;       // its leg's attributes but geometryType (the voyage's
                                        // own), copied to every part of a leg split
  // The manual schedule, when the route's schedule has one: the schedule's
  // id and name, and each waypoint's element (its attributes but waypointId).
  bool has_manual = false;
  std::string schedule_id, schedule_name;
  std::vector<std::optional<XmlAttributes>> manual;
  // What a route written anew does not keep, for a note ("extensions", ...).
  std::vector<std::string> not_kept;
};

}  // namespace sailings
