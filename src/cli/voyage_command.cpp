// `sailings voyage`: a chain of legs, a shell over the library's voyage.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cells.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "sailings/check.hpp"
#include "sailings/coordinates.hpp"
#include "sailings/fields.hpp"
#include "sailings/files.hpp"
#include "sailings/route_files.hpp"
#include "sailings/schedule.hpp"
#include "sailings/voyage_files.hpp"
#include "sailings/writers.hpp"

namespace sailings {

bool CommandLine::VoyagePoints(const Options& o, RouteFileContent& content, std::string& reason) {
  if (!o.route.empty()) {
    if (!ReadRoute(o, content, reason)) return false;
    Notes(RouteShown(o), content.notes);
    return true;
  }
  const std::vector<std::string>& p = o.positions;
  std::vector<VoyagePoint>& points = content.points;
  for (std::size_t i = 0; i < p.size();) {
    Place place;
    double unused = 0;
    if (i + 1 < p.size() && ParseCoordinateToken(p[i], Axis::latitude, unused) == Status::ok &&
        ParseCoordinateToken(p[i + 1], Axis::longitude, unused) == Status::ok) {
      if (!Coordinates(p[i], p[i + 1], place, reason)) return false;
      place.name.clear();
      i += 2;
    } else {
      if (!Lookup(o, p[i], place, reason)) return false;
      i += 1;
    }
    VoyagePoint point;
    point.name = place.name;
    point.lat = place.lat;
    point.lon = place.lon;
    points.push_back(std::move(point));
  }
  return true;
}

int CommandLine::Voyage(const Options& o) {
  RouteFileContent content;
  std::string reason;
  if (!VoyagePoints(o, content, reason)) return Fail(reason);
  if (const int sea = SeaPoints(o, content)) return sea;
  const std::vector<VoyagePoint>& points = content.points;
  const std::vector<long>& lines = content.lines;
  // A refusal of a waypoint from a file names the file and its line.
  const auto in = [&](long waypoint) {
    if (o.route.empty()) return std::string();
    std::string where = PrintableText(RouteShown(o), 200) + ": ";
    if (waypoint >= 1 && static_cast<std::size_t>(waypoint) <= lines.size() &&
        lines[static_cast<std::size_t>(waypoint - 1)] > 0) {
      where += "line " + std::to_string(lines[static_cast<std::size_t>(waypoint - 1)]) + ": ";
    }
    return where;
  };

  VoyageOptions options;
  if (!o.sailing.empty()) {
    const std::optional<Sailing> s = SailingOf(o.sailing);
    if (!s)
      return Fail("--sailing '" + PrintableText(o.sailing) + "': great-ellipse, rhumb or geodesic");
    options.sailing = *s;
  }
  if (!o.orthodrome.empty()) {
    const std::optional<Sailing> s = SailingOf(o.orthodrome);
    if (!s || *s == Sailing::rhumb_line) {
      return Fail("--orthodrome '" + PrintableText(o.orthodrome) + "': great-ellipse or geodesic");
    }
    options.orthodrome = *s;
  }
  if (!o.limit.empty()) options.limit = o.limitDegrees;
  if (const int timing = Timing(o, options.speed_kn, options.depart)) return timing;
  if (!o.speedAll.empty()) {
    options.every_leg_kn = ParseDecimal(o.speedAll);
    if (!options.every_leg_kn)
      return Fail("--speed-all '" + PrintableText(o.speedAll) + "': not a number");
    if (!SpeedInRange(*options.every_leg_kn))
      return Fail("--speed-all must be from 0.1 to 100 knots");
    if (content.rtz && content.rtz->has_manual) {
      content.rtz->has_manual = false;
      content.rtz->not_kept.push_back("the manual schedule (--speed-all replaces its speeds)");
    }
  }
  std::optional<double> xtd;
  if (!o.xtd.empty()) {
    xtd = ParseDecimal(o.xtd);
    if (!xtd) return Fail("--xtd '" + PrintableText(o.xtd) + "': not a number");
    if (!CrossTrackLimitInRange(*xtd)) return Fail(Describe(Status::xtd_out_of_range));
  }

  sailings::Voyage voyage;
  long waypoint = 0;
  // Without --depart, the departure the file's schedule gives (when every leg
  // has a speed).
  const bool fileDeparts = !options.depart && content.depart;
  if (fileDeparts) options.depart = content.depart;
  Status status = Voyage::Plan(points, options, voyage, waypoint);
  if (fileDeparts && status == Status::no_speed) {
    Notes(RouteShown(o), {"the schedule's departure is not used: leg " +
                          std::to_string(waypoint - 1) + " has no speed (--speed gives one)"});
    options.depart.reset();
    status = Voyage::Plan(points, options, voyage, waypoint);
  } else if (fileDeparts && status == Status::ok) {
    Notes(RouteShown(o), {"departs " + FormatUtcMinute(static_cast<double>(*options.depart)) +
                          ", as its schedule says (--depart gives another time)"});
  }
  if (status != Status::ok) {
    if (waypoint == 0) return Fail(Describe(status));
    const std::string where = in(waypoint);
    if (status == Status::position_beyond_limit) {
      return Fail(where + "leg " + std::to_string(waypoint - 1) + " (to " +
                  WaypointText(points, waypoint) + "): an end lies beyond the limiting latitude");
    }
    if (status == Status::same_position) {
      return Fail(where + WaypointText(points, waypoint) +
                  ": the same position as the waypoint before it");
    }
    if (status == Status::no_speed || status == Status::ends_after_9999) {
      return Fail(where + "leg " + std::to_string(waypoint - 1) + ": " + Describe(status));
    }
    return Fail(where + WaypointText(points, waypoint) + ": " + Describe(status));
  }

  // Speeds the plan took from a leg's speedMax, or planned above it.
  std::vector<long> fromMax, aboveMax;
  for (const VoyageLeg& leg : voyage.legs()) {
    if (leg.speed_from_max) fromMax.push_back(leg.number);
    if (leg.above_speed_max()) aboveMax.push_back(leg.number);
  }
  if (!fromMax.empty()) {
    Notes(RouteShown(o),
          {LegList(fromMax) + (fromMax.size() == 1 ? " has" : " have") + " no planned speed and " +
           (fromMax.size() == 1 ? "is" : "are") + " sailed at " +
           (fromMax.size() == 1 ? "its" : "their") + " speedMax (--speed gives one)"});
  }
  if (!aboveMax.empty()) {
    const VoyageLeg& first = voyage.legs()[static_cast<std::size_t>(aboveMax.front() - 1)];
    err_ << "warning: " << PrintableText(RouteShown(o), 200) << ": " << LegList(aboveMax)
         << (aboveMax.size() == 1 ? " is" : " are") << " planned faster than "
         << (aboveMax.size() == 1 ? "its" : "their") << " speedMax (leg " << first.number << ": "
         << FixedText(*first.speed_kn, 1) << " kn, speedMax " << FixedText(*first.speed_max_kn, 1)
         << " kn)\n";
  }

  // The split of each great-elliptic or geodesic leg for the cross-track limit.
  std::vector<std::optional<CrossTrackSplit>> splits(voyage.legs().size());
  if (xtd) {
    std::vector<CrossTrackSplit> found;
    long leg = 0;
    if (SplitVoyageForCrossTrack(voyage, *xtd, found, leg) != Status::ok) {
      return Fail("leg " + std::to_string(leg) + ": the cross-track limit would need more than " +
                  std::to_string(kMaxWaypoints) + " waypoints");
    }
    for (std::size_t i = 0; i < found.size(); ++i) splits[i] = found[i];
  }

  // The waypoints: the voyage's own, and those asked along each leg.
  std::vector<WaypointPlan> plans = VoyageWaypointsOnly(voyage);
  if (!o.points.empty() || !o.leg.empty()) {
    TableRequest request;
    if (!o.points.empty()) {
      const std::optional<long long> n = Count(o.points);
      if (!n) return Fail("--points '" + PrintableText(o.points) + "': not a whole number");
      if (*n < 1)
        return Fail("--points must be from 1 to " + std::to_string(kMaxWaypoints) + " a leg");
      request.placement = WaypointPlacement::points;
      request.count = *n;
    } else {
      const std::optional<double> value = ParseDecimal(o.leg);
      if (!value) return Fail("--leg '" + PrintableText(o.leg) + "': not a number");
      request.leg_nm = *value;
    }
    long leg = 0;
    status = PlanVoyageWaypoints(voyage, request, plans, leg);
    if (status == Status::count_out_of_range) {
      return Fail("the voyage's table would hold more than " + std::to_string(kMaxWaypoints) +
                  " intermediate waypoints (--points is 1 to " + std::to_string(kMaxWaypoints) +
                  " a leg)");
    }
    if (status != Status::ok) return Fail("leg " + std::to_string(leg) + ": " + Describe(status));
  } else if (xtd) {
    std::vector<CrossTrackSplit> all;
    for (const std::optional<CrossTrackSplit>& split : splits) all.push_back(*split);
    long leg = 0;
    const Status planned = PlanCrossTrackWaypoints(voyage, all, plans, leg);
    if (planned == Status::count_out_of_range) {
      return Fail("the cross-track limit would need more than " + std::to_string(kMaxWaypoints) +
                  " waypoints");
    }
    if (planned != Status::ok) return Fail("leg " + std::to_string(leg) + ": " + Describe(planned));
  }

  // The schedule of the waypoint table and the RTZ file: every leg timed.
  std::optional<Schedule> schedule;
  if (voyage.total_hours()) {
    schedule.emplace();
    schedule->knots = options.speed_kn.value_or(1.0);  // (rows carry their own hours)
    schedule->depart = options.depart;
  }
  const Schedule* times = schedule ? &*schedule : nullptr;

  WaypointFanOut rows;
  const bool tableOut = o.waypoints;
  FieldChoice choice;
  choice.hours = schedule.has_value();
  choice.eta = schedule && schedule->depart;
  choice.xtd = xtd.has_value();
  choice.names = true;
  TableOutput output;
  if (tableOut) TableRows(o, choice, times, output, rows);
  std::optional<RecordWriter>& records = output.records;
  std::vector<std::string> given;  // the waypoints' own names, which made names never repeat
  for (const VoyagePoint& p : points) given.push_back(p.name);
  // Each file by its option (none where not asked).
  const std::vector<std::pair<const std::string*, std::filesystem::path VoyageFiles::*>> asked = {
      {&o.gpx, &VoyageFiles::gpx}, {&o.rtz, &VoyageFiles::rtz},
      {&o.svg, &VoyageFiles::svg}, {&o.geojson, &VoyageFiles::geojson},
      {&o.kml, &VoyageFiles::kml}, {&o.nmea, &VoyageFiles::nmea}};
  VoyageFiles files;
  for (const auto& [name, path] : asked)
    if (!name->empty()) files.*path = Path(*name);
  {
    MapFileOptions map;
    if (const int failed = MapChoices(o, map, files.nmea_options)) return failed;
    files.tolerance_nm = map.tolerance_nm;
  }
  if (!o.rtz.empty() && content.rtz) {
    files.kept = &*content.rtz;
    if (!content.rtz->not_kept.empty()) {
      std::string text = "not kept from " + PrintableText(RouteShown(o), 200) + ": ";
      for (std::size_t i = 0; i < content.rtz->not_kept.size(); ++i) {
        text += (i > 0 ? "; " : "") + content.rtz->not_kept[i];
      }
      Notes(o.rtz, {text});
    }
  }
  VoyageFileWriters writers(voyage, given, times, files);
  rows.Add(writers);
  if (tableOut || writers.any()) ForEachVoyageWaypoint(voyage, plans, rows);

  if (!tableOut) {
    std::vector<std::string> from, to;
    for (const VoyageLeg& leg : voyage.legs()) {
      from.push_back(Shown(leg.from));
      to.push_back(Shown(leg.to));
    }
    const std::vector<const Field<VoyageLegRecord>*> legFields =
        ChooseFields(VoyageLegFields(), choice);
    if (o.csv || o.json) {
      Records(o, FieldNames(legFields), records);
      for (std::size_t i = 0; i < voyage.legs().size(); ++i) {
        records->Write(legFields, VoyageLegRecord{voyage.legs()[i], from[i], to[i], voyage,
                                                  splits[i] ? &*splits[i] : nullptr});
      }
      records->Flush();
    } else {
      out_ << VoyageLegsText(voyage, from, to, splits, choice.eta);
    }
  }
  if (records) records->Flush();
  out_.flush();  // before any file written through to standard output
  // Each file whole, in turn; the first that cannot be written ends the command.
  std::filesystem::path failed;
  std::string error;
  if (!writers.Finish(failed, error)) {
    for (const auto& [name, path] : asked)
      if (files.*path == failed)
        return Fail("cannot write " + PrintableText(*name) + ": " + PrintableText(error, 400));
    return Fail("cannot write " + PrintableText(failed.string()) + ": " +
                PrintableText(error, 400));
  }
  if (!o.rtz.empty()) RtzSizeWarning(o.rtz, writers.rtz_bytes());
  if (o.land) {
    for (const VoyageLeg& leg : voyage.legs()) {
      if (const std::optional<LandCrossing> at = leg.passage.CrossesLand(leg.track())) {
        err_ << "warning: leg " << leg.number << " (" << SailingName(leg.sailing, leg.composite)
             << ") crosses land near " << FormatPositionShort(at->lat, at->lon)
             << " (1:10m coastline)\n";
      }
    }
  }
  return kOk;
}

CLI::App* AddVoyageCommand(CLI::App& app, Options& o, Valued& valued) {
  CLI::App* voyage = app.add_subcommand(
      "voyage",
      "A passage plan of many legs: PLACE PLACE [PLACE ...], or the waypoints of a "
      "route file (--route FILE: GPX, RTZ, CSV, GeoJSON, KML or NMEA)");
  voyage->add_option("PLACE", o.positions,
                     "A place name of the location list, or latitude and longitude (two "
                     "arguments), for each waypoint");
  auto* vRoute = voyage->add_option("--route", o.route,
                                    "Read the waypoints from FILE: GPX 1.1 (a route, or a track), "
                                    "RTZ 1.0-1.2, CSV (lat,lon[,name,sailing,speed_kn]), GeoJSON, "
                                    "KML or NMEA 0183 (WPL, RTE)");
  auto* vName = voyage->add_option("--name", o.name,
                                   "The GPX route (or track), map line or NMEA route of that name");
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
  auto* vPoints =
      voyage->add_option("--points", o.points, "N waypoints at equal distances along each leg");
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
  voyage->add_flag("--land", o.land, "Warn when a leg crosses land (Natural Earth 1:10m)");
  AddSeaOptions(*voyage, o, valued);
  AddShared(*voyage, o);
  voyage->footer(std::string(R"(
Output: one line per leg, then the totals (with --waypoints the waypoint
table instead). CSV and JSON: one record per leg, with the fields
)") + FieldList(VoyageLegFields()) +
                 R"(
Examples:
  sailings voyage Rotterdam 51N 1.5E 49.9N 5.2W "New York" --speed 16 --list data/input.txt
  sailings voyage --route passage.rtz --depart 2027-03-01T08:00Z --xtd 1 --rtz plan.rtz
  sailings voyage 50N 5W 40.5N 73.9W --xtd 0.5 --waypoints --csv
  sailings voyage Rotterdam Singapore --sea --clearance 3 --avoid suez
)");

  for (const auto& [option, value] :
       std::initializer_list<std::pair<CLI::Option*, const std::string*>>{{vRoute, &o.route},
                                                                          {vName, &o.name},
                                                                          {vSailing, &o.sailing},
                                                                          {vOrtho, &o.orthodrome},
                                                                          {vLimit, &o.limit},
                                                                          {vSpeed, &o.speed},
                                                                          {vSpeedAll, &o.speedAll},
                                                                          {vDepart, &o.depart},
                                                                          {vPoints, &o.points},
                                                                          {vLeg, &o.leg},
                                                                          {vXtd, &o.xtd},
                                                                          {vGpx, &o.gpx},
                                                                          {vRtz, &o.rtz},
                                                                          {vSvg, &o.svg}}) {
    valued.emplace_back(option, value);
  }
  return voyage;
}

void CheckVoyageArguments(const Options& o) {
  const std::size_t n = o.positions.size();
  if (!o.route.empty() && n > 0) {
    throw CLI::ValidationError("PLACE", "give the places or --route FILE, not both");
  }
  if (o.route.empty() && n < 2) {
    throw CLI::ValidationError("PLACE", "give at least two places, or --route FILE");
  }
}

}  // namespace sailings
