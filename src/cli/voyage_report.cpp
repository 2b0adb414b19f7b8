// The voyage's legs as a text table (sailings voyage without --waypoints,
// --csv or --json).
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "cli/cells.h"
#include "cli/commands.h"
#include "sailings/fields.hpp"
#include "sailings/schedule.hpp"
#include "sailings/text.hpp"

namespace sailings {

// The voyage's legs as the labelled table a person reads at a glance: a
// column per field, names and units above, a totals line below.
std::string VoyageLegsText(const Voyage& voyage, const std::vector<std::string>& from,
                           const std::vector<std::string>& to,
                           const std::vector<std::optional<CrossTrackSplit>>& splits, bool eta) {
  const bool xtd =
      std::any_of(splits.begin(), splits.end(), [](const auto& s) { return s.has_value(); });
  const std::string legCount =
      std::to_string(voyage.legs().size()) + (voyage.legs().size() == 1 ? " leg" : " legs");
  std::size_t wide = std::max<std::size_t>(5, legCount.size());  // the totals line's words
  for (std::size_t i = 0; i < from.size(); ++i) {
    wide = std::max({wide, CharacterCount(from[i]), CharacterCount(to[i])});
  }
  wide = std::min<std::size_t>(wide, 24);
  struct Columns {
    std::string leg, from, to, sailing, distance, course, final, speed, hours, eta, total, parts,
        xtd;
  };
  const auto line = [&](const Columns& c) {
    std::string l = Right(c.leg, 3) + "  " + Cell(c.from, wide) + "  " + Cell(c.to, wide) + "  " +
                    Cell(c.sailing, 13) + Right(c.distance, 10) + Right(c.course, 8) +
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
    Columns c{std::to_string(leg.number),
              from[i],
              to[i],
              SailingName(leg.sailing, leg.composite),
              NumberText(leg.distance_nm, 2),
              AzimuthText(leg.course, 1),
              AzimuthText(leg.course_final, 1),
              maybe(leg.speed_kn, 1),
              maybe(leg.hours, 2),
              etaAfter(leg.end_hours),
              NumberText(leg.total_nm, 2),
              "",
              ""};
    if (splits[i]) {
      c.parts = std::to_string(splits[i]->parts);
      c.xtd = NumberText(splits[i]->separation_nm, 3);
      parts += splits[i]->parts;
    }
    table += line(c);
  }
  table += std::string(head.size() - 1, '-') + "\n";
  table += line({"", "total", legCount, "", NumberText(voyage.total_nm(), 2), "", "", "",
                 maybe(voyage.total_hours(), 2), etaAfter(voyage.total_hours()),
                 NumberText(voyage.total_nm(), 2), xtd ? std::to_string(parts) : "", ""});
  return table;
}

}  // namespace sailings
