// GeoJSON (RFC 7946): Points, LineStrings and their Multi forms, in features
// and collections.
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <map>

#include "input/route_readers.h"
#include "sailings/text.hpp"

namespace sailings {

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

}  // namespace sailings
