// sailings: passage planning over one route, solved once. The vertex of the
// great ellipse; the composite sailing within a limiting latitude (the great
// ellipse to the parallel, along the parallel, the great ellipse from it);
// every sailing side by side; whether each track obviously crosses land.
//
// Units as in route.hpp: degrees and nautical miles; positions are true
// (the poles at +-90, the equator at 0), azimuths and courses in [0, 360).
#pragma once

#include <memory>
#include <optional>

#include "sailings/compare.hpp"
#include "sailings/places.hpp"
#include "sailings/route.hpp"
#include "sailings/status.hpp"

namespace sailings {

struct RouteGeometry;     // the computation's record of a route (not part of this interface)
struct CompositeSailing;  // the computation's record of a composite track (likewise)

// The point of the route's great ellipse farthest from the equator, on the
// side where the route itself goes farthest from it (north when both are).
struct Vertex {
  enum class Kind {
    point,    // an ordinary vertex at (lat, lon)
    pole,     // the route runs along a meridian: the pole of its side, lat +-90, no lon
    equator,  // the route runs along the equator: lat 0, no lon, never on the route
  };
  Kind kind = Kind::point;
  double lat = 0;             // degrees, [-90, 90]
  std::optional<double> lon;  // degrees, (-180, 180]; only for `point`
  bool on_route = false;      // between the departure and the destination
};

// The composite track within a limiting latitude, north and south.
struct CompositeTrack {
  double limit = 0;        // degrees, (0, 90)
  bool composite = false;  // false: the great ellipse keeps within the limit as it is,
                           // and the parts below are absent
  // Where the first great ellipse touches the parallel (T1) and where the last one
  // leaves it (T2): degrees.
  std::optional<double> t1_lat, t1_lon, t2_lat, t2_lon;
  std::optional<double> ge1_nm, parallel_nm, ge2_nm;  // the parts' lengths, NM, >= 0
  // The parts' initial courses, [0, 360); none for a part of no length (a
  // departure or a destination on the limit).
  std::optional<double> ge1_course, parallel_course, ge2_course;
  // The way the track runs along the parallel, 90 or 270 (also the course at
  // T1, where the first great ellipse touches it), when composite.
  std::optional<double> along_parallel;
  double total_nm = 0;               // the track's length (the great ellipse's when not composite)
  double initial_course = 0;         // leaving the departure, [0, 360)
  double final_course = 0;           // arriving at the destination, [0, 360)
  double composite_minus_ge_nm = 0;  // what keeping within the limit costs, >= 0
  double rhumb_minus_composite_nm = 0;  // what it saves over the rhumb line
};

// Where a track first runs over land: Natural Earth's 1:10m land, the coast
// the sea passages keep clear of (right to a few hundred metres; harbours,
// canals and the narrowest straits closed). The first and last 20 NM are
// left out (ports lie on the coast); the crossing is placed within 0.1 NM
// past the point where the track meets the coast. It answers "does this
// track run over land?" for ocean passages, never "is this track safe?".
// The page's build, which loads the coast only for sea passages, finds none
// before LoadCoastline.
struct LandCrossing {
  double lat = 0, lon = 0;  // degrees
};

enum class Track {
  great_ellipse,
  rhumb_line,
  geodesic,
  composite,  // the composite track of the passage's limit (the great ellipse without one)
};

// The track's name in every face's words: "great ellipse", "rhumb line",
// "geodesic", "composite track". Never null.
const char* TrackName(Track track);

// One route, solved once, with an optional limiting latitude. Copies share
// the solved route; a Passage is immutable and may be read from many threads.
class Passage {
 public:
  // A passage not yet solved: a route of no length at (0, 0), whose figures
  // are all 0 and which no table plans.
  Passage();

  // Solves the route from (lat1, lon1) to (lat2, lon2): degrees, statuses as
  // SolveRoute. With a `limit` (degrees; its sign does not matter) the
  // composite track is solved too: limit_out_of_range for a limit not in
  // (0, 90) degrees, position_beyond_limit when the departure or the
  // destination lies beyond it. On a refusal `passage` is untouched.
  static Status Solve(double lat1, double lon1, double lat2, double lon2,
                      std::optional<double> limit, Passage& passage);
  // The same between two stored places (places.hpp), solved from their
  // positions as stored: same_position when SamePosition() holds,
  // not_a_number or latitude_beyond_90 for a place that no StorePlace made.
  static Status Solve(const Place& from, const Place& to, std::optional<double> limit,
                      Passage& passage);

  const Route& route() const { return route_; }
  // The composite track; none without a limit.
  const std::optional<CompositeTrack>& composite() const { return composite_; }
  Vertex FindVertex() const;
  // The geodesic and the sphere beside the route (about half a millisecond).
  Comparison Compare() const;
  // Where `track` first runs over land, if it does.
  std::optional<LandCrossing> CrossesLand(Track track) const;

 private:
  friend struct PassageRecords;  // the library's own tables, lines and writers read them
  // Takes a solved route (and solves its composite track) into `passage`.
  static Status Adopt(const RouteGeometry& route, std::optional<double> limit, Passage& passage);

  std::shared_ptr<const RouteGeometry> geometry_;
  std::shared_ptr<const CompositeSailing> sailing_;
  Route route_;
  std::optional<CompositeTrack> composite_;
};

}  // namespace sailings
