// What the readers of route files share (route_files.hpp is the interface).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sailings/route_files.hpp"

namespace sailings {

// A refusal: the reason, and the line it concerns (0: the whole file).
struct Refusal {
  long line = 0;
  std::string reason;
};

// `s` without the white space around it.
std::string_view Trimmed(std::string_view s);
// Whether two words are the same, ignoring ASCII case.
bool SameWord(std::string_view a, std::string_view b);
// A number attribute or field: nothing when absent; the reason when it is
// not a plain finite number or is negative ("speedMax -4 is negative").
std::optional<std::string> Quantity(std::string_view text, const char* what,
                                    std::optional<double>& value);
// The route of a CSV file (csv_reader.cpp).
std::optional<Refusal> ReadCsv(std::string_view text, RouteFileContent& content);

// "waypoint 3" or "waypoint 3 (Lizard)", of the point at `index` (from 0).
std::string Which(std::size_t index, std::string_view name);

// Why a position read from a file cannot be used, if it cannot.
std::optional<std::string> PositionFault(double lat, double lon);

// The line (from 1) of each byte of a text.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  long LineOf(std::ptrdiff_t offset) const;  // 0 for a negative offset

 private:
  std::vector<std::size_t> ends_;
};

// The lines of a text one at a time (without their LF or CR LF), numbered
// from 1.
class TextLines {
 public:
  explicit TextLines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (start_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', start_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(start_, end - start_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start_ = end + 1;
    ++number_;
    return true;
  }
  long number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t start_ = 0;
  long number_ = 0;
};

// A position of a map's line or point, its name, and the line it is on.
struct RoutePoint {
  double lat = 0, lon = 0;
  std::string name;
  long line = 0;
};

// Whether a part of a line that begins at `b` continues one that ends at
// `a`: the same position (to 1e-7 degrees, the places GeoJSON keeps), or
// the same latitude on the 180th meridian seen from either side (a line
// split there, as GeoJSON and KML files split them).
bool PartsMeet(const RoutePoint& a, const RoutePoint& b);

// A line of parts (a MultiLineString, a KML MultiGeometry, a GPX track's
// segments) as one: parts that meet are joined without the repeated
// position; parts that do not are refused, naming them, unless `part` (from
// 1; 0: all) chooses one. `what` names the line in the refusal ("line
// 'Passage'", "track 'Morning'"), `option` is how to choose a part
// ("--name 'Passage#2'" is made of it and the part's number).
std::optional<Refusal> JoinParts(const std::vector<std::vector<RoutePoint>>& parts, long part,
                                 const std::string& what, const std::string& option,
                                 std::vector<RoutePoint>& joined);

// A name asked for (--name), with a part's number after '#' when it ends in
// one: "Passage#2" is part 2 of 'Passage'; "#2" part 2 of the first line.
// A name that is itself a line's name is taken whole.
struct WantedName {
  std::string name;
  long part = 0;  // 0: the whole line
};
WantedName ParseWanted(std::string_view wanted, const std::vector<std::string>& names);

// The route of a map file. Its lines are its LineStrings (a feature's parts
// in `parts`); lines that meet end to start form one chain (a voyage
// written a line per leg). The route is the chain of the first line, or the
// line named `wanted`; its points are the route's waypoints when they lie
// on it in order, from its start to its end (a file this program wrote, or
// a route's points beside its line), each read once; otherwise the line's
// own vertices are the route, and the points are left out with a note
// naming them. Without a line, the points (two or more) in order.
struct MapFeatures {
  std::vector<RoutePoint> points;
  struct Line {
    std::string name;
    std::vector<std::vector<RoutePoint>> parts;
  };
  std::vector<Line> lines;
};
std::optional<Refusal> ChooseMapRoute(const MapFeatures& features, std::string_view wanted,
                                      const char* what, RouteFileContent& content);

// GeoJSON (RFC 7946) and NMEA 0183 (WPL, RTE).
std::optional<Refusal> ReadGeoJson(std::string_view text, std::string_view wanted,
                                   RouteFileContent& content);
std::optional<Refusal> ReadNmea(std::string_view text, std::string_view wanted,
                                RouteFileContent& content);

}  // namespace sailings
