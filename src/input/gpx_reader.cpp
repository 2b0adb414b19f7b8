// GPX 1.1 and 1.0: a route, a track's segments, or waypoints alone; OpenCPN's
// planned speeds.
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/route_readers.h"
#include "input/xml_reader.h"
#include "sailings/coordinates.hpp"
#include "sailings/schedule.hpp"
#include "sailings/text.hpp"

namespace sailings {

std::optional<Refusal> Xml::Gpx(pugi::xml_node root, std::string_view wanted) const {
  const std::string ns = Namespace(root);
  content.format = RouteFormat::gpx;
  content.version = ns == "http://www.topografix.com/GPX/1/0" ? "1.0" : "1.1";
  // The route: the first that has points, or the one named; else a
  // track's points; else the file's waypoints.
  std::vector<std::string> names;
  for (const char* kind : {"rte", "trk"}) {
    for (pugi::xml_node r : Children(root, kind)) names.push_back(Child(r, "name").text().get());
  }
  const WantedName w = ParseWanted(wanted, names);
  const auto hasPoints = [](pugi::xml_node r) {
    if (Child(r, "rtept")) return true;
    for (pugi::xml_node seg : Children(r, "trkseg")) {
      if (Child(seg, "trkpt")) return true;
    }
    return false;
  };
  pugi::xml_node chosen;
  bool track = false;
  for (const char* kind : {"rte", "trk"}) {
    for (pugi::xml_node r : Children(root, kind)) {
      if (wanted.empty()
              ? hasPoints(r)
              : (w.name.empty() && w.part > 0) || Child(r, "name").text().get() == w.name) {
        chosen = r;
        break;
      }
    }
    if (chosen) {
      track = std::strcmp(kind, "trk") == 0;
      break;
    }
  }
  const std::vector<pugi::xml_node> waypoints = Children(root, "wpt");
  if (!chosen && wanted.empty() && waypoints.empty()) {  // routes without points: told so
    chosen = Child(root, "rte");
    if (!chosen) chosen = Child(root, "trk");
    track = chosen && LocalName(chosen.name()) == "trk";
  }
  if (!chosen && wanted.empty()) {
    if (waypoints.empty())
      return Refusal{0, "no route (rte), track (trk) or waypoint (wpt) in the file"};
    content.notes.push_back("no route or track: its " + std::to_string(waypoints.size()) +
                            (waypoints.size() == 1 ? " waypoint (wpt)" : " waypoints (wpt)") +
                            " read as a route, in the file's order");
    return Points(waypoints);
  }
  if (!chosen) return Refusal{0, "no route or track named '" + PrintableText(wanted) + "'"};
  content.route_name = Child(chosen, "name").text().get();
  if (!track) {
    if (w.part > 0)
      return Refusal{0, "a route (rte) has no parts: --name '" + PrintableText(wanted) + "'"};
    if (auto r = Points(Children(chosen, "rtept"))) return r;
    return PlannedSpeeds(chosen);
  }
  // A track's segments, joined where they meet; a fix repeated (a receiver
  // that logs while the ship lies still) is read once.
  std::vector<std::vector<RoutePoint>> parts;
  std::size_t count = 0;
  for (pugi::xml_node seg : Children(chosen, "trkseg")) {
    parts.emplace_back();
    for (pugi::xml_node pt : Children(seg, "trkpt")) {
      VoyagePoint p;
      if (auto r = Position(pt, p, count++)) return r;
      parts.back().push_back({p.lat, p.lon, Child(pt, "name").text().get(), Line(pt)});
    }
  }
  std::vector<RoutePoint> joined;
  const std::string called =
      "track" + (content.route_name.empty() ? std::string()
                                            : " '" + PrintableText(content.route_name, 40) + "'");
  if (auto r = JoinParts(parts, w.part, called, "--name '" + PrintableText(content.route_name, 40),
                         joined))
    return r;
  long repeated = 0, firstLine = 0;
  for (const RoutePoint& r : joined) {
    if (!content.points.empty() && content.points.back().lat == r.lat &&
        content.points.back().lon == r.lon) {
      if (repeated++ == 0) firstLine = r.line;
      continue;
    }
    VoyagePoint p;
    p.name = r.name, p.lat = r.lat, p.lon = r.lon;
    content.points.push_back(std::move(p));
    content.lines.push_back(r.line);
  }
  if (repeated > 0) {
    content.notes.push_back("line " + std::to_string(firstLine) + ": " + std::to_string(repeated) +
                            (repeated == 1 ? " fix repeats" : " fixes repeat") +
                            " the position before it and " + (repeated == 1 ? "is" : "are") +
                            " read once");
  }
  return std::nullopt;
}

// Points (rtept, wpt) in order, with their names.
std::optional<Refusal> Xml::Points(const std::vector<pugi::xml_node>& points) const {
  for (pugi::xml_node pt : points) {
    VoyagePoint p;
    p.name = Child(pt, "name").text().get();
    if (auto r = Position(pt, p, content.points.size())) return r;
    content.points.push_back(std::move(p));
    content.lines.push_back(Line(pt));
  }
  return std::nullopt;
}

// OpenCPN's planned speeds: a route point's <opencpn:rte_properties
// planned_speed="..."/> is the speed of the leg arriving there, the route's
// <opencpn:planned_speed> that of the legs without one. OpenCPN writes
// 0.1 knots or less for "none".
std::optional<Refusal> Xml::PlannedSpeeds(pugi::xml_node route) const {
  const auto planned = [&](std::string_view text, pugi::xml_node at, std::size_t index,
                           std::optional<double>& speed) -> std::optional<Refusal> {
    if (auto fault = Quantity(text, "planned_speed", speed)) {
      return Refusal{
          Line(at),
          (index > 0 ? Which(index, content.points[index].name) + ": " : std::string()) + *fault};
    }
    if (speed && *speed <= kMinSpeedKnots) speed.reset();
    return std::nullopt;
  };
  std::optional<double> routeSpeed;
  if (const pugi::xml_node e = Child(Child(route, "extensions"), "planned_speed")) {
    if (auto r = planned(e.text().get(), e, 0, routeSpeed)) return r;
  }
  const std::vector<pugi::xml_node> points = Children(route, "rtept");
  for (std::size_t i = 1; i < points.size() && i < content.points.size(); ++i) {
    std::optional<double> speed;
    const pugi::xml_node properties = Child(Child(points[i], "extensions"), "rte_properties");
    if (auto r = planned(properties.attribute("planned_speed").value(), properties, i, speed))
      return r;
    if (!speed) speed = routeSpeed;
    if (speed) content.points[i].speed_kn = speed;
  }
  return std::nullopt;
}

}  // namespace sailings
