#include "writers/rtz_route.h"

#include <charconv>
#include <cstring>
#include <system_error>

#include "writers/gpx_route.h"  // XmlText
#include "writers/route_file.h"

namespace sailings {

RtzRoute::RtzRoute(std::filesystem::path file, const Schedule* schedule)
    : file_(std::move(file)),
      waypoints_(file_.string() + ".waypoints.part"),
      times_(file_.string() + ".schedule.part"),
      waypointsFile_(waypoints_, std::ios::out | std::ios::trunc | std::ios::binary),
      schedule_(schedule && schedule->depart ? schedule : nullptr) {
  if (schedule_) timesFile_.open(times_, std::ios::out | std::ios::trunc | std::ios::binary);
}

RtzRoute::~RtzRoute() {
  std::error_code ec;
  waypointsFile_.close();
  timesFile_.close();
  std::filesystem::remove(waypoints_, ec);
  std::filesystem::remove(times_, ec);
}

void RtzRoute::Row(const WaypointRow& row) {
  char line[1400];
  char* p = line;
  const auto append = [&p](const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    p += n;
  };
  char id[24];
  *std::to_chars(id, id + sizeof id - 1, row.number).ptr = '\0';
  append("    <waypoint id=\"");
  append(id);
  append("\" name=\"");
  p = WaypointName(p, row.number);
  append("\">\n      <position lat=\"");
  // The true position: a carried pole or equator latitude is notation only.
  p = Degrees8(p, ToDegrees(TrueLatitude(row.latitude)));
  append("\" lon=\"");
  p = Longitude8(p, ToDegrees(row.longitude));
  append("\"/>\n");
  if (row.number > 0) {  // the leg arriving here
    append(row.loxodrome ? "      <leg geometryType=\"Loxodrome\"/>\n"
                         : "      <leg geometryType=\"Orthodrome\"/>\n");
  }
  append("    </waypoint>\n");
  waypointsFile_.write(line, p - line);
  if (schedule_) {
    timesFile_ << "        <sheduleElement waypointId=\"" << id << "\" "
               << (row.number == 0 ? "etd" : "eta") << "=\""
               << schedule_->Eta(row.total, true) << "\"/>\n";
  }
}

bool RtzRoute::Finish(std::string& error) {
  waypointsFile_.close();
  timesFile_.close();
  if (waypointsFile_.fail() || (schedule_ && timesFile_.fail())) {
    error = "a scratch file beside " + file_.filename().string() + " could not be written";
    return false;
  }
  const std::string name = XmlText(file_.stem().string());
  std::vector<FilePiece> pieces = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<route xmlns=\"http://www.cirm.org/RTZ/1/0\" version=\"1.0\">\n"
       "  <routeInfo routeName=\"" + name + "\"/>\n"
       "  <waypoints>\n",
       {}},
      {{}, waypoints_},
      {"  </waypoints>\n", {}}};
  if (schedule_) {
    pieces.push_back({"  <schedules>\n    <schedule id=\"0\" name=\"" + name + "\">\n"
                      "      <calculated>\n", {}});
    pieces.push_back({{}, times_});
    pieces.push_back({"      </calculated>\n    </schedule>\n  </schedules>\n", {}});
  }
  pieces.push_back({"</route>\n", {}});
  return AssembleFile(file_, pieces, error);
}

}  // namespace sailings
