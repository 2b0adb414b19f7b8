// `sailings check`: a route file checked, a shell over the library's route
// check.
#include <string>
#include <vector>

#include "cli/cells.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "sailings/check.hpp"
#include "sailings/fields.hpp"
#include "sailings/route_files.hpp"

namespace sailings {

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
    if (!CrossTrackLimitInRange(*xtd)) return Fail(Describe(Status::xtd_out_of_range));
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
      std::string where = f.last_leg > f.leg
                              ? "legs " + std::to_string(f.leg) + "-" + std::to_string(f.last_leg)
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

CLI::App* AddCheckCommand(CLI::App& app, Options& o, Valued& valued) {
  CLI::App* check =
      app.add_subcommand("check",
                         "Check a route file (GPX, RTZ, CSV, GeoJSON, KML, NMEA): legs two systems "
                         "would steer differently, "
                         "short or repeated legs, duplicate ids; exit 1 when a fault is found");
  check->add_option("FILE", o.route, "The route file")->required();
  auto* cXtd = check->add_option(
      "--xtd", o.xtd, "The cross-track limit, NM, of legs whose file gives none (default 0.1)");
  auto* cRadius = check->add_option("--radius", o.radius,
                                    "The turn radius, NM, of waypoints whose file gives none");
  check->add_flag("--land", o.land, "Also legs that cross land (Natural Earth 1:10m; ocean scale)");
  auto* cName = check->add_option("--name", o.name,
                                  "The GPX route (or track), map line or NMEA route of that name");
  AddShared(*check, o);
  check->footer(std::string(R"(
Output: one line per finding ("fault" or "note", the leg or waypoint, what),
then a summary. CSV and JSON: one record per finding, with the fields
)") + FieldList(FindingFields()) +
                R"(
Exit status: 0 no fault (notes alone leave it 0), 1 a fault found or the file
unreadable, 2 a usage error.
)");
  for (const auto& [option, value] :
       std::initializer_list<std::pair<CLI::Option*, const std::string*>>{
           {cXtd, &o.xtd}, {cRadius, &o.radius}, {cName, &o.name}}) {
    valued.emplace_back(option, value);
  }
  return check;
}

}  // namespace sailings
