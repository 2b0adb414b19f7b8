// sailings: the console dialogue's notation, and nothing else uses it.
//
// The dialogue has always printed its figures as the computation gives them:
// azimuths and courses in [0, 360] (due north on the great ellipse may read
// 360.000000), and a departure or destination at a pole or on the equator
// carried 1e-8 rad off it (89.999999, 0.000001), the way the computation
// keeps such a point off its singularity. Its report, its table on the
// console and its waypoints.dat keep that notation, so files made by earlier
// runs compare equal. Every other face uses the true figures of route.hpp and
// waypoints.hpp.
#pragma once

#include <optional>
#include <ostream>

#include "sailings/passage.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {

// The route's figures with the azimuths and the course as computed, in
// degrees [0, 360].
Route ClassicRoute(const Passage& passage);

// A row's cells in the classic notation.
struct ClassicCells {
  double lat = 0;                 // degrees, a pole or the equator carried 1e-8 rad off
  std::optional<double> azimuth;  // degrees, [0, 360]; where Waypoint::azimuth is
};

// Receives each row twice over: as every face has it, and its classic cells.
class ClassicSink {
 public:
  virtual ~ClassicSink() = default;
  virtual void Row(const Waypoint& row, const ClassicCells& classic) = 0;
};

// ForEachWaypoint (waypoints.hpp) with the classic cells beside each row.
void ForEachClassicWaypoint(const Passage& passage, const WaypointPlan& plan, ClassicSink& sink);

// The waypoint table as text (TableText) in the classic notation.
class ClassicTableText : public ClassicSink {
 public:
  ClassicTableText(std::ostream& console, std::ostream* copy, const TableTextOptions& options)
      : table_(console, copy, options) {}
  void Row(const Waypoint& row, const ClassicCells& classic) override;

 private:
  TableText table_;
};

}  // namespace sailings
