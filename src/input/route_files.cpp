// Routes from other tools: GPX, RTZ and CSV, every value checked.
#include "sailings/route_files.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "input/route_readers.h"
#include "input/text_encoding.h"
#include "sailings/coordinates.hpp"
#include "sailings/schedule.hpp"
#include "sailings/text.hpp"

namespace sailings {

std::string Which(std::size_t index, std::string_view name) {
  std::string which = "waypoint " + std::to_string(index + 1);
  if (!name.empty()) which += " (" + PrintableText(name, 40) + ")";
  return which;
}

std::optional<std::string> PositionFault(double lat, double lon) {
  if (std::fabs(lat) > 90) return std::string("latitude is beyond 90 degrees");
  if (std::fabs(lon) > 180) return std::string("longitude is beyond 180 degrees");
  return std::nullopt;
}

long LineIndex::LineOf(std::ptrdiff_t offset) const {
  if (offset < 0) return 0;
  return static_cast<long>(
             std::lower_bound(ends_.begin(), ends_.end(), static_cast<std::size_t>(offset)) -
             ends_.begin()) +
         1;
}

LineIndex::LineIndex(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') ends_.push_back(i);
  }
}

namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A number attribute or field: nothing when absent; a refusal when it is not
// a plain finite number or is negative.
std::optional<std::string> Quantity(std::string_view text, const char* what,
                                    std::optional<double>& value) {
  value.reset();
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  const std::optional<double> v = ParseDecimal(text);
  if (!v) return std::string(what) + " '" + PrintableText(text) + "' is not a number";
  if (*v < 0) return std::string(what) + " " + PrintableText(text) + " is negative";
  value = v;
  return std::nullopt;
}

// ---------------------------------------------------------------- XML

// The attributes RTZ 1.0 defines, which a route written back keeps.
const std::vector<std::string_view> kRouteInfo = {
    "routeAuthor",        "routeStatus",      "validityPeriodStart",
    "validityPeriodStop", "vesselName",       "vesselMMSI",
    "vesselIMO",          "vesselVoyage",     "vesselDisplacement",
    "vesselCargo",        "vesselGM",         "optimizationMethod",
    "vesselMaxRoll",      "vesselMaxWave",    "vesselMaxWind",
    "vesselSpeedMax",     "vesselServiceMin", "vesselServiceMax",
    "routeChangesHistory"};
const std::vector<std::string_view> kLeg = {
    "starboardXTD", "portsideXTD",    "safetyContour", "safetyDepth", "geometryType", "speedMin",
    "speedMax",     "draughtForward", "draughtAft",    "staticUKC",   "dynamicUKC",   "masthead",
    "legReport",    "legInfo",        "legNote1",      "legNote2"};
const std::vector<std::string_view> kScheduleElement = {"etd",
                                                        "etdWindowBefore",
                                                        "etdWindowAfter",
                                                        "eta",
                                                        "etaWindowBefore",
                                                        "etaWindowAfter",
                                                        "stay",
                                                        "speed",
                                                        "speedWindow",
                                                        "windSpeed",
                                                        "windDirection",
                                                        "currentSpeed",
                                                        "currentDirection",
                                                        "windLoss",
                                                        "waveLoss",
                                                        "totalLoss",
                                                        "rpm",
                                                        "pitch",
                                                        "fuel",
                                                        "relFuelSave",
                                                        "absFuelSace",
                                                        "Note"};

std::string_view LocalName(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

pugi::xml_node Child(pugi::xml_node node, std::string_view local) {
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && LocalName(c.name()) == local) return c;
  }
  return {};
}

std::vector<pugi::xml_node> Children(pugi::xml_node node, std::string_view local) {
  std::vector<pugi::xml_node> found;
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && LocalName(c.name()) == local) found.push_back(c);
  }
  return found;
}

// The namespace URI of `node`'s own prefix, declared on it or above.
std::string Namespace(pugi::xml_node node) {
  const char* colon = std::strchr(node.name(), ':');
  const std::string attribute =
      colon ? "xmlns:" + std::string(node.name(), static_cast<std::size_t>(colon - node.name()))
            : "xmlns";
  for (pugi::xml_node n = node; n; n = n.parent()) {
    if (pugi::xml_attribute a = n.attribute(attribute.c_str())) return a.value();
  }
  return {};
}

// The deepest nesting of elements, walked without recursion.
int Depth(const pugi::xml_document& doc) {
  int deepest = 0, depth = 0;
  pugi::xml_node n = doc.first_child();
  while (n) {
    if (n.type() == pugi::node_element) deepest = std::max(deepest, depth + 1);
    if (n.first_child()) {
      n = n.first_child();
      ++depth;
      if (depth > kMaxXmlDepth) return depth;
      continue;
    }
    while (n && !n.next_sibling()) {
      n = n.parent();
      --depth;
      if (depth < 0) return deepest;
    }
    if (n) n = n.next_sibling();
  }
  return deepest;
}

struct Xml {
  const LineIndex& lines;
  RouteFileContent& content;

  long Line(pugi::xml_node node) const { return lines.LineOf(node.offset_debug()); }

  // A waypoint's position from its lat and lon attributes.
  std::optional<Refusal> Position(pugi::xml_node node, VoyagePoint& p, std::size_t index) const {
    const std::optional<double> lat = ParseDecimal(Trimmed(node.attribute("lat").value()));
    const std::optional<double> lon = ParseDecimal(Trimmed(node.attribute("lon").value()));
    const std::string which = Which(index, p.name);
    if (!lat) {
      return Refusal{Line(node), which + ": latitude '" +
                                     PrintableText(node.attribute("lat").value()) +
                                     "' is not a number"};
    }
    if (!lon) {
      return Refusal{Line(node), which + ": longitude '" +
                                     PrintableText(node.attribute("lon").value()) +
                                     "' is not a number"};
    }
    if (const auto fault = PositionFault(*lat, *lon))
      return Refusal{Line(node), which + ": " + *fault};
    p.lat = *lat, p.lon = *lon;
    return std::nullopt;
  }

  std::optional<Refusal> Gpx(pugi::xml_node root, std::string_view wanted) const {
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
    if (auto r = JoinParts(parts, w.part, called,
                           "--name '" + PrintableText(content.route_name, 40), joined))
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
      content.notes.push_back(
          "line " + std::to_string(firstLine) + ": " + std::to_string(repeated) +
          (repeated == 1 ? " fix repeats" : " fixes repeat") + " the position before it and " +
          (repeated == 1 ? "is" : "are") + " read once");
    }
    return std::nullopt;
  }

  // Points (rtept, wpt) in order, with their names.
  std::optional<Refusal> Points(const std::vector<pugi::xml_node>& points) const {
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
  std::optional<Refusal> PlannedSpeeds(pugi::xml_node route) const {
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

  // The leg and radius of a waypoint (or of the default waypoint).
  std::optional<Refusal> Leg(pugi::xml_node waypoint, VoyagePoint& p, std::size_t index,
                             const VoyagePoint* defaults) const {
    const std::string which = Which(index, p.name);
    const pugi::xml_node leg = Child(waypoint, "leg");
    p.has_leg = static_cast<bool>(leg);
    if (defaults) {
      p.type = defaults->type, p.speed_max_kn = defaults->speed_max_kn;
      p.port_xtd_nm = defaults->port_xtd_nm, p.starboard_xtd_nm = defaults->starboard_xtd_nm;
      p.radius_nm = defaults->radius_nm;
    }
    std::optional<double> value;
    if (pugi::xml_attribute radius = waypoint.attribute("radius")) {
      if (auto fault = Quantity(radius.value(), "radius", value))
        return Refusal{Line(waypoint), which + ": " + *fault};
      p.radius_nm = value;
    }
    if (!leg) return std::nullopt;
    if (pugi::xml_attribute type = leg.attribute("geometryType")) {
      const std::string_view t = type.value();
      if (t == "Loxodrome") {
        p.type = LegType::loxodrome;
      } else if (t == "Orthodrome") {
        p.type = LegType::orthodrome;
      } else {
        return Refusal{Line(leg), which + ": unknown geometryType '" + PrintableText(t) +
                                      "' (Loxodrome or Orthodrome)"};
      }
    } else if (!defaults || defaults->type == LegType::unknown) {
      p.type = LegType::loxodrome;  // the format's default
    }
    const std::pair<const char*, std::optional<double>*> quantities[] = {
        {"speedMax", &p.speed_max_kn},
        {"portsideXTD", &p.port_xtd_nm},
        {"starboardXTD", &p.starboard_xtd_nm}};
    for (const auto& [name, target] : quantities) {
      pugi::xml_attribute a = leg.attribute(name);
      if (!a) continue;
      if (auto fault = Quantity(a.value(), name, value))
        return Refusal{Line(leg), which + ": " + *fault};
      *target = value;
    }
    if (p.speed_max_kn && *p.speed_max_kn == 0) p.speed_max_kn.reset();
    return std::nullopt;
  }

  // KML: Placemarks with a Point, LineString or MultiGeometry, anywhere in
  // Documents and Folders.
  std::optional<Refusal> Kml(pugi::xml_node root, std::string_view wanted) const {
    content.format = RouteFormat::kml;
    const std::string ns = Namespace(root);
    const std::size_t at = ns.rfind("kml/");
    content.version = at == std::string::npos ? "2.2" : ns.substr(at + 4);
    if (pugi::xml_node document = Child(root, "Document")) {
      content.route_name = Child(document, "name").text().get();
    }
    MapFeatures found;
    std::vector<pugi::xml_node> todo = {root};
    while (!todo.empty()) {  // document order, without recursion
      const pugi::xml_node n = todo.back();
      todo.pop_back();
      if (LocalName(n.name()) == "Placemark") {
        if (auto r = Placemark(n, found)) return r;
        continue;
      }
      std::vector<pugi::xml_node> children;
      for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) children.push_back(c);
      }
      todo.insert(todo.end(), children.rbegin(), children.rend());
    }
    return ChooseMapRoute(found, wanted, "KML", content);
  }

  std::optional<Refusal> Placemark(pugi::xml_node placemark, MapFeatures& found) const {
    const std::string name = Child(placemark, "name").text().get();
    std::vector<pugi::xml_node> geometries = {placemark};
    MapFeatures::Line line{name, {}};
    bool hasLine = false;
    while (!geometries.empty()) {
      const pugi::xml_node g = geometries.back();
      geometries.pop_back();
      for (pugi::xml_node c = g.last_child(); c; c = c.previous_sibling()) {
        const std::string_view kind = LocalName(c.name());
        if (kind == "MultiGeometry") geometries.push_back(c);
      }
      for (pugi::xml_node c = g.first_child(); c; c = c.next_sibling()) {
        const std::string_view kind = LocalName(c.name());
        if (kind != "Point" && kind != "LineString") continue;
        std::vector<RoutePoint> piece;
        if (auto r = Coordinates(Child(c, "coordinates"), kind == "Point" ? name : "", piece))
          return r;
        if (kind == "Point") {
          found.points.insert(found.points.end(), piece.begin(), piece.end());
        } else {
          line.parts.push_back(std::move(piece));
          hasLine = true;
        }
      }
    }
    if (hasLine) found.lines.push_back(std::move(line));
    return std::nullopt;
  }

  // "lon,lat[,alt] lon,lat[,alt] ...".
  std::optional<Refusal> Coordinates(pugi::xml_node node, const std::string& name,
                                     std::vector<RoutePoint>& points) const {
    const std::string_view text = node.text().get();
    std::size_t i = 0;
    while (true) {
      while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
      if (i >= text.size()) break;
      std::size_t end = i;
      while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
      const std::string_view tuple = text.substr(i, end - i);
      i = end;
      const std::size_t comma = tuple.find(',');
      const std::size_t second = comma == tuple.npos ? tuple.npos : tuple.find(',', comma + 1);
      const std::optional<double> lon = ParseDecimal(tuple.substr(0, comma));
      const std::optional<double> lat =
          comma == tuple.npos
              ? std::nullopt
              : ParseDecimal(tuple.substr(comma + 1,
                                          second == tuple.npos ? tuple.npos : second - comma - 1));
      if (!lon || !lat || (second != tuple.npos && !ParseDecimal(tuple.substr(second + 1)))) {
        return Refusal{Line(node),
                       "coordinates '" + PrintableText(tuple) + "' are not lon,lat[,alt]"};
      }
      points.push_back({*lat, *lon, name, Line(node)});
    }
    return std::nullopt;
  }

  std::optional<Refusal> Rtz(pugi::xml_node root) const {
    const std::string ns = Namespace(root);
    content.format = RouteFormat::rtz;
    for (const char* version : {"1.0", "1.1", "1.2"}) {
      if (ns == std::string("http://www.cirm.org/RTZ/") + version[0] + "/" + version[2]) {
        content.version = version;
      }
    }
    if (content.version.empty()) {
      return Refusal{Line(root), "not an RTZ route: namespace '" + PrintableText(ns) +
                                     "' (RTZ 1.0, 1.1 and 1.2 are read)"};
    }
    RtzKept& kept = content.rtz.emplace();
    const pugi::xml_node info = Child(root, "routeInfo");
    content.route_name = info.attribute("routeName").value();
    kept.route_info = Attributes(info, kRouteInfo, {"routeName"}, kept);
    const pugi::xml_node waypoints = Child(root, "waypoints");
    VoyagePoint defaults;
    const VoyagePoint* hasDefaults = nullptr;
    if (pugi::xml_node d = Child(waypoints, "defaultWaypoint")) {
      if (auto r = Leg(d, defaults, 0, nullptr)) {
        r->reason = "defaultWaypoint" + r->reason.substr(r->reason.find(':'));
        return r;
      }
      if (!Child(d, "leg")) defaults.type = LegType::unknown;
      hasDefaults = &defaults;
      kept.has_default = true;
      kept.default_waypoint = Attributes(d, {"radius"}, {}, kept);
      kept.default_leg = Attributes(Child(d, "leg"), kLeg, {}, kept);
    }
    for (pugi::xml_node w : Children(waypoints, "waypoint")) {
      VoyagePoint p;
      p.name = w.attribute("name").value();
      p.id = w.attribute("id").value();
      const std::size_t index = content.points.size();
      const pugi::xml_node position = Child(w, "position");
      if (!position) return Refusal{Line(w), Which(index, p.name) + ": no position"};
      if (auto r = Position(position, p, index)) return r;
      if (auto r = Leg(w, p, index, hasDefaults)) return r;
      if (p.type == LegType::unknown) p.type = LegType::loxodrome;
      kept.ids.push_back(p.id);
      kept.waypoint.push_back(Attributes(w, {"revision", "radius"}, {"id", "name"}, kept));
      kept.leg.push_back(Attributes(Child(w, "leg"), kLeg, {"geometryType"}, kept));
      if (index == 0 && Child(w, "leg"))
        kept.not_kept.push_back("the first waypoint's leg (it has no effect)");
      content.points.push_back(std::move(p));
      content.lines.push_back(Line(w));
    }
    KeepIds(kept);
    if (root.find_node([](pugi::xml_node n) { return LocalName(n.name()) == "extensions"; })) {
      kept.not_kept.push_back("extensions");
    }
    return Schedule(Child(root, "schedules"), kept);
  }

  // An element's attributes that RTZ 1.0 defines for it (`known`), but
  // those named in `but`; any other is named in `kept.not_kept`.
  static XmlAttributes Attributes(pugi::xml_node node, const std::vector<std::string_view>& known,
                                  std::initializer_list<std::string_view> but, RtzKept& kept) {
    XmlAttributes found;
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
      std::string name = a.name();
      if (std::find(but.begin(), but.end(), name) != but.end()) continue;
      if (name == "absFuelSave") name = "absFuelSace";  // RTZ 1.0's spelling
      if (std::find(known.begin(), known.end(), name) == known.end()) {
        if (name.rfind("xmlns", 0) == 0) continue;
        const std::string what =
            "attribute '" + PrintableText(name, 40) + "' of " + std::string(LocalName(node.name()));
        if (std::find(kept.not_kept.begin(), kept.not_kept.end(), what) == kept.not_kept.end() &&
            kept.not_kept.size() < 20) {
          kept.not_kept.push_back(what);
        }
        continue;
      }
      found.emplace_back(std::move(name), a.value());
    }
    return found;
  }

  // The file's ids are kept when they are what the format asks: distinct
  // non-negative integers (of at most 15 digits, leaving room for the ids of
  // waypoints added after them).
  void KeepIds(RtzKept& kept) const {
    std::vector<std::string> sorted;
    for (const std::string& id : kept.ids) {
      const bool digits =
          !id.empty() && id.size() <= 15 &&
          std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
      if (!digits) {
        kept.not_kept.push_back("the waypoints' ids (they are not all whole numbers: renumbered)");
        kept.ids.assign(kept.ids.size(), std::string());
        return;
      }
      sorted.push_back(std::to_string(std::stoll(id)));
    }
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
      kept.not_kept.push_back("the waypoints' ids (one is repeated: renumbered)");
      kept.ids.assign(kept.ids.size(), std::string());
      return;
    }
    for (std::string& id : kept.ids) id = std::to_string(std::stoll(id));
  }

  // The first schedule: its planned speeds (manual, else calculated) are the
  // speeds of the legs arriving at their waypoints, and the first waypoint's
  // etd the departure; its manual values are kept.
  std::optional<Refusal> Schedule(pugi::xml_node schedules, RtzKept& kept) const {
    const std::vector<pugi::xml_node> all = Children(schedules, "schedule");
    if (all.empty()) return std::nullopt;
    for (std::size_t k = 1; k < all.size(); ++k) {
      const std::string name = all[k].attribute("name").value();
      kept.not_kept.push_back(
          "schedule " + std::to_string(k + 1) +
          (name.empty() ? std::string() : " '" + PrintableText(name, 40) + "'") +
          " (the first is the plan)");
    }
    const pugi::xml_node schedule = all.front();
    const pugi::xml_node manual = Child(schedule, "manual");
    const pugi::xml_node calculated = Child(schedule, "calculated");
    if (calculated)
      kept.not_kept.push_back("the calculated schedule (worked out anew when the voyage is timed)");
    // A waypoint's manual values first; the calculated ones where the manual
    // schedule says nothing of it.
    std::vector<bool> planned(content.points.size(), false);
    bool departs = false;
    for (pugi::xml_node part : {manual, calculated}) {
      const bool isManual = part == manual;
      const char* called = isManual ? "manual" : "calculated";
      std::vector<bool> seen(content.points.size(), false);
      for (pugi::xml_node e = part.first_child(); e; e = e.next_sibling()) {
        const std::string_view local = LocalName(e.name());
        if (e.type() != pugi::node_element ||
            (local != "scheduleElement" && local != "sheduleElement"))
          continue;
        const std::string id = e.attribute("waypointId").value();
        std::size_t at = 0;
        while (at < content.points.size() && content.points[at].id != id) ++at;
        if (at == content.points.size()) {
          return Refusal{Line(e), std::string("the ") + called + " schedule names waypoint id '" +
                                      PrintableText(id, 40) + "', which the route does not have"};
        }
        if (seen[at]) continue;  // the first element of a waypoint is its own
        seen[at] = true;
        std::optional<double> speed;
        if (auto fault = Quantity(e.attribute("speed").value(), "speed", speed)) {
          return Refusal{Line(e), Which(at, content.points[at].name) + ": schedule " + *fault};
        }
        if (speed && *speed > 0 && at > 0 && !planned[at]) {
          content.points[at].speed_kn = speed;
          planned[at] = isManual;
        }
        if (at == 0 && !departs) {
          const char* when =
              e.attribute("etd") ? e.attribute("etd").value() : e.attribute("eta").value();
          std::int64_t seconds = 0;
          std::string why;
          if (*when && ParseUtcTime(Trimmed(when), seconds, why)) {
            content.depart = seconds;
            departs = true;
          } else if (*when) {
            content.notes.push_back("line " + std::to_string(Line(e)) + ": the schedule's etd '" +
                                    PrintableText(when, 40) + "' is not read (" + why + ")");
          }
        }
        if (isManual) {
          if (!kept.has_manual) {
            kept.has_manual = true;
            kept.schedule_id = schedule.attribute("id").value();
            kept.schedule_name = schedule.attribute("name").value();
            kept.manual.assign(content.points.size(), std::nullopt);
          }
          kept.manual[at] = Attributes(e, kScheduleElement, {"waypointId"}, kept);
        }
      }
    }
    return std::nullopt;
  }
};

std::optional<Refusal> ReadXml(std::string_view text, std::string_view wanted,
                               RouteFileContent& content) {
  // No document type declaration: nothing a route needs, and the door to
  // entities from elsewhere.
  if (text.find("<!DOCTYPE") != std::string_view::npos ||
      text.find("<!ENTITY") != std::string_view::npos) {
    const LineIndex lines(text);
    const std::size_t at = std::min(text.find("<!DOCTYPE"), text.find("<!ENTITY"));
    return Refusal{lines.LineOf(static_cast<std::ptrdiff_t>(at)),
                   "a document type declaration is not accepted"};
  }
  pugi::xml_document doc;
  // Escapes (&amp; and character references) only: pugixml knows no other
  // entity, and loads nothing from anywhere.
  const unsigned options =
      pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
  const LineIndex lines(text);
  if (!parsed) return Refusal{lines.LineOf(parsed.offset), parsed.description()};
  if (Depth(doc) > kMaxXmlDepth) {
    return Refusal{0, "elements nested deeper than " + std::to_string(kMaxXmlDepth)};
  }
  const pugi::xml_node root = doc.document_element();
  const Xml xml{lines, content};
  const std::string_view name = LocalName(root.name());
  if (name == "gpx") return xml.Gpx(root, wanted);
  if (name == "route") return xml.Rtz(root);
  if (name == "kml") return xml.Kml(root, wanted);
  return Refusal{xml.Line(root), "not a GPX, RTZ or KML file (its root element is '" +
                                     PrintableText(root.name()) + "')"};
}

// ---------------------------------------------------------------- CSV

// The fields of one CSV line (RFC 4180: quotes around a field, "" inside),
// separated by `separator`.
bool SplitCsv(std::string_view line, char separator, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  bool quoted = false, wasQuoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
    } else if (c == '"' && Trimmed(field).empty() && !wasQuoted) {
      quoted = wasQuoted = true;
      field.clear();
    } else if (c == separator) {
      fields.push_back(std::move(field));
      field.clear();
      wasQuoted = false;
    } else {
      field += c;
    }
  }
  fields.push_back(std::move(field));
  return !quoted;
}

// The separator of a CSV file, from its header: a comma, else a semicolon (a
// spreadsheet's where the comma is the decimal sign), else a tab.
char CsvSeparator(std::string_view header) {
  if (header.find(',') != header.npos) return ',';
  if (header.find(';') != header.npos) return ';';
  if (header.find('\t') != header.npos) return '\t';
  return ',';
}

std::optional<Refusal> ReadCsv(std::string_view text, RouteFileContent& content) {
  content.format = RouteFormat::csv;
  enum Column { kLat, kLon, kName, kSailing, kSpeed, kColumns };
  const char* names[kColumns] = {"lat", "lon", "name", "sailing", "speed_kn"};
  // The names other tools give the columns: gpsbabel's unicsv (Latitude,
  // Longitude), GDAL's CSV with its geometry as X and Y.
  const std::vector<std::vector<std::string_view>> aliases = {
      {"lat", "latitude", "y"},
      {"lon", "long", "longitude", "lng", "x"},
      {"name"},
      {"sailing"},
      {"speed_kn"}};
  long column[kColumns] = {-1, -1, -1, -1, -1};
  std::string headerName[kColumns];
  bool header = true;
  char separator = ',';
  std::vector<std::string> fields;
  TextLines lines(text);
  for (std::string_view line; lines.Next(line);) {
    const long lineNumber = lines.number();
    if (Trimmed(line).empty()) continue;
    if (header) separator = CsvSeparator(line);
    if (!SplitCsv(line, separator, fields))
      return Refusal{lineNumber, "a quoted field is not closed"};
    if (header) {
      header = false;
      std::vector<std::string> unknown;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view title = Trimmed(fields[i]);
        bool known = false;
        for (int c = 0; c < kColumns; ++c) {
          for (std::string_view alias : aliases[static_cast<std::size_t>(c)]) {
            if (!SameWord(title, alias)) continue;
            if (column[c] >= 0) {
              return Refusal{lineNumber, "the header names '" + std::string(names[c]) +
                                             "' twice ('" + PrintableText(headerName[c], 40) +
                                             "', '" + PrintableText(title, 40) + "')"};
            }
            column[c] = static_cast<long>(i);
            headerName[c] = std::string(title);
            known = true;
          }
        }
        if (!known && !title.empty()) unknown.push_back("'" + PrintableText(title, 40) + "'");
      }
      if (column[kLat] < 0 || column[kLon] < 0) {
        return Refusal{lineNumber, "the header must name the columns lat and lon"};
      }
      if (!unknown.empty()) {
        std::string note = "line " + std::to_string(lineNumber) + ": " +
                           (unknown.size() == 1 ? "column " : "columns ");
        for (std::size_t i = 0; i < unknown.size() && i < 10; ++i)
          note += (i ? ", " : "") + unknown[i];
        if (unknown.size() > 10) note += ", ...";
        note += unknown.size() == 1 ? " is not read" : " are not read";
        content.notes.push_back(note + " (lat, lon, name, sailing and speed_kn are)");
      }
      continue;
    }
    // In a file separated by semicolons a number may have a decimal comma
    // ("52,1"): read as a point.
    if (separator != ',') {
      for (const Column c : {kLat, kLon, kSpeed}) {
        if (column[c] < 0 || static_cast<std::size_t>(column[c]) >= fields.size()) continue;
        std::string& f = fields[static_cast<std::size_t>(column[c])];
        if (std::count(f.begin(), f.end(), ',') == 1 && f.find('.') == f.npos) f[f.find(',')] = '.';
      }
    }
    const auto field = [&](Column c) -> std::string_view {
      return column[c] >= 0 && static_cast<std::size_t>(column[c]) < fields.size()
                 ? Trimmed(fields[static_cast<std::size_t>(column[c])])
                 : std::string_view();
    };
    VoyagePoint p;
    const std::size_t index = content.points.size();
    p.name = std::string(field(kName));
    const std::string which = Which(index, p.name);
    const std::pair<Column, Axis> axes[] = {{kLat, Axis::latitude}, {kLon, Axis::longitude}};
    for (const auto& [c, axis] : axes) {
      double degrees = 0;
      const Status status = ParseCoordinate(field(c), axis, degrees);
      if (status != Status::ok) {
        return Refusal{lineNumber, which + ": " + names[c] + " '" + PrintableText(field(c)) +
                                       "': " + Describe(status)};
      }
      (c == kLat ? p.lat : p.lon) = degrees;
    }
    if (auto fault = PositionFault(p.lat, p.lon)) return Refusal{lineNumber, which + ": " + *fault};
    const std::string_view sailing = field(kSailing);
    if (!sailing.empty()) {
      p.has_leg = true;
      if (SameWord(sailing, "great-ellipse") || SameWord(sailing, "great_ellipse")) {
        p.type = LegType::orthodrome, p.sailing = Sailing::great_ellipse;
      } else if (SameWord(sailing, "geodesic")) {
        p.type = LegType::orthodrome, p.sailing = Sailing::geodesic;
      } else if (SameWord(sailing, "orthodrome")) {
        p.type = LegType::orthodrome;
      } else if (SameWord(sailing, "rhumb") || SameWord(sailing, "rhumb-line") ||
                 SameWord(sailing, "rhumb_line") || SameWord(sailing, "loxodrome")) {
        p.type = LegType::loxodrome, p.sailing = Sailing::rhumb_line;
      } else {
        return Refusal{lineNumber, which + ": unknown sailing '" + PrintableText(sailing) +
                                       "' (great-ellipse, rhumb, geodesic)"};
      }
    }
    if (!field(kSpeed).empty()) {
      p.has_leg = true;
      if (auto fault = Quantity(field(kSpeed), "speed_kn", p.speed_kn)) {
        return Refusal{lineNumber, which + ": " + *fault};
      }
      if (*p.speed_kn == 0) p.speed_kn.reset();
    }
    content.points.push_back(std::move(p));
    content.lines.push_back(lineNumber);
  }
  if (header) return Refusal{0, "the file is empty"};
  return std::nullopt;
}

std::string Message(std::string_view shown, const Refusal& r) {
  std::string message = PrintableText(shown, 200) + ": ";
  if (r.line > 0) message += "line " + std::to_string(r.line) + ": ";
  return message + r.reason;
}

}  // namespace

bool ParseRouteText(std::string_view raw, std::string_view shown, std::string_view route_name,
                    RouteFileContent& content, std::string& error) {
  RouteFileContent read;
  read.bytes = raw.size();
  std::string decoded, why;
  if (!DecodeRouteText(raw, decoded, why)) {
    error = Message(shown, Refusal{0, why});
    return false;
  }
  const std::string_view text = decoded, body = text;
  const std::string_view start = Trimmed(body.substr(0, 64));
  const char first = start.empty() ? '\0' : start.front();
  std::optional<Refusal> refusal = first == '<' ? ReadXml(text, route_name, read)
                                   : first == '{' || first == '['
                                       ? ReadGeoJson(body, route_name, read)
                                   : first == '$' || first == '!' ? ReadNmea(body, route_name, read)
                                                                  : ReadCsv(body, read);
  // A CSV or RTZ file holds one route: a name asked of it is its own or a
  // mistake, never passed over.
  if (!refusal && !route_name.empty() && read.format == RouteFormat::csv) {
    refusal = Refusal{0, "a CSV file holds one route, without a name: --name '" +
                             PrintableText(route_name, 40) + "' chooses nothing in it"};
  } else if (!refusal && !route_name.empty() && read.format == RouteFormat::rtz &&
             read.route_name != route_name) {
    refusal =
        Refusal{0, "the RTZ route is named '" + PrintableText(read.route_name, 40) + "', not '" +
                       PrintableText(route_name, 40) + "' (an RTZ file holds one route)"};
  }
  if (!refusal && read.points.size() < 2) {
    refusal = Refusal{0, "the route has " + std::to_string(read.points.size()) +
                             (read.points.size() == 1 ? " waypoint" : " waypoints") +
                             "; it needs at least two"};
  }
  if (refusal) {
    error = Message(shown, *refusal);
    return false;
  }
  content = std::move(read);
  return true;
}

bool ReadRouteFile(const std::filesystem::path& path, std::string_view shown,
                   std::string_view route_name, RouteFileContent& content, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = PrintableText(shown, 200) + ": is a folder, not a route file";
    return false;
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int why = errno;
    error = PrintableText(shown, 200) + ": cannot be read" +
            (why == ENOENT ? std::string(": there is no such file")
             : why != 0    ? ": " + std::string(std::strerror(why))
                           : std::string());
    return false;
  }
  // Read up to one byte past the limit (the size of a pipe is not known).
  std::string text;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxRouteFileBytes) {
      error = PrintableText(shown, 200) + ": larger than 50 MB, not read";
      return false;
    }
  }
  if (in.bad()) {
    error = PrintableText(shown, 200) + ": cannot be read";
    return false;
  }
  return ParseRouteText(text, shown, route_name, content, error);
}

}  // namespace sailings
