// `sailings voyage` and `sailings check`: a chain of legs, and a route file
// checked, each a shell over the library's voyage and route check.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "sailings/check.hpp"
#include "sailings/coordinates.hpp"
#include "sailings/fields.hpp"
#include "sailings/files.hpp"
#include "sailings/route_files.hpp"
#include "sailings/schedule.hpp"
#include "sailings/writers.hpp"

namespace sailings {

namespace {

// A leg's end as a person reads it: its name, or its position in the
// navigator's notation.
std::string Shown(const Place& place) {
  if (!place.name.empty()) return place.name;
  return FormatCoordinate(place.lat, Axis::latitude, CoordinateStyle::dm, 1) + " " +
         FormatCoordinate(place.lon, Axis::longitude, CoordinateStyle::dm, 1);
}

// "waypoint 3" or "waypoint 3 (Lizard)".
std::string WaypointText(const std::vector<VoyagePoint>& points, long waypoint) {
  std::string text = "waypoint " + std::to_string(waypoint);
  if (waypoint >= 1 && static_cast<std::size_t>(waypoint) <= points.size() &&
      !points[static_cast<std::size_t>(waypoint - 1)].name.empty()) {
    text += " (" + PrintableText(points[static_cast<std::size_t>(waypoint - 1)].name, 40) + ")";
  }
  return text;
}

// The sailings as the option and a CSV file name them (the orthodrome on the
// ellipsoid is the great ellipse, the loxodrome the rhumb line).
std::optional<Sailing> SailingOf(const std::string& text) {
  if (text == "great-ellipse" || text == "great_ellipse" || text == "orthodrome") {
    return Sailing::great_ellipse;
  }
  if (text == "rhumb" || text == "rhumb-line" || text == "rhumb_line" || text == "loxodrome") {
    return Sailing::rhumb_line;
  }
  if (text == "geodesic") return Sailing::geodesic;
  return std::nullopt;
}

// "leg 3", "legs 1-4, 7, 9-10".
std::string LegList(const std::vector<long>& legs) {
  std::string text = legs.size() == 1 ? "leg " : "legs ";
  for (std::size_t i = 0; i < legs.size();) {
    std::size_t j = i;
    while (j + 1 < legs.size() && legs[j + 1] == legs[j] + 1) ++j;
    if (i > 0) text += ", ";
    text += std::to_string(legs[i]);
    if (j > i) text += "-" + std::to_string(legs[j]);
    i = j + 1;
  }
  return text;
}

// Pads or cuts `text` to `width` characters (UTF-8 aware), left-aligned.
std::string Cell(const std::string& raw, std::size_t width) {
  const std::string text = PrintableText(raw, 400);
  std::string out;
  std::size_t shown = 0, i = 0;
  while (i < text.size() && shown < width) {
    const std::size_t n = std::max<std::size_t>(1, Utf8Length(text, i));
    out.append(text, i, n);
    i += n;
    ++shown;
  }
  if (i < text.size() && width > 0) {  // cut: the last character becomes '~'
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty()) out.pop_back();
    out += '~';
  }
  out.append(width - std::min(width, shown), ' ');
  return out;
}

// The characters of UTF-8 text.
std::size_t CharacterCount(const std::string& text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); i += std::max<std::size_t>(1, Utf8Length(text, i))) ++n;
  return n;
}

std::string Right(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

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
    if (!s) return Fail("--sailing '" + PrintableText(o.sailing) + "': great-ellipse, rhumb or geodesic");
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
    if (!options.every_leg_kn) return Fail("--speed-all '" + PrintableText(o.speedAll) + "': not a number");
    if (!SpeedInRange(*options.every_leg_kn)) return Fail("--speed-all must be from 0.1 to 100 knots");
    if (content.rtz && content.rtz->has_manual) {
      content.rtz->has_manual = false;
      content.rtz->not_kept.push_back("the manual schedule (--speed-all replaces its speeds)");
    }
  }
  std::optional<double> xtd;
  if (!o.xtd.empty()) {
    xtd = ParseDecimal(o.xtd);
    if (!xtd) return Fail("--xtd '" + PrintableText(o.xtd) + "': not a number");
    if (!(*xtd >= 0.001 && *xtd <= 100)) return Fail(Describe(Status::xtd_out_of_range));
  }

  sailings::Voyage voyage;
  long waypoint = 0;
  // Without --depart, the departure the file's schedule gives (when every leg
  // has a speed).
  const bool fileDeparts = !options.depart && content.depart;
  if (fileDeparts) options.depart = content.depart;
  Status status = Voyage::Plan(points, options, voyage, waypoint);
  if (fileDeparts && status == Status::no_speed) {
    Notes(RouteShown(o), {"the schedule's departure is not used: leg " + std::to_string(waypoint - 1) +
                        " has no speed (--speed gives one)"});
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
      return Fail(where + "leg " + std::to_string(waypoint - 1) + " (to " + WaypointText(points, waypoint) +
                  "): an end lies beyond the limiting latitude");
    }
    if (status == Status::same_position) {
      return Fail(where + WaypointText(points, waypoint) + ": the same position as the waypoint before it");
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
    Notes(RouteShown(o), {LegList(fromMax) + (fromMax.size() == 1 ? " has" : " have") +
                    " no planned speed and " + (fromMax.size() == 1 ? "is" : "are") +
                    " sailed at " + (fromMax.size() == 1 ? "its" : "their") +
                    " speedMax (--speed gives one)"});
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
      if (*n < 1) return Fail("--points must be from 1 to " + std::to_string(kMaxWaypoints) + " a leg");
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
    long long count = 0;
    for (std::size_t i = 0; i < plans.size(); ++i) {
      if (splits[i]->equal_parts <= 1) continue;
      TableRequest request;
      request.placement = WaypointPlacement::points;
      request.along = voyage.legs()[i].sailing;
      request.count = splits[i]->equal_parts - 1;
      count += request.count;
      if (count > kMaxWaypoints) {
        return Fail("the cross-track limit would need more than " + std::to_string(kMaxWaypoints) +
                    " waypoints");
      }
      PlanWaypoints(voyage.legs()[i].passage, request, plans[i]);
    }
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
  const std::string title = points.size() >= 2 ? Shown(voyage.legs().front().from) + " to " +
                                                     Shown(voyage.legs().back().to)
                                               : std::string();
  std::vector<std::string> given;  // the waypoints' own names, which made names never repeat
  for (const VoyagePoint& p : points) given.push_back(p.name);
  std::optional<GpxWriter> gpx;
  if (!o.gpx.empty()) {
    const std::size_t legs = voyage.legs().size();
    gpx.emplace(Path(o.gpx), title, "voyage of " + std::to_string(legs) + (legs == 1 ? " leg" : " legs"));
    gpx->AvoidNames(given);
    rows.Add(*gpx);
  }
  std::optional<RtzWriter> rtz;
  if (!o.rtz.empty()) {
    rtz.emplace(Path(o.rtz), times);
    rtz->AvoidNames(given);
    if (content.rtz) {
      rtz->Keep(*content.rtz);
      if (!content.rtz->not_kept.empty()) {
        std::string text = "not kept from " + PrintableText(RouteShown(o), 200) + ": ";
        for (std::size_t i = 0; i < content.rtz->not_kept.size(); ++i) {
          text += (i > 0 ? "; " : "") + content.rtz->not_kept[i];
        }
        Notes(o.rtz, {text});
      }
    }
    rows.Add(*rtz);
  }
  std::optional<VoyageChartWriter> chart;
  if (!o.svg.empty()) {
    chart.emplace(Path(o.svg), voyage, title);
    rows.Add(*chart);
  }
  MapOutputs maps;
  const std::string routeId = Shown(voyage.legs().front().from) + "-" + Shown(voyage.legs().back().to);
  if (const int failed = OpenMapFiles(o, title, routeId, VoyageMapTracks(voyage), times, maps)) {
    return failed;
  }
  maps.AvoidNames(given);
  maps.AddTo(rows);
  if (tableOut || gpx || rtz || chart || maps.any()) ForEachVoyageWaypoint(voyage, plans, rows);

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
      // A labelled table a person reads at a glance: a column per field,
      // names and units above, a totals line below.
      const std::string legCount = std::to_string(voyage.legs().size()) +
                                   (voyage.legs().size() == 1 ? " leg" : " legs");
      std::size_t wide = std::max<std::size_t>(5, legCount.size());  // the totals line's words
      for (std::size_t i = 0; i < from.size(); ++i) {
        wide = std::max({wide, CharacterCount(from[i]), CharacterCount(to[i])});
      }
      wide = std::min<std::size_t>(wide, 24);
      const bool eta = choice.eta;
      struct Columns {
        std::string leg, from, to, sailing, distance, course, final, speed, hours, eta, total,
            parts, xtd;
      };
      const auto line = [&](const Columns& c) {
        std::string l = Right(c.leg, 3) + "  " + Cell(c.from, wide) + "  " + Cell(c.to, wide) +
                        "  " + Cell(c.sailing, 13) + Right(c.distance, 10) + Right(c.course, 8) +
                        Right(c.final, 8) + Right(c.speed, 7) + Right(c.hours, 9);
        if (eta) l += "  " + Cell(c.eta, 17);
        l += Right(c.total, 11);
        if (xtd) l += Right(c.parts, 7) + Right(c.xtd, 8);
        while (!l.empty() && l.back() == ' ') l.pop_back();
        return l + "\n";
      };
      const std::string head = line({"leg", "from", "to", "sailing", "distance", "course", "final",
                                     "speed", "hours", "eta", "total", "parts", "xtd"});
      std::string table = head +
                          line({"", "", "", "", "NM", "deg", "deg", "kn", "h", "UTC", "NM", "", "NM"}) +
                          std::string(head.size() - 1, '-') + "\n";
      const auto maybe = [](const std::optional<double>& v, int decimals) {
        return v ? NumberText(*v, decimals) : std::string("-");
      };
      const auto etaAfter = [&](const std::optional<double>& hours) {
        return hours && voyage.depart() ? Schedule{1.0, voyage.depart()}.EtaAfter(*hours)
                                        : std::string("-");
      };
      long parts = 0;
      for (std::size_t i = 0; i < voyage.legs().size(); ++i) {
        const VoyageLeg& leg = voyage.legs()[i];
        Columns c{std::to_string(leg.number), from[i], to[i],
                  SailingName(leg.sailing, leg.composite), NumberText(leg.distance_nm, 2),
                  AzimuthText(leg.course, 1), AzimuthText(leg.course_final, 1),
                  maybe(leg.speed_kn, 1), maybe(leg.hours, 2), etaAfter(leg.end_hours),
                  NumberText(leg.total_nm, 2), "", ""};
        if (splits[i]) {
          c.parts = std::to_string(splits[i]->parts);
          c.xtd = NumberText(splits[i]->separation_nm, 3);
          parts += splits[i]->parts;
        }
        table += line(c);
      }
      table += std::string(head.size() - 1, '-') + "\n";
      table += line({"", "total", legCount,
                     "", NumberText(voyage.total_nm(), 2), "", "", "",
                     maybe(voyage.total_hours(), 2), etaAfter(voyage.total_hours()),
                     NumberText(voyage.total_nm(), 2), xtd ? std::to_string(parts) : "", ""});
      out_ << table;
    }
  }
  if (records) records->Flush();
  out_.flush();  // before any file written through to standard output
  // Each file whole, in turn; the first that cannot be written ends the command.
  if (const int failed = FinishFile(gpx, o.gpx)) return failed;
  if (const int failed = FinishFile(rtz, o.rtz)) return failed;
  if (rtz) RtzSizeWarning(o.rtz, rtz->bytes());
  if (const int failed = FinishFile(chart, o.svg)) return failed;
  if (const int failed = FinishMapFiles(o, maps)) return failed;
  if (o.land) {
    for (const VoyageLeg& leg : voyage.legs()) {
      if (const std::optional<LandCrossing> at = leg.passage.CrossesLand(leg.track())) {
        err_ << "warning: leg " << leg.number << " (" << SailingName(leg.sailing, leg.composite)
             << ") crosses land near " << FormatPositionShort(at->lat, at->lon)
             << " (1:110m coastline)\n";
      }
    }
  }
  return kOk;
}

int CommandLine::Check(const Options& o) {
  RouteFileContent content;
  std::string reason;
  if (!ReadRoute(o, content, reason)) return Fail(reason);
  Notes(RouteShown(o), content.notes);
  CheckOptions options;
  options.land = o.land;
  if (o.route != "-") options.file_stem = std::filesystem::path(o.route).stem().string();
  if (!o.xtd.empty()) {
    const std::optional<double> xtd = ParseDecimal(o.xtd);
    if (!xtd) return Fail("--xtd '" + PrintableText(o.xtd) + "': not a number");
    if (!(*xtd >= 0.001 && *xtd <= 100)) return Fail(Describe(Status::xtd_out_of_range));
    options.xtd_nm = *xtd;
  }
  if (!o.radius.empty()) {
    const std::optional<double> radius = ParseDecimal(o.radius);
    if (!radius) return Fail("--radius '" + PrintableText(o.radius) + "': not a number");
    if (!(*radius >= 0 && *radius <= 100)) return Fail("--radius must be from 0 to 100 NM");
    options.radius_nm = *radius;
  }
  const std::vector<Finding> findings = CheckRoute(content, options);
  long faults = 0, notes = 0;
  for (const Finding& f : findings) (f.fault ? faults : notes) += 1;
  if (o.csv || o.json) {
    std::optional<RecordWriter> records;
    const std::vector<const Field<FindingRecord>*> fields =
        ChooseFields(FindingFields(), FieldChoice{});
    Records(o, FieldNames(fields), records);
    for (const Finding& f : findings) records->Write(fields, FindingRecord{f});
    records->Flush();
  } else {
    std::string text;
    for (const Finding& f : findings) {
      std::string where = f.last_leg > f.leg ? "legs " + std::to_string(f.leg) + "-" + std::to_string(f.last_leg)
                          : f.leg > 0      ? "leg " + std::to_string(f.leg)
                          : f.waypoint > 0 ? "waypoint " + std::to_string(f.waypoint)
                                           : std::string("file");
      text += std::string(f.fault ? "fault  " : "note   ") + Cell(where, 13) +
              PrintableText(f.message, 400) + "\n";
    }
    const long legs = static_cast<long>(content.points.size()) - 1;
    text += PrintableText(RouteShown(o), 200) + ": " + std::to_string(legs) +
            (legs == 1 ? " leg, " : " legs, ") + std::to_string(faults) +
            (faults == 1 ? " fault, " : " faults, ") + std::to_string(notes) +
            (notes == 1 ? " note\n" : " notes\n");
    out_ << text;
  }
  return faults > 0 ? kFailed : kOk;
}

}  // namespace sailings
