// The page's way in: `sailings` run in-process on the page's own file system
// (emscripten's MEMFS, the bundled location list at /plan/input.txt), so
// that every figure, table, chart and file the page shows is what the
// command line prints and writes for the same request, byte for byte.
#include <emscripten/emscripten.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"

// Runs `sailings` with `args` (one argument a line) in /plan. Returns
// "STATUS\n" followed by the standard output, a record separator (0x1E) and
// the standard error. The text lives until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* sailings_run(const char* args) {
  static std::string result;
  std::vector<std::string> list = {"sailings"};
  std::istringstream lines(args ? args : "");
  for (std::string arg; std::getline(lines, arg);) list.push_back(arg);
  std::vector<const char*> argv;
  for (const std::string& a : list) argv.push_back(a.c_str());
  std::istringstream in;
  std::ostringstream out, err;
  const int status =
      sailings::RunCommandLine(static_cast<int>(argv.size()), argv.data(), in, out, err, "/plan");
  result = std::to_string(status) + "\n" + out.str() + "\x1e" + err.str();
  return result.c_str();
}

#include <cmath>
#include <fstream>
#include <iterator>

#include "sailings/coordinates.hpp"
#include "sailings/places.hpp"
#include "sailings/sea.hpp"
#include "sailings/text.hpp"
#include "sailings/writers.hpp"

// How a navigator reads a table (the page's tables; the full figures stay
// under "Every figure" and in the downloads), by the library's writers: a
// latitude or a longitude (`longitude` 0 or 1; folded into [-180, 180]) in
// degrees and decimal minutes to 0.1', a number to `decimals` (never -0.0),
// an azimuth to `decimals` in [0, 360) (never 360.0).
extern "C" EMSCRIPTEN_KEEPALIVE const char* sailings_coordinate(double degrees, int longitude) {
  static std::string result;
  if (longitude) degrees = std::remainder(degrees, 360.0);
  result = sailings::FormatCoordinate(
      degrees, longitude ? sailings::Axis::longitude : sailings::Axis::latitude,
      sailings::CoordinateStyle::dm, 1);
  return result.c_str();
}
extern "C" EMSCRIPTEN_KEEPALIVE const char* sailings_fixed(double value, int decimals) {
  static std::string result;
  result = sailings::NumberText(value, decimals);
  return result.c_str();
}
extern "C" EMSCRIPTEN_KEEPALIVE const char* sailings_azimuth(double degrees, int decimals) {
  static std::string result;
  result = sailings::AzimuthText(degrees, decimals);
  return result.c_str();
}

// The land the charts draw, as GeoJSON (WriteChartLand), for the page's
// working chart. The text lives as long as the page.
extern "C" EMSCRIPTEN_KEEPALIVE const char* sailings_land() {
  static const std::string land = [] {
    std::ostringstream out;
    sailings::WriteChartLand(out);
    return out.str();
  }();
  return land.c_str();
}

// Gives the library the coastline of sea passages, which the page fetches
// only when a plan first stays at sea and writes to /plan/coast_10m.bin
// (the page's first result never waits for it). 1 when the coastline is
// loaded, 0 when the file is missing or not such data.
extern "C" EMSCRIPTEN_KEEPALIVE int sailings_load_coast() {
  if (sailings::CoastlineLoaded()) return 1;
  // (And which cells the sea joins, so that passages are the command line's.)
  std::ifstream file("/plan/coast_10m.bin", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::ifstream linksFile("/plan/links.bin", std::ios::binary);
  const std::string links((std::istreambuf_iterator<char>(linksFile)),
                          std::istreambuf_iterator<char>());
  return file && linksFile && sailings::LoadCoastline(bytes, links) ? 1 : 0;
}

// One waypoint as typed: a place of the location list, or a latitude and a
// longitude in the navigator's notation (split at a comma, or at the one
// blank between two coordinates). Returns "ok\tNAME\tLAT\tLON\tDLAT\tDLON"
// with the arguments the command line takes for it (NAME empty for a
// position, then LAT and LON the two texts) and the position in degrees
// (for the chart), or "error\tREASON", the command line's own.
extern "C" EMSCRIPTEN_KEEPALIVE const char* sailings_place(const char* typed) {
  static std::string result;
  static std::optional<std::vector<sailings::Place>> places;
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    std::ostringstream warnings;
    places = sailings::LoadPlaces("/plan/input.txt", warnings);
  }
  std::string text = typed ? typed : "";
  while (!text.empty() && text.back() == ' ') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  if (text.empty()) return (result = "error\tgive a place or a position").c_str();
  if (places) {
    if (const sailings::Place* p = sailings::FindPlace(*places, text)) {
      return (result = "ok\t" + p->name + "\t\t\t" + sailings::NumberText(p->lat, 9) + "\t" +
                       sailings::NumberText(p->lon, 9))
          .c_str();
    }
  }
  std::string lat, lon;
  const std::size_t comma = text.find(',');
  if (comma != std::string::npos) {
    lat = text.substr(0, comma), lon = text.substr(comma + 1);
  } else {
    const std::size_t blank = text.rfind(' ');
    if (blank != std::string::npos) lat = text.substr(0, blank), lon = text.substr(blank + 1);
  }
  const auto trim = [](std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
  };
  lat = trim(lat), lon = trim(lon);
  const std::string notFound = "error\tno place named '" + sailings::PrintableText(text) +
                               "', and not a latitude and a longitude";
  if (lat.empty() || lon.empty()) return (result = notFound).c_str();
  double degrees = 0;
  sailings::Status status = sailings::ParseCoordinate(lat, sailings::Axis::latitude, degrees);
  // Neither half a coordinate ("Dover Strait"): a name, not a position.
  if (status != sailings::Status::ok &&
      sailings::ParseCoordinate(lon, sailings::Axis::longitude, degrees) != sailings::Status::ok)
    return (result = notFound).c_str();
  degrees = 0;
  status = sailings::ParseCoordinate(lat, sailings::Axis::latitude, degrees);
  if (status == sailings::Status::ok && std::fabs(degrees) > 90)
    status = sailings::Status::latitude_beyond_90;
  if (status != sailings::Status::ok) {
    return (result = "error\tlatitude '" + sailings::PrintableText(lat) +
                     "': " + sailings::Describe(status))
        .c_str();
  }
  const double latDegrees = degrees;
  status = sailings::ParseCoordinate(lon, sailings::Axis::longitude, degrees);
  if (status != sailings::Status::ok) {
    return (result = "error\tlongitude '" + sailings::PrintableText(lon) +
                     "': " + sailings::Describe(status))
        .c_str();
  }
  return (result = "ok\t\t" + lat + "\t" + lon + "\t" + sailings::NumberText(latDegrees, 9) + "\t" +
                   sailings::NumberText(degrees, 9))
      .c_str();
}
