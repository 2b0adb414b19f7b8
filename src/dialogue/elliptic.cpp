#include "dialogue/elliptic.h"

#include <fstream>

#include "sailings/classic.hpp"
#include "sailings/files.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {

namespace {

constexpr char kMenu[] =
    "Calculation of the geographic coordinates of Intermediate Waypoints\n"
    "at the desired leg distance along the Great Elliptic Arc\n"
    "Press 3 to continue\n";
constexpr char kCountPrompt[] = "Please give number of intermediate waypoints to calculate:";
constexpr char kMeridianNote[] =
    "This route runs along a meridian: it has no intermediate longitudes "
    "(choose 2 or 3 for waypoints along it).\n";

void EndOfLine(std::ostream& out) { out << '\n' << std::flush; }

// Asks for a number of waypoints; an answer that is not a number counts as 0.
// False at the end of input.
bool AskCount(Console& c, long long& n) {
  c.out << kCountPrompt << std::flush;
  n = 0;
  return c.reader.ReadInteger(n, false) != ConsoleReader::kEnd;
}

// The table of a plan on the console, in "waypoints.dat" and in
// "waypoints.gpx"; a failure of the route file is told on the error stream
// and changes nothing else.
void WriteTable(const Passage& passage, const WaypointPlan& plan, const Names& names,
                std::ofstream& file, Console& c) {
  TableTextOptions options;
  options.blank_lines_first = true;
  options.flush_each_row = c.flushRows;
  ClassicTableText table(c.out, &file, options);
  GpxWriter gpx(c.directory / kGpxFile, names.from + " to " + names.to, PlacementName(plan));
  ChartWriter chart(c.directory / kChartFile, passage, names.from, names.to, plan.n + 2);
  // The table in the dialogue's own notation; the files as every face has them.
  struct Rows : ClassicSink {
    void Row(const Waypoint& row, const ClassicCells& classic) override {
      table->Row(row, classic);
      files.Row(row);
    }
    ClassicTableText* table;
    WaypointFanOut files;
  } rows;
  rows.table = &table;
  rows.files.Add(gpx);
  rows.files.Add(chart);
  ForEachClassicWaypoint(passage, plan, rows);
  std::string error;
  if (!gpx.Finish(error)) c.err << "Cannot write " << kGpxFile << ": " << error << std::endl;
  if (!chart.Finish(error)) c.err << "Cannot write " << kChartFile << ": " << error << std::endl;
}

}  // namespace

void PrintRouteReport(std::ostream& out, const Passage& passage) {
  // The figures as this report has always printed them (classic.hpp).
  const Route route = ClassicRoute(passage);
  out.setf(std::ios::fixed, std::ios::floatfield);
  out.setf(std::ios::right, std::ios::adjustfield);
  out.precision(6);
  out.width(12);  // absorbed by the first text, which is wider
  out << "GREAT ELLIPTIC ARC DISTANCE (in nautical miles):" << route.ge_distance_nm << std::endl;
  out << "\nForward Great Elliptic Arc Azimuth (degrees): " << route.ge_azimuth_fwd << std::endl;
  out << "Inverse Great Eliptic Arc Azimuth (degrees): " << route.ge_azimuth_inv << std::endl;
  out << std::endl << "LOXODROME COURSE:" << route.rhumb_course << std::endl;
  out << "\nLOXODROME DISTANCE (in nautical miles):" << route.rhumb_distance_nm << std::endl
      << std::endl;
}

int WaypointDialogue(const Passage& passage, const Names& names, Console& c) {
  long long mode = 0;
  while (mode < 1 || mode > 3) {
    c.out << kMenu << std::flush;
    mode = 0;
    if (c.reader.ReadInteger(mode, false) == ConsoleReader::kEnd) return 0;
    EndOfLine(c.out);
  }

  // A new route's table replaces the last one in both files; until it is
  // complete there is no route file at all.
  RemoveRegularFile(c.directory / kGpxFile);
  RemoveRegularFile(c.directory / kChartFile);
  std::ofstream file(c.directory / kWaypointFile, std::ios::out | std::ios::trunc);
  if (!file.good()) return kStatusCannotWrite;

  WaypointPlan plan;
  TableRequest request;
  request.placement = WaypointPlacement::longitudes;
  if (mode == 1) {
    if (PlanWaypoints(passage, request, plan) == Status::meridian_has_no_longitudes) {
      c.out << kMeridianNote << std::flush;
      return 0;
    }
    c.out << "\nCalculation of Waypoints, at certain number of intermediate longitudes.\n\n";
    long long n = 0;
    for (;;) {
      if (!AskCount(c, n)) return 0;
      request.count = n;
      if (PlanWaypoints(passage, request, plan) == Status::ok) {
        break;
      }
      c.out << "The number of waypoints must be from 0 to " << kMaxWaypoints
            << ". Please try again.\n";
    }
    WriteTable(passage, plan, names, file, c);
    return 0;
  }

  long long count = 0;
  double leg = 0;
  if (mode == 2) {
    c.out << "\nCalculation of intermediate Waypoints, at certain number of equal distances.\n\n";
    for (;;) {
      if (!AskCount(c, count)) return 0;
      if (count <= 0) return 0;
      if (count <= kMaxWaypoints) break;
      c.out << "The number of waypoints must not be more than " << kMaxWaypoints
            << ". Please try again.\n";
    }
  } else {
    c.out << "\nCalculation of intermediate Waypoints, at a given leg distance.\n\n"
          << "Please give the leg distance in N.M.:" << std::flush;
    if (c.reader.ReadReal(leg) == ConsoleReader::kEnd) return 0;
    if (!(leg >= 1.0)) return kStatusLegTooShort;
  }

  c.out << "\n\nPlease choose a method:\n\n  1. Elliptic\n  2. Loxodrome\n\n  ? " << std::flush;
  long long method = 0;
  if (c.reader.ReadInteger(method, false) == ConsoleReader::kEnd) return 0;
  if (method != 1 && method != 2) return 0;

  request.placement = mode == 2 ? WaypointPlacement::points : WaypointPlacement::leg;
  request.along = method == 1 ? Sailing::great_ellipse : Sailing::rhumb_line;
  request.count = count;
  request.leg_nm = leg;
  PlanOptions options;
  options.keep_near_end = true;  // the classic tables keep a row a hair short of the end
  // The count and the leg were checked above, so the plan is made; a
  // refusal all the same writes no table, as a count of 0 does.
  if (PlanWaypoints(passage, request, plan, options) != Status::ok) return 0;
  WriteTable(passage, plan, names, file, c);
  return 0;
}

int Elliptic(const Place& departure, const Place& destination, Console& console) {
  Passage passage;
  // (The dialogue asks again for a destination that is the departure.)
  if (Passage::Solve(departure, destination, std::nullopt, passage) != Status::ok) return 0;
  PrintRouteReport(console.out, passage);
  return WaypointDialogue(passage, {departure.name, destination.name}, console);
}

}  // namespace sailings
