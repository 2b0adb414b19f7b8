// The route file readers (GPX, RTZ, CSV, GeoJSON, KML, NMEA) on arbitrary
// file contents, and what is made of whatever they accept: every point they
// offer is finite and within range, its speeds, limits and radii positive;
// the route check and the voyage of those points give finite figures, and
// its first legs drawn for a map give finite vertices in range; a refusal
// is one line.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sailings/check.hpp"
#include "sailings/line.hpp"
#include "sailings/route_files.hpp"
#include "sailings/voyage.hpp"

namespace {

void Finite(double v) {
  if (!std::isfinite(v)) std::abort();
}
void NotNegative(const std::optional<double>& v) {
  if (v && !(*v >= 0 && std::isfinite(*v))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  sailings::RouteFileContent content;
  std::string error;
  if (!sailings::ParseRouteText(text, "fuzz.rtz", "", content, error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    if (!content.points.empty()) std::abort();
    return 0;
  }
  if (content.points.size() < 2 || content.lines.size() != content.points.size()) std::abort();
  for (const sailings::VoyagePoint& p : content.points) {
    if (!(std::fabs(p.lat) <= 90) || !(std::fabs(p.lon) <= 180)) std::abort();
    NotNegative(p.speed_kn);
    NotNegative(p.port_xtd_nm);
    NotNegative(p.starboard_xtd_nm);
    NotNegative(p.radius_nm);
    if (p.speed_kn && *p.speed_kn == 0) std::abort();
  }
  sailings::CheckOptions options;
  options.file_stem = "fuzz";
  for (const sailings::Finding& f : sailings::CheckRoute(content, options)) {
    if (f.message.empty() || f.message.find('\n') != std::string::npos) std::abort();
    if (f.value_nm) Finite(*f.value_nm);
    if (f.lat) Finite(*f.lat);
    if (f.lon) Finite(*f.lon);
  }
  sailings::Voyage voyage;
  long waypoint = 0;
  sailings::VoyageOptions voyageOptions;
  voyageOptions.speed_kn = 10;
  if (sailings::Voyage::Plan(content.points, voyageOptions, voyage, waypoint) ==
      sailings::Status::ok) {
    for (const sailings::VoyageLeg& leg : voyage.legs()) {
      Finite(leg.distance_nm), Finite(leg.course), Finite(leg.course_final), Finite(leg.total_nm);
      if (leg.number <= 2) {
        sailings::CrossTrackSplit split;
        if (sailings::SplitForCrossTrack(leg, 5, split) == sailings::Status::ok) {
          Finite(split.separation_nm);
          if (split.separation_nm > 5 + 1e-6) std::abort();
        }
        std::vector<std::vector<sailings::MapPoint>> pieces;
        if (sailings::SailingLine(leg.passage, leg.track()).Draw(0.5, pieces) !=
                sailings::Status::ok ||
            pieces.empty()) {
          std::abort();
        }
        for (const auto& piece : pieces) {
          for (const sailings::MapPoint& v : piece) {
            if (!(std::fabs(v.lat) <= 90) || !(std::fabs(v.lon) <= 180)) std::abort();
          }
        }
      }
    }
  }
  return 0;
}
