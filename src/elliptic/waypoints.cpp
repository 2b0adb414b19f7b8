#include "elliptic/waypoints.h"

#include <cmath>
#include <fstream>

#include "elliptic/gpx_route.h"
#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"

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

// Writes the finished table's route to "waypoints.gpx"; a failure is told on
// the error stream and changes nothing else.
void FinishGpx(GpxRoute& gpx, const WaypointTable& table, Console& c) {
  std::string error;
  if (!gpx.Finish(table.total(), error)) {
    c.err << "Cannot write " << kGpxFile << ": " << error << std::endl;
  }
}

}  // namespace

void IntermediateLongitudeTable(const RouteGeometry& g, long n, WaypointTable& table) {
  // The shorter way round, in the direction the route leaves: on a great
  // ellipse the longitude changes monotonically, eastward when the azimuth
  // lies in (0, pi).
  double span = std::fabs(WrapLongitudeDifference(g.dlon));
  if (g.fwdAzimuth > kPi) span = -span;
  const double stepLongitude = span / (static_cast<double>(n) + 1.0);

  table.Begin(g.lat1, g.lon1, std::nullopt);
  double latitude = g.lat1, longitude = g.lon1, total = 0, leg = 0, azimuth = 0;
  for (long i = 1; i <= n; ++i) {
    const double lambda = g.lon1 + static_cast<double>(i) * stepLongitude;
    // On the plane Z = A X + B Y a surface point satisfies
    // (1 - e_sq) tan(phi) = A cos(lambda) + B sin(lambda).
    const double phi = std::atan((g.planeA * std::cos(lambda) + g.planeB * std::sin(lambda)) /
                                 kOneMinusESq);
    const double wrapped = WrapLongitude(lambda);
    DEllipticDistance(latitude, longitude, phi, wrapped, leg, azimuth);
    total += std::fabs(leg);
    table.Row(i, phi, wrapped, azimuth, std::fabs(leg), total);
    latitude = phi;
    longitude = wrapped;
  }
  DEllipticDistance(latitude, longitude, g.lat2, g.lon2, leg, azimuth);
  total += std::fabs(leg);
  table.Row(n + 1, g.lat2, g.lon2, azimuth, std::fabs(leg), total);
}

void GreatEllipseTable(const RouteGeometry& g, long n, double step, WaypointTable& table) {
  table.Begin(g.lat1, g.lon1, g.fwdAzimuth);
  double latitude = g.lat1, longitude = g.lon1, total = 0, leg = 0, unused = 0;
  // Each waypoint is placed from the departure, so nothing accumulates.
  const EllipticStepper route(g.lat1, g.lon1, g.fwdAzimuthGc);
  for (long i = 1; i <= n; ++i) {
    const EllipticStepResult q = route.At(static_cast<double>(i) * step);
    DEllipticDistance(latitude, longitude, q.phi, q.lambda, leg, unused);
    total += std::fabs(leg);
    const double wrapped = WrapLongitude(q.lambda);
    table.Row(i, q.phi, wrapped, q.azimuth, std::fabs(leg), total);
    latitude = q.phi;
    longitude = wrapped;
  }
  DEllipticDistance(latitude, longitude, g.lat2, g.lon2, leg, unused);
  total += std::fabs(leg);
  table.Row(n + 1, g.lat2, g.lon2, std::nullopt, std::fabs(leg), total);
}

void RhumbLineTable(const RouteGeometry& g, long n, double step, WaypointTable& table) {
  table.Begin(g.lat1, g.lon1, g.loxoCourse);
  double latitude = g.lat1, longitude = g.lon1, total = 0, leg = 0, course = 0, unused = 0;
  for (long i = 1; i <= n; ++i) {
    const RhumbPoint q =
        RhumbDirect(g.lat1, g.lon1, g.loxoCourse, static_cast<double>(i) * step, g.lon2);
    LoxoLeg(latitude, longitude, q.phi, q.lambda, unused, leg);
    LoxoLeg(q.phi, q.lambda, g.lat2, g.lon2, course, unused);
    total += leg;
    table.Row(i, q.phi, q.lambda, course, std::fabs(leg), total);
    latitude = q.phi;
    longitude = q.lambda;
  }
  LoxoLeg(latitude, longitude, g.lat2, g.lon2, unused, leg);
  total += leg;
  table.Row(n + 1, g.lat2, g.lon2, std::nullopt, std::fabs(leg), total);
}

int WaypointDialogue(const RouteGeometry& g, const std::string& routeName, Console& c) {
  long long mode = 0;
  while (mode < 1 || mode > 3) {
    c.out << kMenu << std::flush;
    mode = 0;
    if (c.reader.ReadInteger(mode, false) == ConsoleReader::kEnd) return 0;
    EndOfLine(c.out);
  }

  // A new route's table replaces the last one in both files; until it is
  // complete there is no route file at all.
  RemoveGpxRoute(c.directory);
  std::ofstream file(c.directory / kWaypointFile, std::ios::out | std::ios::trunc);
  if (!file.good()) return kStatusCannotWrite;
  WaypointTable table(c.out, file, c.flushRows);

  if (mode == 1) {
    if (g.meridian) {
      c.out << kMeridianNote << std::flush;
      return 0;
    }
    c.out << "\nCalculation of Waypoints, at certain number of intermediate longitudes.\n\n";
    long long n = 0;
    for (;;) {
      if (!AskCount(c, n)) return 0;
      if (n >= 0 && n <= kMaxWaypoints) break;
      c.out << "The number of waypoints must be from 0 to " << kMaxWaypoints
            << ". Please try again.\n";
    }
    GpxRoute gpx(c.directory, routeName, "great ellipse at intermediate longitudes");
    table.Attach(&gpx);
    IntermediateLongitudeTable(g, static_cast<long>(n), table);
    FinishGpx(gpx, table, c);
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

  // Each method measures the route along its own line.
  const double length = method == 1 ? std::fabs(g.distance) : g.loxoDistance;
  long n;
  double step;
  if (mode == 2) {
    n = static_cast<long>(count);
    step = length / (static_cast<double>(n) + 1.0);
  } else {
    step = leg * kNauticalMile;
    const double legs = length / step;  // at most about 10,820 (legs of 1 NM)
    n = legs < 1e6 ? static_cast<long>(legs) : 0;
  }
  GpxRoute gpx(c.directory, routeName, method == 1 ? "great ellipse" : "rhumb line");
  table.Attach(&gpx);
  if (method == 1) {
    GreatEllipseTable(g, n, step, table);
  } else {
    RhumbLineTable(g, n, step, table);
  }
  FinishGpx(gpx, table, c);
  return 0;
}

}  // namespace sailings
