// CSV: a header naming the columns (ours, and other tools'), one row per
// waypoint.
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

namespace {

// The fields of one CSV line (RFC 4180: quotes around a field, "" inside),
// separated by `separator`.
bool SplitCsv(std::string_view line, char separator, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  bool quoted = false, wasQuoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
    } else if (c == '"' && Trimmed(field).empty() && !wasQuoted) {
      quoted = wasQuoted = true;
      field.clear();
    } else if (c == separator) {
      fields.push_back(std::move(field));
      field.clear();
      wasQuoted = false;
    } else {
      field += c;
    }
  }
  fields.push_back(std::move(field));
  return !quoted;
}

// The separator of a CSV file, from its header: a comma, else a semicolon (a
// spreadsheet's where the comma is the decimal sign), else a tab.
char CsvSeparator(std::string_view header) {
  if (header.find(',') != header.npos) return ',';
  if (header.find(';') != header.npos) return ';';
  if (header.find('\t') != header.npos) return '\t';
  return ',';
}

}  // namespace

std::optional<Refusal> ReadCsv(std::string_view text, RouteFileContent& content) {
  content.format = RouteFormat::csv;
  enum Column { kLat, kLon, kName, kSailing, kSpeed, kColumns };
  const char* names[kColumns] = {"lat", "lon", "name", "sailing", "speed_kn"};
  // The names other tools give the columns: gpsbabel's unicsv (Latitude,
  // Longitude), GDAL's CSV with its geometry as X and Y.
  const std::vector<std::vector<std::string_view>> aliases = {
      {"lat", "latitude", "y"},
      {"lon", "long", "longitude", "lng", "x"},
      {"name"},
      {"sailing"},
      {"speed_kn"}};
  long column[kColumns] = {-1, -1, -1, -1, -1};
  std::string headerName[kColumns];
  bool header = true;
  char separator = ',';
  std::vector<std::string> fields;
  TextLines lines(text);
  for (std::string_view line; lines.Next(line);) {
    const long lineNumber = lines.number();
    if (Trimmed(line).empty()) continue;
    if (header) separator = CsvSeparator(line);
    if (!SplitCsv(line, separator, fields))
      return Refusal{lineNumber, "a quoted field is not closed"};
    if (header) {
      header = false;
      std::vector<std::string> unknown;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view title = Trimmed(fields[i]);
        bool known = false;
        for (int c = 0; c < kColumns; ++c) {
          for (std::string_view alias : aliases[static_cast<std::size_t>(c)]) {
            if (!SameWord(title, alias)) continue;
            if (column[c] >= 0) {
              return Refusal{lineNumber, "the header names '" + std::string(names[c]) +
                                             "' twice ('" + PrintableText(headerName[c], 40) +
                                             "', '" + PrintableText(title, 40) + "')"};
            }
            column[c] = static_cast<long>(i);
            headerName[c] = std::string(title);
            known = true;
          }
        }
        if (!known && !title.empty()) unknown.push_back("'" + PrintableText(title, 40) + "'");
      }
      if (column[kLat] < 0 || column[kLon] < 0) {
        return Refusal{lineNumber, "the header must name the columns lat and lon"};
      }
      if (!unknown.empty()) {
        std::string note = "line " + std::to_string(lineNumber) + ": " +
                           (unknown.size() == 1 ? "column " : "columns ");
        for (std::size_t i = 0; i < unknown.size() && i < 10; ++i)
          note += (i ? ", " : "") + unknown[i];
        if (unknown.size() > 10) note += ", ...";
        note += unknown.size() == 1 ? " is not read" : " are not read";
        content.notes.push_back(note + " (lat, lon, name, sailing and speed_kn are)");
      }
      continue;
    }
    // In a file separated by semicolons a number may have a decimal comma
    // ("52,1"): read as a point.
    if (separator != ',') {
      for (const Column c : {kLat, kLon, kSpeed}) {
        if (column[c] < 0 || static_cast<std::size_t>(column[c]) >= fields.size()) continue;
        std::string& f = fields[static_cast<std::size_t>(column[c])];
        if (std::count(f.begin(), f.end(), ',') == 1 && f.find('.') == f.npos) f[f.find(',')] = '.';
      }
    }
    const auto field = [&](Column c) -> std::string_view {
      return column[c] >= 0 && static_cast<std::size_t>(column[c]) < fields.size()
                 ? Trimmed(fields[static_cast<std::size_t>(column[c])])
                 : std::string_view();
    };
    VoyagePoint p;
    const std::size_t index = content.points.size();
    p.name = std::string(field(kName));
    const std::string which = Which(index, p.name);
    const std::pair<Column, Axis> axes[] = {{kLat, Axis::latitude}, {kLon, Axis::longitude}};
    for (const auto& [c, axis] : axes) {
      double degrees = 0;
      const Status status = ParseCoordinate(field(c), axis, degrees);
      if (status != Status::ok) {
        return Refusal{lineNumber, which + ": " + names[c] + " '" + PrintableText(field(c)) +
                                       "': " + Describe(status)};
      }
      (c == kLat ? p.lat : p.lon) = degrees;
    }
    if (auto fault = PositionFault(p.lat, p.lon)) return Refusal{lineNumber, which + ": " + *fault};
    const std::string_view sailing = field(kSailing);
    if (!sailing.empty()) {
      p.has_leg = true;
      if (SameWord(sailing, "great-ellipse") || SameWord(sailing, "great_ellipse")) {
        p.type = LegType::orthodrome, p.sailing = Sailing::great_ellipse;
      } else if (SameWord(sailing, "geodesic")) {
        p.type = LegType::orthodrome, p.sailing = Sailing::geodesic;
      } else if (SameWord(sailing, "orthodrome")) {
        p.type = LegType::orthodrome;
      } else if (SameWord(sailing, "rhumb") || SameWord(sailing, "rhumb-line") ||
                 SameWord(sailing, "rhumb_line") || SameWord(sailing, "loxodrome")) {
        p.type = LegType::loxodrome, p.sailing = Sailing::rhumb_line;
      } else {
        return Refusal{lineNumber, which + ": unknown sailing '" + PrintableText(sailing) +
                                       "' (great-ellipse, rhumb, geodesic)"};
      }
    }
    if (!field(kSpeed).empty()) {
      p.has_leg = true;
      if (auto fault = Quantity(field(kSpeed), "speed_kn", p.speed_kn)) {
        return Refusal{lineNumber, which + ": " + *fault};
      }
      if (*p.speed_kn == 0) p.speed_kn.reset();
    }
    content.points.push_back(std::move(p));
    content.lines.push_back(lineNumber);
  }
  if (header) return Refusal{0, "the file is empty"};
  return std::nullopt;
}

}  // namespace sailings
