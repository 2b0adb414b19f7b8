#include "sailings/status.hpp"

namespace sailings {

const char* Describe(Status status) {
  switch (status) {
    case Status::ok: return "no error";
    case Status::not_a_number: return "not a number";
    case Status::number_out_of_range: return "a number beyond the range of a double";
    case Status::unexpected_text: return "text that is no part of a coordinate";
    case Status::latitude_with_e_or_w: return "a latitude takes N or S, not E or W";
    case Status::longitude_with_n_or_s: return "a longitude takes E or W, not N or S";
    case Status::two_hemispheres: return "two hemisphere letters";
    case Status::sign_and_hemisphere: return "a sign and a hemisphere letter together";
    case Status::hemisphere_without_number: return "a hemisphere letter without a number";
    case Status::minutes_or_seconds_60: return "minutes and seconds must be below 60";
    case Status::decimal_point_not_last: return "only the last component may have a decimal point";
    case Status::marks_out_of_order: return "degree, minute and second marks out of order";
    case Status::latitude_beyond_90: return "a latitude beyond 90 degrees";
    case Status::same_position: return "departure and destination are the same position";
    case Status::count_out_of_range: return "the number of waypoints is out of range";
    case Status::leg_too_short: return "the leg distance must be at least 1 NM";
    case Status::meridian_has_no_longitudes:
      return "this route runs along a meridian: it has no intermediate longitudes";
    case Status::position_beyond_limit:
      return "the departure or the destination lies beyond the limiting latitude";
    case Status::limit_out_of_range: return "the limiting latitude must be above 0 and below 90";
    case Status::composite_table_only:
      return "a passage within a limiting latitude is tabled along its composite track, at equal "
             "distances or legs";
    case Status::too_few_waypoints: return "a voyage needs at least two waypoints";
    case Status::too_many_waypoints:
      return "a voyage holds at most 10001 waypoints (10000 legs); split it into voyages";
    case Status::speed_out_of_range: return "a speed must be from 0.1 to 100 knots";
    case Status::no_speed: return "a departure time needs a speed on every leg (give --speed)";
    case Status::ends_after_9999: return "the voyage would end after the year 9999";
    case Status::xtd_out_of_range: return "the cross-track limit must be from 0.001 to 100 NM";
    case Status::tolerance_out_of_range: return "the tolerance must be from 0.001 to 100 NM";
    case Status::clearance_out_of_range: return "the clearance must be from 0.1 to 50 NM";
    case Status::unknown_canal: return "the canals to avoid are suez, panama and kiel";
    case Status::end_inland: return "an end lies more than 20 NM from the sea";
    case Status::no_way_at_sea: return "no way at sea joins the two positions";
    case Status::no_coast: return "the coastline is not loaded";
  }
  return "unknown status";
}

}  // namespace sailings
