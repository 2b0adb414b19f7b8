// The XML route files (GPX, RTZ, KML): what their readers share, and one
// reader object whose methods live in the file of their format
// (gpx_reader.cpp, rtz_reader.cpp, kml_reader.cpp).
#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/route_readers.h"
#include "sailings/route_files.hpp"
#include "sailings/rtz.hpp"

namespace sailings {

// The local part of a qualified name ("gpx:rte" -> "rte").
std::string_view LocalName(const char* name);
// The first child element of that local name, or none.
pugi::xml_node Child(pugi::xml_node node, std::string_view local);
// Every child element of that local name, in order.
std::vector<pugi::xml_node> Children(pugi::xml_node node, std::string_view local);
// The namespace URI of `node`'s own prefix, declared on it or above.
std::string Namespace(pugi::xml_node node);

// Reads one XML document's route into `content`.
struct Xml {
  const LineIndex& lines;
  RouteFileContent& content;

  long Line(pugi::xml_node node) const { return lines.LineOf(node.offset_debug()); }

  // A waypoint's position from its lat and lon attributes.
  std::optional<Refusal> Position(pugi::xml_node node, VoyagePoint& p, std::size_t index) const;

  std::optional<Refusal> Gpx(pugi::xml_node root, std::string_view wanted) const;

  // Points (rtept, wpt) in order, with their names.
  std::optional<Refusal> Points(const std::vector<pugi::xml_node>& points) const;

  // OpenCPN's planned speeds: a route point's <opencpn:rte_properties
  // planned_speed="..."/> is the speed of the leg arriving there, the route's
  // <opencpn:planned_speed> that of the legs without one. OpenCPN writes
  // 0.1 knots or less for "none".
  std::optional<Refusal> PlannedSpeeds(pugi::xml_node route) const;

  // The leg and radius of a waypoint (or of the default waypoint).
  std::optional<Refusal> Leg(pugi::xml_node waypoint, VoyagePoint& p, std::size_t index,
                             const VoyagePoint* defaults) const;

  // KML: Placemarks with a Point, LineString or MultiGeometry, anywhere in
  // Documents and Folders.
  std::optional<Refusal> Kml(pugi::xml_node root, std::string_view wanted) const;

  std::optional<Refusal> Placemark(pugi::xml_node placemark, MapFeatures& found) const;

  // "lon,lat[,alt] lon,lat[,alt] ...".
  std::optional<Refusal> Coordinates(pugi::xml_node node, const std::string& name,
                                     std::vector<RoutePoint>& points) const;

  std::optional<Refusal> Rtz(pugi::xml_node root) const;

  // An element's attributes that RTZ 1.0 defines for it (`known`), but
  // those named in `but`; any other is named in `kept.not_kept`.
  static XmlAttributes Attributes(pugi::xml_node node, const std::vector<std::string_view>& known,
                                  std::initializer_list<std::string_view> but, RtzKept& kept);

  // The file's ids are kept when they are what the format asks: distinct
  // non-negative integers (of at most 15 digits, leaving room for the ids of
  // waypoints added after them).
  void KeepIds(RtzKept& kept) const;

  // The first schedule: its planned speeds (manual, else calculated) are the
  // speeds of the legs arriving at their waypoints, and the first waypoint's
  // etd the departure; its manual values are kept.
  std::optional<Refusal> Schedule(pugi::xml_node schedules, RtzKept& kept) const;
};

// The route of an XML document: GPX, RTZ or KML, told by its root element.
std::optional<Refusal> ReadXml(std::string_view text, std::string_view wanted,
                               RouteFileContent& content);

}  // namespace sailings
