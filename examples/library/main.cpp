// Cape Town to New York: the route, then a waypoint every 2000 NM along the
// great ellipse.
#include <sailings/sailings.hpp>

#include <cstdio>

int main() {
  double lat1, lon1, lat2, lon2;
  if (sailings::ParseCoordinate("33d55'29.6\"S", sailings::Axis::latitude, lat1) !=
          sailings::Status::ok ||
      sailings::ParseCoordinate("18.4241E", sailings::Axis::longitude, lon1) !=
          sailings::Status::ok ||
      sailings::ParseCoordinate("40:42:46N", sailings::Axis::latitude, lat2) !=
          sailings::Status::ok ||
      sailings::ParseCoordinate("74:00:22W", sailings::Axis::longitude, lon2) !=
          sailings::Status::ok) {
    return 1;
  }
  sailings::Route route;
  const sailings::Status status = sailings::SolveRoute(lat1, lon1, lat2, lon2, route);
  if (status != sailings::Status::ok) {
    std::printf("%s\n", sailings::Describe(status));
    return 1;
  }
  std::printf("great ellipse %.1f NM, leaving on %.1f; rhumb line %.1f NM on course %.1f\n",
              route.ge_distance_nm, route.ge_azimuth_fwd, route.rhumb_distance_nm,
              route.rhumb_course);

  sailings::TableRequest request;
  request.placement = sailings::WaypointPlacement::leg;
  request.along = sailings::Sailing::great_ellipse;
  request.leg_nm = 2000;
  const sailings::Status table =
      sailings::ForEachTableRow(lat1, lon1, lat2, lon2, request, [](const sailings::TableRow& row) {
        std::printf("WP%ld %s %s\n", row.wp,
                    sailings::FormatCoordinate(row.lat, sailings::Axis::latitude,
                                               sailings::CoordinateStyle::dm, 1)
                        .c_str(),
                    sailings::FormatCoordinate(row.lon, sailings::Axis::longitude,
                                               sailings::CoordinateStyle::dm, 1)
                        .c_str());
      });
  return table == sailings::Status::ok ? 0 : 1;
}
