// The waypoint table as an RTZ 1.0 route.
#include <charconv>
#include <cstring>
#include <optional>

#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "writers/output_file.h"
#include "writers/route_file.h"

namespace sailings {

struct RtzWriter::State {
  OutputTarget target;
  std::string unusable;  // why the target cannot be written, or empty
  std::optional<ScratchFile> waypoints, times;
  const Schedule* schedule = nullptr;
};

RtzWriter::RtzWriter(const std::filesystem::path& file, const Schedule* schedule)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.schedule = schedule && schedule->depart ? schedule : nullptr;
  if (!ResolveOutput(file, s.target, s.unusable)) return;
  s.waypoints.emplace(s.target, "waypoints");
  if (s.schedule) s.times.emplace(s.target, "schedule");
}

RtzWriter::~RtzWriter() = default;

void RtzWriter::Row(const Waypoint& row) {
  State& s = *state_;
  char line[1400];
  char* p = line;
  const auto append = [&p](const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    p += n;
  };
  char id[24];
  *std::to_chars(id, id + sizeof id - 1, row.wp).ptr = '\0';
  append("    <waypoint id=\"");
  append(id);
  append("\" name=\"");
  p = WaypointName(p, row.wp);
  append("\">\n      <position lat=\"");
  p = Degrees8(p, row.lat);
  append("\" lon=\"");
  p = Longitude8(p, row.lon);
  append("\"/>\n");
  if (row.wp > 0) {  // the leg arriving here
    append(row.loxodrome ? "      <leg geometryType=\"Loxodrome\"/>\n"
                         : "      <leg geometryType=\"Orthodrome\"/>\n");
  }
  append("    </waypoint>\n");
  if (!s.waypoints) return;
  s.waypoints->Write(std::string_view(line, static_cast<std::size_t>(p - line)));
  if (s.times) {
    s.times->Write(std::string("        <sheduleElement waypointId=\"") + id + "\" " +
                   (row.wp == 0 ? "etd" : "eta") + "=\"" + s.schedule->Eta(row.total_nm, true) +
                   "\"/>\n");
  }
}

bool RtzWriter::Finish(std::string& error) {
  State& s = *state_;
  if (!s.waypoints) {
    error = s.unusable;
    return false;
  }
  if (!s.waypoints->Close(error) || (s.times && !s.times->Close(error))) return false;
  const std::string name = XmlText(s.target.path.stem().string());
  std::vector<FilePiece> pieces = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<route xmlns=\"http://www.cirm.org/RTZ/1/0\" version=\"1.0\">\n"
       "  <routeInfo routeName=\"" + name + "\"/>\n"
       "  <waypoints>\n",
       nullptr},
      {{}, &*s.waypoints},
      {"  </waypoints>\n", nullptr}};
  if (s.schedule) {
    pieces.push_back({"  <schedules>\n    <schedule id=\"0\" name=\"" + name + "\">\n"
                      "      <calculated>\n", nullptr});
    pieces.push_back({{}, &*s.times});
    pieces.push_back({"      </calculated>\n    </schedule>\n  </schedules>\n", nullptr});
  }
  pieces.push_back({"</route>\n", nullptr});
  return AssembleFile(s.target, pieces, error);
}

}  // namespace sailings
