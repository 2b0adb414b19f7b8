// The commands of the command line: what they share (the options, the
// location list, the output files, the usage) and one method per command.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sailings/fields.hpp"
#include "sailings/places.hpp"
#include "sailings/records.hpp"
#include "sailings/route_files.hpp"
#include "sailings/text.hpp"
#include "sailings/voyage.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

// Everything the commands share.
struct Options {
  std::vector<std::string> positions;
  std::string list;
  int decimals = 6;
  bool csv = false, json = false;
  // table
  std::string longitudes, points, leg, gpx;
  bool rhumb = false, geodesic = false;
  // route
  bool compare = false, full = false, line = false;
  // passage planning (route and table)
  std::string limit, speed, speedAll, depart, rtz;
  // the chart and the land
  std::string svg;
  bool land = false;
  double limitDegrees = 0;  // the parsed limit
  // voyage and check
  std::string route, name, sailing, orthodrome, xtd, radius;
  bool waypoints = false;
  // maps and NMEA (route, table, voyage)
  std::string geojson, kml, nmea, tolerance, talker, nameLength;
  // sea passages (route and voyage)
  bool sea = false;
  std::string clearance, avoid;
};

// The map and NMEA files of a command, written as its table streams.
struct MapOutputs {
  std::optional<GeoJsonWriter> geojson;
  std::optional<KmlWriter> kml;
  std::optional<NmeaWriter> nmea;
  void AddTo(WaypointFanOut& rows) {
    if (geojson) rows.Add(*geojson);
    if (kml) rows.Add(*kml);
    if (nmea) rows.Add(*nmea);
  }
  bool any() const { return geojson || kml || nmea; }
  // The names of the route's own waypoints, which made names never repeat
  // (NMEA tells its names apart on its own).
  void AvoidNames(const std::vector<std::string>& given) {
    if (geojson) geojson->AvoidNames(given);
    if (kml) kml->AvoidNames(given);
  }
};

// What is asked of every route.
struct Asked {
  bool vertex = false, composite = false, compare = false;
  bool records = false;   // CSV or JSON
  bool land = false;      // the land crossings as fields (CSV, JSON)
  bool landText = false;  // the land crossings as warnings on the error stream (text)
  double limit = 0;       // degrees, with `composite`
};

// The land a route's tracks cross (route_command.cpp; the table warns of it
// too): found as `ask` asks, and told one warning line per track that
// crosses (`where` names the input line: "line 3: ").
void FindLand(const Asked& ask, RouteRecord& s);
std::string LandWarnings(const RouteRecord& s, const Asked& ask, const std::string& where);
std::string LandWarning(const char* track, const std::optional<LandCrossing>& at,
                        const std::string& where);

// The report of one route as `route FROM TO` prints it (route_report.cpp),
// figures with `decimals` decimals.
std::string RouteReport(const RouteRecord& s, const Asked& ask, int decimals);

// The voyage's legs as `voyage` prints them (voyage_report.cpp): with `eta`
// a column of times of arrival, with a split of any leg the cross-track
// columns.
std::string VoyageLegsText(const Voyage& voyage, const std::vector<std::string>& from,
                           const std::vector<std::string>& to,
                           const std::vector<std::optional<CrossTrackSplit>>& splits, bool eta);

inline int Usage(std::ostream& err, const std::string& reason) {
  err << "ERROR: " << reason << '\n';
  err << "usage: sailings route [options] [FROM TO]\n"
         "       sailings table [options] FROM TO (--longitudes N | --points N | --leg NM) "
         "[--rhumb | --geodesic]\n"
         "       sailings voyage [options] PLACE PLACE [PLACE ...] | --route FILE\n"
         "       sailings check [options] FILE\n"
         "       sailings --help | sailings COMMAND --help | sailings --version\n";
  return kUsage;
}

class CommandLine {
 public:
  CommandLine(std::istream& in, std::ostream& out, std::ostream& err,
              const std::filesystem::path& directory)
      : in_(in), out_(out), err_(err), directory_(directory) {}

  int Route(const Options& o);
  int Table(const Options& o);
  int Voyage(const Options& o);
  int Check(const Options& o);
  // Checks the output files before anything is computed or written: each
  // one writable as far as can be told, no two the same file and none the
  // location list. Returns kOk or the status to end with.
  int CheckOutputs(const Options& o);

 private:
  int Fail(const std::string& reason) {
    err_ << "ERROR: " << reason << '\n';
    return kFailed;
  }
  std::filesystem::path Path(const std::string& name) const {
    const std::filesystem::path path(name);
    return path.is_absolute() ? path : directory_ / path;
  }
  bool ResolvePlaces(const Options& o, Place& from, Place& to, std::string& reason);
  bool Lookup(const Options& o, const std::string& name, Place& place, std::string& reason);
  bool Coordinates(const std::string& latitude, const std::string& longitude, Place& place,
                   std::string& reason);
  int RouteLines(const Options& o, const Asked& ask);
  // The table's rows to standard output, as text or as CSV or JSON records
  // of `choice`'s fields, added to `rows`.
  void TableRows(const Options& o, const FieldChoice& choice, const Schedule* times,
                 struct TableOutput& output, WaypointFanOut& rows);
  // --speed and --depart, checked: kOk, or the failure told.
  int Timing(const Options& o, std::optional<double>& knots, std::optional<std::int64_t>& depart);
  // Writes a file whole: kOk, or the failure told when it cannot be.
  template <typename Writer>
  int FinishFile(std::optional<Writer>& writer, const std::string& name) {
    std::string error;
    if (!writer || writer->Finish(error)) return kOk;
    return Fail("cannot write " + PrintableText(name) + ": " + PrintableText(error, 400));
  }
  // A warning when an RTZ file written is larger than some ECDIS read.
  void RtzSizeWarning(const std::string& name, std::uintmax_t bytes) {
    if (bytes <= kRtzMaxBytes) return;
    err_ << "warning: " << PrintableText(name, 200) << ": " << bytes / 1000
         << " kB; some ECDIS refuse an RTZ route over " << kRtzMaxBytes / 1000
         << " kB (fewer waypoints: a larger --xtd, a longer --leg)\n";
  }
  // --tolerance, --talker and --name-length checked, and the map and NMEA
  // files opened (`name` the maps', `routeId` the NMEA route's, "FROM-TO"):
  // kOk, or the failure told.
  // --tolerance, --talker and --name-length read into `map` and `nmea`.
  int MapChoices(const Options& o, MapFileOptions& map, NmeaOptions& nmea);
  int OpenMapFiles(const Options& o, const std::string& name, const std::string& routeId,
                   std::vector<MapTrack> tracks, const Schedule* schedule, MapOutputs& files);
  // Each file whole, in turn: kOk, or the first failure told.
  int FinishMapFiles(const Options& o, MapOutputs& files) {
    if (const int failed = FinishFile(files.geojson, o.geojson)) return failed;
    if (const int failed = FinishFile(files.kml, o.kml)) return failed;
    return FinishFile(files.nmea, o.nmea);
  }
  // The voyage's waypoints from PLACE arguments (`content.points`) or
  // --route FILE (all of `content`), its notes told.
  bool VoyagePoints(const Options& o, RouteFileContent& content, std::string& reason);
  // With --sea, each leg of `content` replaced by its sea passage (the
  // points added named, the notes told): kOk, or the failure told
  // (sea_option.cpp).
  int SeaPoints(const Options& o, RouteFileContent& content);
  // The route file --route (or check's FILE) names, or standard input for
  // "-"; its name in messages.
  bool ReadRoute(const Options& o, RouteFileContent& content, std::string& reason);
  static std::string RouteShown(const Options& o);
  // The notes of a route file read, on the error stream.
  void Notes(const std::string& file, const std::vector<std::string>& notes);
  void Records(const Options& o, const std::vector<const char*>& names,
               std::optional<RecordWriter>& records);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  std::filesystem::path directory_;
  std::optional<std::vector<Place>> list_;
  bool listLoaded_ = false;
};

inline std::optional<long long> Count(const std::string& text) {
  const std::optional<double> value = ParseDecimal(text);
  if (!value || *value != std::floor(*value)) return std::nullopt;
  if (*value > 1e15) return static_cast<long long>(1e15);
  if (*value < -1e15) return static_cast<long long>(-1e15);
  return static_cast<long long>(*value);
}

// The table's rows as records of its fields (sailings/fields.hpp).
class RecordRows : public WaypointSink {
 public:
  RecordRows(RecordWriter& records, const std::vector<const Field<WaypointRecord>*>& fields,
             const Schedule* schedule)
      : records_(records), fields_(fields), schedule_(schedule) {}
  void Row(const Waypoint& row) override {
    records_.Write(fields_, WaypointRecord{row, schedule_});
  }

 private:
  RecordWriter& records_;
  const std::vector<const Field<WaypointRecord>*>& fields_;
  const Schedule* schedule_;
};

// Where a table's rows go on standard output (CommandLine::TableRows).
struct TableOutput {
  std::vector<const Field<WaypointRecord>*> fields;
  std::optional<RecordWriter> records;
  std::optional<RecordRows> recordRows;
  std::optional<TableText> text;
};

}  // namespace sailings
