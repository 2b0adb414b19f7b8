#include "input/location_list.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <fstream>
#include <ostream>
#include <system_error>

#include "sailings/coordinates.hpp"
#include "vector/position.h"

namespace sailings {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t SkipBlanks(std::string_view s, std::size_t i) {
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

bool OpenList(const char* path, std::ifstream& file) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return false;
  file.open(path, std::ios::in | std::ios::binary);
  return file.good();
}

LocationLine Malformed(std::string problem) {
  LocationLine line;
  line.kind = LocationLine::kMalformed;
  line.problem = std::move(problem);
  return line;
}

// "latitude is not a number", "longitude: minutes and seconds must be below 60".
LocationLine Malformed(const char* what, Status status) {
  if (status == Status::not_a_number) return Malformed(std::string(what) + " is not a number");
  if (status == Status::number_out_of_range) return Malformed(std::string(what) + " out of range");
  return Malformed(std::string(what) + ": " + Describe(status));
}

// Reads the file line by line and hands every parsed line with its number to
// `visit`; returns false when the file cannot be opened.
template <typename Visit>
bool ForEachLine(const char* path, Visit visit) {
  std::ifstream file;
  if (!OpenList(path, file)) return false;
  ForEachLocationLine(file, visit);
  return true;
}

}  // namespace

LocationLine ParseLocationLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (SkipBlanks(line, 0) == line.size()) return LocationLine{};

  const std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos) return Malformed("no tab after the name");
  if (tab == 0) return Malformed("no name before the tab");

  // Two tokens divided by blanks or tabs, each one coordinate.
  const std::size_t i = SkipBlanks(line, tab + 1);
  if (i == line.size()) return Malformed("no latitude");
  const std::size_t latitudeEnd = std::min(line.find_first_of(" \t", i), line.size());
  const std::size_t gap = SkipBlanks(line, latitudeEnd);
  const std::size_t longitudeEnd = std::min(line.find_first_of(" \t", gap), line.size());
  double latitude = 0, longitude = 0;
  Status status = ParseCoordinateToken(line.substr(i, latitudeEnd - i), Axis::latitude, latitude);
  if (status != Status::ok) return Malformed("latitude", status);
  if (gap == line.size()) return Malformed("no longitude");
  status = ParseCoordinateToken(line.substr(gap, longitudeEnd - gap), Axis::longitude, longitude);
  if (status != Status::ok) return Malformed("longitude", status);
  if (SkipBlanks(line, longitudeEnd) != line.size()) return Malformed("text after the longitude");

  LocationLine record;
  record.kind = LocationLine::kRecord;
  record.name.assign(line.substr(0, tab < 255 ? tab : 255));
  for (char& c : record.name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  record.latitude = latitude;
  record.longitude = longitude;
  return record;
}

void ForEachLocationLine(std::istream& in,
                         const std::function<void(long, const LocationLine&)>& visit) {
  std::string text;
  long number = 0;
  while (std::getline(in, text)) {
    // A byte-order mark (as some editors write UTF-8) is no part of the first name.
    if (number == 0 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    visit(++number, ParseLocationLine(text));
  }
}

Place StorePlace(std::string_view name, double lat, double lon) {
  // Names end at 255 bytes (or a NUL byte).
  name = name.substr(0, std::min<std::size_t>(name.find('\0'), 255));
  const Vec3 stored = Direction(lat, lon);
  return {std::string(name), LatitudeOf(stored), LongitudeOf(stored)};
}

bool SamePosition(const Place& p, const Place& q) {
  return SamePosition(p.lat, p.lon, q.lat, q.lon);
}

std::optional<std::vector<Place>> LoadPlaces(const std::filesystem::path& path,
                                             std::ostream& warnings) {
  // Read once: the list may be a pipe (--list /dev/stdin).
  const std::string name = path.string();
  std::vector<Place> places;
  const bool opened = ForEachLine(name.c_str(), [&](long number, const LocationLine& line) {
    if (line.kind == LocationLine::kMalformed) {
      warnings << path.filename().string() << ": line " << number << " skipped: " << line.problem
               << '\n';
    } else if (line.kind == LocationLine::kRecord && places.size() < INT_MAX - 2) {
      places.push_back(StorePlace(line.name, line.latitude, line.longitude));
    }
  });
  if (!opened) return std::nullopt;
  return places;
}

const Place* FindPlace(const std::vector<Place>& places, std::string_view name) {
  const auto same = [name](const std::string& other) {
    if (other.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(other[i])) !=
          std::tolower(static_cast<unsigned char>(name[i]))) {
        return false;
      }
    }
    return true;
  };
  for (const Place& place : places) {
    if (same(place.name)) return &place;
  }
  return nullptr;
}

}  // namespace sailings
