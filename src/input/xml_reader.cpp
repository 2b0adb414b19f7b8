// What the XML route readers share, and the document told by its root.
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
namespace {

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

}  // namespace

// A waypoint's position from its lat and lon attributes.
std::optional<Refusal> Xml::Position(pugi::xml_node node, VoyagePoint& p, std::size_t index) const {
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

}  // namespace sailings
