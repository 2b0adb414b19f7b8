// sailings: the waypoint table's writers, each a WaypointSink (waypoints.hpp)
// to stream a table into: the text table, a GPX route, an RTZ route for
// ECDIS, an SVG chart, GeoJSON and KML for maps, NMEA 0183 sentences for an
// autopilot or a plotter. Files are written whole or not at all (files.hpp):
// rows are streamed to scratch files beside the target while the table is
// made, and Finish() writes the file under a temporary name and renames it
// over the target, so memory does not grow with the table and a reader never
// sees half a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "sailings/line.hpp"
#include "sailings/passage.hpp"
#include "sailings/rtz.hpp"
#include "sailings/schedule.hpp"
#include "sailings/voyage.hpp"
#include "sailings/waypoints.hpp"

namespace sailings {

// The waypoint table as text:
//
//   WP    latitude    longitude    azimuth   legdistance  totaldistance
//   ----------------------------------------------------------------------
//    0    10.000000  -20.000000   61.071876       *           *
//    1    17.672783   -4.758916   64.722307  999.999971   999.999971
//
// Numbers fixed with 6 decimals, right-adjusted in their cells (latitude,
// longitude, azimuth and leg 10 wide, total 12); a wider value is written in
// full and shifts the rest of its row. A row without an azimuth shows "*".
struct TableTextOptions {
  bool blank_lines_first = false;  // two blank lines before the header
  bool flush_each_row = false;     // flush the console after every row (a terminal)
  // With a schedule, two more columns at the right: the hours from the
  // departure and, with a departure time, the time of arrival.
  const Schedule* schedule = nullptr;
};

struct ClassicCells;

class TableText : public WaypointSink {
 public:
  // Rows go to `console` and, when given, the same bytes to `copy`.
  TableText(std::ostream& console, std::ostream* copy, const TableTextOptions& options);
  void Row(const Waypoint& row) override { Write(row, nullptr); }

 private:
  friend class ClassicTableText;  // classic.hpp: the same table in the dialogue's notation
  void Write(const Waypoint& row, const ClassicCells* classic);
  void Emit(const char* text, std::size_t size);

  std::ostream& console_;
  std::ostream* copy_;
  TableTextOptions options_;
};

// The table as a GPX 1.1 route, for chart plotters and planning programs: one
// <rte> with the route's name, a description of how its points were placed
// and the total distance, and one <rtept> (WP000, WP001, ...) per row.
class GpxWriter : public WaypointSink {
 public:
  // `name` is the route's name ("Cape Town to New York"), `placement` how
  // the points were placed ("great ellipse", "rhumb line", ...).
  GpxWriter(const std::filesystem::path& file, std::string name, std::string placement);
  ~GpxWriter() override;
  GpxWriter(const GpxWriter&) = delete;
  GpxWriter& operator=(const GpxWriter&) = delete;

  void Row(const Waypoint& row) override;
  // The names of the route's own waypoints: the names made for the others
  // (WP001, ...) then never repeat one of them (MadeNamePrefix).
  void AvoidNames(const std::vector<std::string>& given);
  // Writes the file whole. False, with the reason in `error`, when it cannot.
  bool Finish(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The table as an RTZ route (the Route Plan Exchange Format of IEC 61174,
// version 1.0), which type-approved ECDIS import: one waypoint per row, each
// leg marked Orthodrome (great ellipse, geodesic) or Loxodrome (rhumb line,
// parallel), and with a speed and a departure time a calculated schedule
// (each element's speed that of the leg arriving at its waypoint).
// The 1.0 schema spells its schedule element "sheduleElement"; ECDIS
// validate against that schema, so it is written so. The route's name is the
// file's name without its extension, as ECDIS check.
class RtzWriter : public WaypointSink {
 public:
  // `schedule` (may be null; kept by pointer) gives the times when it has a
  // departure time.
  RtzWriter(const std::filesystem::path& file, const Schedule* schedule);
  ~RtzWriter() override;
  RtzWriter(const RtzWriter&) = delete;
  RtzWriter& operator=(const RtzWriter&) = delete;

  void Row(const Waypoint& row) override;
  // The names of the route's own waypoints: the names made for the others
  // (WP001, ...) then never repeat one of them (MadeNamePrefix).
  void AvoidNames(const std::vector<std::string>& given);
  // A voyage read from an RTZ route goes back as it came (`kept`, by
  // pointer): its waypoints keep their ids and attributes, every leg its
  // attributes (on each part of a leg split), the route its information, a
  // default waypoint and the manual schedule; the waypoints placed between
  // them take the ids after the largest. A leg's speedMax is its own (the
  // planned speed only on a leg without one).
  void Keep(const RtzKept& kept);
  bool Finish(std::string& error);
  // The size of the file Finish() wrote, bytes: some ECDIS refuse a route
  // over kRtzMaxBytes.
  std::uintmax_t bytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A chart of the passage as an SVG 1.1 picture: a Mercator chart framed on
// the route (a polar stereographic one for routes within 10 degrees of a
// pole), the land of Natural Earth's 1:110m polygons, a graticule with
// labels, the great ellipse (solid), the rhumb line (dashed), with a limit
// the composite track and the limiting parallel, the departure and the
// destination with their names, the vertex, the table's waypoints as dots
// (thinned, numbered where there is room) and a legend with each track's
// length. No scripts, no external references, no coordinate that is not
// finite; the tracks and the coast are simplified to a third of a pixel.
//
// The chart's frame and projection are stated in its <metadata> so that a
// reader can place a position on it independently:
//   projection=mercator x0=<lon> y0=<isometric latitude, degrees> scale=<px per degree>
//   projection=polar pole=<1|-1> center=<lon> x0=<x> y0=<y> scale=<px per unit>
// with the frame at left, top (pixels) and its width and height.
class ChartWriter : public WaypointSink {
 public:
  // The chart of `passage` (its composite track when it has one). `rows` is
  // how many table rows to expect (0 for a route without a table): the dots
  // are thinned to a few hundred as they come.
  ChartWriter(const std::filesystem::path& file, const Passage& passage, std::string from,
              std::string to, long rows);
  ~ChartWriter() override;
  ChartWriter(const ChartWriter&) = delete;
  ChartWriter& operator=(const ChartWriter&) = delete;

  void Row(const Waypoint& row) override;
  bool Finish(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A chart of a voyage, as ChartWriter draws a passage: every leg along its
// own track (great ellipses red, composite tracks green, rhumb lines blue
// dashed, geodesics orange), each of the voyage's waypoints marked and named
// (numbered from 1 when it has no name), the table's other waypoints as dots
// (thinned to a few hundred as they come) and a legend with the distance
// sailed along each kind of track. A sea passage (sea.hpp) is drawn on the
// 1:10m coastline it was planned round, when that is at hand, its scale
// written in the chart's corner.
class VoyageChartWriter : public WaypointSink {
 public:
  // `voyage` is kept by reference until Finish().
  VoyageChartWriter(const std::filesystem::path& file, const Voyage& voyage, std::string title);
  ~VoyageChartWriter() override;
  VoyageChartWriter(const VoyageChartWriter&) = delete;
  VoyageChartWriter& operator=(const VoyageChartWriter&) = delete;
  void Row(const Waypoint& row) override;
  bool Finish(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// ---------------------------------------------------------------- maps
//
// GeoJSON and KML draw straight lines in longitude and latitude between the
// vertices they are given, not the track a ship sails. Each track is drawn
// by SailingLine::Draw (line.hpp): vertices until no chord strays more than
// the tolerance from the true track, and pieces split at the 180th
// meridian, so that no map draws a passage the long way round the world.

// A track a map file draws.
struct MapTrack {
  Passage passage;  // (copies share the solved route)
  Track track = Track::great_ellipse;
  std::string name;  // "great ellipse", "Lizard to New York", ...
  long leg = 0;      // a voyage's leg, from 1; 0 for a passage's track
};

// The tracks of a voyage: one per leg, along its own track, named
// "FROM to TO" (positions in the navigator's notation where unnamed).
std::vector<MapTrack> VoyageMapTracks(const Voyage& voyage);

struct MapFileOptions {
  double tolerance_nm = 0.1;  // [kMinDrawTolerance, kMaxDrawTolerance] (line.hpp)
  // With a departure time, each waypoint's time of arrival (kept by pointer).
  const Schedule* schedule = nullptr;
};

// An RFC 7946 GeoJSON FeatureCollection: first one Feature per track (a
// LineString, or a MultiLineString split at the 180th meridian; properties
// name, track, distance_nm and for a voyage's leg its number), then one
// Point per row (properties wp, name, total_nm, course: the course leaving,
// null at the destination, and with a departure time eta). Positions
// [lon, lat] with at most 7 decimals (about a centimetre).
class GeoJsonWriter : public WaypointSink {
 public:
  GeoJsonWriter(const std::filesystem::path& file, std::string name, std::vector<MapTrack> tracks,
                const MapFileOptions& options);
  ~GeoJsonWriter() override;
  GeoJsonWriter(const GeoJsonWriter&) = delete;
  GeoJsonWriter& operator=(const GeoJsonWriter&) = delete;
  void Row(const Waypoint& row) override;
  // The names of the route's own waypoints: the names made for the others
  // (WP001, ...) then never repeat one of them (MadeNamePrefix).
  void AvoidNames(const std::vector<std::string>& given);
  // Draws the tracks and writes the file whole; false with the reason.
  bool Finish(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A KML 2.2 Document: one Placemark per track (a LineString, or a
// MultiGeometry of LineStrings split at the 180th meridian; tessellate 0, so
// that a viewer draws the vertices computed here rather than its own great
// circle between them), then a Folder of the waypoints, one Placemark each
// with the same properties as GeoJSON's as ExtendedData. Names escaped.
class KmlWriter : public WaypointSink {
 public:
  KmlWriter(const std::filesystem::path& file, std::string name, std::vector<MapTrack> tracks,
            const MapFileOptions& options);
  ~KmlWriter() override;
  KmlWriter(const KmlWriter&) = delete;
  KmlWriter& operator=(const KmlWriter&) = delete;
  void Row(const Waypoint& row) override;
  // The names of the route's own waypoints: the names made for the others
  // (WP001, ...) then never repeat one of them (MadeNamePrefix).
  void AvoidNames(const std::vector<std::string>& given);
  bool Finish(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// ---------------------------------------------------------------- NMEA 0183

// The longest waypoint name a sentence leaves room for.
inline constexpr int kMaxNmeaNameLength = 40;

struct NmeaOptions {
  std::string talker = "GP";  // two capital letters
  int name_length = 6;        // 1 to kMaxNmeaNameLength: many plotters take no more than 6
};

// The table as NMEA 0183 sentences: one WPL per waypoint
// ($GPWPL,ddmm.mmmm,N,dddmm.mmmm,E,NAME*hh), then the RTE sentences that
// list the route ($GPRTE,total,number,c,ROUTE,NAME,...*hh), as many as the
// 82-character limit needs. Every sentence ends with its checksum and CR LF.
// Names are NMEA text: characters NMEA reserves ($ * , ! \ ^ ~) and any
// outside printable ASCII become '_' (accented Latin letters lose their
// accent), cut to `name_length`. Rows without a name are numbered WP000,
// WP001, ... as in GPX, and a table of more rows than such a name can number
// is refused. A name repeated at the same position is one waypoint listed
// twice (a voyage back to its port); repeated elsewhere it is numbered
// (NAME, NAME2, ...). Two different names that are the same once cut are
// refused, naming both: a navigator could not tell them apart.
class NmeaWriter : public WaypointSink {
 public:
  // `route_name` is cut to 12 characters for the RTE's route identifier.
  NmeaWriter(const std::filesystem::path& file, std::string route_name, const NmeaOptions& options);
  ~NmeaWriter() override;
  NmeaWriter(const NmeaWriter&) = delete;
  NmeaWriter& operator=(const NmeaWriter&) = delete;
  void Row(const Waypoint& row) override;
  bool Finish(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Whether `talker` is a talker identifier NmeaWriter takes (two capital letters).
bool IsNmeaTalker(const std::string& talker);

// The land the charts draw (Natural Earth's 1:110m polygons, built in), for
// a map library to draw beneath a plan's GeoJSON: one GeoJSON Feature whose
// Polygon holds every ring, inside by the even-odd rule (as SVG's and the
// map libraries' "evenodd" fill draws it), longitudes in [-180, 180],
// degrees to 3 decimals (a hundred metres: finer than the data).
void WriteChartLand(std::ostream& out);

}  // namespace sailings
