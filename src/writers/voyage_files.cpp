// A voyage's files, written together (voyage_files.hpp).
#include "sailings/voyage_files.hpp"

#include <optional>

#include "sailings/coordinates.hpp"

namespace sailings {

std::string EndName(const Place& place) {
  if (!place.name.empty()) return place.name;
  return FormatCoordinate(place.lat, Axis::latitude, CoordinateStyle::dm, 1) + " " +
         FormatCoordinate(place.lon, Axis::longitude, CoordinateStyle::dm, 1);
}

std::string VoyageTitle(const Voyage& voyage) {
  if (voyage.legs().empty()) return std::string();
  return EndName(voyage.legs().front().from) + " to " + EndName(voyage.legs().back().to);
}

struct VoyageFileWriters::State {
  const VoyageFiles files;
  std::optional<GpxWriter> gpx;
  std::optional<RtzWriter> rtz;
  std::optional<VoyageChartWriter> chart;
  std::optional<GeoJsonWriter> geojson;
  std::optional<KmlWriter> kml;
  std::optional<NmeaWriter> nmea;
  WaypointFanOut rows;
  MapFileOptions map;
};

VoyageFileWriters::VoyageFileWriters(const Voyage& voyage, const std::vector<std::string>& given,
                                     const Schedule* schedule, const VoyageFiles& files)
    : state_(new State{files, {}, {}, {}, {}, {}, {}, {}, {}}) {
  State& s = *state_;
  const std::string title = VoyageTitle(voyage);
  if (!files.gpx.empty()) {
    const std::size_t legs = voyage.legs().size();
    s.gpx.emplace(files.gpx, title,
                  "voyage of " + std::to_string(legs) + (legs == 1 ? " leg" : " legs"));
    s.gpx->AvoidNames(given);
    s.rows.Add(*s.gpx);
  }
  if (!files.rtz.empty()) {
    s.rtz.emplace(files.rtz, schedule);
    s.rtz->AvoidNames(given);
    if (files.kept) s.rtz->Keep(*files.kept);
    s.rows.Add(*s.rtz);
  }
  if (!files.svg.empty()) {
    s.chart.emplace(files.svg, voyage, title);
    s.rows.Add(*s.chart);
  }
  s.map.schedule = schedule;
  s.map.tolerance_nm = files.tolerance_nm;
  if (!files.geojson.empty()) {
    s.geojson.emplace(files.geojson, title, VoyageMapTracks(voyage), s.map);
    s.geojson->AvoidNames(given);
    s.rows.Add(*s.geojson);
  }
  if (!files.kml.empty()) {
    s.kml.emplace(files.kml, title, VoyageMapTracks(voyage), s.map);
    s.kml->AvoidNames(given);
    s.rows.Add(*s.kml);
  }
  if (!files.nmea.empty()) {
    const std::string route = voyage.legs().empty() ? std::string()
                                                    : EndName(voyage.legs().front().from) + "-" +
                                                          EndName(voyage.legs().back().to);
    s.nmea.emplace(files.nmea, route, files.nmea_options);
    s.rows.Add(*s.nmea);
  }
}

VoyageFileWriters::~VoyageFileWriters() = default;

bool VoyageFileWriters::any() const {
  const State& s = *state_;
  return s.gpx || s.rtz || s.chart || s.geojson || s.kml || s.nmea;
}

void VoyageFileWriters::Row(const Waypoint& row) { state_->rows.Row(row); }

bool VoyageFileWriters::Finish(std::filesystem::path& failed, std::string& error) {
  State& s = *state_;
  const auto finish = [&](auto& writer, const std::filesystem::path& path) {
    if (!writer || writer->Finish(error)) return true;
    failed = path;
    return false;
  };
  return finish(s.gpx, s.files.gpx) && finish(s.rtz, s.files.rtz) && finish(s.chart, s.files.svg) &&
         finish(s.geojson, s.files.geojson) && finish(s.kml, s.files.kml) &&
         finish(s.nmea, s.files.nmea);
}

std::uintmax_t VoyageFileWriters::rtz_bytes() const {
  return state_->rtz ? state_->rtz->bytes() : 0;
}

}  // namespace sailings
