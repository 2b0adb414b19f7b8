// What the commands share: places and positions, the times, the output
// files checked and opened, records, the route file read.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <istream>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/route_lines.h"
#include "sailings/coordinates.hpp"
#include "sailings/files.hpp"
#include "sailings/places.hpp"
#include "sailings/records.hpp"
#include "sailings/sailings.hpp"
#include "sailings/schedule.hpp"
#include "sailings/text.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {

// ---------------------------------------------------------------------------
// Places and positions: the location list, its names, typed coordinates.

bool CommandLine::Lookup(const Options& o, const std::string& name, Place& place,
                         std::string& reason) {
  const std::string file = o.list.empty() ? kLocationFile : o.list;
  if (!listLoaded_) {
    listLoaded_ = true;
    std::error_code ec;
    const std::filesystem::path path = Path(file);
    if (!o.list.empty() || std::filesystem::exists(path, ec)) {
      list_ = LoadPlaces(path, err_);
    }
  }
  if (!list_) {
    reason = o.list.empty()
                 ? "'" + PrintableText(name) +
                       "' is not a position, and there is no location list (input.txt) to look "
                       "it up in"
                 : "cannot read the location list " + PrintableText(file);
    return false;
  }
  if (const Place* found = FindPlace(*list_, name)) {
    place = *found;
    return true;
  }
  reason = "no place named '" + PrintableText(name) + "' in " + PrintableText(file);
  return false;
}

bool CommandLine::Coordinates(const std::string& latitude, const std::string& longitude,
                              Place& place, std::string& reason) {
  Status status = ParseCoordinate(latitude, Axis::latitude, place.lat);
  if (status != Status::ok) {
    reason = "latitude '" + PrintableText(latitude) + "': " + Describe(status);
    return false;
  }
  status = ParseCoordinate(longitude, Axis::longitude, place.lon);
  if (status != Status::ok) {
    reason = "longitude '" + PrintableText(longitude) + "': " + Describe(status);
    return false;
  }
  return true;
}

// FROM TO: two names, four coordinates, or a name and two coordinates either
// way round (the name first when the first argument is no latitude).
bool CommandLine::ResolvePlaces(const Options& o, Place& from, Place& to, std::string& reason) {
  const std::vector<std::string>& p = o.positions;
  from.name = "A";
  to.name = "B";
  double unused = 0;
  switch (p.size()) {
    case 2: return Lookup(o, p[0], from, reason) && Lookup(o, p[1], to, reason);
    case 3:
      if (ParseCoordinateToken(p[0], Axis::latitude, unused) == Status::ok) {
        return Coordinates(p[0], p[1], from, reason) && Lookup(o, p[2], to, reason);
      }
      return Lookup(o, p[0], from, reason) && Coordinates(p[1], p[2], to, reason);
    default: return Coordinates(p[0], p[1], from, reason) && Coordinates(p[2], p[3], to, reason);
  }
}

void CommandLine::TableRows(const Options& o, const FieldChoice& choice, const Schedule* times,
                            TableOutput& output, WaypointFanOut& rows) {
  output.fields = ChooseFields(WaypointFields(), choice);
  if (o.csv || o.json) {
    Records(o, FieldNames(output.fields), output.records);
    output.recordRows.emplace(*output.records, output.fields, times);
    rows.Add(*output.recordRows);
  } else {
    TableTextOptions options;
    options.schedule = times;
    output.text.emplace(out_, nullptr, options);
    rows.Add(*output.text);
  }
}

int CommandLine::Timing(const Options& o, std::optional<double>& knots,
                        std::optional<std::int64_t>& depart) {
  if (!o.speed.empty()) {
    knots = ParseDecimal(o.speed);
    if (!knots) return Fail("--speed '" + PrintableText(o.speed) + "': not a number");
    if (!SpeedInRange(*knots)) return Fail("--speed must be from 0.1 to 100 knots");
  }
  if (!o.depart.empty()) {
    std::int64_t seconds = 0;
    std::string why;
    if (!ParseUtcTime(o.depart, seconds, why)) {
      return Fail("--depart '" + PrintableText(o.depart) + "': " + why);
    }
    depart = seconds;
  }
  return kOk;
}

int CommandLine::CheckOutputs(const Options& o) {
  const std::pair<const char*, const std::string*> outputs[] = {
      {"--gpx", &o.gpx},         {"--rtz", &o.rtz}, {"--svg", &o.svg},
      {"--geojson", &o.geojson}, {"--kml", &o.kml}, {"--nmea", &o.nmea}};
  for (const auto& [option, file] : outputs) {
    if (file->empty()) continue;
    std::string reason;
    if (!CanWriteOutput(Path(*file), reason)) {
      return Fail("cannot write " + PrintableText(*file) + ": " + PrintableText(reason, 400));
    }
  }
  // The location list that names are looked up in, when there is one.
  const std::filesystem::path list = Path(o.list.empty() ? kLocationFile : o.list);
  std::error_code ec;
  const bool hasList = !o.list.empty() || std::filesystem::exists(list, ec);
  for (std::size_t i = 0; i < std::size(outputs); ++i) {
    const auto& [option, file] = outputs[i];
    if (file->empty()) continue;
    std::string clash;
    for (std::size_t j = 0; j < i && clash.empty(); ++j) {
      if (!outputs[j].second->empty() && SameFile(Path(*file), Path(*outputs[j].second))) {
        clash = std::string(outputs[j].first) + " and " + option + " name the same file";
      }
    }
    if (clash.empty() && hasList && SameFile(Path(*file), list)) {
      clash = std::string(option) + " would overwrite the location list";
    }
    if (clash.empty() && !o.route.empty() && SameFile(Path(*file), Path(o.route))) {
      clash = std::string(option) + " would overwrite the route file it reads";
    }
    if (!clash.empty()) return Usage(err_, clash + " (" + PrintableText(*file) + ")");
  }
  return kOk;
}

int CommandLine::MapChoices(const Options& o, MapFileOptions& map, NmeaOptions& nmea) {
  if (!o.tolerance.empty()) {
    const std::optional<double> tolerance = ParseDecimal(o.tolerance);
    if (!tolerance) return Fail("--tolerance '" + PrintableText(o.tolerance) + "': not a number");
    if (!(*tolerance >= kMinDrawTolerance && *tolerance <= kMaxDrawTolerance)) {
      return Fail(Describe(Status::tolerance_out_of_range));
    }
    map.tolerance_nm = *tolerance;
  }
  if (!o.talker.empty()) {
    if (!IsNmeaTalker(o.talker)) {
      return Fail("--talker '" + PrintableText(o.talker) +
                  "': two capital letters (GP, EC, II, ...)");
    }
    nmea.talker = o.talker;
  }
  if (!o.nameLength.empty()) {
    const std::optional<long long> n = Count(o.nameLength);
    if (!n || *n < 1 || *n > kMaxNmeaNameLength) {
      return Fail("--name-length '" + PrintableText(o.nameLength) + "': a whole number from 1 to " +
                  std::to_string(kMaxNmeaNameLength));
    }
    nmea.name_length = static_cast<int>(*n);
  }
  return kOk;
}

int CommandLine::OpenMapFiles(const Options& o, const std::string& name, const std::string& routeId,
                              std::vector<MapTrack> tracks, const Schedule* schedule,
                              MapOutputs& files) {
  MapFileOptions map;
  map.schedule = schedule;
  NmeaOptions nmea;
  if (const int failed = MapChoices(o, map, nmea)) return failed;
  if (!o.geojson.empty()) files.geojson.emplace(Path(o.geojson), name, tracks, map);
  if (!o.kml.empty()) files.kml.emplace(Path(o.kml), name, std::move(tracks), map);
  if (!o.nmea.empty()) files.nmea.emplace(Path(o.nmea), routeId, nmea);
  return kOk;
}

void CommandLine::Records(const Options& o, const std::vector<const char*>& names,
                          std::optional<RecordWriter>& records) {
  if (o.csv || o.json) {
    records.emplace(out_, o.csv ? RecordWriter::kCsv : RecordWriter::kJson, o.decimals, names);
  }
}

void CommandLine::Notes(const std::string& file, const std::vector<std::string>& notes) {
  for (const std::string& note : notes) {
    err_ << "note: " << PrintableText(file, 200) << ": " << PrintableText(note, 400) << '\n';
  }
}

std::string CommandLine::RouteShown(const Options& o) {
  return o.route == "-" ? std::string("standard input") : o.route;
}

bool CommandLine::ReadRoute(const Options& o, RouteFileContent& content, std::string& reason) {
  if (o.route != "-") return ReadRouteFile(Path(o.route), o.route, o.name, content, reason);
  // Standard input, read whole up to the size a route file may have.
  std::string text;
  char buffer[65536];
  while (in_.read(buffer, sizeof buffer) || in_.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in_.gcount()));
    if (text.size() > kMaxRouteFileBytes) {
      reason = "standard input: more than " + std::to_string(kMaxRouteFileBytes / 1000000) +
               " MB; a route file is at most that";
      return false;
    }
  }
  return ParseRouteText(text, RouteShown(o), o.name, content, reason);
}

}  // namespace sailings
