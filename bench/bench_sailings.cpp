// Cost of one sailing, one route and one long waypoint table, beside
// GeographicLib's rhumb line and geodesic inverse problems in the same run.
#include <benchmark/benchmark.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Rhumb.hpp>
#include <nlohmann/json.hpp>

#include <cmath>
#include <ostream>
#include <random>
#include <streambuf>
#include <vector>

#include "api/rows.h"
#include "elliptic/ellipsoid.h"
#include "elliptic/great_ellipse.h"
#include "elliptic/rhumb.h"
#include "elliptic/route.h"
#include "elliptic/waypoints.h"
#include "land/coast.h"
#include "sailings/check.hpp"
#include "sailings/places.hpp"
#include "sailings/records.hpp"
#include "sailings/route_files.hpp"
#include "sailings/sea.hpp"
#include "sailings/voyage.hpp"
#include "sailings/writers.hpp"
#include "sea/sea_planner.h"

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace sailings;

namespace {

struct Route {
  double lat1, lon1, lat2, lon2;  // degrees
};

const std::vector<Route>& Routes() {
  static const std::vector<Route> routes = [] {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> lat(-80, 80), lon(-180, 180);
    std::vector<Route> r(1024);
    for (Route& x : r) x = {lat(rng), lon(rng), lat(rng), lon(rng)};
    return r;
  }();
  return routes;
}

const double kF = 1.0 - std::sqrt(1.0 - e_sq);

// Calls f on the 1024 routes in turn, as long as the benchmark wants.
template <typename F>
void OverRoutes(benchmark::State& state, F f) {
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(f(Routes()[i++ & 1023]));
}

void BM_DEllipticDistance(benchmark::State& state) {
  OverRoutes(state, [](const Route& r) {
    double s, az;
    DEllipticDistance(r.lat1 * kDegree, r.lon1 * kDegree, r.lat2 * kDegree, r.lon2 * kDegree, s,
                      az);
    return s + az;
  });
}
BENCHMARK(BM_DEllipticDistance);

void BM_LoxoLeg(benchmark::State& state) {
  OverRoutes(state, [](const Route& r) {
    double c, d;
    LoxoLeg(r.lat1 * kDegree, r.lon1 * kDegree, r.lat2 * kDegree, r.lon2 * kDegree, c, d);
    return c + d;
  });
}
BENCHMARK(BM_LoxoLeg);

void BM_ComputeRoute(benchmark::State& state) {
  OverRoutes(state,
             [](const Route& r) { return ComputeRoute(r.lat1, r.lon1, r.lat2, r.lon2).distance; });
}
BENCHMARK(BM_ComputeRoute);

void BM_EllipticStep(benchmark::State& state) {
  OverRoutes(state, [](const Route& r) {
    return EllipticStep(r.lat1 * kDegree, r.lon1 * kDegree, std::fabs(r.lon2) * kDegree, 1e6).phi;
  });
}
BENCHMARK(BM_EllipticStep);

void BM_GeographicLib_RhumbInverse(benchmark::State& state) {
  const GeographicLib::Rhumb rhumb(a, kF, true);
  OverRoutes(state, [&](const Route& r) {
    double s, az;
    rhumb.Inverse(r.lat1, r.lon1, r.lat2, r.lon2, s, az);
    return s + az;
  });
}
BENCHMARK(BM_GeographicLib_RhumbInverse);

void BM_GeographicLib_GeodesicInverse(benchmark::State& state) {
  const GeographicLib::Geodesic geodesic(a, kF);
  OverRoutes(state, [&](const Route& r) {
    double s, az1, az2;
    geodesic.Inverse(r.lat1, r.lon1, r.lat2, r.lon2, s, az1, az2);
    return s + az1;
  });
}
BENCHMARK(BM_GeographicLib_GeodesicInverse);

// A sink that throws the bytes away, as /dev/null would.
class NullBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int overflow(int c) override { return c; }
};

// The longest table the program makes: 1 NM legs over about 10,400 NM.
void BM_LongTable(benchmark::State& state) {
  const RouteGeometry g = ComputeRoute(-40, -60, 35, 115);
  const bool rhumb = state.range(0) == 2;
  const double length = rhumb ? g.loxoDistance : std::fabs(g.distance);
  const long n = static_cast<long>(length / 1852);
  NullBuffer sink;
  std::ostream console(&sink), file(&sink);
  for (auto _ : state) {
    TableText table(console, &file, {true, false, nullptr});
    WaypointRows rows(table);
    if (rhumb) {
      RhumbLineTable(g, n, 1852, rows);
    } else {
      GreatEllipseTable(g, n, 1852, rows);
    }
  }
  state.counters["rows"] = static_cast<double>(n + 2);
}
BENCHMARK(BM_LongTable)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One route's JSON line: our record writer (fixed decimals, as the command
// line prints them) against nlohmann::json building and dumping the same
// object (shortest round-trip numbers: it cannot fix the decimals).
void BM_JsonRecord(benchmark::State& state) {
  const bool own = state.range(0) == 1;
  NullBuffer sink;
  std::ostream out(&sink);
  RecordWriter records(
      out, RecordWriter::kJson, 6,
      {"ge_distance_nm", "ge_azimuth_fwd", "ge_azimuth_inv", "rhumb_course", "rhumb_distance_nm"});
  std::size_t i = 0;
  for (auto _ : state) {
    const Route& r = Routes()[i++ & 1023];
    const double v[5] = {r.lat1 * 97.3, r.lon1 + 180.0, r.lat2 + 90.0, r.lon2 + 180.0,
                         r.lat1 * 101.7};
    if (own) {
      for (double x : v) records.Number(x);
      records.EndRecord();
    } else {
      nlohmann::json j;
      j["ge_distance_nm"] = v[0];
      j["ge_azimuth_fwd"] = v[1];
      j["ge_azimuth_inv"] = v[2];
      j["rhumb_course"] = v[3];
      j["rhumb_distance_nm"] = v[4];
      out << j.dump() << '\n';
    }
  }
}
BENCHMARK(BM_JsonRecord)->Arg(1)->Arg(2);

// The waypoints of a voyage of 1,000 ocean legs (1,500 to 3,500 NM, across
// both hemispheres and the 180th meridian).
std::vector<VoyagePoint> OceanVoyage() {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> lat(-55, 55), step(30, 60);
  std::vector<VoyagePoint> points;
  double lon = -70;
  for (int i = 0; i <= 1000; ++i) {
    VoyagePoint p;
    p.lat = i == 0 ? 40 : lat(random);
    p.lon = lon;
    points.push_back(p);
    lon = std::remainder(lon + step(random), 360.0);
  }
  return points;
}

// The ocean voyage planned and split for a cross-track limit of 0.5 NM: the
// whole of `sailings voyage --xtd 0.5` but the printing.
void BM_VoyageCrossTrack(benchmark::State& state) {
  const std::vector<VoyagePoint> points = OceanVoyage();
  long parts = 0;
  for (auto _ : state) {
    Voyage voyage;
    long waypoint = 0;
    if (Voyage::Plan(points, {}, voyage, waypoint) != Status::ok) state.SkipWithError("plan");
    std::vector<CrossTrackSplit> splits;
    long leg = 0;
    if (SplitVoyageForCrossTrack(voyage, 0.5, splits, leg) != Status::ok)
      state.SkipWithError("split");
    parts = 0;
    for (const CrossTrackSplit& split : splits) parts += split.parts;
  }
  state.counters["parts"] = static_cast<double>(parts);
}
BENCHMARK(BM_VoyageCrossTrack)->Unit(benchmark::kMillisecond);

// The same 1,000 ocean legs written as GeoJSON: every leg drawn to 0.1 NM
// (densified, split at the 180th meridian) and its waypoints, the file
// written whole: `sailings voyage --geojson` but the planning.
void BM_VoyageGeoJson(benchmark::State& state) {
  const std::vector<VoyagePoint> points = OceanVoyage();
  Voyage voyage;
  long waypoint = 0;
  if (Voyage::Plan(points, {}, voyage, waypoint) != Status::ok) state.SkipWithError("plan");
  const std::vector<WaypointPlan> plans = VoyageWaypointsOnly(voyage);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "sailings-bench.geojson";
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    GeoJsonWriter writer(file, "ocean", VoyageMapTracks(voyage), MapFileOptions{});
    ForEachVoyageWaypoint(voyage, plans, writer);
    std::string error;
    writer.Finish(error);
    bytes = std::filesystem::file_size(file);
  }
  std::filesystem::remove(file);
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_VoyageGeoJson)->Unit(benchmark::kMillisecond);

// `sailings check` of an RTZ file of about 400 kB (Cape Town to New York,
// a waypoint every 2.5 NM: 2,700 legs), read and checked.
void BM_CheckRtz(benchmark::State& state) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "sailings-bench.rtz";
  Passage passage;
  TableRequest request;
  request.leg_nm = 2.5;
  WaypointPlan plan;
  if (Passage::Solve(-33.9249, 18.4241, 40.7128, -74.006, std::nullopt, passage) != Status::ok ||
      PlanWaypoints(passage, request, plan) != Status::ok) {
    state.SkipWithError("plan");
  }
  {
    RtzWriter rtz(file, nullptr);
    ForEachWaypoint(passage, plan, rtz);
    std::string error;
    rtz.Finish(error);
  }
  std::ifstream in(file, std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  std::filesystem::remove(file);
  std::size_t findings = 0;
  for (auto _ : state) {
    RouteFileContent content;
    std::string error;
    ParseRouteText(text, "sailings-bench.rtz", "", content, error);
    CheckOptions options;
    options.file_stem = "sailings-bench";
    findings = CheckRoute(content, options).size();
  }
  state.counters["bytes"] = static_cast<double>(text.size());
  state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CheckRtz)->Unit(benchmark::kMillisecond);

// One ocean passage at sea after the coastline is loaded: Rotterdam to
// Singapore by Suez, Yokohama to San Francisco (`--sea`, 2 NM clearance).
// (A passage through a canal is pulled taut on two cores, a part on each
// side of it; `taskset -c 0` gives its time on one.)
void BM_SeaPassage(benchmark::State& state) {
  const double ends[2][4] = {{51.9225, 4.4792, 1.2644, 103.8200},
                             {35.4437, 139.6380, 37.7749, -122.4194}};
  const double* e = ends[state.range(0)];
  SeaPassage passage;
  if (PlanSeaPassage(e[0], e[1], e[2], e[3], {}, passage) != Status::ok)
    state.SkipWithError("plan");
  // The planner itself (the interface remembers the last few plans).
  sailings::SeaRequest request;
  request.lat1 = e[0], request.lon1 = e[1], request.lat2 = e[2], request.lon2 = e[3];
  request.clearance = kDefaultClearanceNm * sailings::kNauticalMile;
  for (auto _ : state) {
    sailings::SeaPlan plan;
    benchmark::DoNotOptimize(sailings::PlanSea(*sailings::Coast::Get(), request, plan, nullptr));
  }
  state.counters["NM"] = passage.distance_nm;
  state.counters["points"] = static_cast<double>(passage.points.size());
}
BENCHMARK(BM_SeaPassage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every pair of 30 ports (the bundled location list and
// tools/sea-ports.txt, as tools/sea-pairs.py plans them a process each),
// one after the other, after the coastline is loaded (on one core: run it
// under `taskset -c 0`).
void BM_SeaPairs(benchmark::State& state) {
  NullBuffer sink;
  std::ostream quiet(&sink);
  std::vector<Place> ports;
  for (const char* file : {"data/input.txt", "tools/sea-ports.txt"}) {
    const auto some = LoadPlaces(std::filesystem::path(SAILINGS_SOURCE_DIR) / file, quiet);
    if (some) ports.insert(ports.end(), some->begin(), some->end());
  }
  if (ports.size() != 30) state.SkipWithError("the 30 ports");
  const sailings::Coast& coast = *sailings::Coast::Get();
  std::size_t planned = 0;
  for (auto _ : state) {
    planned = 0;
    for (std::size_t i = 0; i < ports.size(); ++i) {
      for (std::size_t j = i + 1; j < ports.size(); ++j) {
        sailings::SeaRequest request;
        request.lat1 = ports[i].lat, request.lon1 = ports[i].lon;
        request.lat2 = ports[j].lat, request.lon2 = ports[j].lon;
        request.clearance = kDefaultClearanceNm * sailings::kNauticalMile;
        sailings::SeaPlan plan;
        planned += sailings::PlanSea(coast, request, plan, nullptr) == sailings::SeaOutcome::ok;
      }
    }
  }
  state.counters["planned"] = static_cast<double>(planned);
}
BENCHMARK(BM_SeaPairs)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
