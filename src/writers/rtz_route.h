// The waypoint table as an RTZ route (the Route Plan Exchange Format of
// IEC 61174, version 1.0), which type-approved ECDIS import: one waypoint per
// table row, each leg marked Orthodrome (great ellipse, geodesic) or
// Loxodrome (rhumb line, parallel), and with a speed and a departure time a
// calculated schedule. The 1.0 schema spells its schedule element
// "sheduleElement"; ECDIS validate against that schema, so it is written so.
//
// Rows are streamed to scratch files (memory does not grow with the table)
// and the file is written whole or not at all (writers/output_file.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "elliptic/waypoints.h"
#include "writers/output_file.h"
#include "writers/schedule.h"

namespace sailings {

class RtzRoute : public RowSink {
 public:
  // The route's name is the file's name without its extension, as ECDIS
  // check. With `schedule` (speed and departure), a calculated schedule.
  RtzRoute(const std::filesystem::path& file, const Schedule* schedule);
  RtzRoute(const RtzRoute&) = delete;
  RtzRoute& operator=(const RtzRoute&) = delete;

  void Row(const WaypointRow& row) override;
  // Writes the file whole. False, with the reason in `error`, when it cannot.
  bool Finish(std::string& error);

 private:
  OutputTarget target_;
  std::string unusable_;  // why the target cannot be written, or empty
  std::optional<ScratchFile> waypoints_, times_;
  const Schedule* schedule_;
};

}  // namespace sailings
