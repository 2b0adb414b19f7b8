// Maps: a route as GeoJSON and as KML. Each track is drawn by
// SailingLine::Draw (densified, split at the 180th meridian); the waypoints
// stream to a scratch part as the table is made.
#include <algorithm>
#include <cmath>
#include <functional>

#include "concurrency/side_task.h"
#include "sailings/coordinates.hpp"
#include "sailings/fields.hpp"
#include "sailings/status.hpp"
#include "sailings/text.hpp"
#include "sailings/voyage_files.hpp"
#include "sailings/writers.hpp"
#include "writers/route_file.h"

namespace sailings {

namespace {

// A property of a waypoint on a map: one list for GeoJSON and KML.
struct Property {
  const char* name;
  enum Kind { kInteger, kNumber, kText, kNull } kind;
  std::string text;  // the value as written (a number's digits, a text unescaped)
};

std::string RowName(const Waypoint& row, const std::string& prefix) {
  if (!row.name.empty()) return row.name;
  char name[60];
  return std::string(name, WaypointName(name, row.wp, prefix));
}

std::vector<Property> RowProperties(const Waypoint& row, const Schedule* schedule,
                                    const std::string& prefix) {
  std::vector<Property> p = {
      {"wp", Property::kInteger, std::to_string(row.wp)},
      {"name", Property::kText, RowName(row, prefix)},
      {"total_nm", Property::kNumber, NumberText(row.total_nm, 6)},
      row.course ? Property{"course", Property::kNumber, AzimuthText(*row.course, 6)}
                 : Property{"course", Property::kNull, {}}};
  if (schedule && schedule->depart) {
    p.push_back({"eta", Property::kText, schedule->EtaAfter(RowHours(row, *schedule))});
  }
  return p;
}

// The words of a track: its kind as the records name sailings.
const char* TrackWord(Track track) {
  switch (track) {
    case Track::rhumb_line: return SailingName(Sailing::rhumb_line);
    case Track::geodesic: return SailingName(Sailing::geodesic);
    case Track::composite: return SailingName(Sailing::great_ellipse, true);
    case Track::great_ellipse: break;
  }
  return SailingName(Sailing::great_ellipse);
}

// "lon,lat" with at most 7 decimals (GeoJSON puts it in brackets, KML not).
char* LonLat(char* out, double lon, double lat) {
  out = FormatTrimmed(out, lon, 7);
  *out++ = ',';
  return FormatTrimmed(out, lat, 7);
}

// A waypoint's longitude as the route files write it: 180 is -180.
double PointLongitude(double lon) { return lon == 180.0 ? -180.0 : lon; }

// Draws every track, in order; false with the reason. Tracks are drawn a
// block at a time on two cores (a long voyage has thousands).
bool DrawTracks(const std::vector<MapTrack>& tracks, double tolerance_nm,
                const std::function<void(const MapTrack&, double length_nm,
                                         const std::vector<std::vector<MapPoint>>&)>& each,
                std::string& error) {
  constexpr std::size_t kBlock = 64;
  struct Drawn {
    Status status = Status::ok;
    double length_nm = 0;
    std::vector<std::vector<MapPoint>> pieces;
  };
  std::vector<Drawn> block;
  const auto draw = [&](std::size_t first, std::size_t from, std::size_t step) {
    for (std::size_t i = from; i < block.size(); i += step) {
      const MapTrack& t = tracks[first + i];
      const SailingLine line(t.passage, t.track);
      block[i].length_nm = line.length_nm();
      block[i].status = line.Draw(tolerance_nm, block[i].pieces);
    }
  };
  for (std::size_t first = 0; first < tracks.size(); first += kBlock) {
    block.assign(std::min(kBlock, tracks.size() - first), Drawn());
    if (block.size() > 1) {
      SideTask other([&] { draw(first, 1, 2); });
      draw(first, 0, 2);
      other.Join();
    } else {
      draw(first, 0, 1);
    }
    for (std::size_t i = 0; i < block.size(); ++i) {
      if (block[i].status != Status::ok) {
        error = Describe(block[i].status);
        return false;
      }
      each(tracks[first + i], block[i].length_nm, block[i].pieces);
    }
  }
  return true;
}

// The colour of a track in KML (aabbggrr), as the charts draw it.
const char* KmlColour(Track track) {
  switch (track) {
    case Track::rhumb_line: return "ffbf5f1f";
    case Track::geodesic: return "ff0054d3";
    case Track::composite: return "ff49841e";
    case Track::great_ellipse: break;
  }
  return "ff2b39c0";
}

}  // namespace

std::vector<MapTrack> VoyageMapTracks(const Voyage& voyage) {
  std::vector<MapTrack> tracks;
  for (const VoyageLeg& leg : voyage.legs()) {
    tracks.push_back(
        {leg.passage, leg.track(), EndName(leg.from) + " to " + EndName(leg.to), leg.number});
  }
  return tracks;
}

// ---------------------------------------------------------------- GeoJSON

struct GeoJsonWriter::State {
  RouteFile file;  // part 0 the tracks, part 1 the waypoints
  std::string name;
  std::vector<MapTrack> tracks;
  MapFileOptions options;
  std::string prefix = "WP";  // of the names made
};

void GeoJsonWriter::AvoidNames(const std::vector<std::string>& given) {
  state_->prefix = MadeNamePrefix(given);
}

GeoJsonWriter::GeoJsonWriter(const std::filesystem::path& file, std::string name,
                             std::vector<MapTrack> tracks, const MapFileOptions& options)
    : state_(new State{RouteFile(file, {"tracks", "points"}), std::move(name), std::move(tracks),
                       options}) {}

GeoJsonWriter::~GeoJsonWriter() = default;

void GeoJsonWriter::Row(const Waypoint& row) {
  State& s = *state_;
  std::string line = ",\n{\"type\":\"Feature\",\"properties\":{";
  bool first = true;
  for (const Property& p : RowProperties(row, s.options.schedule, s.prefix)) {
    if (!first) line += ',';
    first = false;
    line += std::string("\"") + p.name + "\":";
    line += p.kind == Property::kText   ? JsonText(p.text)
            : p.kind == Property::kNull ? "null"
                                        : p.text;
  }
  char at[2 * kNumberBuffer];
  line += "},\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
  line.append(at, LonLat(at, PointLongitude(row.lon), row.lat));
  line += "]}}";
  s.file.Write(1, line);
}

bool GeoJsonWriter::Finish(std::string& error) {
  State& s = *state_;
  bool first = true;
  const bool drawn = DrawTracks(
      s.tracks, s.options.tolerance_nm,
      [&](const MapTrack& t, double length_nm, const std::vector<std::vector<MapPoint>>& pieces) {
        std::string text = first ? "\n" : ",\n";
        first = false;
        text += "{\"type\":\"Feature\",\"properties\":{\"name\":" + JsonText(t.name) +
                ",\"track\":\"" + TrackWord(t.track) +
                "\",\"distance_nm\":" + NumberText(length_nm, 6);
        if (t.leg > 0) text += ",\"leg\":" + std::to_string(t.leg);
        const bool multi = pieces.size() > 1;
        text += std::string("},\"geometry\":{\"type\":\"") +
                (multi ? "MultiLineString" : "LineString") + "\",\"coordinates\":[";
        char at[2 * kNumberBuffer];
        for (std::size_t i = 0; i < pieces.size(); ++i) {
          if (multi) text += i ? ",[" : "[";
          for (std::size_t k = 0; k < pieces[i].size(); ++k) {
            text += k ? ",[" : "[";
            text.append(at, LonLat(at, pieces[i][k].lon, pieces[i][k].lat));
            text += ']';
          }
          if (multi) text += ']';
          s.file.Write(0, text);
          text.clear();
        }
        s.file.Write(0, "]}}");
      },
      error);
  if (!drawn) return false;
  return s.file.Finish(
      {{"{\"type\":\"FeatureCollection\",\"name\":" + JsonText(s.name) + ",\"features\":["},
       {{}, 0},
       {{}, 1},
       {"\n]}\n"}},
      error);
}

// ---------------------------------------------------------------- KML

struct KmlWriter::State {
  RouteFile file;  // part 0 the tracks, part 1 the waypoints
  std::string name;
  std::vector<MapTrack> tracks;
  MapFileOptions options;
  std::string prefix = "WP";  // of the names made
};

void KmlWriter::AvoidNames(const std::vector<std::string>& given) {
  state_->prefix = MadeNamePrefix(given);
}

KmlWriter::KmlWriter(const std::filesystem::path& file, std::string name,
                     std::vector<MapTrack> tracks, const MapFileOptions& options)
    : state_(new State{RouteFile(file, {"tracks", "points"}), std::move(name), std::move(tracks),
                       options}) {}

KmlWriter::~KmlWriter() = default;

void KmlWriter::Row(const Waypoint& row) {
  State& s = *state_;
  const std::vector<Property> properties = RowProperties(row, s.options.schedule, s.prefix);
  std::string text = "      <Placemark>\n        <name>" + XmlText(properties[1].text) +
                     "</name>\n        <styleUrl>#waypoint</styleUrl>\n        <ExtendedData>\n";
  for (const Property& p : properties) {
    if (p.kind == Property::kNull) continue;
    text += std::string("          <Data name=\"") + p.name + "\"><value>" + XmlText(p.text) +
            "</value></Data>\n";
  }
  char at[2 * kNumberBuffer];
  text += "        </ExtendedData>\n        <Point><coordinates>";
  text.append(at, LonLat(at, PointLongitude(row.lon), row.lat));
  text += "</coordinates></Point>\n      </Placemark>\n";
  s.file.Write(1, text);
}

bool KmlWriter::Finish(std::string& error) {
  State& s = *state_;
  std::string styles;
  for (Track t : {Track::great_ellipse, Track::rhumb_line, Track::geodesic, Track::composite}) {
    styles += std::string("    <Style id=\"") + TrackWord(t) + "\"><LineStyle><color>" +
              KmlColour(t) + "</color><width>2</width></LineStyle></Style>\n";
  }
  const bool drawn = DrawTracks(
      s.tracks, s.options.tolerance_nm,
      [&](const MapTrack& t, double length_nm, const std::vector<std::vector<MapPoint>>& pieces) {
        std::string text = "    <Placemark>\n      <name>" + XmlText(t.name) +
                           "</name>\n      <description>" + TrackWord(t.track) + ", " +
                           NumberText(length_nm, 6) + " NM</description>\n      <styleUrl>#" +
                           TrackWord(t.track) + "</styleUrl>\n";
        const bool multi = pieces.size() > 1;
        if (multi) text += "      <MultiGeometry>\n";
        char at[2 * kNumberBuffer];
        for (const std::vector<MapPoint>& piece : pieces) {
          text += "      <LineString>\n        <tessellate>0</tessellate>\n        <coordinates>\n";
          for (const MapPoint& v : piece) {
            text.append(at, LonLat(at, v.lon, v.lat));
            text += '\n';
            if (text.size() > 1 << 15) {
              s.file.Write(0, text);
              text.clear();
            }
          }
          text += "        </coordinates>\n      </LineString>\n";
        }
        if (multi) text += "      </MultiGeometry>\n";
        text += "    </Placemark>\n";
        s.file.Write(0, text);
      },
      error);
  if (!drawn) return false;
  const std::string name = XmlText(s.name);
  return s.file.Finish(
      {{"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n    <name>" +
        name + "</name>\n" + styles +
        "    <Style id=\"waypoint\"><IconStyle><scale>0.6</scale></IconStyle></Style>\n"},
       {{}, 0},
       {"    <Folder>\n      <name>Waypoints</name>\n"},
       {{}, 1},
       {"    </Folder>\n  </Document>\n</kml>\n"}},
      error);
}

}  // namespace sailings
