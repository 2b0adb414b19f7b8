// One route of the dialogue: the route report, then the waypoint dialogue
// (menu, questions, one table on the console, in "waypoints.dat" and in
// "waypoints.gpx").
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

#include "dialogue/console_reader.h"
#include "sailings/passage.hpp"
#include "sailings/places.hpp"

namespace sailings {

// The files of the console dialogue, in its working folder.
inline constexpr const char* kWaypointFile = "waypoints.dat";
inline constexpr const char* kGpxFile = "waypoints.gpx";
inline constexpr const char* kChartFile = "waypoints.svg";

// The console of one run of the dialogue.
struct Console {
  ConsoleReader& reader;
  std::ostream& out;
  std::ostream& err;                // problems that are not part of the dialogue
  std::filesystem::path directory;  // where "waypoints.dat" is written
  bool flushRows = true;            // flush the console after every table row
};

// Status of Elliptic() and of the waypoint dialogue.
inline constexpr int kStatusCannotWrite = -1;
inline constexpr int kStatusLegTooShort = -2;

// Sets the console's number format (fixed, right, 6 decimals, kept for the
// rest of the run) and prints the five items of the route report.
void PrintRouteReport(std::ostream& out, const Passage& passage);

// The names of a route's two ends ("A" and "B" for typed positions).
struct Names {
  std::string from, to;
};

// The waypoint menu, the file, the questions and one table; returns 0,
// kStatusCannotWrite or kStatusLegTooShort. Every table also goes to
// "waypoints.gpx" (the route "from to to") and to the chart
// "waypoints.svg"; a route that ends without a table leaves neither behind.
int WaypointDialogue(const Passage& passage, const Names& names, Console& console);

// One route: the report, then the waypoint dialogue; returns its status
// (0, kStatusCannotWrite or kStatusLegTooShort). When the input ends during
// the dialogue it returns 0 and console.reader.ended() is true.
int Elliptic(const Place& departure, const Place& destination, Console& console);

}  // namespace sailings
