// sailings: great elliptic and rhumb line sailings on the WGS-84 ellipsoid.
//
// Status: the outcome of every library call. The library never throws and
// never prints. The one convention:
//  * a call that can fail returns a Status (ok, or why not) and writes its
//    result through its last parameters only on ok; Describe() gives the
//    one-line English reason that the command line and the dialogue show;
//  * where the failure concerns one item of many, an out-parameter names it
//    (the waypoint or the leg, numbered from 1), beside the Status;
//  * reading and writing files is the exception: what goes wrong there is
//    told with the file's name and line, so those calls return bool and the
//    whole one-line reason in a string (route_files.hpp, files.hpp,
//    writers.hpp).
// A Status is never to be dropped unread: the compiler warns.
#pragma once

namespace sailings {

// (clang-format 14 does not read an attribute on an enum.)
// clang-format off
enum class [[nodiscard]] Status {
  ok = 0,
  // Coordinates.
  not_a_number,           // the text holds no number where one belongs
  number_out_of_range,    // a number beyond the range of a double
  unexpected_text,        // text that is no part of a coordinate
  latitude_with_e_or_w,   // a latitude marked E or W
  longitude_with_n_or_s,  // a longitude marked N or S
  two_hemispheres,        // more than one hemisphere letter
  sign_and_hemisphere,    // a sign together with a hemisphere letter
  hemisphere_without_number,
  minutes_or_seconds_60,   // minutes or seconds of 60 or more
  decimal_point_not_last,  // a decimal point before the last component
  marks_out_of_order,      // e.g. minutes before degrees, or marks mixed with colons
  latitude_beyond_90,      // |latitude| > 90 degrees (where latitudes are checked)
  // Routes and tables.
  same_position,               // departure and destination coincide
  count_out_of_range,          // a waypoint count outside its range
  leg_too_short,               // a leg distance below 1 nautical mile
  meridian_has_no_longitudes,  // intermediate longitudes asked of a meridian route
  // Passage planning.
  position_beyond_limit,  // a departure or destination beyond the limiting latitude
  limit_out_of_range,     // a limiting latitude not in (0, 90) degrees
  composite_table_only,   // a table of a limited passage along another sailing or at
                          // intermediate longitudes
  // Voyages and route files.
  too_few_waypoints,   // a voyage or route of fewer than two waypoints
  too_many_waypoints,  // a voyage of more than kMaxVoyageWaypoints (voyage.hpp)
  speed_out_of_range,  // a speed not in [0.1, 100] knots (schedule.hpp)
  no_speed,            // a departure time, and a leg without a speed
  ends_after_9999,     // a time of arrival beyond 9999-12-31T23:59Z
  xtd_out_of_range,    // a cross-track limit not in [0.001, 100] NM
  // Map and serial formats.
  tolerance_out_of_range,  // a drawing tolerance not in [0.001, 100] NM
  // Sea passages.
  clearance_out_of_range,  // a clearance not in [0.1, 50] NM (sea.hpp)
  unknown_canal,           // a canal to avoid that the planner does not know
  end_inland,              // an end farther than 20 NM from the sea (which, and how far: sea.hpp)
  no_way_at_sea,           // no way at sea joins the ends (a lake, a closed canal)
  no_coast,                // the coast is not loaded (a page before its data came)
};
// clang-format on

// The reason, in lower case without a final full stop, e.g.
// "minutes and seconds must be below 60". Never null.
const char* Describe(Status status);

}  // namespace sailings
