#include "writers/rtz_route.h"

#include <charconv>
#include <cstring>

#include "text/printable.h"
#include "writers/route_file.h"

namespace sailings {

RtzRoute::RtzRoute(const std::filesystem::path& file, const Schedule* schedule)
    : schedule_(schedule && schedule->depart ? schedule : nullptr) {
  if (!ResolveOutput(file, target_, unusable_)) return;
  waypoints_.emplace(target_, "waypoints");
  if (schedule_) times_.emplace(target_, "schedule");
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
  if (!waypoints_) return;
  waypoints_->Write(std::string_view(line, static_cast<std::size_t>(p - line)));
  if (times_) {
    times_->Write(std::string("        <sheduleElement waypointId=\"") + id + "\" " +
                  (row.number == 0 ? "etd" : "eta") + "=\"" + schedule_->Eta(row.total, true) +
                  "\"/>\n");
  }
}

bool RtzRoute::Finish(std::string& error) {
  if (!waypoints_) {
    error = unusable_;
    return false;
  }
  if (!waypoints_->Close(error) || (times_ && !times_->Close(error))) return false;
  const std::string name = XmlText(target_.path.stem().string());
  std::vector<FilePiece> pieces = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<route xmlns=\"http://www.cirm.org/RTZ/1/0\" version=\"1.0\">\n"
       "  <routeInfo routeName=\"" + name + "\"/>\n"
       "  <waypoints>\n",
       nullptr},
      {{}, &*waypoints_},
      {"  </waypoints>\n", nullptr}};
  if (schedule_) {
    pieces.push_back({"  <schedules>\n    <schedule id=\"0\" name=\"" + name + "\">\n"
                      "      <calculated>\n", nullptr});
    pieces.push_back({{}, &*times_});
    pieces.push_back({"      </calculated>\n    </schedule>\n  </schedules>\n", nullptr});
  }
  pieces.push_back({"</route>\n", nullptr});
  return AssembleFile(target_, pieces, error);
}

}  // namespace sailings
