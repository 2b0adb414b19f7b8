// Routes from maps and from the serial line: GeoJSON and NMEA 0183 (KML, an
// XML format, is read with GPX and RTZ).
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <map>

#include "input/route_readers.h"
#include "sailings/text.hpp"

namespace sailings {

// ---------------------------------------------------------------- GeoJSON

namespace {

using Json = nlohmann::json;

struct TooDeep {};

// [lon, lat] or [lon, lat, height]: finite numbers.
std::optional<Refusal> Position(const Json& p, std::string name, std::size_t index, RoutePoint& r) {
  if (!p.is_array() || p.size() < 2 || p.size() > 3 || !p[0].is_number() || !p[1].is_number()) {
    return Refusal{0, Which(index, name) + ": a position is not [longitude, latitude]"};
  }
  r.lon = p[0].get<double>(), r.lat = p[1].get<double>();
  r.name = std::move(name);
  if (!std::isfinite(r.lon) || !std::isfinite(r.lat)) {
    return Refusal{0, Which(index, r.name) + ": a position is not a number"};
  }
  return std::nullopt;
}

std::string NameOf(const Json& feature) {
  const auto properties = feature.find("properties");
  if (properties == feature.end() || !properties->is_object()) return {};
  const auto name = properties->find("name");
  return name != properties->end() && name->is_string() ? name->get<std::string>() : std::string();
}

std::optional<Refusal> Geometry(const Json& g, const std::string& name, MapFeatures& found) {
  if (!g.is_object()) return std::nullopt;  // a feature without a geometry (null)
  const auto type = g.find("type");
  if (type == g.end() || !type->is_string()) return Refusal{0, "a geometry without a type"};
  const std::string t = type->get<std::string>();
  if (t == "GeometryCollection") {
    const auto members = g.find("geometries");
    if (members == g.end() || !members->is_array())
      return Refusal{0, "a GeometryCollection without geometries"};
    for (const Json& m : *members) {
      if (auto r = Geometry(m, name, found)) return r;
    }
    return std::nullopt;
  }
  const auto coordinates = g.find("coordinates");
  if (coordinates == g.end() || !coordinates->is_array()) {
    return Refusal{0, "a " + PrintableText(t) + " without coordinates"};
  }
  const Json& c = *coordinates;
  RoutePoint r;
  if (t == "Point") {
    if (auto refusal = Position(c, name, found.points.size(), r)) return refusal;
    found.points.push_back(r);
  } else if (t == "MultiPoint") {
    for (const Json& p : c) {
      if (auto refusal = Position(p, name, found.points.size(), r)) return refusal;
      found.points.push_back(r);
    }
  } else if (t == "LineString" || t == "MultiLineString") {
    MapFeatures::Line line{name, {}};
    const bool multi = t == "MultiLineString";
    std::size_t before = 0;  // the positions of the parts before
    for (std::size_t i = 0; i < (multi ? c.size() : 1); ++i) {
      const Json& part = multi ? c[i] : c;
      if (!part.is_array())
        return Refusal{0, "a MultiLineString's part is not a list of positions"};
      std::vector<RoutePoint> piece;
      for (const Json& p : part) {
        if (auto refusal = Position(p, {}, before + piece.size(), r)) return refusal;
        piece.push_back(r);
      }
      before += piece.size();
      line.parts.push_back(std::move(piece));
    }
    found.lines.push_back(std::move(line));
  }
  // Polygons and other geometries are no route: passed over.
  return std::nullopt;
}

}  // namespace

std::optional<Refusal> ReadGeoJson(std::string_view text, std::string_view wanted,
                                   RouteFileContent& content) {
  content.format = RouteFormat::geojson;
  Json doc;
  try {
    doc = Json::parse(text.begin(), text.end(), [](int depth, Json::parse_event_t, Json&) {
      if (depth > kMaxXmlDepth) throw TooDeep{};
      return true;
    });
  } catch (const Json::parse_error& e) {
    const LineIndex lines(text);
    std::string what = e.what();
    const std::size_t colon = what.rfind(": ");
    return Refusal{
        lines.LineOf(static_cast<std::ptrdiff_t>(e.byte) - 1),
        "not valid JSON: " +
            PrintableText(colon == std::string::npos ? what : what.substr(colon + 2), 120)};
  } catch (const Json::exception& e) {
    const std::string what = e.what();  // "[json.exception.out_of_range.406] number overflow ..."
    const std::size_t tag = what.find("] ");
    return Refusal{0,
                   "not valid JSON: " +
                       PrintableText(tag == std::string::npos ? what : what.substr(tag + 2), 120)};
  } catch (const TooDeep&) {
    return Refusal{0, "values nested deeper than " + std::to_string(kMaxXmlDepth)};
  }
  if (!doc.is_object()) return Refusal{0, "not a GeoJSON object"};
  const auto type = doc.find("type");
  if (type == doc.end() || !type->is_string()) return Refusal{0, "not GeoJSON: no \"type\""};
  MapFeatures found;
  const auto feature = [&](const Json& f) -> std::optional<Refusal> {
    if (!f.is_object()) return Refusal{0, "a feature is not an object"};
    const auto g = f.find("geometry");
    if (g == f.end()) return Refusal{0, "a feature without a geometry"};
    return Geometry(*g, NameOf(f), found);
  };
  const std::string t = type->get<std::string>();
  if (t == "FeatureCollection") {
    const auto features = doc.find("features");
    if (features == doc.end() || !features->is_array()) {
      return Refusal{0, "a FeatureCollection without features"};
    }
    for (const Json& f : *features) {
      if (auto r = feature(f)) return r;
    }
  } else if (t == "Feature") {
    if (auto r = feature(doc)) return r;
  } else if (auto r = Geometry(doc, {}, found)) {
    return r;
  }
  if (t == "FeatureCollection") {
    const auto name = doc.find("name");
    if (name != doc.end() && name->is_string()) content.route_name = name->get<std::string>();
  }
  return ChooseMapRoute(found, wanted, "GeoJSON", content);
}

// ---------------------------------------------------------------- NMEA 0183

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
