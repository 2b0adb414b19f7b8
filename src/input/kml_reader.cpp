// KML 2.0 to 2.2: Placemarks with Points, LineStrings and MultiGeometries.
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

// KML: Placemarks with a Point, LineString or MultiGeometry, anywhere in
// Documents and Folders.
std::optional<Refusal> Xml::Kml(pugi::xml_node root, std::string_view wanted) const {
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

std::optional<Refusal> Xml::Placemark(pugi::xml_node placemark, MapFeatures& found) const {
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
std::optional<Refusal> Xml::Coordinates(pugi::xml_node node, const std::string& name,
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
            : ParseDecimal(
                  tuple.substr(comma + 1, second == tuple.npos ? tuple.npos : second - comma - 1));
    if (!lon || !lat || (second != tuple.npos && !ParseDecimal(tuple.substr(second + 1)))) {
      return Refusal{Line(node),
                     "coordinates '" + PrintableText(tuple) + "' are not lon,lat[,alt]"};
    }
    points.push_back({*lat, *lon, name, Line(node)});
  }
  return std::nullopt;
}

}  // namespace sailings
