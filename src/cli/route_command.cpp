// sailings route: the sailings of one route, or of each line of standard
// input, as a report, a line, CSV or JSON.
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
#ifndef SAILINGS_ONE_CORE
#include <thread>
#endif
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
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

namespace {

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

}  // namespace

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
         FormatPositionShort(at->lat, at->lon) + " (1:10m coastline)\n";
}

void FindLand(const Asked& ask, Solved& s) {
  if (ask.land || ask.landText) {
    s.ge_land = s.passage.CrossesLand(Track::great_ellipse);
    s.rhumb_land = s.passage.CrossesLand(Track::rhumb_line);
    if (ask.composite) s.composite_land = s.passage.CrossesLand(Track::composite);
  }
}

Status SolveAsked(const double d[4], const Asked& ask, Solved& s) {
  const Status status =
      Passage::Solve(d[0], d[1], d[2], d[3],
                     ask.composite ? std::optional<double>(ask.limit) : std::nullopt, s.passage);
  if (status != Status::ok) return status;
  if (ask.vertex) s.vertex = s.passage.FindVertex();
  FindLand(ask, s);
  if (ask.compare) s.comparison = s.passage.Compare();
  return Status::ok;
}

std::string LandWarnings(const Solved& s, const Asked& ask, const std::string& where) {
  if (!ask.landText) return {};
  std::string text = LandWarning(TrackName(Track::great_ellipse), s.ge_land, where) +
                     LandWarning(TrackName(Track::rhumb_line), s.rhumb_land, where);
  if (ask.composite) text += LandWarning(TrackName(Track::composite), s.composite_land, where);
  return text;
}

void WriteRouteRecord(RecordWriter& records, const std::vector<const RouteField*>& fields,
                      const Solved& s) {
  for (const RouteField* f : fields) records.Value(f->get(s));
  if (records.format() == RecordWriter::kCsv) records.Text("");  // the empty error cell
  records.EndRecord();
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
        {s.passage, Track::great_ellipse, TrackName(Track::great_ellipse), 0},
        {s.passage, Track::rhumb_line, TrackName(Track::rhumb_line), 0}};
    if (composite) tracks.push_back({s.passage, Track::composite, TrackName(Track::composite), 0});
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

void SolveRouteBlock(const Options& o, const Asked& ask,
                     const std::vector<const RouteField*>& fields, RouteBlock& block) {
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
      std::string warnings =
          LandWarnings(s, ask, "line " + std::to_string(block.numbers[k]) + ": ");
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
#ifdef SAILINGS_ONE_CORE
    // (A platform without threads, the page: one after the other.)
    SolveRouteBlock(o, ask, fields, blocks[0]);
    if (more) read(blocks[1]);
    SolveRouteBlock(o, ask, fields, blocks[1]);
#else
    std::thread first([&] { SolveRouteBlock(o, ask, fields, blocks[0]); });
    if (more) read(blocks[1]);
    SolveRouteBlock(o, ask, fields, blocks[1]);
    first.join();
#endif
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

CLI::App* AddRouteCommand(CLI::App& app, Options& o, Valued& valued) {
  CLI::App* route = app.add_subcommand(
      "route",
      "The great elliptic and the rhumb line sailing of each route: from FROM TO, or "
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
      route->add_option("--svg", o.svg,
                        "Also draw the route as an SVG chart to FILE (FROM TO only)"),
      &o.svg);
  AddMapOptions(*route, o, valued);
  route->add_flag("--land", o.land,
                  "Whether each track crosses land (Natural Earth 1:10m: ocean passages, never a "
                  "safety check)");
  AddSeaOptions(*route, o, valued);
  AddShared(*route, o);
  route->footer(kRouteOutput + FieldList(RouteFields()) + kRouteExamples);

  return route;
}

void CheckRouteArguments(const CLI::App& route, const Options& o) {
  (void)route;
  const std::size_t n = o.positions.size();
  if (!(n == 0 || (n >= 2 && n <= 4))) {
    throw CLI::ValidationError("FROM TO", "give two places, or four coordinates, or none");
  }
  if (n == 0 && !o.svg.empty()) {
    throw CLI::ValidationError("--svg", "charts one route: give FROM TO");
  }
  if (n == 0 && (!o.geojson.empty() || !o.kml.empty() || !o.nmea.empty())) {
    throw CLI::ValidationError("--geojson, --kml and --nmea", "write one route: give FROM TO");
  }
}

}  // namespace sailings
