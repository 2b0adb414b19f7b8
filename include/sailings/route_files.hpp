// sailings: routes brought in from chart plotters, ECDIS and spreadsheets.
//
// Six formats, told by their content:
//  * GPX 1.1 (and 1.0): a route (<rte>; the first, or the one named), or,
//    in a file with no route, a track's points (<trk>, every segment);
//  * RTZ 1.0, 1.1 and 1.2 (told by the namespace): the waypoints with their
//    legs (geometryType, speedMax, portsideXTD, starboardXTD) and turn radii,
//    a <defaultWaypoint> filling in what a waypoint leaves out; a leg
//    without a geometryType is a Loxodrome, as the format says. The first
//    schedule's planned speeds (its manual values, else its calculated ones;
//    an element's speed is that of the leg arriving at its waypoint) are the
//    legs' speeds, speedMax the most a leg may be sailed at, and the first
//    waypoint's etd the departure. What a route written back keeps is in
//    `rtz` (rtz.hpp);
//  * CSV: a header naming at least `lat` and `lon`, optionally `name`,
//    `sailing` (great-ellipse, rhumb, geodesic, orthodrome, loxodrome) and
//    `speed_kn`; one row per waypoint, the sailing and speed being those of
//    the leg that arrives at it; coordinates in the navigator's notation;
//  * GeoJSON (RFC 7946) and KML (2.0 to 2.2): the Points (GeoJSON Point
//    and MultiPoint features, KML Placemarks with a Point) in order when
//    there are two or more, else the first LineString (a MultiLineString or
//    MultiGeometry joined, a split at the 180th meridian undone), or the
//    line named; a point's name is its `name` property or Placemark name;
//  * NMEA 0183: the first route of RTE sentences (or the one named), its
//    waypoints from WPL sentences; without RTE the WPL waypoints in order.
//    Every checksum is verified; WPL and RTE must have one; other sentences
//    are passed over.
// Map and NMEA files give no leg types: every leg is the voyage's own
// sailing.
//
// XML is read by a real parser (pugixml). No document type declaration is
// accepted and no entity is ever loaded; a file over 50 MB or nested deeper
// than 64 elements is refused. Every value is checked: a position that is
// not a number or beyond 90 (180), a negative speed, cross-track limit or
// radius, an unknown geometryType or sailing is refused naming the
// waypoint. A speed of 0 is no speed (what a plotter writes for "unset").
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sailings/rtz.hpp"
#include "sailings/voyage.hpp"

namespace sailings {

inline constexpr std::uintmax_t kMaxRouteFileBytes = 50u * 1000u * 1000u;
inline constexpr int kMaxXmlDepth = 64;

enum class RouteFormat { gpx, rtz, csv, geojson, kml, nmea };

struct RouteFileContent {
  RouteFormat format = RouteFormat::csv;
  std::string version;              // "1.0", "1.1", "1.2" (RTZ), "1.0", "1.1" (GPX), "2.2" (KML)...
  std::string route_name;           // RTZ routeName; the name of the GPX route or track, of the
                                    // map's line or collection, of the NMEA route
  std::uintmax_t bytes = 0;         // the file's size
  std::vector<VoyagePoint> points;  // in order; at least two
  std::vector<long> lines;          // the line of each point in the file, from 1 (0 where the
                                    // format does not tell: GeoJSON)
  // What the reading passed over or chose, one line each without the file's
  // name ("line 7: a repeated fix is read once", ...): for the user to see.
  std::vector<std::string> notes;
  // RTZ: the departure its schedule gives (seconds since 1970-01-01T00:00Z),
  // and what the file holds beyond the voyage's waypoints.
  std::optional<std::int64_t> depart;
  std::optional<RtzKept> rtz;
};

// Reads the route at `path`; `shown` is its name in messages, `route_name`
// chooses a GPX route (or track), a map's line or an NMEA route by name
// (empty: the first). False with a
// one-line reason in `error`, e.g. "voyage.rtz: line 14: waypoint 3:
// latitude '91' is beyond 90 degrees".
bool ReadRouteFile(const std::filesystem::path& path, std::string_view shown,
                   std::string_view route_name, RouteFileContent& content, std::string& error);
// The same for a file's text already in memory.
bool ParseRouteText(std::string_view text, std::string_view shown, std::string_view route_name,
                    RouteFileContent& content, std::string& error);

}  // namespace sailings
