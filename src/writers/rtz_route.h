// The waypoint table as an RTZ route (the Route Plan Exchange Format of
// IEC 61174, version 1.0), which type-approved ECDIS import: one waypoint per
// table row, each leg marked Orthodrome (great ellipse, geodesic) or
// Loxodrome (rhumb line, parallel), and with a speed and a departure time a
// calculated schedule. The 1.0 schema spells its schedule element
// "sheduleElement"; ECDIS validate against that schema, so it is written so.
//
// Rows are streamed to scratch files beside the target (memory does not grow
// with the table) and the file is assembled under a temporary name and
// renamed.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "elliptic/waypoints.h"
#include "writers/schedule.h"

namespace sailings {

class RtzRoute : public RowSink {
 public:
  // The route's name is the file's name without its extension, as ECDIS
  // check. With `schedule` (speed and departure), a calculated schedule.
  RtzRoute(std::filesystem::path file, const Schedule* schedule);
  ~RtzRoute() override;
  RtzRoute(const RtzRoute&) = delete;
  RtzRoute& operator=(const RtzRoute&) = delete;

  void Row(const WaypointRow& row) override;
  // Writes the file whole. False, with the reason in `error`, when it cannot.
  bool Finish(std::string& error);

 private:
  std::filesystem::path file_, waypoints_, times_;
  std::ofstream waypointsFile_, timesFile_;
  const Schedule* schedule_;
};

}  // namespace sailings
