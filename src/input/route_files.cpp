// Routes from other tools, told by their content and read by the reader of
// their format (gpx_reader.cpp, rtz_reader.cpp, kml_reader.cpp,
// csv_reader.cpp, geojson_reader.cpp, nmea_reader.cpp); what the readers share.
#include "sailings/route_files.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "input/route_readers.h"
#include "input/text_encoding.h"
#include "input/xml_reader.h"
#include "sailings/coordinates.hpp"
#include "sailings/schedule.hpp"
#include "sailings/text.hpp"

namespace sailings {

std::string Which(std::size_t index, std::string_view name) {
  std::string which = "waypoint " + std::to_string(index + 1);
  if (!name.empty()) which += " (" + PrintableText(name, 40) + ")";
  return which;
}

std::optional<std::string> PositionFault(double lat, double lon) {
  if (std::fabs(lat) > 90) return std::string("latitude is beyond 90 degrees");
  if (std::fabs(lon) > 180) return std::string("longitude is beyond 180 degrees");
  return std::nullopt;
}

long LineIndex::LineOf(std::ptrdiff_t offset) const {
  if (offset < 0) return 0;
  return static_cast<long>(
             std::lower_bound(ends_.begin(), ends_.end(), static_cast<std::size_t>(offset)) -
             ends_.begin()) +
         1;
}

LineIndex::LineIndex(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') ends_.push_back(i);
  }
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A number attribute or field: nothing when absent; a refusal when it is not
// a plain finite number or is negative.
std::optional<std::string> Quantity(std::string_view text, const char* what,
                                    std::optional<double>& value) {
  value.reset();
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  const std::optional<double> v = ParseDecimal(text);
  if (!v) return std::string(what) + " '" + PrintableText(text) + "' is not a number";
  if (*v < 0) return std::string(what) + " " + PrintableText(text) + " is negative";
  value = v;
  return std::nullopt;
}

namespace {

std::string Message(std::string_view shown, const Refusal& r) {
  std::string message = PrintableText(shown, 200) + ": ";
  if (r.line > 0) message += "line " + std::to_string(r.line) + ": ";
  return message + r.reason;
}

}  // namespace

bool ParseRouteText(std::string_view raw, std::string_view shown, std::string_view route_name,
                    RouteFileContent& content, std::string& error) {
  RouteFileContent read;
  read.bytes = raw.size();
  std::string decoded, why;
  if (!DecodeRouteText(raw, decoded, why)) {
    error = Message(shown, Refusal{0, why});
    return false;
  }
  const std::string_view text = decoded, body = text;
  const std::string_view start = Trimmed(body.substr(0, 64));
  const char first = start.empty() ? '\0' : start.front();
  std::optional<Refusal> refusal = first == '<' ? ReadXml(text, route_name, read)
                                   : first == '{' || first == '['
                                       ? ReadGeoJson(body, route_name, read)
                                   : first == '$' || first == '!' ? ReadNmea(body, route_name, read)
                                                                  : ReadCsv(body, read);
  // A CSV or RTZ file holds one route: a name asked of it is its own or a
  // mistake, never passed over.
  if (!refusal && !route_name.empty() && read.format == RouteFormat::csv) {
    refusal = Refusal{0, "a CSV file holds one route, without a name: --name '" +
                             PrintableText(route_name, 40) + "' chooses nothing in it"};
  } else if (!refusal && !route_name.empty() && read.format == RouteFormat::rtz &&
             read.route_name != route_name) {
    refusal =
        Refusal{0, "the RTZ route is named '" + PrintableText(read.route_name, 40) + "', not '" +
                       PrintableText(route_name, 40) + "' (an RTZ file holds one route)"};
  }
  if (!refusal && read.points.size() < 2) {
    refusal = Refusal{0, "the route has " + std::to_string(read.points.size()) +
                             (read.points.size() == 1 ? " waypoint" : " waypoints") +
                             "; it needs at least two"};
  }
  if (refusal) {
    error = Message(shown, *refusal);
    return false;
  }
  content = std::move(read);
  return true;
}

bool ReadRouteFile(const std::filesystem::path& path, std::string_view shown,
                   std::string_view route_name, RouteFileContent& content, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = PrintableText(shown, 200) + ": is a folder, not a route file";
    return false;
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int why = errno;
    error = PrintableText(shown, 200) + ": cannot be read" +
            (why == ENOENT ? std::string(": there is no such file")
             : why != 0    ? ": " + std::string(std::strerror(why))
                           : std::string());
    return false;
  }
  // Read up to one byte past the limit (the size of a pipe is not known).
  std::string text;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxRouteFileBytes) {
      error = PrintableText(shown, 200) + ": larger than 50 MB, not read";
      return false;
    }
  }
  if (in.bad()) {
    error = PrintableText(shown, 200) + ": cannot be read";
    return false;
  }
  return ParseRouteText(text, shown, route_name, content, error);
}

}  // namespace sailings
