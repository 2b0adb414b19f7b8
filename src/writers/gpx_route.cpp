// The waypoint table as a GPX 1.1 route.

#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "writers/route_file.h"

namespace sailings {

struct GpxWriter::State {
  RouteFile file;
  std::string name, placement;
  double total_nm = 0;
  long count = 0;
  std::string prefix = "WP";  // of the names made
};

void GpxWriter::AvoidNames(const std::vector<std::string>& given) {
  state_->prefix = MadeNamePrefix(given);
}

GpxWriter::GpxWriter(const std::filesystem::path& file, std::string name, std::string placement)
    : state_(new State{RouteFile(file, {"points"}), std::move(name), std::move(placement)}) {}

GpxWriter::~GpxWriter() = default;

void GpxWriter::Row(const Waypoint& row) {
  State& s = *state_;
  s.total_nm = row.total_nm;
  // One line, formatted in place: this runs for every row of long tables.
  char line[1200];
  char* p = line;
  p = Append(p, "    <rtept");
  p = PositionAttributes(p, row.lat, row.lon);
  p = Append(p, "><name>");
  if (row.name.empty()) {
    p = WaypointName(p, s.count++, s.prefix);
    p = Append(p, "</name></rtept>\n");
    s.file.Write(0, std::string_view(line, static_cast<std::size_t>(p - line)));
    return;
  }
  ++s.count;  // a voyage's own waypoint keeps its name
  s.file.Write(0, std::string(line, static_cast<std::size_t>(p - line)) + XmlText(row.name) +
                      "</name></rtept>\n");
}

bool GpxWriter::Finish(std::string& error) {
  const State& s = *state_;
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"sailings\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      "  <rte>\n"
      "    <name>" +
      XmlText(s.name) +
      "</name>\n"
      "    <desc>" +
      XmlText(s.placement) + "; total distance " + FixedText(s.total_nm, 6) + " NM</desc>\n";
  return state_->file.Finish({{head}, {{}, 0}, {"  </rte>\n</gpx>\n"}}, error);
}

}  // namespace sailings
