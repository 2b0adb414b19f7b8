#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "api/rows.h"
#include "cli/route_lines.h"
#include "chart/land.h"
#include "elliptic/comparison.h"
#include "elliptic/passage.h"
#include "elliptic/route.h"
#include "elliptic/waypoints.h"
#include "input/coordinate.h"
#include "input/decimal.h"
#include "input/location_list.h"
#include "input/utc_time.h"
#include "sailings/sailings.hpp"
#include "writers/fixed_format.h"
#include "writers/gpx_route.h"
#include "writers/records.h"
#include "writers/rtz_route.h"
#include "writers/svg_chart.h"
#include "writers/schedule.h"
#include "writers/text.h"
#include "writers/waypoint_table.h"

namespace sailings {

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

const char kRouteExamples[] = R"(
Output: great elliptic distance (NM), forward azimuth, inverse azimuth,
rhumb line course, rhumb line distance (NM); azimuths and courses in degrees
clockwise from true north. With --compare, for each line of standard input,
then: geodesic distance (NM), its initial and final azimuths, the sphere's
great circle distance (NM) and course, great ellipse - geodesic (m), sphere -
geodesic (NM), rhumb line - geodesic (NM and %), and the greatest separation
of the great-elliptic track from the geodesic (km).

Examples:
  sailings route 33d55'30"S 18d25'26.8"E 40:42:46N 74:00:22W
  sailings route "Cape Town" "New York" --list data/input.txt --compare
  printf '%s\n' '-33.9249 18.4241 40.7128 -74.0060' '35.4437 139.638 37.7749 -122.4194' \
    | sailings route --json
)";

const char kTableExamples[] = R"(
FROM and TO: a place name of the location list, or two arguments, latitude
and longitude. Exactly one of --longitudes, --points and --leg.

Examples:
  sailings table "Cape Town" "New York" --leg 1000 --list data/input.txt
  sailings table 50S 60W 40N 10E --points 9 --rhumb --csv
  sailings table 10N 20E 9.5S 159.5W --leg 1000 --geodesic --json
  sailings table 35.4437 139.638 37.7749 -122.4194 --longitudes 5 --gpx passage.gpx
)";

// Everything the two commands share.
struct Options {
  std::vector<std::string> positions;
  std::string list;
  int decimals = 6;
  bool csv = false, json = false;
  // table
  std::string longitudes, points, leg, gpx;
  bool rhumb = false, geodesic = false;
  // route
  bool compare = false, full = false;
  // passage planning (route and table)
  std::string limit, speed, depart, rtz;
  // the chart and the land
  std::string svg;
  bool land = false;
  double limitDegrees = 0;  // the parsed limit
};

struct Place {
  double latitude = 0, longitude = 0;
  std::string name;  // "A" / "B" for typed positions, as in the dialogue
};

class CommandLine {
 public:
  CommandLine(std::istream& in, std::ostream& out, std::ostream& err,
              const std::filesystem::path& directory)
      : in_(in), out_(out), err_(err), directory_(directory) {}

  int Route(const Options& o);
  int Table(const Options& o);

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
  int RouteLines(const Options& o);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  std::filesystem::path directory_;
  std::optional<std::vector<vector3d>> list_;
  bool listLoaded_ = false;
};

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool CommandLine::Lookup(const Options& o, const std::string& name, Place& place,
                         std::string& reason) {
  const std::string file = o.list.empty() ? kLocationFile : o.list;
  if (!listLoaded_) {
    listLoaded_ = true;
    std::error_code ec;
    const std::filesystem::path path = Path(file);
    if (!o.list.empty() || std::filesystem::exists(path, ec)) {
      list_ = LoadLocationList(path, err_);
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
  // Entries 1 .. size - 2 are the list's places.
  for (std::size_t i = 1; i + 1 < list_->size(); ++i) {
    if (SameName((*list_)[i].get_name(), name)) {
      place.latitude = (*list_)[i].latitude();
      place.longitude = (*list_)[i].longitude();
      place.name = (*list_)[i].get_name();
      return true;
    }
  }
  reason = "no place named '" + PrintableText(name) + "' in " + PrintableText(file);
  return false;
}

bool CommandLine::Coordinates(const std::string& latitude, const std::string& longitude,
                              Place& place, std::string& reason) {
  Status status = ParseCoordinate(latitude, Axis::latitude, place.latitude);
  if (status != Status::ok) {
    reason = "latitude '" + PrintableText(latitude) + "': " + Describe(status);
    return false;
  }
  status = ParseCoordinate(longitude, Axis::longitude, place.longitude);
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

// One field of a route's output: a number, a truth, or nothing (null).
struct Field {
  const char* name;
  std::optional<double> number;
  std::optional<bool> truth;
  bool isPosition = false;  // a [lat, lon] pair (`number` and `second`) or null
  double second = 0;
};

// What the route command reports of a route, as asked: the five figures,
// then the vertex, the composite track and the comparison.
struct RouteFields {
  bool vertex = false, composite = false, compare = false;
  bool land = false;      // the land crossings as fields (CSV, JSON)
  bool landText = false;  // the land crossings as warnings on the error stream (text)
  double limit = 0;  // radians, with `composite`
};

// "54.8S 68.3W"
std::string NearText(const LandCrossing& p) {
  char text[96];
  std::snprintf(text, sizeof text, "%.1f%c %.1f%c", std::fabs(p.lat), p.lat < 0 ? 'S' : 'N',
                std::fabs(p.lon), p.lon < 0 ? 'W' : 'E');
  return text;
}

class RouteSolver {
 public:
  explicit RouteSolver(const RouteFields& ask) : ask_(ask) {}

  // The warnings of the last route's land crossings (text output).
  const std::string& warnings() const { return warnings_; }
  const RouteGeometry& geometry() const { return g_; }
  const CompositeSailing* composite() const { return ask_.composite ? &c_ : nullptr; }

  // Solves the route from degrees; on success fills `fields` in order.
  Status Solve(const double d[4], std::vector<Field>& fields) {
    fields.clear();
    warnings_.clear();
    RouteGeometry& g = g_;
    Status status = SolveRouteGeometry(d[0], d[1], d[2], d[3], g);
    if (status != Status::ok) return status;
    CompositeSailing& c = c_;
    c = CompositeSailing();
    if (ask_.composite) {
      status = SolveComposite(g, ask_.limit, c);
      if (status != Status::ok) return status;
    }
    RouteFigures(g, route_);
    fields.push_back({"ge_distance_nm", route_.ge_distance_nm, {}});
    fields.push_back({"ge_azimuth_fwd", route_.ge_azimuth_fwd, {}});
    fields.push_back({"ge_azimuth_inv", route_.ge_azimuth_inv, {}});
    fields.push_back({"rhumb_course", route_.rhumb_course, {}});
    fields.push_back({"rhumb_distance_nm", route_.rhumb_distance_nm, {}});
    if (ask_.vertex) {
      const RouteVertex v = FindVertex(g);
      std::optional<double> lon;
      if (v.kind == RouteVertex::kPoint) lon = ToDegrees(v.lambda);
      fields.push_back({"vertex_lat", ToDegrees(v.phi), {}});
      fields.push_back({"vertex_lon", lon, {}});
      fields.push_back({"vertex_on_route", {}, v.onRoute});
    }
    if (ask_.composite) {
      const auto part = [&](double value) {
        return c.composite ? std::optional<double>(value) : std::nullopt;
      };
      fields.push_back({"composite", {}, c.composite});
      fields.push_back({"t1_lat", part(ToDegrees(TrueLatitude(c.t1Phi))), {}});
      fields.push_back({"t1_lon", part(ToDegrees(c.t1Lambda)), {}});
      fields.push_back({"t2_lat", part(ToDegrees(TrueLatitude(c.t2Phi))), {}});
      fields.push_back({"t2_lon", part(ToDegrees(c.t2Lambda)), {}});
      fields.push_back({"ge1_nm", part(ToNauticalMiles(c.ge1)), {}});
      fields.push_back({"parallel_nm", part(ToNauticalMiles(c.parallel)), {}});
      fields.push_back({"ge2_nm", part(ToNauticalMiles(c.ge2)), {}});
      fields.push_back({"composite_nm", ToNauticalMiles(c.total), {}});
      fields.push_back({"ge1_course", part(ToDegrees(c.ge1Course)), {}});
      fields.push_back({"parallel_course", part(ToDegrees(c.parallelCourse)), {}});
      fields.push_back({"ge2_course", part(ToDegrees(c.ge2Course)), {}});
      fields.push_back({"composite_minus_ge_nm", ToNauticalMiles(c.total - std::fabs(g.distance)), {}});
      fields.push_back({"rhumb_minus_composite_nm", ToNauticalMiles(g.loxoDistance - c.total), {}});
    }
    if (ask_.land || ask_.landText) {
      const auto crossing = [&](const char* name, const char* track,
                                const std::optional<LandCrossing>& at) {
        if (ask_.land) {
          Field f{name, {}, {}, true};
          if (at) f.number = at->lat, f.second = at->lon;
          fields.push_back(f);
        }
        if (ask_.landText && at) {
          warnings_ += std::string("warning: the ") + track + " crosses land near " + NearText(*at) +
                       " (1:110m coastline)\n";
        }
      };
      crossing("ge_crosses_land", "great ellipse", GreatEllipseCrossesLand(g));
      crossing("rhumb_crosses_land", "rhumb line", RhumbLineCrossesLand(g));
      if (ask_.composite) {
        crossing("composite_crosses_land", "composite track", CompositeCrossesLand(g, c));
      }
    }
    if (ask_.compare) {
      ComparisonFigures(g, CompareSailings(g), comparison_);
      const Comparison& k = comparison_;
      for (const Field& f : std::initializer_list<Field>{
               {"geodesic_nm", k.geodesic_nm, {}},
               {"geodesic_azimuth_fwd", k.geodesic_azimuth_fwd, {}},
               {"geodesic_azimuth_final", k.geodesic_azimuth_final, {}},
               {"sphere_nm", k.sphere_nm, {}},
               {"sphere_course", k.sphere_course, {}},
               {"ge_minus_geodesic_m", k.ge_minus_geodesic_m, {}},
               {"sphere_minus_geodesic_nm", k.sphere_minus_geodesic_nm, {}},
               {"rhumb_minus_geodesic_nm", k.rhumb_minus_geodesic_nm, {}},
               {"rhumb_minus_geodesic_pct", k.rhumb_minus_geodesic_pct, {}},
               {"ge_geodesic_separation_km", k.ge_geodesic_separation_km, {}}}) {
        fields.push_back(f);
      }
    }
    return Status::ok;
  }

  // The names of the fields, in order (for a CSV header).
  std::vector<const char*> Names() {
    std::vector<Field> fields;
    const double d[4] = {10, 20, 30, 40};
    Solve(d, fields);
    std::vector<const char*> names;
    for (const Field& f : fields) names.push_back(f.name);
    return names;
  }

  const sailings::Route& route() const { return route_; }
  const Comparison& comparison() const { return comparison_; }

 private:
  RouteFields ask_;
  sailings::Route route_;
  Comparison comparison_;
  RouteGeometry g_;
  CompositeSailing c_;
  std::string warnings_;
};

// The fields, at `decimals`, divided by single blanks; "-" for nothing.
void AppendRouteText(std::string& line, const std::vector<Field>& fields, int decimals) {
  char digits[400];
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (k > 0) line += ' ';
    const Field& f = fields[k];
    if (f.isPosition && f.number) {
      line += '[';
      line.append(digits, FormatNumber(digits, *f.number, decimals));
      line += ',';
      line.append(digits, FormatNumber(digits, f.second, decimals));
      line += ']';
    } else if (f.number) {
      line.append(digits, FormatNumber(digits, *f.number, decimals));
    } else if (f.truth) {
      line += *f.truth ? "true" : "false";
    } else {
      line += '-';
    }
  }
  line += '\n';
}

// One route given on the command line, compared: a small labelled table,
// then any other field asked for as "name: value".
std::string ComparisonTable(const RouteSolver& solved, const std::vector<Field>& fields,
                            int decimals) {
  const sailings::Route& r = solved.route();
  const Comparison& c = solved.comparison();
  const auto number = [decimals](double value) {
    char digits[400];
    return std::string(digits, FormatNumber(digits, value, decimals));
  };
  const auto cell = [](std::string text, std::size_t width) {
    return std::string(text.size() < width ? width - text.size() : 0, ' ') + text;
  };
  const auto row = [&](const char* sailing, double nm, double initial, double final) {
    std::string line = sailing;
    line.resize(22, ' ');
    return line + cell(number(nm), 18) + cell(number(initial), 16) + cell(number(final), 16) + '\n';
  };
  const double geFinal = std::fmod(r.ge_azimuth_inv + 180.0, 360.0);
  std::string t = "sailing                     distance NM  initial course    final course\n";
  t += row("great ellipse", r.ge_distance_nm, r.ge_azimuth_fwd, geFinal);
  t += row("geodesic", c.geodesic_nm, c.geodesic_azimuth_fwd, c.geodesic_azimuth_final);
  t += row("rhumb line", r.rhumb_distance_nm, r.rhumb_course, r.rhumb_course);
  t += row("great circle (sphere)", c.sphere_nm, c.sphere_course, c.sphere_course_final);
  t += "great ellipse - geodesic: " + number(c.ge_minus_geodesic_m) + " m\n";
  t += "sphere - geodesic: " + number(c.sphere_minus_geodesic_nm) + " NM\n";
  t += "rhumb line - geodesic: " + number(c.rhumb_minus_geodesic_nm) + " NM (" +
       number(c.rhumb_minus_geodesic_pct) + " %)\n";
  t += "greatest separation of the great ellipse from the geodesic: " +
       number(c.ge_geodesic_separation_km) + " km\n";
  for (std::size_t k = 5; k + 10 < fields.size(); ++k) {  // the vertex and the composite
    std::string value;
    AppendRouteText(value, {fields[k]}, decimals);
    t += std::string(fields[k].name) + ": " + value;
  }
  return t;
}

void WriteRouteRecord(RecordWriter& records, const std::vector<Field>& fields) {
  for (const Field& f : fields) {
    if (f.truth) {
      records.Bool(*f.truth);
    } else if (f.isPosition && f.number) {
      records.Position(*f.number, f.second);
    } else {
      records.Number(f.number);
    }
  }
  if (records.format() == RecordWriter::kCsv) records.Text("");  // the empty error cell
  records.EndRecord();
}

RouteFields Asked(const Options& o) {
  RouteFields ask;
  ask.vertex = o.full || o.csv || o.json;
  ask.composite = !o.limit.empty();
  ask.limit = o.limitDegrees * kDegree;
  ask.compare = o.compare;
  ask.land = o.land && (o.csv || o.json);
  ask.landText = o.land && !o.csv && !o.json;
  return ask;
}

void MakeRouteRecords(std::ostream& out, const Options& o, std::optional<RecordWriter>& records) {
  if (!o.csv && !o.json) return;
  std::vector<const char*> names = RouteSolver(Asked(o)).Names();
  names.push_back("error");
  records.emplace(out, o.csv ? RecordWriter::kCsv : RecordWriter::kJson, o.decimals, names);
}

int CommandLine::Route(const Options& o) {
  if (o.positions.empty()) return RouteLines(o);
  Place from, to;
  std::string reason;
  if (!ResolvePlaces(o, from, to, reason)) return Fail(reason);
  RouteSolver solver(Asked(o));
  std::vector<Field> fields;
  const double d[4] = {from.latitude, from.longitude, to.latitude, to.longitude};
  const Status status = solver.Solve(d, fields);
  if (status != Status::ok) return Fail(Describe(status));
  if (!o.svg.empty()) {
    std::error_code ec;
    if (std::filesystem::is_directory(Path(o.svg), ec)) {
      return Fail("cannot write " + PrintableText(o.svg) + ": it is a folder");
    }
    SvgChart chart(Path(o.svg), solver.geometry(), from.name, to.name, solver.composite(), 0);
    std::string error;
    if (!chart.Finish(error)) {
      return Fail("cannot write " + PrintableText(o.svg) + ": " + PrintableText(error, 400));
    }
  }
  std::optional<RecordWriter> records;
  MakeRouteRecords(out_, o, records);
  if (records) {
    WriteRouteRecord(*records, fields);
  } else if (o.compare) {
    out_ << ComparisonTable(solver, fields, o.decimals);
  } else {
    std::string line;
    AppendRouteText(line, fields, o.decimals);
    out_ << line;
  }
  err_ << solver.warnings();
  return kOk;
}

int CommandLine::RouteLines(const Options& o) {
  std::optional<RecordWriter> records;
  MakeRouteRecords(out_, o, records);
  RouteSolver solver(Asked(o));
  std::vector<Field> fields;
  std::string line, text;
  int result = kOk;
  double d[4];
  std::string reason;
  while (std::getline(in_, line)) {
    if (IsBlankRouteLine(line)) continue;
    Status status = Status::ok;
    if (!ReadRouteLine(line, d, reason)) {
      status = Status::not_a_number;
    } else {
      status = solver.Solve(d, fields);
      if (status != Status::ok) reason = Describe(status);
    }
    if (status != Status::ok) {
      result = kFailed;
      if (records) {
        records->ErrorRecord(reason);
      } else {
        text += "ERROR: " + reason + '\n';
      }
    } else if (records) {
      WriteRouteRecord(*records, fields);
    } else {
      AppendRouteText(text, fields, o.decimals);
      if (!solver.warnings().empty()) {  // keep them in step with the lines they follow
        out_ << text;
        text.clear();
        out_.flush();
        err_ << solver.warnings();
      }
    }
    if (text.size() >= (1 << 16)) {
      out_ << text;
      text.clear();
    }
  }
  out_ << text;
  return result;
}

// A whole number of waypoints, or nothing.
std::optional<long long> Count(const std::string& text) {
  std::size_t used = 0;
  const std::optional<double> value = ParseDecimalPrefix(text, used);
  if (!value || used != text.size() || *value != std::floor(*value)) return std::nullopt;
  if (*value > 1e15) return static_cast<long long>(1e15);
  if (*value < -1e15) return static_cast<long long>(-1e15);
  return static_cast<long long>(*value);
}

class RecordRows : public RowSink {
 public:
  RecordRows(RecordWriter& records, const Schedule* schedule)
      : records_(records), schedule_(schedule) {}
  void Row(const WaypointRow& row) override {
    const TableRow r = ToTableRow(row);
    records_.Integer(r.wp);
    records_.Number(r.lat);
    records_.Number(r.lon);
    records_.Number(r.azimuth);
    records_.Number(r.leg_nm);
    records_.Number(r.total_nm);
    if (schedule_) records_.Number(schedule_->Hours(row.total));
    if (schedule_ && schedule_->depart) records_.Text(schedule_->Eta(row.total));
    records_.EndRecord();
  }

 private:
  RecordWriter& records_;
  const Schedule* schedule_;
};

// A plain decimal number, or nothing.
std::optional<double> Number(const std::string& text) {
  std::size_t used = 0;
  const std::optional<double> value = ParseDecimalPrefix(text, used);
  if (!value || used != text.size()) return std::nullopt;
  return value;
}

int CommandLine::Table(const Options& o) {
  Place from, to;
  std::string reason;
  if (!ResolvePlaces(o, from, to, reason)) return Fail(reason);

  // The request, checked before anything is computed or written.
  Placement placement = Placement::kLegDistance;
  long long count = 0;
  double leg = 0;
  if (!o.longitudes.empty() || !o.points.empty()) {
    const std::string& text = o.longitudes.empty() ? o.points : o.longitudes;
    const std::optional<long long> n = Count(text);
    const char* option = o.longitudes.empty() ? "--points" : "--longitudes";
    if (!n) return Fail(std::string(option) + " '" + PrintableText(text) + "': not a whole number");
    placement = o.longitudes.empty() ? Placement::kEqualDistances
                                     : Placement::kIntermediateLongitudes;
    count = *n;
  } else {
    const std::optional<double> value = Number(o.leg);
    if (!value) return Fail("--leg '" + PrintableText(o.leg) + "': not a number");
    leg = *value;
  }
  std::optional<Schedule> schedule;
  if (!o.speed.empty()) {
    const std::optional<double> knots = Number(o.speed);
    if (!knots) return Fail("--speed '" + PrintableText(o.speed) + "': not a number");
    if (!(*knots > 0)) return Fail("--speed must be above 0 knots");
    schedule.emplace();
    schedule->knots = *knots;
    if (!o.depart.empty()) {
      std::int64_t seconds = 0;
      if (!ParseUtcTime(o.depart, seconds)) {
        return Fail("--depart '" + PrintableText(o.depart) +
                    "': not an ISO 8601 time in UTC (e.g. 2027-01-15T06:00Z)");
      }
      schedule->depart = seconds;
    }
  }
  for (const std::string* file : {&o.gpx, &o.rtz, &o.svg}) {
    std::error_code ec;
    if (!file->empty() && std::filesystem::is_directory(Path(*file), ec)) {
      return Fail("cannot write " + PrintableText(*file) + ": it is a folder");
    }
  }

  RouteGeometry g;
  Status status = SolveRouteGeometry(from.latitude, from.longitude, to.latitude, to.longitude, g);
  if (status != Status::ok) return Fail(Describe(status));
  CompositeSailing composite;
  if (!o.limit.empty()) {
    status = SolveComposite(g, o.limitDegrees * kDegree, composite);
    if (status != Status::ok) return Fail(Describe(status));
  }
  TablePlan plan;
  const Along along = o.rhumb ? Along::kRhumbLine : (o.geodesic ? Along::kGeodesic : Along::kGreatEllipse);
  status = PlanTable(g, placement, along, count, leg, plan,
                     composite.composite ? composite.total : -1.0);
  if (status == Status::count_out_of_range) {
    return Fail(std::string("the number of waypoints must be from ") +
                (placement == Placement::kIntermediateLongitudes ? "0" : "1") + " to " +
                std::to_string(kMaxWaypoints));
  }
  if (status != Status::ok) return Fail(Describe(status));
  if (schedule) {
    // Every time must be one a calendar can write.
    const double length = composite.composite ? composite.total
                          : along == Along::kRhumbLine ? g.loxoDistance
                                                       : std::fabs(g.distance);
    const double hours = schedule->Hours(along == Along::kGeodesic ? GeodesicLength(g) : length);
    const double end = static_cast<double>(schedule->depart.value_or(0)) + hours * 3600.0;
    if (!(hours < 1e8) || !(end <= kLastUtcSecond)) {
      return Fail("at that speed the passage would end after the year 9999");
    }
  }

  RowFanOut rows;
  std::optional<RecordWriter> records;
  std::optional<RecordRows> recordRows;
  std::optional<WaypointTable> text;
  const Schedule* times = schedule ? &*schedule : nullptr;
  if (o.csv || o.json) {
    std::vector<const char*> names = {"wp", "lat", "lon", "azimuth", "leg_nm", "total_nm"};
    if (schedule) names.push_back("hours");
    if (schedule && schedule->depart) names.push_back("eta");
    records.emplace(out_, o.csv ? RecordWriter::kCsv : RecordWriter::kJson, o.decimals, names);
    recordRows.emplace(*records, times);
    rows.Add(&*recordRows);
  } else {
    text.emplace(out_, nullptr, false, false, times);
    rows.Add(&*text);
  }
  std::optional<GpxRoute> gpx;
  if (!o.gpx.empty()) {
    const char* placed = composite.composite ? "composite track"
                         : plan.placement == Placement::kIntermediateLongitudes
                             ? "great ellipse at intermediate longitudes"
                         : plan.along == Along::kGreatEllipse ? "great ellipse"
                         : plan.along == Along::kGeodesic     ? "geodesic"
                                                              : "rhumb line";
    gpx.emplace(Path(o.gpx), from.name + " to " + to.name, placed);
    rows.Add(&*gpx);
  }
  std::optional<RtzRoute> rtz;
  if (!o.rtz.empty()) {
    rtz.emplace(Path(o.rtz), times);
    rows.Add(&*rtz);
  }
  std::optional<SvgChart> chart;
  if (!o.svg.empty()) {
    chart.emplace(Path(o.svg), g, from.name, to.name, composite.composite ? &composite : nullptr,
                  plan.n + 4);
    rows.Add(&*chart);
  }
  if (composite.composite) {
    CompositeTable(g, composite, plan.n, plan.step, rows);
  } else {
    MakeWaypointTable(g, plan, rows);
  }
  if (records) records->Flush();
  std::string error;
  if (gpx && !gpx->Finish(error)) {
    return Fail("cannot write " + PrintableText(o.gpx) + ": " + PrintableText(error, 400));
  }
  if (rtz && !rtz->Finish(error)) {
    return Fail("cannot write " + PrintableText(o.rtz) + ": " + PrintableText(error, 400));
  }
  if (chart && !chart->Finish(error)) {
    return Fail("cannot write " + PrintableText(o.svg) + ": " + PrintableText(error, 400));
  }
  if (o.land) {  // every track of the route, as warnings
    RouteFields ask;
    ask.landText = true;
    ask.composite = !o.limit.empty();
    ask.limit = o.limitDegrees * kDegree;
    RouteSolver solver(ask);
    std::vector<Field> fields;
    const double d[4] = {from.latitude, from.longitude, to.latitude, to.longitude};
    if (solver.Solve(d, fields) == Status::ok) err_ << solver.warnings();
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

}  // namespace

int RunCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                   std::ostream& err, const std::filesystem::path& directory) {
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
  CLI::App* route = app.add_subcommand(
      "route", "The great elliptic and the rhumb line sailing of each route: from FROM TO, or "
               "from the lines 'LAT1 LON1 LAT2 LON2' of standard input");
  route->add_option("FROM TO", o.positions,
                    "A place name of the location list, or latitude and longitude, for each");
  route->add_flag("--compare", o.compare,
                  "Also the geodesic and the sphere's great circle, and what each sailing costs");
  route->add_flag("--full", o.full, "Also the vertex: vertex_lat vertex_lon vertex_on_route");
  route->add_option("--limit", o.limit,
                    "A limiting latitude L (degrees, 0 < L < 90): the composite track within +-L");
  route->add_option("--svg", o.svg, "Also draw the route as an SVG chart to FILE (FROM TO only)");
  route->add_flag("--land", o.land,
                  "Whether each track crosses land (Natural Earth 1:110m; coarse: never a safety check)");
  AddShared(*route, o);
  route->footer(kRouteExamples);

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
  table->add_option("--gpx", o.gpx, "Also write the table as a GPX 1.1 route to FILE");
  table->add_option("--rtz", o.rtz, "Also write the table as an RTZ 1.0 route (for ECDIS) to FILE");
  auto* limit = table->add_option(
      "--limit", o.limit, "A limiting latitude L (degrees, 0 < L < 90): along the composite track");
  auto* speed = table->add_option("--speed", o.speed, "Speed in knots: the hours of every row");
  table->add_option("--depart", o.depart,
                    "Departure time, ISO 8601 in UTC (2027-01-15T06:00Z): every row's ETA")
      ->needs(speed);
  limit->excludes(longitudes)->excludes(rhumb)->excludes(geodesic);
  table->add_option("--svg", o.svg, "Also draw the passage as an SVG chart to FILE");
  table->add_flag("--land", o.land,
                  "Warn when a track of the route crosses land (Natural Earth 1:110m; coarse)");
  AddShared(*table, o);
  table->footer(kTableExamples);

  try {
    app.parse(args);
    const std::size_t n = o.positions.size();
    if (route->parsed() && !(n == 0 || (n >= 2 && n <= 4))) {
      throw CLI::ValidationError("FROM TO", "give two places, or four coordinates, or none");
    }
    if (route->parsed() && n == 0 && !o.svg.empty()) {
      throw CLI::ValidationError("--svg", "charts one route: give FROM TO");
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
    out << (route->parsed() ? route->help() : table->parsed() ? table->help() : app.help());
    return kOk;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return kOk;
  } catch (const CLI::CallForVersion&) {
    out << "sailings " << Version() << '\n';
    return kOk;
  } catch (const CLI::ParseError& e) {
    std::string what = PrintableText(e.what(), 400);
    err << "ERROR: " << what << '\n';
    err << "usage: sailings route [options] [FROM TO]\n"
           "       sailings table [options] FROM TO (--longitudes N | --points N | --leg NM) "
           "[--rhumb]\n"
           "       sailings --help | sailings COMMAND --help | sailings --version\n";
    return kUsage;
  }

  if (!o.limit.empty()) {
    // Not a number, or not inside (0, 90): a one-line error, status 1.
    const std::optional<double> limit = Number(o.limit);
    if (!limit) {
      err << "ERROR: --limit '" << PrintableText(o.limit) << "': not a number\n";
      return kFailed;
    }
    if (!(*limit > 0 && *limit < 90)) {
      err << "ERROR: " << Describe(Status::limit_out_of_range) << '\n';
      return kFailed;
    }
    o.limitDegrees = *limit;
  }
  CommandLine commands(in, out, err, directory);
  return route->parsed() ? commands.Route(o) : commands.Table(o);
}

}  // namespace sailings
