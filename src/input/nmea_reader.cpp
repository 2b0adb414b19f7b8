// NMEA 0183: a route of RTE sentences and the WPL waypoints it names.
#include <cmath>
#include <cstdio>
#include <map>

#include "input/route_readers.h"
#include "sailings/text.hpp"

namespace sailings {

namespace {

// ddmm.mmmm with its hemisphere, or nothing.
std::optional<double> NmeaDegrees(std::string_view value, std::string_view hemisphere,
                                  char positive, char negative, double most) {
  const std::optional<double> v = ParseDecimal(value);
  if (!v || *v < 0 || hemisphere.size() != 1 ||
      (hemisphere[0] != positive && hemisphere[0] != negative)) {
    return std::nullopt;
  }
  const double degrees = std::floor(*v / 100), minutes = *v - 100 * degrees;
  if (minutes >= 60) return std::nullopt;
  const double d = degrees + minutes / 60;
  if (d > most) return std::nullopt;
  return hemisphere[0] == negative ? -d : d;
}

std::vector<std::string_view> Fields(std::string_view body) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = body.find(',', start);
    fields.push_back(
        body.substr(start, comma == std::string_view::npos ? body.npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

// A whole number of up to 9 digits, or nothing.
std::optional<long> Whole(std::string_view text) {
  const std::optional<double> v = ParseDecimal(text);
  if (!v || *v != std::floor(*v) || std::fabs(*v) > 1e9) return std::nullopt;
  return static_cast<long>(*v);
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<Refusal> ReadNmea(std::string_view text, std::string_view wanted,
                                RouteFileContent& content) {
  content.format = RouteFormat::nmea;
  struct Waypoint {
    double lat, lon;
    long line;
  };
  std::map<std::string, Waypoint, std::less<>> waypoints;
  std::vector<std::string> order;  // the WPL names in the order given
  std::string route;               // the route chosen (its id may be empty)
  bool routed = false;             // an RTE sentence of the chosen route was read
  std::optional<Refusal> early;    // a route's later sentence before its first
  std::string earlyId;
  std::vector<std::pair<std::string, long>> listed;  // its names, and their lines
  long total = 0, next = 1;
  bool complete = false;
  TextLines lines(text);
  for (std::string_view line; lines.Next(line);) {
    const long lineNumber = lines.number();
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty()) continue;
    if (line[0] != '$' && line[0] != '!') return Refusal{lineNumber, "not an NMEA sentence"};
    const std::size_t star = line.rfind('*');
    std::string_view body = line.substr(1, star == line.npos ? line.npos : star - 1);
    if (star != line.npos) {
      unsigned sum = 0;
      for (char c : body) sum ^= static_cast<unsigned char>(c);
      const std::string_view given = line.substr(star + 1);
      if (given.size() != 2 || Hex(given[0]) < 0 || Hex(given[1]) < 0) {
        return Refusal{lineNumber,
                       "the checksum '" + PrintableText(given) + "' is not two hex digits"};
      }
      if (static_cast<unsigned>(Hex(given[0]) * 16 + Hex(given[1])) != sum) {
        char should[3];
        std::snprintf(should, sizeof should, "%02X", sum);
        return Refusal{lineNumber, "the checksum " + std::string(given) +
                                       " is wrong (the sentence sums to " + should + ")"};
      }
    }
    const std::vector<std::string_view> f = Fields(body);
    if (f[0].size() != 5 || f[0][0] == 'P') continue;  // proprietary or unknown
    const std::string_view kind = f[0].substr(2);
    if (kind != "WPL" && kind != "RTE") continue;  // positions, speeds, ...: not a route
    if (star == line.npos)
      return Refusal{lineNumber, "a " + std::string(kind) + " sentence without a checksum"};
    if (kind == "WPL") {
      if (f.size() < 6) return Refusal{lineNumber, "a WPL sentence needs a position and a name"};
      const std::string name(f[5]);
      const std::optional<double> lat = NmeaDegrees(f[1], f[2], 'N', 'S', 90);
      const std::optional<double> lon = NmeaDegrees(f[3], f[4], 'E', 'W', 180);
      if (!lat)
        return Refusal{lineNumber, "waypoint '" + PrintableText(name) + "': latitude '" +
                                       PrintableText(f[1]) + "," + PrintableText(f[2]) +
                                       "' is not ddmm.mmmm,N or S"};
      if (!lon)
        return Refusal{lineNumber, "waypoint '" + PrintableText(name) + "': longitude '" +
                                       PrintableText(f[3]) + "," + PrintableText(f[4]) +
                                       "' is not dddmm.mmmm,E or W"};
      const auto seen = waypoints.find(name);
      if (seen != waypoints.end()) {
        if (seen->second.lat != *lat || seen->second.lon != *lon) {
          return Refusal{lineNumber, "waypoint '" + PrintableText(name) +
                                         "' is given again at another position (line " +
                                         std::to_string(seen->second.line) + ")"};
        }
        continue;
      }
      waypoints[name] = {*lat, *lon, lineNumber};
      order.push_back(name);
      continue;
    }
    // RTE: total, number, c or w, the route, its names.
    if (f.size() < 5)
      return Refusal{lineNumber, "an RTE sentence needs its count, number, kind and route"};
    const std::optional<long> count = Whole(f[1]), number = Whole(f[2]);
    if (!count || !number || *count < 1 || *number < 1 || *number > *count) {
      return Refusal{lineNumber, "an RTE sentence's count and number are not 1 to the count"};
    }
    const std::string id(f[4]);
    if (complete || (routed && id != route) || (!routed && !wanted.empty() && id != wanted)) {
      continue;  // another route, or the chosen one sent again
    }
    if (!routed && *number != 1) {  // a route's sentences from its first
      if (!early)
        earlyId = id,
        early = Refusal{lineNumber, "RTE sentence " + std::to_string(*number) + " of " +
                                        std::to_string(*count) + " of route '" + PrintableText(id) +
                                        "' comes before its sentence 1"};
      continue;
    }
    if (!routed) route = id, total = *count, routed = true;
    if (*count != total || *number != next) {
      return Refusal{lineNumber, "RTE sentence " + std::to_string(*number) + " of " +
                                     std::to_string(*count) + " of route '" + PrintableText(id) +
                                     "' out of order (sentence " + std::to_string(next) + " of " +
                                     std::to_string(total) + " expected)"};
    }
    for (std::size_t i = 5; i < f.size(); ++i) {
      if (!f[i].empty()) listed.emplace_back(std::string(f[i]), lineNumber);
    }
    complete = ++next > total;
  }
  if (!wanted.empty() && !routed) {
    return Refusal{0, "no route named '" + PrintableText(wanted) + "' (RTE)"};
  }
  if (routed && !complete) {
    if (early && earlyId == route) return early;
    return Refusal{0, "route '" + PrintableText(route) + "' ends at RTE sentence " +
                          std::to_string(next - 1) + " of " + std::to_string(total)};
  }
  content.route_name = route;
  MapFeatures found;
  if (!routed) {  // waypoints alone: in the order given
    for (const std::string& name : order) {
      const Waypoint& w = waypoints[name];
      found.points.push_back({w.lat, w.lon, name, w.line});
    }
  } else {
    for (const auto& [name, line] : listed) {
      const auto w = waypoints.find(name);
      if (w == waypoints.end()) {
        return Refusal{line, "route '" + PrintableText(route) + "' lists waypoint '" +
                                 PrintableText(name) + "', which no WPL sentence gives"};
      }
      found.points.push_back({w->second.lat, w->second.lon, name, w->second.line});
    }
  }
  if (found.points.size() < 2) {
    content.points.clear();
    for (const RoutePoint& r : found.points) {
      VoyagePoint p;
      p.name = r.name, p.lat = r.lat, p.lon = r.lon;
      content.points.push_back(p);
    }
    return std::nullopt;  // told as too few waypoints
  }
  return ChooseMapRoute(found, {}, "NMEA", content);
}

}  // namespace sailings
