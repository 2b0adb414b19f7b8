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
  const std::vector<VoyagePoint> given = content.points;
  const std::vector<long> givenLines = content.lines;
  std::vector<VoyagePoint>& points = content.points;
  std::vector<long>& lines = content.lines;
  points.assign(1, given[0]);
  lines.assign(1, givenLines.empty() ? 0 : givenLines[0]);
  std::vector<std::string> notes;
  long turns = 0, canalPoint = 0;
  for (std::size_t k = 1; k < given.size(); ++k) {
    const VoyagePoint &from = given[k - 1], &to = given[k];
    SeaPassage passage;
    int inlandEnd = 0;
    double inlandNm = 0;
    const Status status =
        PlanSeaPassage(from.lat, from.lon, to.lat, to.lon, sea, passage, &inlandEnd, &inlandNm);
    const std::string leg = "leg " + std::to_string(k) + " (to " + WaypointText(given, k + 1) + ")";
    if (status == Status::end_inland) {
      const VoyagePoint& end = inlandEnd == 1 ? from : to;
      char far[32];
      std::snprintf(far, sizeof far, "%.1f", inlandNm);
      return Fail(
          leg + ": " +
          (end.name.empty() ? FormatPositionShort(end.lat, end.lon) : PrintableText(end.name)) +
          " lies " + far + " NM from the sea, more than " +
          std::to_string(static_cast<int>(kMostInlandNm)) + " NM");
    }
    if (status == Status::clearance_out_of_range || status == Status::unknown_canal ||
        status == Status::no_coast || status == Status::limit_out_of_range)
      return Fail(Describe(status));
    if (status == Status::same_position) {
      points.push_back(to), lines.push_back(givenLines.empty() ? 0 : givenLines[k]);
      continue;  // the voyage refuses it, naming the waypoint
    }
    if (status != Status::ok) return Fail(leg + ": " + Describe(status));
    for (const std::string& note : passage.notes) notes.push_back(leg + ": " + note);
    // The points between the ends, named in order; each leg as the user's.
    for (std::size_t i = 1; i + 1 < passage.points.size(); ++i) {
      const SeaPoint& s = passage.points[i];
      VoyagePoint p = to;
      // A canal's points by the canal's name, numbered along it.
      const std::string& canal = !s.canal.empty() ? s.canal : passage.points[i + 1].canal;
      if (canal.empty()) canalPoint = 0;
      if (s.leg == SeaLeg::approach && i == 1 && !from.name.empty()) {
        p.name = from.name + " approach";
      } else if (passage.points[i + 1].leg == SeaLeg::approach && !to.name.empty()) {
        p.name = to.name + " approach";
      } else if (!canal.empty()) {
        p.name = canal.substr(canal.compare(0, 4, "the ") == 0 ? 4 : 0) + " " +
                 std::to_string(++canalPoint);
      } else {
        p.name = "turn " + std::to_string(++turns);
      }
      p.id.clear();
      p.radius_nm.reset();
      p.added = true;
      p.lat = s.lat, p.lon = s.lon;
      points.push_back(p), lines.push_back(0);
    }
    points.push_back(to), lines.push_back(givenLines.empty() ? 0 : givenLines[k]);
  }
  if (points.size() > kMaxVoyageWaypoints) return Fail(Describe(Status::too_many_waypoints));
  if (content.rtz) {
    content.rtz.reset();
    notes.push_back("the RTZ file's ids, leg attributes and schedule are not kept with --sea");
  }
  Notes("--sea", notes);
  return kOk;
}

}  // namespace sailings
