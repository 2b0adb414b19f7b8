// Cape Town to Melbourne within 45 degrees south: the composite track (great
// ellipse to the parallel, along it, great ellipse from it), a waypoint every
// 500 NM with its time of arrival at 12 knots from 2027-01-15T06:00Z, and the
// route for ECDIS as an RTZ file.
//
// usage: passage ROUTE.rtz
#include <sailings/sailings.hpp>

#include <cstdio>
#include <optional>
#include <string>

namespace {

// Prints each waypoint with its time of arrival.
class Plan : public sailings::WaypointSink {
 public:
  explicit Plan(const sailings::Schedule& schedule) : schedule_(schedule) {}
  void Row(const sailings::Waypoint& row) override {
    std::printf("WP%03ld %s %s %8.1f NM %s\n", row.wp,
                sailings::FormatCoordinate(row.lat, sailings::Axis::latitude,
                                           sailings::CoordinateStyle::dm, 1)
                    .c_str(),
                sailings::FormatCoordinate(row.lon, sailings::Axis::longitude,
                                           sailings::CoordinateStyle::dm, 1)
                    .c_str(),
                row.total_nm, schedule_.Eta(row.total_nm).c_str());
  }

 private:
  const sailings::Schedule& schedule_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: passage ROUTE.rtz\n");
    return 2;
  }
  const sailings::Place from = sailings::StorePlace("Cape Town", -33.9249, 18.4241);
  const sailings::Place to = sailings::StorePlace("Melbourne", -37.8136, 144.9631);
  sailings::Passage passage;
  sailings::Status status = sailings::Passage::Solve(from, to, 45.0, passage);
  if (status != sailings::Status::ok) {
    std::fprintf(stderr, "%s\n", sailings::Describe(status));
    return 1;
  }
  const sailings::CompositeTrack& track = *passage.composite();
  std::printf("composite track %.1f NM (great ellipse %.1f NM), along 45S from %s to %s\n",
              track.total_nm, passage.route().ge_distance_nm,
              sailings::FormatCoordinate(track.t1_lon.value_or(0), sailings::Axis::longitude,
                                         sailings::CoordinateStyle::dm, 1)
                  .c_str(),
              sailings::FormatCoordinate(track.t2_lon.value_or(0), sailings::Axis::longitude,
                                         sailings::CoordinateStyle::dm, 1)
                  .c_str());

  sailings::Schedule schedule;
  schedule.knots = 12;
  std::int64_t depart = 0;
  std::string why;
  if (!sailings::ParseUtcTime("2027-01-15T06:00Z", depart, why)) return 1;
  schedule.depart = depart;

  sailings::TableRequest request;
  request.placement = sailings::WaypointPlacement::leg;
  request.leg_nm = 500;
  sailings::WaypointPlan plan;
  status = sailings::PlanWaypoints(passage, request, plan);
  if (status != sailings::Status::ok || !schedule.EndsInTime(plan.length_nm)) return 1;

  Plan printed(schedule);
  sailings::RtzWriter rtz(argv[1], &schedule);
  sailings::WaypointFanOut rows;
  rows.Add(printed);
  rows.Add(rtz);
  sailings::ForEachWaypoint(passage, plan, rows);
  std::string error;
  if (!rtz.Finish(error)) {
    std::fprintf(stderr, "cannot write %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
