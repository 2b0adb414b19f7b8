// A voyage at sea: each leg the user gives becomes the sea passage between
// its ends, its turning points named as every face shows them (sea.hpp).
#include "sailings/sea.hpp"

namespace sailings {

Status SeaVoyagePoints(const std::vector<VoyagePoint>& given, const SeaOptions& options,
                       std::vector<VoyagePoint>& points, std::vector<SeaVoyageNote>& notes,
                       SeaVoyageRefusal& refusal) {
  std::vector<VoyagePoint> out;
  std::vector<SeaVoyageNote> told;
  if (given.empty()) {
    points = out, notes = told;
    return Status::ok;
  }
  out.push_back(given[0]);
  long turns = 0, canalPoint = 0;
  for (std::size_t k = 1; k < given.size(); ++k) {
    const VoyagePoint &from = given[k - 1], &to = given[k];
    SeaPassage passage;
    refusal = SeaVoyageRefusal{};
    refusal.leg = static_cast<long>(k);
    const Status status = PlanSeaPassage(from.lat, from.lon, to.lat, to.lon, options, passage,
                                         &refusal.inland_end, &refusal.inland_nm);
    if (status == Status::same_position) {
      out.push_back(to);
      continue;  // (the voyage refuses it, naming the waypoint)
    }
    if (status != Status::ok) return status;
    for (const std::string& note : passage.notes) told.push_back({static_cast<long>(k), note});
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
      out.push_back(p);
    }
    out.push_back(to);
  }
  refusal = SeaVoyageRefusal{};
  if (out.size() > kMaxVoyageWaypoints) return Status::too_many_waypoints;
  points.swap(out), notes.swap(told);
  return Status::ok;
}

}  // namespace sailings
