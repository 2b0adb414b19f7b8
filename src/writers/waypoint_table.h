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

#include <ostream>
#include <vector>

#include "elliptic/waypoints.h"
#include "writers/schedule.h"

namespace sailings {

class WaypointTable : public RowSink {
 public:
  // Rows go to `console` and, when given, the same bytes to `file`. The
  // dialogue's table begins with two blank lines (`blankLinesFirst`).
  // With `schedule`, two more columns at the right: the hours from the
  // departure and, with a departure time, the time of arrival. The dialogue
  // writes a departure or destination on the equator or at the pole in its
  // notation (0.000001, 89.999999); with `trueLatitudes` they read as every
  // other row does (0.000000, 90.000000).
  WaypointTable(std::ostream& console, std::ostream* file, bool flushConsole,
                bool blankLinesFirst = true, const Schedule* schedule = nullptr,
                bool trueLatitudes = false)
      : console_(console), file_(file), flushConsole_(flushConsole),
        blankLinesFirst_(blankLinesFirst), trueLatitudes_(trueLatitudes), schedule_(schedule) {}

  // Row 0 comes with the header; a row without an azimuth shows "    *     ".
  void Row(const WaypointRow& row) override;

 private:
  void Emit(const char* text, std::size_t size);

  std::ostream& console_;
  std::ostream* file_;
  bool flushConsole_, blankLinesFirst_, trueLatitudes_;
  const Schedule* schedule_;
};

// Sends every row to several sinks, in order.
class RowFanOut : public RowSink {
 public:
  void Add(RowSink* sink) { sinks_.push_back(sink); }
  void Row(const WaypointRow& row) override {
    for (RowSink* sink : sinks_) sink->Row(row);
  }

 private:
  std::vector<RowSink*> sinks_;
};

}  // namespace sailings
