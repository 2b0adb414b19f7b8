// The waypoint table as an RTZ 1.0 route.
#include <charconv>

#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "writers/route_file.h"

namespace sailings {

namespace {
// The schedule's departure time, when it has one.
const Schedule* Timed(const Schedule* schedule) {
  return schedule && schedule->depart ? schedule : nullptr;
}
}  // namespace

struct RtzWriter::State {
  RouteFile file;  // part 0 the waypoints, part 1 the schedule's times
  const Schedule* schedule;
  std::string prefix = "WP";  // of the names made
};

void RtzWriter::AvoidNames(const std::vector<std::string>& given) {
  state_->prefix = MadeNamePrefix(given);
}

RtzWriter::RtzWriter(const std::filesystem::path& file, const Schedule* schedule)
    : state_(new State{RouteFile(file, Timed(schedule)
                                           ? std::vector<const char*>{"waypoints", "schedule"}
                                           : std::vector<const char*>{"waypoints"}),
                       Timed(schedule)}) {}

RtzWriter::~RtzWriter() = default;

void RtzWriter::Row(const Waypoint& row) {
  State& s = *state_;
  char line[1400];
  char* p = line;
  char id[24];
  *std::to_chars(id, id + sizeof id - 1, row.wp).ptr = '\0';
  p = Append(p, "    <waypoint id=\"");
  p = Append(p, id);
  p = Append(p, "\" name=\"");
  // A voyage's own waypoint keeps its name (escaped, it may not fit the line).
  std::string named;
  if (row.name.empty()) {
    p = WaypointName(p, row.wp, s.prefix);
  } else {
    named = std::string(line, static_cast<std::size_t>(p - line)) + XmlText(row.name);
    p = line;
  }
  p = Append(p, "\">\n      <position");
  p = PositionAttributes(p, row.lat, row.lon);
  p = Append(p, "/>\n");
  if (row.wp > 0) {  // the leg arriving here, with its speed when it has its own
    p = Append(p, row.loxodrome ? "      <leg geometryType=\"Loxodrome\""
                                : "      <leg geometryType=\"Orthodrome\"");
    if (row.speed_kn) {
      p = Append(p, " speedMax=\"");
      p = Append(p, FixedText(*row.speed_kn, 2).c_str());
      p = Append(p, "\"");
    }
    p = Append(p, "/>\n");
  }
  p = Append(p, "    </waypoint>\n");
  s.file.Write(0, named + std::string(line, static_cast<std::size_t>(p - line)));
  if (s.schedule) {
    s.file.Write(1, std::string("        <sheduleElement waypointId=\"") + id + "\" " +
                        (row.wp == 0 ? "etd" : "eta") + "=\"" +
                        s.schedule->EtaAfter(RowHours(row, *s.schedule), true) + "\"/>\n");
  }
}

bool RtzWriter::Finish(std::string& error) {
  const State& s = *state_;
  const std::string name = XmlText(s.file.target().path.stem().string());
  std::vector<RouteFile::Piece> pieces = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<route xmlns=\"http://www.cirm.org/RTZ/1/0\" version=\"1.0\">\n"
       "  <routeInfo routeName=\"" + name + "\"/>\n"
       "  <waypoints>\n"},
      {{}, 0},
      {"  </waypoints>\n"}};
  if (s.schedule) {
    pieces.push_back({"  <schedules>\n    <schedule id=\"0\" name=\"" + name + "\">\n"
                      "      <calculated>\n"});
    pieces.push_back({{}, 1});
    pieces.push_back({"      </calculated>\n    </schedule>\n  </schedules>\n"});
  }
  pieces.push_back({"</route>\n"});
  return state_->file.Finish(pieces, error);
}

}  // namespace sailings
