#include "cli/command_line.h"

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
#include "sailings/side_task.hpp"
#include "sailings/text.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {


const char kRouteOutput[] = R"(
Output for FROM TO: a report, each sailing on a line of its own (distance NM,
initial course, final course: the direction of travel arriving), the vertex,
and with --limit the composite track. With --line, and for each line of
standard input: the fields below in order, divided by blanks ("-" where there
is nothing); with --csv or --json the same fields by these names, and an
"error" field. --full adds the vertex, --limit the composite track, --land
(with --csv or --json) where the tracks cross land, --compare the geodesic and
the sphere. Azimuths and courses in degrees clockwise from true north.

)";

const char kRouteExamples[] = R"(
Examples:
  sailings route 33d55'30"S 18d25'26.8"E 40:42:46N 74:00:22W
  sailings route "Cape Town" "New York" --list data/input.txt --compare
  printf '%s\n' '-33.9249 18.4241 40.7128 -74.0060' '35.4437 139.638 37.7749 -122.4194' \
    | sailings route --json
)";

const char kTableOutput[] = R"(
FROM and TO: a place name of the location list, or two arguments, latitude
and longitude. Exactly one of --longitudes, --points and --leg.

Fields of --csv and --json, one record a row:
)";

const char kTableExamples[] = R"(
Examples:
  sailings table "Cape Town" "New York" --leg 1000 --list data/input.txt
  sailings table 50S 60W 40N 10E --points 9 --rhumb --csv
  sailings table 10N 20E 9.5S 159.5W --leg 1000 --geodesic --json
  sailings table 35.4437 139.638 37.7749 -122.4194 --longitudes 5 --gpx passage.gpx
)";


// ---------------------------------------------------------------------------
// The fields of a route: one list, which gives the names of the CSV header
// and the JSON keys, and the values of the text line, CSV and JSON alike.


// The route's fields asked (sailings/fields.hpp), the same for every route.
using RouteField = Field<RouteRecord>;
using Solved = RouteRecord;

std::vector<const RouteField*> AskedFields(const Asked& ask) {
  FieldChoice choice;
  choice.vertex = ask.vertex;
  choice.composite = ask.composite;
  choice.land = ask.land;
  choice.compare = ask.compare;
  choice.records = ask.records;
  return ChooseFields(RouteFields(), choice);
}

// One line on the error stream per track that crosses land; `where` names
// the input line in standard-input mode ("line 3: ").
std::string LandWarning(const char* track, const std::optional<LandCrossing>& at,
                        const std::string& where) {
  if (!at) return {};
  return "warning: " + where + "the " + track + " crosses land near " +
         FormatPositionShort(at->lat, at->lon) +
         " (1:110m coastline)\n";
}

void FindLand(const Asked& ask, Solved& s) {
  if (ask.land || ask.landText) {
    s.ge_land = s.passage.CrossesLand(Track::great_ellipse);
    s.rhumb_land = s.passage.CrossesLand(Track::rhumb_line);
    if (ask.composite) s.composite_land = s.passage.CrossesLand(Track::composite);
  }
}

Status SolveAsked(const double d[4], const Asked& ask, Solved& s) {
  const Status status = Passage::Solve(d[0], d[1], d[2], d[3],
                                       ask.composite ? std::optional<double>(ask.limit) : std::nullopt,
                                       s.passage);
  if (status != Status::ok) return status;
  if (ask.vertex) s.vertex = s.passage.FindVertex();
  FindLand(ask, s);
  if (ask.compare) s.comparison = s.passage.Compare();
  return Status::ok;
}

std::string LandWarnings(const Solved& s, const Asked& ask, const std::string& where) {
  if (!ask.landText) return {};
  std::string text = LandWarning("great ellipse", s.ge_land, where) +
                     LandWarning("rhumb line", s.rhumb_land, where);
  if (ask.composite) text += LandWarning("composite track", s.composite_land, where);
  return text;
}

void WriteRouteRecord(RecordWriter& records, const std::vector<const RouteField*>& fields,
                      const Solved& s) {
  for (const RouteField* f : fields) records.Value(f->get(s));
  if (records.format() == RecordWriter::kCsv) records.Text("");  // the empty error cell
  records.EndRecord();
}

// ---------------------------------------------------------------------------
// The report of one route, for a person.

// A position as a navigator writes it: 33°55.4940'S 018°25.4460'E.
std::string PositionText(double latDegrees, double lonDegrees, int decimals) {
  const int minutes = std::max(1, decimals - 2);
  return FormatCoordinate(latDegrees, Axis::latitude, CoordinateStyle::dm, minutes) + " " +
         FormatCoordinate(std::remainder(lonDegrees, 360.0), Axis::longitude,
                          CoordinateStyle::dm, minutes);
}

class Report {
 public:
  explicit Report(int decimals) : decimals_(decimals) {}

  std::string Number(double v) const {
    char digits[400];
    return std::string(digits, FormatNumber(digits, v, decimals_));
  }
  std::string Course(std::optional<double> degrees) const {
    if (!degrees) return "-";
    char digits[400];
    return std::string(digits, FormatAzimuth(digits, *degrees, decimals_));
  }
  void Header(const char* first) {
    std::string line = first;
    line.resize(22, ' ');
    text_ += line + "       distance NM  initial course    final course\n";
  }
  void Row(const char* name, double nm, std::optional<double> initial,
           std::optional<double> final) {
    std::string line = name;
    line.resize(22, ' ');
    text_ += line + Cell(Number(nm), 18) + Cell(Course(initial), 16) + Cell(Course(final), 16) + '\n';
  }
  void Line(const std::string& line) { text_ += line + '\n'; }
  const std::string& text() const { return text_; }

 private:
  static std::string Cell(const std::string& text, std::size_t width) {
    return std::string(text.size() < width ? width - text.size() : 0, ' ') + text;
  }
  int decimals_;
  std::string text_;
};

std::string RouteReport(const Solved& s, const Asked& ask, int decimals) {
  Report r(decimals);
  const Route& route = s.passage.route();
  const Comparison& c = s.comparison;
  const double geFinal = std::fmod(route.ge_azimuth_inv + 180.0, 360.0);
  r.Header("sailing");
  r.Row("great ellipse", route.ge_distance_nm, route.ge_azimuth_fwd, geFinal);
  if (ask.compare) {
    r.Row("geodesic", c.geodesic_nm, c.geodesic_azimuth_fwd, c.geodesic_azimuth_final);
  }
  r.Row("rhumb line", route.rhumb_distance_nm, route.rhumb_course, route.rhumb_course);
  if (ask.compare) {
    r.Row("great circle (sphere)", c.sphere_nm, c.sphere_course, c.sphere_course_final);
    r.Line("great ellipse - geodesic: " + r.Number(c.ge_minus_geodesic_m) + " m");
    r.Line("sphere - geodesic: " + r.Number(c.sphere_minus_geodesic_nm) + " NM");
    r.Line("rhumb line - geodesic: " + r.Number(c.rhumb_minus_geodesic_nm) + " NM (" +
           r.Number(c.rhumb_minus_geodesic_pct) + " %)");
    r.Line("greatest separation of the great ellipse from the geodesic: " +
           r.Number(c.ge_geodesic_separation_km) + " km");
  }

  // The vertex: the point of the great ellipse farthest from the equator.
  const Vertex& v = s.vertex;
  const char* passes = v.on_route ? ", on the route" : ", not on the route";
  if (v.kind == Vertex::Kind::equator) {
    r.Line("vertex: none (the route runs along the equator)");
  } else if (v.kind == Vertex::Kind::pole) {
    r.Line(std::string("vertex: the ") + (v.lat > 0 ? "north" : "south") +
           " pole (the route runs along a meridian)" + passes);
  } else {
    r.Line("vertex: " + PositionText(v.lat, *v.lon, decimals) + passes);
  }

  if (ask.composite) {
    const CompositeTrack& k = *s.passage.composite();
    const std::string limit = FormatCoordinate(k.limit, Axis::latitude, CoordinateStyle::dm,
                                               std::max(1, decimals - 2));
    // "50°00.0000'" N and S: the limit holds on both sides of the equator.
    const std::string within = "the limiting latitude " + limit.substr(0, limit.size() - 1) + " N and S";
    if (!k.composite) {
      r.Line("composite track: none needed, the great ellipse keeps within " + within);
    } else {
      r.Line("composite track within " + within + ":");
      r.Header("part");
      // Each part arrives on the course the next one leaves on (the parallel
      // is touched, not crossed); the last arrives on the track's final course.
      r.Row("great ellipse to T1", *k.ge1_nm, k.ge1_course, k.ge1_course ? k.along_parallel : std::nullopt);
      r.Row("parallel T1 to T2", *k.parallel_nm, k.parallel_course, k.parallel_course);
      r.Row("great ellipse from T2", *k.ge2_nm, k.ge2_course,
            k.ge2_course ? std::optional<double>(k.final_course) : std::nullopt);
      r.Row("composite track", k.total_nm, k.initial_course, k.final_course);
      r.Line("T1: " + PositionText(*k.t1_lat, *k.t1_lon, decimals));
      r.Line("T2: " + PositionText(*k.t2_lat, *k.t2_lon, decimals));
      r.Line("composite - great ellipse: " + r.Number(k.composite_minus_ge_nm) + " NM");
      r.Line("rhumb line - composite: " + r.Number(k.rhumb_minus_composite_nm) + " NM");
    }
  }
  return r.text();
}

// ---------------------------------------------------------------------------

// A usage error: the reason, then the usage; status 2.


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
    case 2:
      return Lookup(o, p[0], from, reason) && Lookup(o, p[1], to, reason);
    case 3:
      if (ParseCoordinateToken(p[0], Axis::latitude, unused) == Status::ok) {
        return Coordinates(p[0], p[1], from, reason) && Lookup(o, p[2], to, reason);
      }
      return Lookup(o, p[0], from, reason) && Coordinates(p[1], p[2], to, reason);
    default:
      return Coordinates(p[0], p[1], from, reason) && Coordinates(p[2], p[3], to, reason);
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

int CommandLine::OpenMapFiles(const Options& o, const std::string& name,
                              const std::string& routeId, std::vector<MapTrack> tracks,
                              const Schedule* schedule, MapOutputs& files) {
  MapFileOptions map;
  map.schedule = schedule;
  if (!o.tolerance.empty()) {
    const std::optional<double> tolerance = ParseDecimal(o.tolerance);
    if (!tolerance) return Fail("--tolerance '" + PrintableText(o.tolerance) + "': not a number");
    if (!(*tolerance >= kMinDrawTolerance && *tolerance <= kMaxDrawTolerance)) {
      return Fail(Describe(Status::tolerance_out_of_range));
    }
    map.tolerance_nm = *tolerance;
  }
  NmeaOptions nmea;
  if (!o.talker.empty()) {
    if (!IsNmeaTalker(o.talker)) {
      return Fail("--talker '" + PrintableText(o.talker) + "': two capital letters (GP, EC, II, ...)");
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
  if (!o.geojson.empty()) files.geojson.emplace(Path(o.geojson), name, tracks, map);
  if (!o.kml.empty()) files.kml.emplace(Path(o.kml), name, std::move(tracks), map);
  if (!o.nmea.empty()) files.nmea.emplace(Path(o.nmea), routeId, nmea);
  return kOk;
}

Asked AskedOf(const Options& o) {
  Asked ask;
  ask.vertex = o.full || o.csv || o.json;
  ask.composite = !o.limit.empty();
  ask.limit = o.limitDegrees;
  ask.compare = o.compare;
  ask.records = o.csv || o.json;
  ask.land = o.land && (o.csv || o.json);
  ask.landText = o.land && !o.csv && !o.json;
  return ask;
}

void CommandLine::Records(const Options& o, const std::vector<const char*>& names,
                          std::optional<RecordWriter>& records) {
  if (o.csv || o.json) {
    records.emplace(out_, o.csv ? RecordWriter::kCsv : RecordWriter::kJson, o.decimals, names);
  }
}

std::vector<const char*> RouteNames(const std::vector<const RouteField*>& fields) {
  std::vector<const char*> names = FieldNames(fields);
  names.push_back("error");
  return names;
}

int CommandLine::Route(const Options& o) {
  const Asked ask = AskedOf(o);
  if (o.positions.empty()) return RouteLines(o, ask);
  Place from, to;
  std::string reason;
  if (!ResolvePlaces(o, from, to, reason)) return Fail(reason);
  Solved s;
  const double d[4] = {from.lat, from.lon, to.lat, to.lon};
  const bool report = !o.csv && !o.json && !o.line;
  Asked solve = ask;
  solve.vertex = ask.vertex || report;  // the report always gives the vertex
  const Status status = SolveAsked(d, solve, s);
  if (status != Status::ok) return Fail(Describe(status));
  if (!o.svg.empty()) {
    ChartWriter chart(Path(o.svg), s.passage, from.name, to.name, 0);
    std::string error;
    if (!chart.Finish(error)) {
      return Fail("cannot write " + PrintableText(o.svg) + ": " + PrintableText(error, 400));
    }
  }
  if (!o.geojson.empty() || !o.kml.empty() || !o.nmea.empty()) {
    // The tracks the route report gives, and its two ends as waypoints with
    // the figures of the great ellipse (the composite track within a limit).
    const bool composite = s.passage.composite() && s.passage.composite()->composite;
    std::vector<MapTrack> tracks = {
        {s.passage, Track::great_ellipse, "great ellipse", 0},
        {s.passage, Track::rhumb_line, "rhumb line", 0}};
    if (composite) tracks.push_back({s.passage, Track::composite, "composite track", 0});
    MapOutputs files;
    if (const int failed = OpenMapFiles(o, from.name + " to " + to.name, from.name + "-" + to.name,
                                        std::move(tracks), nullptr, files)) {
      return failed;
    }
    WaypointFanOut rows;
    files.AvoidNames({from.name, to.name});
    files.AddTo(rows);
    const SailingLine main(s.passage, composite ? Track::composite : Track::great_ellipse);
    Waypoint row;
    row.lat = from.lat, row.lon = from.lon, row.name = from.name;
    row.course = row.azimuth = main.Position(0).azimuth;
    rows.Row(row);
    row = Waypoint();
    row.wp = 1, row.lat = to.lat, row.lon = to.lon, row.name = to.name;
    row.leg_nm = row.total_nm = main.length_nm();
    rows.Row(row);
    if (const int failed = FinishMapFiles(o, files)) return failed;
  }
  const std::vector<const RouteField*> fields = AskedFields(ask);
  std::optional<RecordWriter> records;
  Records(o, RouteNames(fields), records);
  if (records) {
    WriteRouteRecord(*records, fields, s);
  } else if (report) {
    out_ << RouteReport(s, ask, o.decimals);
  } else {
    std::string line;
    AppendRecordText(line, fields, s, o.decimals);
    out_ << line;
  }
  err_ << LandWarnings(s, ask, "");
  return kOk;
}

// Routes on standard input are solved two blocks at a time, one a core, and
// written in the order they came: each block's output is gathered apart (its
// land warnings marked where they belong) and written when both are done.
struct RouteBlock {
  std::vector<std::string> lines;
  std::vector<long> numbers;  // each line's number in the input
  std::string out;            // what goes to standard output
  // Land warnings, each after out[0, offset): they reach the error stream
  // in step with the lines they follow.
  std::vector<std::pair<std::size_t, std::string>> warnings;
  bool failed = false;
};

void SolveRouteBlock(const Options& o, const Asked& ask, const std::vector<const RouteField*>& fields,
                     RouteBlock& block) {
  std::ostringstream recordText;  // (made before the writer, which flushes into it when it goes)
  std::optional<RecordWriter> records;
  if (o.csv || o.json) {
    records.emplace(recordText, o.csv ? RecordWriter::kCsv : RecordWriter::kJson, o.decimals,
                    RouteNames(fields), false);
  }
  Solved s;
  double d[4];
  std::string reason;
  for (std::size_t k = 0; k < block.lines.size(); ++k) {
    Status status = Status::ok;
    if (!ReadRouteLine(block.lines[k], d, reason)) {
      status = Status::not_a_number;
    } else {
      status = SolveAsked(d, ask, s);
      if (status != Status::ok) reason = Describe(status);
    }
    if (status != Status::ok) {
      block.failed = true;
      if (records) {
        records->ErrorRecord(reason);
      } else {
        block.out += "ERROR: " + reason + '\n';
      }
    } else if (records) {
      WriteRouteRecord(*records, fields, s);
    } else {
      AppendRecordText(block.out, fields, s, o.decimals);
      std::string warnings = LandWarnings(s, ask, "line " + std::to_string(block.numbers[k]) + ": ");
      if (!warnings.empty()) block.warnings.emplace_back(block.out.size(), std::move(warnings));
    }
  }
  if (records) {
    records->Flush();
    block.out = recordText.str();
  }
}

int CommandLine::RouteLines(const Options& o, const Asked& ask) {
  const std::vector<const RouteField*> fields = AskedFields(ask);
  std::optional<RecordWriter> header;  // the CSV header row, once
  Records(o, RouteNames(fields), header);
  if (header) header->Flush();
  // A block is as much work as a thread is worth: fewer lines when each
  // route asks more (the comparison takes half a millisecond).
  const std::size_t blockLines = ask.compare || ask.land || ask.landText ? 64 : 2048;
  int result = kOk;
  std::string line;
  long number = 0;
  bool more = true;
  const auto read = [&](RouteBlock& b) {
    while (b.lines.size() < blockLines && (more = static_cast<bool>(std::getline(in_, line)))) {
      ++number;
      // A byte-order mark before the first line is no part of it.
      if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
      if (IsBlankRouteLine(line)) continue;
      b.lines.push_back(line);
      b.numbers.push_back(number);
    }
  };
  while (more) {
    // The first block is solved on a second core while the second is read
    // and solved here; both are written in order.
    RouteBlock blocks[2];
    read(blocks[0]);
    if (blocks[0].lines.empty()) break;
    SideTask first([&] { SolveRouteBlock(o, ask, fields, blocks[0]); });
    if (more) read(blocks[1]);
    SolveRouteBlock(o, ask, fields, blocks[1]);
    first.Join();
    for (const RouteBlock& b : blocks) {
      std::size_t written = 0;
      for (const auto& [offset, warnings] : b.warnings) {
        out_.write(b.out.data() + written, static_cast<std::streamsize>(offset - written));
        written = offset;
        out_.flush();
        err_ << warnings;
      }
      out_.write(b.out.data() + written, static_cast<std::streamsize>(b.out.size() - written));
      if (b.failed) result = kFailed;
    }
    if (!out_) return kFailed;  // standard output is gone: told by the caller
  }
  return result;
}

// A whole number of waypoints, or nothing.


int CommandLine::Table(const Options& o) {
  Place from, to;
  std::string reason;
  if (!ResolvePlaces(o, from, to, reason)) return Fail(reason);

  // The request, checked before anything is computed or written.
  TableRequest request;
  if (!o.longitudes.empty() || !o.points.empty()) {
    const std::string& text = o.longitudes.empty() ? o.points : o.longitudes;
    const std::optional<long long> n = Count(text);
    const char* option = o.longitudes.empty() ? "--points" : "--longitudes";
    if (!n) return Fail(std::string(option) + " '" + PrintableText(text) + "': not a whole number");
    request.placement =
        o.longitudes.empty() ? WaypointPlacement::points : WaypointPlacement::longitudes;
    request.count = *n;
  } else {
    const std::optional<double> value = ParseDecimal(o.leg);
    if (!value) return Fail("--leg '" + PrintableText(o.leg) + "': not a number");
    request.placement = WaypointPlacement::leg;
    request.leg_nm = *value;
  }
  request.along = o.rhumb ? Sailing::rhumb_line : o.geodesic ? Sailing::geodesic
                                                             : Sailing::great_ellipse;
  std::optional<Schedule> schedule;
  std::optional<double> knots;
  std::optional<std::int64_t> depart;
  if (const int timing = Timing(o, knots, depart)) return timing;
  if (knots) schedule = Schedule{*knots, depart};

  Passage passage;
  Status status = Passage::Solve(from.lat, from.lon, to.lat, to.lon,
                                 o.limit.empty() ? std::nullopt : std::optional<double>(o.limitDegrees),
                                 passage);
  if (status != Status::ok) return Fail(Describe(status));
  WaypointPlan plan;
  status = PlanWaypoints(passage, request, plan);
  if (status == Status::count_out_of_range) {
    return Fail(std::string("the number of waypoints must be from ") +
                (request.placement == WaypointPlacement::longitudes ? "0" : "1") + " to " +
                std::to_string(kMaxWaypoints));
  }
  if (status != Status::ok) return Fail(Describe(status));
  // Every time must be one a calendar can write.
  if (schedule && !schedule->EndsInTime(plan.length_nm)) {
    return Fail("at that speed the passage would end after the year 9999");
  }

  FieldChoice choice;
  choice.hours = schedule.has_value();
  choice.eta = schedule && schedule->depart;
  WaypointFanOut rows;
  TableOutput output;
  const Schedule* times = schedule ? &*schedule : nullptr;
  TableRows(o, choice, times, output, rows);
  std::optional<GpxWriter> gpx;
  if (!o.gpx.empty()) {
    const char* placed = plan.composite ? "composite track"
                         : plan.placement == WaypointPlacement::longitudes
                             ? "great ellipse at intermediate longitudes"
                         : plan.along == Sailing::great_ellipse ? "great ellipse"
                         : plan.along == Sailing::geodesic      ? "geodesic"
                                                                : "rhumb line";
    gpx.emplace(Path(o.gpx), from.name + " to " + to.name, placed);
    gpx->AvoidNames({from.name, to.name});
    rows.Add(*gpx);
  }
  std::optional<RtzWriter> rtz;
  if (!o.rtz.empty()) {
    rtz.emplace(Path(o.rtz), times);
    rtz->AvoidNames({from.name, to.name});
    rows.Add(*rtz);
  }
  std::optional<ChartWriter> chart;
  if (!o.svg.empty()) {
    chart.emplace(Path(o.svg), passage, from.name, to.name, plan.n + 4);
    rows.Add(*chart);
  }
  MapOutputs maps;
  {
    const Track track = plan.composite ? Track::composite
                        : plan.along == Sailing::rhumb_line ? Track::rhumb_line
                        : plan.along == Sailing::geodesic   ? Track::geodesic
                                                            : Track::great_ellipse;
    const char* words = track == Track::composite    ? "composite track"
                        : track == Track::rhumb_line ? "rhumb line"
                        : track == Track::geodesic   ? "geodesic"
                                                     : "great ellipse";
    if (const int failed = OpenMapFiles(o, from.name + " to " + to.name, from.name + "-" + to.name,
                                        {{passage, track, words, 0}}, times, maps)) {
      return failed;
    }
    maps.AvoidNames({from.name, to.name});
    maps.AddTo(rows);
  }
  ForEachWaypoint(passage, plan, rows);
  if (output.records) output.records->Flush();
  out_.flush();  // before any file written through to standard output
  // Each file whole, in turn; the first that cannot be written ends the command.
  if (const int failed = FinishFile(gpx, o.gpx)) return failed;
  if (const int failed = FinishFile(rtz, o.rtz)) return failed;
  if (rtz) RtzSizeWarning(o.rtz, rtz->bytes());
  if (const int failed = FinishFile(chart, o.svg)) return failed;
  if (const int failed = FinishMapFiles(o, maps)) return failed;
  if (o.land) {  // every track of the route, as warnings
    Asked ask;
    ask.landText = true;
    ask.composite = !o.limit.empty();
    Solved s;
    s.passage = passage;
    FindLand(ask, s);
    err_ << LandWarnings(s, ask, "");
    // The geodesic, when that is what the table follows.
    if (plan.along == Sailing::geodesic) {
      err_ << LandWarning("geodesic", passage.CrossesLand(Track::geodesic), "");
    }
  }
  return kOk;
}

void AddShared(CLI::App& command, Options& o) {
  command.add_option("--list", o.list,
                     "The location list for place names (default: input.txt, when it exists)");
  command.add_option("-p,--precision", o.decimals,
                     "Decimals of the route figures and of CSV and JSON numbers (0 to 12; the "
                     "text table keeps the dialogue's format)")
      ->check(CLI::Range(0, 12));
  auto* csv = command.add_flag("--csv", o.csv, "Comma-separated values with one header row");
  auto* json = command.add_flag("--json", o.json, "JSON Lines: one object per route or row");
  csv->excludes(json);
}

// --geojson, --kml, --nmea and how they are written.
void AddMapOptions(CLI::App& command, Options& o,
                   std::vector<std::pair<CLI::Option*, const std::string*>>& valued) {
  auto* geojson = command.add_option(
      "--geojson", o.geojson,
      "Also write FILE as GeoJSON (RFC 7946): each track densified, split at the 180th meridian");
  auto* kml = command.add_option("--kml", o.kml,
                                 "Also write FILE as KML 2.2 (Google Earth, chart viewers)");
  auto* nmea = command.add_option(
      "--nmea", o.nmea, "Also write FILE as NMEA 0183 WPL and RTE sentences (autopilots, plotters)");
  auto* tolerance = command.add_option(
      "--tolerance", o.tolerance,
      "GeoJSON and KML: no chord strays more than NM from the true track (default 0.1)");
  auto* talker = command.add_option("--talker", o.talker, "NMEA: the talker (default GP)");
  auto* length = command.add_option(
      "--name-length", o.nameLength,
      "NMEA: waypoint names cut to N characters (default 6), each told apart");
  talker->needs(nmea);
  length->needs(nmea);
  for (const auto& [option, value] : std::initializer_list<std::pair<CLI::Option*, const std::string*>>{
           {geojson, &o.geojson}, {kml, &o.kml}, {nmea, &o.nmea}, {tolerance, &o.tolerance},
           {talker, &o.talker}, {length, &o.nameLength}}) {
    valued.emplace_back(option, value);
  }
}

// Parses and runs; `out` and `err` are checked by the caller.
int Run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
        const std::filesystem::path& directory) {
  // "-.5" is a number, not an option: write it as "-0.5" for the parser.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    if (arg.size() > 2 && arg[0] == '-' && arg[1] == '.' && std::isdigit(static_cast<unsigned char>(arg[2]))) {
      arg.insert(1, "0");
    }
    args.push_back(std::move(arg));
  }
  std::reverse(args.begin(), args.end());  // CLI11 takes them last first

  CLI::App app{"sailings: great elliptic and rhumb line sailings on the WGS-84 ellipsoid.\n"
               "Without arguments it runs the interactive dialogue.",
               "sailings"};
  app.set_version_flag("--version", std::string("sailings ") + Version());
  app.require_subcommand(1, 1);
  Options o;
  // The options that take a value: none may be given an empty one.
  std::vector<std::pair<CLI::Option*, const std::string*>> valued;
  CLI::App* route = app.add_subcommand(
      "route", "The great elliptic and the rhumb line sailing of each route: from FROM TO, or "
               "from the lines 'LAT1 LON1 LAT2 LON2' of standard input");
  route->add_option("FROM TO", o.positions,
                    "A place name of the location list, or latitude and longitude, for each");
  route->add_flag("--compare", o.compare,
                  "Also the geodesic and the sphere's great circle, and what each sailing costs");
  route->add_flag("--line", o.line,
                  "For FROM TO: the figures on one line, as for each line of standard input");
  route->add_flag("--full", o.full,
                  "On a line: also the vertex (vertex_lat vertex_lon vertex_on_route)");
  valued.emplace_back(
      route->add_option("--limit", o.limit,
                        "A limiting latitude L (0 < L < 90, N or S alike): the composite track "
                        "within L north and south"),
      &o.limit);
  valued.emplace_back(
      route->add_option("--svg", o.svg, "Also draw the route as an SVG chart to FILE (FROM TO only)"),
      &o.svg);
  AddMapOptions(*route, o, valued);
  route->add_flag("--land",  o.land,
                  "Whether each track crosses land (Natural Earth 1:110m; coarse: never a safety check)");
  AddShared(*route, o);
  route->footer(kRouteOutput + FieldList(RouteFields()) + kRouteExamples);

  CLI::App* table = app.add_subcommand(
      "table", "A waypoint table along the great ellipse (or the rhumb line) from FROM to TO");
  table->add_option("FROM TO", o.positions,
                    "A place name of the location list, or latitude and longitude, for each")
      ->required();
  auto* longitudes = table->add_option(
      "--longitudes", o.longitudes, "N waypoints at equal steps of longitude (0 to 100000)");
  auto* points = table->add_option("--points", o.points,
                                   "N waypoints at equal distances (1 to 100000)");
  auto* leg = table->add_option("--leg", o.leg, "A waypoint every NM nautical miles (at least 1)");
  longitudes->excludes(points)->excludes(leg);
  points->excludes(leg);
  auto* rhumb = table->add_flag("--rhumb", o.rhumb, "Along the rhumb line (--points, --leg)");
  auto* geodesic = table->add_flag("--geodesic", o.geodesic,
                                   "Along the geodesic, the shortest path (--points, --leg)");
  rhumb->excludes(geodesic);
  auto* gpx = table->add_option("--gpx", o.gpx, "Also write the table as a GPX 1.1 route to FILE");
  auto* rtz = table->add_option("--rtz", o.rtz,
                                "Also write the table as an RTZ 1.0 route (for ECDIS) to FILE");
  auto* limit = table->add_option(
      "--limit", o.limit,
      "A limiting latitude L (0 < L < 90, N or S alike): along the composite track");
  auto* speed = table->add_option("--speed", o.speed, "Speed in knots: the hours of every row");
  auto* depart = table->add_option(
      "--depart", o.depart, "Departure time, ISO 8601 in UTC (2027-01-15T06:00Z): every row's ETA");
  depart->needs(speed);
  limit->excludes(longitudes)->excludes(rhumb)->excludes(geodesic);
  auto* svg = table->add_option("--svg", o.svg, "Also draw the passage as an SVG chart to FILE");
  AddMapOptions(*table, o, valued);
  table->add_flag("--land", o.land,
                  "Warn when a track of the route crosses land (Natural Earth 1:110m; coarse)");
  AddShared(*table, o);
  FieldChoice timed;  // every field a table can have
  timed.hours = timed.eta = true;
  table->footer(kTableOutput + FieldList(ChooseFields(WaypointFields(), timed)) + kTableExamples);
  for (const auto& [option, value] :
       std::initializer_list<std::pair<CLI::Option*, const std::string*>>{
           {longitudes, &o.longitudes}, {points, &o.points}, {leg, &o.leg}, {gpx, &o.gpx},
           {rtz, &o.rtz}, {limit, &o.limit}, {speed, &o.speed}, {depart, &o.depart}, {svg, &o.svg}}) {
    valued.emplace_back(option, value);
  }

  CLI::App* voyage = app.add_subcommand(
      "voyage", "A passage plan of many legs: PLACE PLACE [PLACE ...], or the waypoints of a "
                "route file (--route FILE: GPX, RTZ, CSV, GeoJSON, KML or NMEA)");
  voyage->add_option("PLACE", o.positions,
                     "A place name of the location list, or latitude and longitude (two "
                     "arguments), for each waypoint");
  auto* vRoute = voyage->add_option("--route", o.route,
                                    "Read the waypoints from FILE: GPX 1.1 (a route, or a track), "
                                    "RTZ 1.0-1.2, CSV (lat,lon[,name,sailing,speed_kn]), GeoJSON, "
                                    "KML or NMEA 0183 (WPL, RTE)");
  auto* vName = voyage->add_option(
      "--name", o.name, "The GPX route (or track), map line or NMEA route of that name");
  vName->needs(vRoute);
  auto* vSailing = voyage->add_option(
      "--sailing", o.sailing,
      "great-ellipse (default; or orthodrome), rhumb (or loxodrome) or geodesic: legs whose file "
      "gives no type");
  auto* vOrtho = voyage->add_option(
      "--orthodrome", o.orthodrome,
      "great-ellipse (default) or geodesic: how an RTZ Orthodrome leg is sailed");
  auto* vLimit = voyage->add_option(
      "--limit", o.limit,
      "A limiting latitude L: the composite track on every great-elliptic leg that goes beyond");
  auto* vSpeed = voyage->add_option(
      "--speed", o.speed,
      "Speed in knots of every leg without its own (a CSV's speed_kn, an RTZ schedule's speed)");
  auto* vSpeedAll = voyage->add_option(
      "--speed-all", o.speedAll,
      "Speed in knots of every leg, whatever the file says (held to an RTZ leg's speedMax)");
  vSpeedAll->excludes(vSpeed);
  auto* vDepart = voyage->add_option(
      "--depart", o.depart,
      "Departure time, ISO 8601 in UTC (default: an RTZ schedule's): the ETA at every waypoint");
  auto* vPoints = voyage->add_option("--points", o.points,
                                     "N waypoints at equal distances along each leg");
  auto* vLeg = voyage->add_option("--leg", o.leg, "A waypoint every NM along each leg");
  auto* vXtd = voyage->add_option(
      "--xtd", o.xtd,
      "Cross-track limit NM: each great-elliptic or geodesic leg split into the fewest equal "
      "parts whose rhumb lines keep within NM of it");
  vPoints->excludes(vLeg)->excludes(vXtd);
  vLeg->excludes(vXtd);
  voyage->add_flag("--waypoints", o.waypoints,
                   "Print the waypoint table (the voyage's waypoints and those placed) instead of "
                   "the legs");
  auto* vGpx = voyage->add_option("--gpx", o.gpx, "Also write the voyage as a GPX 1.1 route");
  auto* vRtz = voyage->add_option(
      "--rtz", o.rtz, "Also write the voyage as an RTZ 1.0 route (legs, speeds, schedule)");
  auto* vSvg = voyage->add_option("--svg", o.svg, "Also draw the voyage as an SVG chart");
  AddMapOptions(*voyage, o, valued);
  voyage->add_flag("--land", o.land, "Warn when a leg crosses land (Natural Earth 1:110m; coarse)");
  AddShared(*voyage, o);
  voyage->footer(std::string(R"(
Output: one line per leg, then the totals (with --waypoints the waypoint
table instead). CSV and JSON: one record per leg, with the fields
)") + FieldList(VoyageLegFields()) + R"(
Examples:
  sailings voyage Rotterdam 51N 1.5E 49.9N 5.2W "New York" --speed 16 --list data/input.txt
  sailings voyage --route passage.rtz --depart 2027-03-01T08:00Z --xtd 1 --rtz plan.rtz
  sailings voyage 50N 5W 40.5N 73.9W --xtd 0.5 --waypoints --csv
)");

  CLI::App* check = app.add_subcommand(
      "check", "Check a route file (GPX, RTZ, CSV, GeoJSON, KML, NMEA): legs two systems would steer differently, "
               "short or repeated legs, duplicate ids; exit 1 when a fault is found");
  check->add_option("FILE", o.route, "The route file")->required();
  auto* cXtd = check->add_option(
      "--xtd", o.xtd, "The cross-track limit, NM, of legs whose file gives none (default 0.1)");
  auto* cRadius = check->add_option(
      "--radius", o.radius, "The turn radius, NM, of waypoints whose file gives none");
  check->add_flag("--land", o.land, "Also legs that cross land (Natural Earth 1:110m; coarse)");
  auto* cName = check->add_option(
      "--name", o.name, "The GPX route (or track), map line or NMEA route of that name");
  AddShared(*check, o);
  check->footer(std::string(R"(
Output: one line per finding ("fault" or "note", the leg or waypoint, what),
then a summary. CSV and JSON: one record per finding, with the fields
)") + FieldList(FindingFields()) + R"(
Exit status: 0 no fault (notes alone leave it 0), 1 a fault found or the file
unreadable, 2 a usage error.
)");
  for (const auto& [option, value] :
       std::initializer_list<std::pair<CLI::Option*, const std::string*>>{
           {vRoute, &o.route}, {vName, &o.name}, {vSailing, &o.sailing}, {vOrtho, &o.orthodrome},
           {vLimit, &o.limit}, {vSpeed, &o.speed}, {vSpeedAll, &o.speedAll}, {vDepart, &o.depart}, {vPoints, &o.points},
           {vLeg, &o.leg}, {vXtd, &o.xtd}, {vGpx, &o.gpx}, {vRtz, &o.rtz}, {vSvg, &o.svg},
           {cXtd, &o.xtd}, {cRadius, &o.radius}, {cName, &o.name}}) {
    valued.emplace_back(option, value);
  }
  for (CLI::App* command : {route, table, voyage, check}) {
    valued.emplace_back(command->get_option("--list"), &o.list);
  }

  try {
    app.parse(args);
    // An option given an empty value ('') is refused, never taken as absent.
    for (const auto& [option, value] : valued) {
      if (option->count() > 0 && value->empty()) {
        throw CLI::ValidationError(option->get_name(), "an empty value");
      }
    }
    const std::size_t n = o.positions.size();
    if (route->parsed() && !(n == 0 || (n >= 2 && n <= 4))) {
      throw CLI::ValidationError("FROM TO", "give two places, or four coordinates, or none");
    }
    if (route->parsed() && n == 0 && !o.svg.empty()) {
      throw CLI::ValidationError("--svg", "charts one route: give FROM TO");
    }
    if (route->parsed() && n == 0 && (!o.geojson.empty() || !o.kml.empty() || !o.nmea.empty())) {
      throw CLI::ValidationError("--geojson, --kml and --nmea", "write one route: give FROM TO");
    }
    if (!o.tolerance.empty() && o.geojson.empty() && o.kml.empty()) {
      throw CLI::ValidationError("--tolerance", "draws the tracks of --geojson and --kml");
    }
    if (voyage->parsed()) {
      if (!o.route.empty() && n > 0) {
        throw CLI::ValidationError("PLACE", "give the places or --route FILE, not both");
      }
      if (o.route.empty() && n < 2) {
        throw CLI::ValidationError("PLACE", "give at least two places, or --route FILE");
      }
    }
    if (table->parsed()) {
      if (n < 2 || n > 4) {
        throw CLI::ValidationError("FROM TO", "give two places, or four coordinates");
      }
      if (longitudes->count() + points->count() + leg->count() != 1) {
        throw CLI::ValidationError("one of --longitudes, --points and --leg is needed");
      }
      if ((o.rhumb || o.geodesic) && longitudes->count()) {
        throw CLI::ValidationError(o.rhumb ? "--rhumb" : "--geodesic",
                                   "--longitudes places waypoints on the great ellipse");
      }
    }
  } catch (const CLI::CallForHelp&) {
    out << (route->parsed()    ? route->help()
            : table->parsed()  ? table->help()
            : voyage->parsed() ? voyage->help()
            : check->parsed()  ? check->help()
                               : app.help());
    return kOk;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return kOk;
  } catch (const CLI::CallForVersion&) {
    out << "sailings " << Version() << '\n';
    return kOk;
  } catch (const CLI::ParseError& e) {
    return Usage(err, PrintableText(e.what(), 400));
  }

  if (!o.limit.empty()) {
    // A latitude in the navigator's notation; its hemisphere does not matter
    // (the limit holds north and south). Not inside (0, 90): status 1.
    double limit = 0;
    const Status status = ParseCoordinate(o.limit, Axis::latitude, limit);
    if (status != Status::ok && status != Status::latitude_beyond_90) {
      err << "ERROR: --limit '" << PrintableText(o.limit) << "': " << Describe(status) << '\n';
      return kFailed;
    }
    limit = std::fabs(limit);
    if (status != Status::ok || !(limit > 0 && limit < 90)) {
      err << "ERROR: " << Describe(Status::limit_out_of_range) << '\n';
      return kFailed;
    }
    o.limitDegrees = limit;
  }
  CommandLine commands(in, out, err, directory);
  const int checked = commands.CheckOutputs(o);
  if (checked != kOk) return checked;
  // Every file of the command completed and checked before any replaces
  // what was there: a failure leaves them all as they were.
  OutputBatch files;
  const int status = voyage->parsed() ? commands.Voyage(o)
                     : check->parsed() ? commands.Check(o)
                     : route->parsed() ? commands.Route(o)
                                       : commands.Table(o);
  std::string why;
  if (status == kOk && !files.Commit(why)) {
    err << "ERROR: cannot write " << PrintableText(why, 400) << '\n';
    return kFailed;
  }
  return status;
}

int RunCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                   std::ostream& err, const std::filesystem::path& directory) {
  const int status = Run(argc, argv, in, out, err, directory);
  // Output that could not be written is a failure, whatever else went well.
  out.flush();
  if (!out) {
    err << "ERROR: standard output could not be written\n";
    return status == kUsage ? kUsage : kFailed;
  }
  return status;
}

}  // namespace sailings
