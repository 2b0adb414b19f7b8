// sailings table: the waypoints of one passage, as the dialogue's table,
// CSV or JSON, and the files of the passage.
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

}  // namespace

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
  request.along = o.rhumb      ? Sailing::rhumb_line
                  : o.geodesic ? Sailing::geodesic
                               : Sailing::great_ellipse;
  std::optional<Schedule> schedule;
  std::optional<double> knots;
  std::optional<std::int64_t> depart;
  if (const int timing = Timing(o, knots, depart)) return timing;
  if (knots) schedule = Schedule{*knots, depart};

  Passage passage;
  Status status = Passage::Solve(
      from.lat, from.lon, to.lat, to.lon,
      o.limit.empty() ? std::nullopt : std::optional<double>(o.limitDegrees), passage);
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
    gpx.emplace(Path(o.gpx), from.name + " to " + to.name, PlacementName(plan));
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
    const Track track = TrackOf(plan);
    if (const int failed = OpenMapFiles(o, from.name + " to " + to.name, from.name + "-" + to.name,
                                        {{passage, track, TrackName(track), 0}}, times, maps)) {
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
    RouteRecord s;
    s.passage = passage;
    FindLand(ask, s);
    err_ << LandWarnings(s, ask, "");
    // The geodesic, when that is what the table follows.
    if (plan.along == Sailing::geodesic) {
      err_ << LandWarning(TrackName(Track::geodesic), passage.CrossesLand(Track::geodesic), "");
    }
  }
  return kOk;
}

CLI::App* AddTableCommand(CLI::App& app, Options& o, Valued& valued) {
  CLI::App* table = app.add_subcommand(
      "table", "A waypoint table along the great ellipse (or the rhumb line) from FROM to TO");
  table
      ->add_option("FROM TO", o.positions,
                   "A place name of the location list, or latitude and longitude, for each")
      ->required();
  auto* longitudes = table->add_option("--longitudes", o.longitudes,
                                       "N waypoints at equal steps of longitude (0 to 100000)");
  auto* points =
      table->add_option("--points", o.points, "N waypoints at equal distances (1 to 100000)");
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
                  "Warn when a track of the route crosses land (Natural Earth 1:10m; ocean scale)");
  AddShared(*table, o);
  FieldChoice timed;  // every field a table can have
  timed.hours = timed.eta = true;
  table->footer(kTableOutput + FieldList(ChooseFields(WaypointFields(), timed)) + kTableExamples);
  for (const auto& [option, value] :
       std::initializer_list<std::pair<CLI::Option*, const std::string*>>{
           {longitudes, &o.longitudes},
           {points, &o.points},
           {leg, &o.leg},
           {gpx, &o.gpx},
           {rtz, &o.rtz},
           {limit, &o.limit},
           {speed, &o.speed},
           {depart, &o.depart},
           {svg, &o.svg}}) {
    valued.emplace_back(option, value);
  }

  return table;
}

void CheckTableArguments(const CLI::App& table, const Options& o) {
  const std::size_t n = o.positions.size();
  if (n < 2 || n > 4) {
    throw CLI::ValidationError("FROM TO", "give two places, or four coordinates");
  }
  const std::size_t longitudes = table.get_option("--longitudes")->count();
  if (longitudes + table.get_option("--points")->count() + table.get_option("--leg")->count() !=
      1) {
    throw CLI::ValidationError("one of --longitudes, --points and --leg is needed");
  }
  if ((o.rhumb || o.geodesic) && longitudes) {
    throw CLI::ValidationError(o.rhumb ? "--rhumb" : "--geodesic",
                               "--longitudes places waypoints on the great ellipse");
  }
}

}  // namespace sailings
