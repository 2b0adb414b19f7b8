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

// Appends `piece` to `line`; a piece that begins on the 180th meridian where
// the line ends on it, on the other side at the same latitude (a line split
// there, as GeoJSON and KML files split them), continues it without the
// repeated position.
void JoinAtAntimeridian(std::vector<RoutePoint>& line, const std::vector<RoutePoint>& piece);

// The route of a map file: its points (two or more) in order, else its first
// line, or the line (or point set) named `wanted`.
struct MapFeatures {
  std::vector<RoutePoint> points;
  struct Line {
    std::string name;
    std::vector<RoutePoint> points;
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
