// RTZ 1.0, 1.1 and 1.2: waypoints, legs, the default waypoint and the
// schedule, and what a route written back keeps.
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

namespace {

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

}  // namespace

// The leg and radius of a waypoint (or of the default waypoint).
std::optional<Refusal> Xml::Leg(pugi::xml_node waypoint, VoyagePoint& p, std::size_t index,
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

std::optional<Refusal> Xml::Rtz(pugi::xml_node root) const {
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
XmlAttributes Xml::Attributes(pugi::xml_node node, const std::vector<std::string_view>& known,
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
void Xml::KeepIds(RtzKept& kept) const {
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
std::optional<Refusal> Xml::Schedule(pugi::xml_node schedules, RtzKept& kept) const {
  const std::vector<pugi::xml_node> all = Children(schedules, "schedule");
  if (all.empty()) return std::nullopt;
  for (std::size_t k = 1; k < all.size(); ++k) {
    const std::string name = all[k].attribute("name").value();
    kept.not_kept.push_back("schedule " + std::to_string(k + 1) +
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

}  // namespace sailings
