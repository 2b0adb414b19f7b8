// `--sea`, `--clearance` and `--avoid` (route and voyage): each leg the user
// gives becomes the sea passage the library plans between its ends.
#include <string>
#include <vector>

#include "cli/cells.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "sailings/coordinates.hpp"
#include "sailings/sea.hpp"
#include "sailings/text.hpp"

namespace sailings {

void AddSeaOptions(CLI::App& command, Options& o, Valued& valued) {
  command.add_flag("--sea", o.sea,
                   "Each leg the shortest way at sea: great elliptic legs round the land "
                   "(Natural Earth 1:10m; ocean passages, not pilotage)");
  valued.emplace_back(command.add_option("--clearance", o.clearance,
                                         "With --sea: NM to keep from land (0.1 to 50; 2)"),
                      &o.clearance);
  valued.emplace_back(
      command.add_option("--avoid", o.avoid,
                         "With --sea: canals not to pass, NAME[,NAME] of suez, panama, kiel"),
      &o.avoid);
}

int CommandLine::SeaPoints(const Options& o, RouteFileContent& content) {
  if (!o.sea) {
    if (!o.clearance.empty()) return Fail("--clearance needs --sea");
    if (!o.avoid.empty()) return Fail("--avoid needs --sea");
    return kOk;
  }
  SeaOptions sea;
  if (!o.clearance.empty()) {
    const std::optional<double> nm = ParseDecimal(o.clearance);
    if (!nm) return Fail("--clearance '" + PrintableText(o.clearance) + "': not a number");
    sea.clearance_nm = *nm;
  }
  for (std::size_t at = 0; at <= o.avoid.size() && !o.avoid.empty();) {
    const std::size_t comma = std::min(o.avoid.find(',', at), o.avoid.size());
    sea.avoid.push_back(o.avoid.substr(at, comma - at));
    at = comma + 1;
  }
  if (!o.sailing.empty()) {
    const std::optional<Sailing> s = SailingOf(o.sailing);
    if (s && *s == Sailing::rhumb_line)
      return Fail("--sea lays great elliptic or geodesic legs: not with --sailing rhumb");
    sea.geodesic = s && *s == Sailing::geodesic;
  }
  if (!o.limit.empty()) sea.limit = o.limitDegrees;
  std::vector<VoyagePoint> points;
  std::vector<SeaVoyageNote> found;
  SeaVoyageRefusal refusal;
  const std::vector<VoyagePoint>& given = content.points;
  const Status status = SeaVoyagePoints(given, sea, points, found, refusal);
  const auto leg = [&](long k) {
    return "leg " + std::to_string(k) + " (to " + WaypointText(given, k + 1) + ")";
  };
  if (status == Status::end_inland) {
    const VoyagePoint& end =
        given[static_cast<std::size_t>(refusal.inland_end == 1 ? refusal.leg - 1 : refusal.leg)];
    return Fail(
        leg(refusal.leg) + ": " +
        (end.name.empty() ? FormatPositionShort(end.lat, end.lon) : PrintableText(end.name)) + " " +
        InlandText(refusal.inland_nm, sea.clearance_nm));
  }
  if (status == Status::clearance_out_of_range || status == Status::unknown_canal ||
      status == Status::no_coast || status == Status::limit_out_of_range ||
      status == Status::too_many_waypoints)
    return Fail(Describe(status));
  if (status != Status::ok) return Fail(leg(refusal.leg) + ": " + Describe(status));
  // Each point's line in the file: the user's points keep theirs.
  std::vector<long> lines;
  for (std::size_t k = 0, user = 0; k < points.size(); ++k) {
    const bool own = !points[k].added;
    lines.push_back(own && user < content.lines.size() ? content.lines[user] : 0);
    user += own;
  }
  std::vector<std::string> notes;
  for (const SeaVoyageNote& note : found) notes.push_back(leg(note.leg) + ": " + note.text);
  content.points.swap(points);
  content.lines.swap(lines);
  if (content.rtz) {
    content.rtz.reset();
    notes.push_back("the RTZ file's ids, leg attributes and schedule are not kept with --sea");
  }
  Notes("--sea", notes);
  return kOk;
}

}  // namespace sailings
