// The waypoint table as a GPX 1.1 route.
#include <charconv>
#include <cstring>
#include <optional>

#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "writers/output_file.h"
#include "writers/route_file.h"

namespace sailings {

struct GpxWriter::State {
  OutputTarget target;
  std::string unusable;  // why the target cannot be written, or empty
  std::optional<ScratchFile> points;
  double total_nm = 0;
  std::string name, placement;
  long count = 0;
};

GpxWriter::GpxWriter(const std::filesystem::path& file, std::string name, std::string placement)
    : state_(std::make_unique<State>()) {
  state_->name = std::move(name);
  state_->placement = std::move(placement);
  if (ResolveOutput(file, state_->target, state_->unusable)) {
    state_->points.emplace(state_->target, "points");
  }
}

GpxWriter::~GpxWriter() = default;

void GpxWriter::Row(const Waypoint& row) {
  State& s = *state_;
  s.total_nm = row.total_nm;
  // One line, formatted in place: this runs for every row of long tables.
  char line[1200];  // two numbers of at most 400 characters and the markup
  char* p = line;
  const auto append = [&p](const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    p += n;
  };
  append("    <rtept lat=\"");
  p = Degrees8(p, row.lat);
  append("\" lon=\"");
  p = Longitude8(p, row.lon);
  append("\"><name>");
  p = WaypointName(p, s.count++);
  append("</name></rtept>\n");
  if (s.points) s.points->Write(std::string_view(line, static_cast<std::size_t>(p - line)));
}

bool GpxWriter::Finish(std::string& error) {
  State& s = *state_;
  if (!s.points) {
    error = s.unusable;
    return false;
  }
  if (!s.points->Close(error)) return false;
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"sailings\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      "  <rte>\n"
      "    <name>" + XmlText(s.name) + "</name>\n"
      "    <desc>" + XmlText(s.placement) + "; total distance " + FixedText(s.total_nm, 6) +
      " NM</desc>\n";
  return AssembleFile(s.target, {{head, nullptr}, {{}, &*s.points}, {"  </rte>\n</gpx>\n", nullptr}},
                      error);
}

}  // namespace sailings
