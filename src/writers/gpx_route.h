// The waypoint table as a GPX 1.1 route, "waypoints.gpx", for chart plotters
// and planning programs: one <rte> with the route's name, a description of
// how its points were placed, and one <rtept> per table row.
//
// The points are streamed to a scratch file while the table is made (memory
// does not grow with the table), and the document is written whole or not at
// all (writers/output_file.h), so a reader never sees half a route.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "elliptic/waypoints.h"
#include "writers/output_file.h"

namespace sailings {

inline constexpr const char* kGpxFile = "waypoints.gpx";

class GpxRoute : public RowSink {
 public:
  // `name` is the route's name ("Cape Town to New York"), `placement` how
  // the points were placed ("great ellipse", "rhumb line", ...). The route
  // is written to `file` (in the dialogue, "waypoints.gpx" of the working
  // directory); its scratch files lie beside it.
  GpxRoute(const std::filesystem::path& file, std::string name, std::string placement);
  GpxRoute(const GpxRoute&) = delete;
  GpxRoute& operator=(const GpxRoute&) = delete;

  // One route point per table row.
  void Row(const WaypointRow& row) override;
  // Writes the file whole with the total distance of the last row. False,
  // with the reason in `error`, when it cannot be written.
  bool Finish(std::string& error);

 private:
  void Point(double latitude, double longitude);

  OutputTarget target_;
  std::string unusable_;  // why the target cannot be written, or empty
  std::optional<ScratchFile> points_;
  double total_ = 0;
  std::string name_, placement_;
  long count_ = 0;
};

}  // namespace sailings
