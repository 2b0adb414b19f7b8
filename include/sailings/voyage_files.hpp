// sailings: a voyage's files, written together as every face writes them:
// the GPX route, the RTZ route for ECDIS, the SVG chart, GeoJSON and KML for
// maps and NMEA 0183 sentences, each of the same waypoint table, each whole
// or not at all (files.hpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sailings/rtz.hpp"
#include "sailings/schedule.hpp"
#include "sailings/voyage.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {

// A leg's end as a person reads it: its name, or its position in the
// navigator's notation ("49°57.6'N 5°12.1'W").
std::string EndName(const Place& place);
// The voyage's name in its files: "FROM to TO" of its first and last
// waypoints.
std::string VoyageTitle(const Voyage& voyage);

struct VoyageFiles {
  // The files to write; an empty path is not written.
  std::filesystem::path gpx, rtz, svg, geojson, kml, nmea;
  double tolerance_nm = 0.1;  // GeoJSON and KML: [kMinDrawTolerance, kMaxDrawTolerance]
  NmeaOptions nmea_options;
  // An RTZ route read (route_files.hpp) written back as it came (by pointer).
  const RtzKept* kept = nullptr;
};

// The writers of a voyage's files, opened together: the rows of its table
// (ForEachVoyageWaypoint) are streamed into it, then Finish() writes each
// file whole, in turn. The voyage, its schedule and `kept` are kept by
// reference until then.
class VoyageFileWriters : public WaypointSink {
 public:
  // `given`: the names of the voyage's own waypoints (the names made for the
  // table's other rows never repeat one). `schedule` (may be null) gives
  // the times of the RTZ schedule and the map files' arrivals.
  VoyageFileWriters(const Voyage& voyage, const std::vector<std::string>& given,
                    const Schedule* schedule, const VoyageFiles& files);
  ~VoyageFileWriters() override;
  VoyageFileWriters(const VoyageFileWriters&) = delete;
  VoyageFileWriters& operator=(const VoyageFileWriters&) = delete;
  bool any() const;
  void Row(const Waypoint& row) override;
  // Writes the files whole in the order GPX, RTZ, SVG, GeoJSON, KML, NMEA;
  // false at the first that cannot be, with its path in `failed` and the
  // reason in `error` (the later files are not written).
  bool Finish(std::filesystem::path& failed, std::string& error);
  // The size of the RTZ file written, bytes (0: none): some ECDIS refuse a
  // route over kRtzMaxBytes.
  std::uintmax_t rtz_bytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sailings
