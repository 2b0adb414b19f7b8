// The waypoint table as an RTZ 1.0 route.
#include <algorithm>
#include <charconv>

#include "sailings/rtz.hpp"
#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "writers/route_file.h"

namespace sailings {

namespace {
// The schedule's departure time, when it has one.
const Schedule* Timed(const Schedule* schedule) {
  return schedule && schedule->depart ? schedule : nullptr;
}

// ` name="value"` for each attribute.
std::string AttributeText(const XmlAttributes& attributes) {
  std::string text;
  for (const auto& [name, value] : attributes) text += " " + name + "=\"" + XmlText(value) + "\"";
  return text;
}

bool Has(const XmlAttributes& attributes, std::string_view name) {
  return std::any_of(attributes.begin(), attributes.end(),
                     [&](const auto& a) { return a.first == name; });
}

template <class T>
const T* At(const std::vector<T>& items, long index) {
  return index >= 0 && static_cast<std::size_t>(index) < items.size()
             ? &items[static_cast<std::size_t>(index)]
             : nullptr;
}
}  // namespace

struct RtzWriter::State {
  RouteFile file;  // part 0 the waypoints, part 1 the schedule's times
  const Schedule* schedule;
  std::string prefix = "WP";  // of the names made
  const RtzKept* kept = nullptr;
  bool keepIds = false;                 // the route's own ids are written
  unsigned long long nextId = 0;        // the id of the next waypoint placed between them
  std::vector<std::string> writtenIds;  // of the route's own waypoints, as written
};

void RtzWriter::AvoidNames(const std::vector<std::string>& given) {
  state_->prefix = MadeNamePrefix(given);
}

void RtzWriter::Keep(const RtzKept& kept) {
  State& s = *state_;
  s.kept = &kept;
  s.keepIds = !kept.ids.empty() && !kept.ids.front().empty();
  if (s.keepIds) {
    for (const std::string& id : kept.ids) s.nextId = std::max(s.nextId, std::stoull(id) + 1);
  }
  s.writtenIds.assign(kept.ids.size(), std::string());
}

RtzWriter::RtzWriter(const std::filesystem::path& file, const Schedule* schedule)
    : state_(new State{
          RouteFile(file, Timed(schedule) ? std::vector<const char*>{"waypoints", "schedule"}
                                          : std::vector<const char*>{"waypoints"}),
          Timed(schedule),
          "WP",
          nullptr,
          false,
          0,
          {}}) {}

RtzWriter::~RtzWriter() = default;

void RtzWriter::Row(const Waypoint& row) {
  State& s = *state_;
  std::string id;
  if (s.keepIds) {
    const std::string* own = row.point >= 0 ? At(s.kept->ids, row.point) : nullptr;
    id = own ? *own : std::to_string(s.nextId++);
  } else {
    id = std::to_string(row.wp);
  }
  if (s.kept && row.point >= 0 && static_cast<std::size_t>(row.point) < s.writtenIds.size()) {
    s.writtenIds[static_cast<std::size_t>(row.point)] = id;
  }
  char line[1400];
  char* p = line;
  p = Append(p, "    <waypoint id=\"");
  p = Append(p, id.c_str());
  p = Append(p, "\" name=\"");
  // A voyage's own waypoint keeps its name (escaped, it may not fit the line).
  std::string named;
  if (row.name.empty()) {
    p = WaypointName(p, row.wp, s.prefix);
  } else {
    named = std::string(line, static_cast<std::size_t>(p - line)) + XmlText(row.name);
    p = line;
  }
  p = Append(p, "\"");
  const XmlAttributes* ownAttributes =
      s.kept && row.point >= 0 ? At(s.kept->waypoint, row.point) : nullptr;
  if (ownAttributes) {
    named += std::string(line, static_cast<std::size_t>(p - line)) + AttributeText(*ownAttributes);
    p = line;
  }
  p = Append(p, ">\n      <position");
  p = PositionAttributes(p, row.lat, row.lon);
  p = Append(p, "/>\n");
  std::string legText;
  if (row.wp > 0) {  // the leg arriving here, with its speed when it has its own
    p = Append(p, row.loxodrome ? "      <leg geometryType=\"Loxodrome\""
                                : "      <leg geometryType=\"Orthodrome\"");
    const XmlAttributes* leg = s.kept ? At(s.kept->leg, row.leg) : nullptr;
    if (row.speed_kn && !(leg && Has(*leg, "speedMax"))) {
      p = Append(p, " speedMax=\"");
      p = Append(p, FixedText(*row.speed_kn, 2).c_str());
      p = Append(p, "\"");
    }
    if (leg) legText = AttributeText(*leg);
  }
  std::string text = named + std::string(line, static_cast<std::size_t>(p - line));
  if (row.wp > 0) text += legText + "/>\n";
  text += "    </waypoint>\n";
  s.file.Write(0, text);
  if (s.schedule) {
    std::string element = "        <sheduleElement waypointId=\"" + id + "\" " +
                          (row.wp == 0 ? "etd" : "eta") + "=\"" +
                          s.schedule->EtaAfter(RowHours(row, *s.schedule), true) + "\"";
    if (row.wp > 0 && row.speed_kn) element += " speed=\"" + FixedText(*row.speed_kn, 2) + "\"";
    s.file.Write(1, element + "/>\n");
  }
}

std::uintmax_t RtzWriter::bytes() const { return state_->file.bytes(); }

bool RtzWriter::Finish(std::string& error) {
  const State& s = *state_;
  const RtzKept* kept = s.kept;
  const std::string name = XmlText(s.file.target().path.stem().string());
  std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<route xmlns=\"http://www.cirm.org/RTZ/1/0\" version=\"1.0\">\n"
      "  <routeInfo routeName=\"" +
      name + "\"" + (kept ? AttributeText(kept->route_info) : "") +
      "/>\n"
      "  <waypoints>\n";
  if (kept && kept->has_default) {
    head += "    <defaultWaypoint" + AttributeText(kept->default_waypoint) + ">\n";
    if (!kept->default_leg.empty())
      head += "      <leg" + AttributeText(kept->default_leg) + "/>\n";
    head += "    </defaultWaypoint>\n";
  }
  // The manual schedule kept, for the route's own waypoints as written.
  std::string manual;
  if (kept && kept->has_manual) {
    for (std::size_t i = 0; i < kept->manual.size() && i < s.writtenIds.size(); ++i) {
      if (!kept->manual[i] || s.writtenIds[i].empty()) continue;
      manual += "        <sheduleElement waypointId=\"" + s.writtenIds[i] + "\"" +
                AttributeText(*kept->manual[i]) + "/>\n";
    }
  }
  std::vector<RouteFile::Piece> pieces = {{head}, {{}, 0}, {"  </waypoints>\n"}};
  if (s.schedule || !manual.empty()) {
    const bool ownSchedule = kept && !manual.empty();
    pieces.push_back(
        {"  <schedules>\n    <schedule id=\"" +
         (ownSchedule && !kept->schedule_id.empty() ? XmlText(kept->schedule_id) : "0") +
         "\" name=\"" +
         (ownSchedule && !kept->schedule_name.empty() ? XmlText(kept->schedule_name) : name) +
         "\">\n"});
    if (!manual.empty()) pieces.push_back({"      <manual>\n" + manual + "      </manual>\n"});
    if (s.schedule) {
      pieces.push_back({"      <calculated>\n"});
      pieces.push_back({{}, 1});
      pieces.push_back({"      </calculated>\n"});
    }
    pieces.push_back({"    </schedule>\n  </schedules>\n"});
  }
  pieces.push_back({"</route>\n"});
  return state_->file.Finish(pieces, error);
}

}  // namespace sailings
