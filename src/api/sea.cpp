// Sea passages: the interface over the planner (src/sea) and the coast
// (src/land/coast.h).
#include "sailings/sea.hpp"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <deque>
#include <mutex>

#include "elliptic/ellipsoid.h"
#include "land/coast.h"
#include "sailings/coordinates.hpp"
#include "sailings/route.hpp"
#include "sea/links.h"
#include "sea/sea_planner.h"
#include "vector/position.h"

namespace sailings {

std::vector<std::string> CanalNames() {
  std::vector<std::string> names;
  for (const Gate& g : Gates()) names.push_back(g.name);
  return names;
}

bool CoastlineLoaded() { return Coast::Get() != nullptr; }

bool LoadCoastline(const std::string& bytes, const std::string& links) {
  return Coast::Load(bytes) && (links.empty() || sea::SeaLinks::Load(links));
}

std::string InlandText(double inland_nm, double clearance_nm) {
  char text[160];
  const int most = static_cast<int>(kMostInlandNm);
  if (inland_nm > kMostInlandNm)
    std::snprintf(text, sizeof text, "lies %.1f NM from the sea, more than %d NM", inland_nm, most);
  else if (inland_nm > 0)
    std::snprintf(text, sizeof text,
                  "lies %.1f NM from the sea, and no position within %d NM of it keeps the "
                  "clearance of %.2f NM",
                  inland_nm, most, clearance_nm);
  else
    std::snprintf(text, sizeof text,
                  "lies at sea, but no position within %d NM of it keeps the clearance of %.2f NM",
                  most, clearance_nm);
  return text;
}

namespace {

std::string Miles(double nm, int decimals = 1) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f NM", decimals, nm);
  return text;
}

// The last few plans, by request: a face asks for the same passage more
// than once (the page's legs, table and chart), and a plan takes long. The
// coast never changes once loaded, so a plan remembered is the plan.
SeaOutcome PlanRemembered(const Coast& coast, const SeaRequest& request, SeaPlan& plan,
                          double& inland) {
  struct Remembered {
    SeaRequest request;
    SeaOutcome outcome;
    SeaPlan plan;
    double inland;
  };
  static std::mutex mutex;
  static std::deque<Remembered> remembered;
  const auto same = [&](const SeaRequest& r) {
    return r.lat1 == request.lat1 && r.lon1 == request.lon1 && r.lat2 == request.lat2 &&
           r.lon2 == request.lon2 && r.clearance == request.clearance && r.limit == request.limit &&
           r.closed == request.closed;
  };
  {
    const std::lock_guard<std::mutex> lock(mutex);
    for (const Remembered& r : remembered) {
      if (!same(r.request)) continue;
      plan = r.plan, inland = r.inland;
      return r.outcome;
    }
  }
  const SeaOutcome outcome = PlanSea(coast, request, plan, &inland);
  const std::lock_guard<std::mutex> lock(mutex);
  remembered.push_front({request, outcome, plan, inland});
  if (remembered.size() > 8) remembered.pop_back();
  return outcome;
}

}  // namespace

Status PlanSeaPassage(double lat1, double lon1, double lat2, double lon2, const SeaOptions& options,
                      SeaPassage& passage, int* inland_end, double* inland_nm) {
  if (!(options.clearance_nm >= kMinClearanceNm && options.clearance_nm <= kMaxClearanceNm))
    return Status::clearance_out_of_range;
  if (options.limit && !(std::fabs(*options.limit) > 0 && std::fabs(*options.limit) < 90))
    return Status::limit_out_of_range;
  if (!std::isfinite(lat1) || !std::isfinite(lon1) || !std::isfinite(lat2) || !std::isfinite(lon2))
    return Status::not_a_number;
  if (std::fabs(lat1) > 90 || std::fabs(lat2) > 90) return Status::latitude_beyond_90;
  if (SamePosition(lat1, lon1, lat2, lon2)) return Status::same_position;
  SeaRequest request;
  request.lat1 = lat1, request.lon1 = lon1, request.lat2 = lat2, request.lon2 = lon2;
  request.clearance = options.clearance_nm * kNauticalMile;
  if (options.limit) request.limit = std::fabs(*options.limit);
  request.closed.assign(Gates().size(), false);
  for (std::string name : options.avoid) {
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    bool known = false;
    for (std::size_t g = 0; g < Gates().size(); ++g) {
      if (name == Gates()[g].name) request.closed[g] = known = true;
    }
    if (!known) return Status::unknown_canal;
  }
  const Coast* coast = Coast::Get();
  if (!coast) return Status::no_coast;
  SeaPlan plan;
  double inland = 0;
  const SeaOutcome outcome = PlanRemembered(*coast, request, plan, inland);
  switch (outcome) {
    case SeaOutcome::ok: break;
    case SeaOutcome::no_coast: return Status::no_coast;
    case SeaOutcome::beyond_limit: return Status::position_beyond_limit;
    case SeaOutcome::no_way: return Status::no_way_at_sea;
    case SeaOutcome::departure_inland:
    case SeaOutcome::destination_inland:
      if (inland_end) *inland_end = outcome == SeaOutcome::departure_inland ? 1 : 2;
      if (inland_nm) *inland_nm = ToNauticalMiles(inland);
      return Status::end_inland;
  }
  if (options.geodesic) SailGeodesics(*coast, plan);
  SeaPassage out;
  const std::size_t n = plan.points.size();
  for (std::size_t k = 0; k < n; ++k) {
    SeaPoint p;
    p.lat = plan.points[k].lat, p.lon = plan.points[k].lon;
    p.added = k > 0 && k + 1 < n;
    if (k > 0) {
      switch (plan.legs[k - 1]) {
        case SeaLegKind::open:
          p.leg = SeaLeg::open;
          p.clearance_nm = ToNauticalMiles(plan.clearance[k - 1]);
          break;
        case SeaLegKind::approach: p.leg = SeaLeg::approach; break;
        case SeaLegKind::canal:
          p.leg = SeaLeg::canal;
          p.canal = Gates()[plan.gate[k - 1]].title;
          break;
      }
      Route r;
      if (options.geodesic) {
        double metres = 0;
        GeographicLib::Geodesic::WGS84().Inverse(out.points.back().lat, out.points.back().lon,
                                                 p.lat, p.lon, metres);
        out.distance_nm += ToNauticalMiles(metres);
      } else if (SolveRoute(out.points.back().lat, out.points.back().lon, p.lat, p.lon, r) ==
                 Status::ok) {
        out.distance_nm += r.ge_distance_nm;
      }
    }
    out.points.push_back(p);
  }
  if (plan.approach_from > 0) {
    out.notes.push_back("the departure is joined to the sea " +
                        Miles(ToNauticalMiles(plan.approach_from)) +
                        " away by an approach leg, not checked for clearance");
  }
  if (plan.approach_to > 0) {
    out.notes.push_back("the destination is joined to the sea " +
                        Miles(ToNauticalMiles(plan.approach_to)) +
                        " away by an approach leg, not checked for clearance");
  }
  int lastGate = -1;
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (plan.legs[k] == SeaLegKind::canal && plan.gate[k] != lastGate) {
      const Gate& g = Gates()[plan.gate[k]];
      out.notes.push_back(std::string("passes ") + g.title + " (" + Miles(g.length_nm) +
                          " from entrance to entrance)");
    }
    lastGate = plan.legs[k] == SeaLegKind::canal ? plan.gate[k] : -1;
  }
  // Narrows: each run of open legs that keep less than the clearance, told
  // once, where it keeps least: the point of that leg nearest the land (a
  // leg through a strait may be long: its end, thousands of miles off).
  for (std::size_t k = 0; k + 1 < n; ++k) {
    const auto narrow = [&](std::size_t i) {
      return plan.legs[i] == SeaLegKind::open &&
             plan.clearance[i] < request.clearance - 0.01 * kNauticalMile;
    };
    if (!narrow(k)) continue;
    std::size_t least = k, last = k;
    while (last + 2 < n && narrow(last + 1)) {
      ++last;
      if (plan.clearance[last] < plan.clearance[least]) least = last;
    }
    const SeaTurn &from = plan.points[least], &to = plan.points[least + 1];
    double lat = to.lat, lon = to.lon;
    Vec3 near;
    if (coast->ArcDistance(EllipsoidPoint(from.lat * kDegree, from.lon * kDegree),
                           EllipsoidPoint(to.lat * kDegree, to.lon * kDegree), request.clearance, 0,
                           &near) < request.clearance)
      LatLonOf(near, lat, lon);
    out.notes.push_back("narrows near " + FormatPositionShort(lat, lon) + ": the passage keeps " +
                        Miles(ToNauticalMiles(plan.clearance[least]), 2) +
                        " from land there, less than the clearance of " +
                        Miles(options.clearance_nm, 2));
    k = last;
  }
  // Polar waters (the data holds no ice): the highest latitude of any leg,
  // a leg's own sampled at every 1/64 of it.
  double highest = 0;
  for (std::size_t k = 1; k < out.points.size(); ++k) {
    const Vec3 a = EllipsoidPoint(out.points[k - 1].lat * kDegree, out.points[k - 1].lon * kDegree);
    const Vec3 b = EllipsoidPoint(out.points[k].lat * kDegree, out.points[k].lon * kDegree);
    for (int i = 0; i <= 64; ++i) {
      const Vec3 d = (1 - i / 64.0) * a + (i / 64.0) * b;
      double lat, lon;
      LatLonOf(d, lat, lon);
      if (std::fabs(lat) > std::fabs(highest)) highest = lat;
    }
  }
  if (std::fabs(highest) > 66.5) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "the passage reaches %.1f%c, in polar waters: the coastline holds no ice "
                  "(a limiting latitude keeps it out)",
                  std::fabs(highest), highest < 0 ? 'S' : 'N');
    out.notes.push_back(text);
  }
  passage = std::move(out);
  return Status::ok;
}

}  // namespace sailings
