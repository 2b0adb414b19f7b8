// The waypoint table: the one output of every waypoint generator, written
// byte for byte alike to the console and to "waypoints.dat".
//
//   WP    latitude    longitude    azimuth   legdistance  totaldistance
//   ----------------------------------------------------------------------
//    0    10.000000  -20.000000   61.071876       *           *
//    1    17.672783   -4.758916   64.722307  999.999971   999.999971
//
// Numbers are fixed with 6 decimals, right-adjusted in their cells (latitude,
// longitude, azimuth and leg 10 wide, total 12); a wider value is written in
// full and shifts the rest of its row. Angles are given in radians and
// printed in degrees, distances in metres and printed in nautical miles.
#pragma once

#include <optional>
#include <ostream>

namespace sailings {

class GpxRoute;

class WaypointTable {
 public:
  WaypointTable(std::ostream& console, std::ostream& file, bool flushConsole)
      : console_(console), file_(file), flushConsole_(flushConsole) {}

  // The header and row 0. Without an azimuth the cell shows "    *     ".
  void Begin(double latitude, double longitude, std::optional<double> azimuth);
  // Row `number`; the destination row has no azimuth.
  void Row(long number, double latitude, double longitude, std::optional<double> azimuth,
           double leg, double total);

  // Every row's position also goes to `route`, in order.
  void Attach(GpxRoute* route) { route_ = route; }
  // The total distance of the last row written, metres.
  double total() const { return total_; }

 private:
  void Emit(const char* text, std::size_t size);

  std::ostream& console_;
  std::ostream& file_;
  bool flushConsole_;
  GpxRoute* route_ = nullptr;
  double total_ = 0;
};

}  // namespace sailings
