// Which route a map file holds: lines of parts joined where they meet, the
// route's points told from other points beside a line.
#include <algorithm>
#include <cmath>

#include "input/route_readers.h"
#include "sailings/coordinates.hpp"
#include "sailings/text.hpp"

namespace sailings {

namespace {

constexpr double kSameDegrees = 1e-7;  // the places GeoJSON keeps
// How far a point may lie from a line and still be one of its waypoints,
// NM: a map's line is drawn in chords within a tolerance of the track (0.1
// NM unless asked otherwise), and the waypoints lie on the track itself.
constexpr double kOnLineNm = 1.0;
// The most segments examined while matching points to a line: beyond it
// the line is taken as the route (a file of very many points beside a
// line of very many vertices).
constexpr long long kMatchBudget = 20'000'000;

std::string Quoted(const std::string& name) { return "'" + PrintableText(name, 40) + "'"; }

// The distance (NM) of `p` from the segment a-b, drawn straight in longitude
// and latitude as a map draws it, measured in a plane tangent at `p` (ample
// for the kilometre this is asked about).
double FromSegmentNm(const RoutePoint& p, const RoutePoint& a, const RoutePoint& b, double& t) {
  const double k = std::cos(p.lat * M_PI / 180);
  const double ax = std::remainder(a.lon - p.lon, 360.0) * k, ay = a.lat - p.lat;
  const double bx = ax + std::remainder(b.lon - a.lon, 360.0) * k, by = b.lat - p.lat;
  const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
  t = length2 > 0 ? std::clamp(-(ax * dx + ay * dy) / length2, 0.0, 1.0) : 0.0;
  return 60.0 * std::hypot(ax + t * dx, ay + t * dy);
}

// Names for a note: up to five, then how many more.
std::string Listed(const std::vector<const RoutePoint*>& points) {
  std::string text;
  for (std::size_t i = 0; i < points.size() && i < 5; ++i) {
    if (i > 0) text += ", ";
    text += points[i]->name.empty()
                ? "(unnamed) at " + FormatPositionShort(points[i]->lat, points[i]->lon, 3)
                : Quoted(points[i]->name);
  }
  if (points.size() > 5) text += " and " + std::to_string(points.size() - 5) + " more";
  return text;
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The points that are the waypoints of `line`: those on it in order from
// its start to its end. `repeats` are on it but behind the last one matched
// (a route's points given twice), `off` are not on it. False when the
// points are not the line's waypoints.
bool WaypointsOfLine(const std::vector<RoutePoint>& line, const std::vector<RoutePoint>& points,
                     std::vector<const RoutePoint*>& on, std::vector<const RoutePoint*>& repeats,
                     std::vector<const RoutePoint*>& off) {
  long long budget = kMatchBudget;
  std::size_t segment = 0;  // the cursor: a segment and the fraction along it
  double along = 0;
  const std::size_t segments = line.size() - 1;
  const auto find = [&](const RoutePoint& p, std::size_t from, double fromT, std::size_t& at,
                        double& atT) {
    for (std::size_t s = from; s < segments; ++s) {
      if (--budget < 0) return false;
      double t = 0;
      if (FromSegmentNm(p, line[s], line[s + 1], t) <= kOnLineNm &&
          (s > from || t >= fromT - 1e-12)) {
        at = s, atT = t;
        return true;
      }
    }
    return false;
  };
  for (const RoutePoint& p : points) {
    std::size_t at = 0;
    double t = 0;
    const bool again = !on.empty() && std::fabs(on.back()->lat - p.lat) <= kSameDegrees &&
                       std::fabs(std::remainder(on.back()->lon - p.lon, 360.0)) <= kSameDegrees;
    if (!again && find(p, segment, along, at, t)) {
      on.push_back(&p);
      segment = at, along = t;
    } else if (again) {
      repeats.push_back(&p);
    } else if (budget > 0 && find(p, 0, 0.0, at, t)) {
      repeats.push_back(&p);
    } else {
      off.push_back(&p);
    }
    if (budget < 0) return false;
  }
  if (on.size() < 2) return false;
  double t = 0;
  return FromSegmentNm(*on.front(), line.front(), line.front(), t) <= kOnLineNm &&
         FromSegmentNm(*on.back(), line.back(), line.back(), t) <= kOnLineNm;
}

}  // namespace

bool PartsMeet(const RoutePoint& a, const RoutePoint& b) {
  if (std::fabs(a.lat - b.lat) > kSameDegrees) return false;
  if (std::fabs(a.lon - b.lon) <= kSameDegrees) return true;
  return std::fabs(std::fabs(a.lon) - 180) <= kSameDegrees &&
         std::fabs(std::fabs(b.lon) - 180) <= kSameDegrees;
}

std::optional<Refusal> JoinParts(const std::vector<std::vector<RoutePoint>>& parts, long part,
                                 const std::string& what, const std::string& option,
                                 std::vector<RoutePoint>& joined) {
  joined.clear();
  if (part > 0) {
    if (static_cast<std::size_t>(part) > parts.size()) {
      return Refusal{0, what + " has " + Count(parts.size(), "part", "parts") + ", not a part " +
                            std::to_string(part)};
    }
    joined = parts[static_cast<std::size_t>(part - 1)];
    return std::nullopt;
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::vector<RoutePoint>& piece = parts[i];
    if (piece.empty()) continue;
    std::size_t skip = 0;
    if (!joined.empty()) {
      if (!PartsMeet(joined.back(), piece.front())) {
        const RoutePoint& end = joined.back();
        return Refusal{piece.front().line,
                       what + " is in parts that do not meet: part " + std::to_string(i) +
                           " ends at " + FormatPositionShort(end.lat, end.lon, 3) + ", part " +
                           std::to_string(i + 1) + " starts at " +
                           FormatPositionShort(piece.front().lat, piece.front().lon, 3) +
                           "; choose one with " + option + "#" + std::to_string(i + 1) + "'"};
      }
      skip = 1;
    }
    joined.insert(joined.end(), piece.begin() + static_cast<std::ptrdiff_t>(skip), piece.end());
  }
  return std::nullopt;
}

WantedName ParseWanted(std::string_view wanted, const std::vector<std::string>& names) {
  WantedName w{std::string(wanted), 0};
  if (std::find(names.begin(), names.end(), w.name) != names.end()) return w;
  const std::size_t hash = wanted.rfind('#');
  if (hash == std::string_view::npos || hash + 1 >= wanted.size() || wanted.size() - hash > 7)
    return w;
  const std::string_view digits = wanted.substr(hash + 1);
  if (digits.find_first_not_of("0123456789") != std::string_view::npos) return w;
  const long part = std::stol(std::string(digits));
  if (part < 1) return w;
  return {std::string(wanted.substr(0, hash)), part};
}

std::optional<Refusal> ChooseMapRoute(const MapFeatures& features, std::string_view wanted,
                                      const char* what, RouteFileContent& content) {
  std::vector<RoutePoint> line;
  std::string lineName;
  if (!features.lines.empty()) {
    std::vector<std::string> names;
    for (const MapFeatures::Line& l : features.lines) names.push_back(l.name);
    const WantedName w = ParseWanted(wanted, names);
    std::size_t first = 0;
    if (!wanted.empty()) {
      const auto named = std::find(names.begin(), names.end(), w.name);
      if (named == names.end() && !(w.name.empty() && w.part > 0)) {
        return Refusal{0, "no line named " + Quoted(std::string(wanted))};
      }
      first = named == names.end() ? 0 : static_cast<std::size_t>(named - names.begin());
    }
    const MapFeatures::Line& chosen = features.lines[first];
    lineName = chosen.name;
    const std::string option = "--name '" + PrintableText(chosen.name, 40);
    const std::string called =
        chosen.name.empty() ? std::string("the line") : "line " + Quoted(chosen.name);
    if (auto r = JoinParts(chosen.parts, w.part, called, option, line)) return r;
    // A voyage written a line per leg: the lines that follow, each from the
    // end of the one before.
    for (std::size_t i = first + 1; wanted.empty() && !line.empty() && i < features.lines.size();
         ++i) {
      std::vector<RoutePoint> next;
      if (JoinParts(features.lines[i].parts, 0, "", "", next) || next.empty() ||
          !PartsMeet(line.back(), next.front())) {
        break;
      }
      line.insert(line.end(), next.begin() + 1, next.end());
    }
  }
  const std::vector<RoutePoint>* route = nullptr;
  if (line.size() >= 2) {
    std::vector<const RoutePoint*> on, repeats, off;
    if (!features.points.empty() && WaypointsOfLine(line, features.points, on, repeats, off)) {
      std::vector<RoutePoint> kept;
      for (const RoutePoint* p : on) kept.push_back(*p);
      if (!repeats.empty()) {
        content.notes.push_back(Count(repeats.size(), "point repeats", "points repeat") +
                                " the route's waypoints and " +
                                (repeats.size() == 1 ? "is" : "are") +
                                " read once: " + Listed(repeats));
      }
      if (!off.empty()) {
        content.notes.push_back(Count(off.size(), "point", "points") +
                                " not on the route left out: " + Listed(off));
      }
      line = std::move(kept);
      // The route's name: the file's own (a collection's, a document's), else the line's.
      if (content.route_name.empty() || !wanted.empty()) content.route_name = lineName;
    } else if (!features.points.empty()) {
      std::vector<const RoutePoint*> all;
      for (const RoutePoint& p : features.points) all.push_back(&p);
      content.notes.push_back("the line" +
                              (lineName.empty() ? std::string() : " " + Quoted(lineName)) +
                              " is the route; " + Count(all.size(), "point", "points") +
                              " that are not its waypoints left out: " + Listed(all));
      content.route_name = lineName;
    } else {
      content.route_name = lineName;
    }
    route = &line;
  } else if (features.points.size() >= 2 && wanted.empty()) {
    route = &features.points;  // the waypoints, in order
  } else if (!line.empty()) {
    route = &line;  // told as too few waypoints
  } else {
    return Refusal{0, std::string("no line and fewer than two points: not a route (") + what + ")"};
  }
  for (const RoutePoint& r : *route) {
    VoyagePoint p;
    p.name = r.name;
    p.lat = r.lat, p.lon = r.lon;
    if (auto fault = PositionFault(r.lat, r.lon)) {
      return Refusal{r.line, Which(content.points.size(), r.name) + ": " + *fault};
    }
    content.points.push_back(std::move(p));
    content.lines.push_back(r.line);
  }
  return std::nullopt;
}

}  // namespace sailings
