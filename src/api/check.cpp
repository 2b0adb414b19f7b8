// The route check: each leg read as different receivers read it, and the
// faults of the file itself.
#include "sailings/check.hpp"

#include <cmath>
#include <map>

#include "api/rows.h"
#include "elliptic/ellipsoid.h"
#include "elliptic/separation.h"
#include "sailings/coordinates.hpp"
#include "sailings/rtz.hpp"
#include "sailings/text.hpp"

namespace sailings {

const char* KindName(Finding::Kind kind) {
  switch (kind) {
    case Finding::Kind::separation: return "separation";
    case Finding::Kind::short_leg: return "short_leg";
    case Finding::Kind::zero_leg: return "zero_leg";
    case Finding::Kind::repeated: return "repeated";
    case Finding::Kind::duplicate_id: return "duplicate_id";
    case Finding::Kind::first_leg: return "first_leg";
    case Finding::Kind::route_name: return "route_name";
    case Finding::Kind::file_size: return "file_size";
    case Finding::Kind::land: return "land";
    case Finding::Kind::crosses_180: return "crosses_180";
    case Finding::Kind::high_latitude: return "high_latitude";
  }
  return "unknown";
}

namespace {

constexpr int kReadingSamples = 32;

// A track of the leg as a curve: u of its length.
Curve AlongTrack(const std::shared_ptr<const TrackLine>& line) {
  return [line](double u) {
    const TrackPoint p = line->At(u * line->length());
    return SurfacePoint{TrueLatitude(p.phi), p.lambda};
  };
}

// The great circle of the sphere through the two positions (their latitudes
// and longitudes taken as the sphere's): u of its arc.
Curve SphereCircle(SurfacePoint a, SurfacePoint b) {
  const Vec3 p{std::cos(a.phi) * std::cos(a.lambda), std::cos(a.phi) * std::sin(a.lambda),
               std::sin(a.phi)};
  const Vec3 q{std::cos(b.phi) * std::cos(b.lambda), std::cos(b.phi) * std::sin(b.lambda),
               std::sin(b.phi)};
  const double angle = std::atan2(Length(Cross(p, q)), Dot(p, q));
  return [p, q, angle, a, b](double u) {
    if (!(angle > 1e-12) || u <= 0) return a;
    if (u >= 1) return b;
    const double s = std::sin(angle);
    const Vec3 r = (std::sin((1 - u) * angle) / s) * p + (std::sin(u * angle) / s) * q;
    return SurfacePoint{std::atan2(r.z, std::hypot(r.x, r.y)), std::atan2(r.y, r.x)};
  };
}

// The rhumb line of the sphere (straight on the sphere's Mercator chart, the
// isometric latitude atanh(sin phi)) between the two positions, the shorter
// way in longitude: u of its change of latitude (of longitude along a
// parallel).
Curve SphereRhumb(SurfacePoint a, SurfacePoint b) {
  const double dlambda = std::remainder(b.lambda - a.lambda, kTwoPi);
  const double qa = std::atanh(std::sin(a.phi)), qb = std::atanh(std::sin(b.phi));
  const bool parallel = std::fabs(b.phi - a.phi) < 1e-12;
  return [a, b, dlambda, qa, qb, parallel](double u) {
    if (u <= 0) return a;
    if (u >= 1) return b;
    if (parallel) return SurfacePoint{a.phi, a.lambda + u * dlambda};
    const double phi = a.phi + u * (b.phi - a.phi);
    return SurfacePoint{phi, a.lambda + dlambda * (std::atanh(std::sin(phi)) - qa) / (qb - qa)};
  };
}

// Whether two positions are (within a metre or so) antipodal on the sphere.
bool Antipodal(SurfacePoint a, SurfacePoint b) {
  const Vec3 p{std::cos(a.phi) * std::cos(a.lambda), std::cos(a.phi) * std::sin(a.lambda),
               std::sin(a.phi)};
  const Vec3 q{std::cos(b.phi) * std::cos(b.lambda), std::cos(b.phi) * std::sin(b.lambda),
               std::sin(b.phi)};
  return Dot(p, q) < 0 && Length(Cross(p, q)) < 1e-7;
}

struct Reading {
  const char* name;
  Curve curve;                             // as a curve to measure
  std::shared_ptr<const TrackLine> track;  // as a track to measure from (or null)
};

std::string Where(const SurfacePoint& p) {
  return FormatPositionShort(ToDegrees(p.phi), ToDegrees(WrapLongitude(p.lambda)));
}

std::string Nm(double nm) { return FixedText(nm, 2) + " NM"; }

}  // namespace

std::vector<Finding> CheckRoute(const RouteFileContent& content, const CheckOptions& options) {
  std::vector<Finding> found;
  const std::vector<VoyagePoint>& points = content.points;
  const auto add = [&](Finding::Kind kind, bool fault, long leg, long waypoint,
                       std::string message) -> Finding& {
    Finding f;
    f.kind = kind, f.fault = fault, f.leg = leg, f.waypoint = waypoint;
    f.message = std::move(message);
    found.push_back(std::move(f));
    return found.back();
  };
  std::optional<std::size_t> highRun;  // the high-latitude note of the legs just before
  double runHighest = 0;
  if (!points.empty() && points[0].has_leg) {
    // The format permits it (RTZ's own samples do it) and it has no effect.
    add(Finding::Kind::first_leg, false, 0, 1,
        "the first waypoint's leg is passed over (a leg arrives at its waypoint; the first has "
        "none)");
  }
  std::map<std::string, long> ids;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i].id.empty()) continue;
    const auto [at, inserted] = ids.emplace(points[i].id, static_cast<long>(i) + 1);
    if (!inserted) {
      add(Finding::Kind::duplicate_id, true, 0, static_cast<long>(i) + 1,
          "id " + PrintableText(points[i].id) + " is also the id of waypoint " +
              std::to_string(at->second));
    }
  }
  for (std::size_t i = 1; i < points.size(); ++i) {
    const VoyagePoint& from = points[i - 1];
    const VoyagePoint& to = points[i];
    const long leg = static_cast<long>(i), waypoint = static_cast<long>(i) + 1;
    const Place a = StorePlace(from.name, from.lat, from.lon);
    const Place b = StorePlace(to.name, to.lat, to.lon);
    Passage passage;
    if (SamePosition(a, b) || Passage::Solve(a, b, std::nullopt, passage) != Status::ok) {
      add(Finding::Kind::repeated, true, leg, waypoint,
          "waypoint " + std::to_string(waypoint) + " repeats the position of waypoint " +
              std::to_string(waypoint - 1) + " (a leg of no length)");
      continue;
    }
    const LegType type = to.sailing == Sailing::rhumb_line ? LegType::loxodrome
                         : to.sailing                      ? LegType::orthodrome
                                                           : to.type;
    const Route& route = passage.route();
    const double length =
        type == LegType::loxodrome ? route.rhumb_distance_nm : route.ge_distance_nm;
    if (length * kNauticalMile < 1.0) {
      Finding& f = add(Finding::Kind::zero_leg, true, leg, waypoint,
                       "the leg is " + FixedText(length * kNauticalMile, 2) + " m long");
      f.value_nm = length;
      continue;
    }
    // Turn radii at either end.
    for (const VoyagePoint* end : {&from, &to}) {
      const double radius = end->radius_nm.value_or(options.radius_nm);
      if (radius > 0 && length < radius) {
        const long at = end == &from ? waypoint - 1 : waypoint;
        Finding& f = add(Finding::Kind::short_leg, true, leg, at,
                         "the leg (" + Nm(length) + ") is shorter than the turn radius " +
                             Nm(radius) + " at waypoint " + std::to_string(at));
        f.value_nm = length, f.limit_nm = radius;
        break;
      }
    }
    // The readings, and the greatest separation between any two.
    const std::shared_ptr<const TrackLine> ge = MakeTrackLine(passage, Track::great_ellipse);
    const SurfacePoint pa{a.lat * kDegree, a.lon * kDegree}, pb{b.lat * kDegree, b.lon * kDegree};
    std::vector<Reading> readings;
    const char* typeName = "a leg of unknown type";
    if (type == LegType::orthodrome && Antipodal(pa, pb)) {
      add(Finding::Kind::separation, true, leg, waypoint,
          "Orthodrome between antipodes: every great circle through them is as short, and "
          "receivers choose different ones");
    } else if (type == LegType::orthodrome) {
      typeName = "Orthodrome";
      const auto geodesic = MakeTrackLine(passage, Track::geodesic);
      readings = {{"the great ellipse", AlongTrack(ge), ge},
                  {"the geodesic", AlongTrack(geodesic), geodesic},
                  {"the sphere's great circle", SphereCircle(pa, pb), nullptr}};
    } else if (type == LegType::loxodrome) {
      typeName = "Loxodrome";
      const auto rhumb = MakeTrackLine(passage, Track::rhumb_line);
      readings = {{"the rhumb line", AlongTrack(rhumb), rhumb},
                  {"the sphere's rhumb line", SphereRhumb(pa, pb), nullptr}};
      if (IsNorthPole(pa.phi) || IsSouthPole(pa.phi) || IsNorthPole(pb.phi) ||
          IsSouthPole(pb.phi)) {
        readings.pop_back();  // to or from a pole both are the meridian
      }
    } else {
      const auto rhumb = MakeTrackLine(passage, Track::rhumb_line);
      readings = {{"the great ellipse", AlongTrack(ge), ge},
                  {"the rhumb line", AlongTrack(rhumb), rhumb}};
    }
    const double limit =
        std::max(to.port_xtd_nm.value_or(0), to.starboard_xtd_nm.value_or(0)) > 0
            ? std::min(to.port_xtd_nm.value_or(INFINITY), to.starboard_xtd_nm.value_or(INFINITY))
            : options.xtd_nm;
    SeparationResult worst;
    std::pair<const char*, const char*> pair{nullptr, nullptr};
    for (std::size_t x = 0; x < readings.size(); ++x) {
      for (std::size_t y = 0; y < readings.size(); ++y) {
        if (x == y || !readings[y].track) continue;
        if (readings[x].track && x > y) continue;  // each pair of tracks once
        const TrackLine& track = *readings[y].track;
        const SeparationResult r =
            GreatestSeparation(readings[x].curve, track, 0.0, track.length(), kReadingSamples);
        if (!pair.first || r.metres > worst.metres)
          worst = r, pair = {readings[x].name, readings[y].name};
      }
    }
    const double separation = ToNauticalMiles(worst.metres);
    if (pair.first && separation > limit) {
      Finding& f = add(Finding::Kind::separation, true, leg, waypoint,
                       std::string(typeName) + " read as " + pair.second + " and as " + pair.first +
                           ": " + Nm(separation) + " apart at " + Where(worst.at) +
                           " (cross-track limit " + Nm(limit) + ")");
      f.value_nm = separation, f.limit_nm = limit;
      f.lat = ToDegrees(worst.at.phi), f.lon = ToDegrees(WrapLongitude(worst.at.lambda));
    }
    if (options.land) {
      // A leg of unknown type is sailed either way: each track is looked at.
      struct Sailed {
        Track track;
        const char* as;  // how the message names it, for a leg of unknown type
      };
      std::vector<Sailed> tracks;
      if (type == LegType::loxodrome) {
        tracks = {{Track::rhumb_line, ""}};
      } else if (type == LegType::orthodrome) {
        tracks = {{Track::great_ellipse, ""}};
      } else {
        tracks = {{Track::great_ellipse, " (read as the great ellipse)"},
                  {Track::rhumb_line, " (read as the rhumb line)"}};
      }
      for (const Sailed& sailed : tracks) {
        if (const std::optional<LandCrossing> land = passage.CrossesLand(sailed.track)) {
          Finding& f = add(Finding::Kind::land, true, leg, waypoint,
                           std::string("the leg crosses land near ") +
                               FormatPositionShort(land->lat, land->lon) + sailed.as);
          f.lat = land->lat, f.lon = land->lon;
        }
      }
    }
    // Notes: the 180th meridian, and high latitudes.
    const double dlon = std::remainder(b.lon - a.lon, 360.0);
    // A leg that leaves the meridian itself (180 or -180, one meridian)
    // leaves it on the side it sails to, and does not cross it.
    const double start = std::fabs(a.lon) == 180.0 ? (dlon < 0 ? 180.0 : -180.0) : a.lon;
    if (std::fabs(start + dlon) > 180.0 && std::fabs(dlon) < 180.0) {
      add(Finding::Kind::crosses_180, false, leg, waypoint, "the leg crosses the 180th meridian");
    }
    double highest = std::max(std::fabs(a.lat), std::fabs(b.lat));
    if (type != LegType::loxodrome) {
      const Vertex v = passage.FindVertex();
      if (v.on_route) highest = std::max(highest, std::fabs(v.lat));
    }
    if (highest > 70.0) {
      // Consecutive legs in one note, however many: a polar route is one
      // finding, not one per leg.
      if (highRun && found[*highRun].last_leg == leg - 1) {
        Finding& f = found[*highRun];
        f.last_leg = leg;
        runHighest = std::max(runHighest, highest);
        f.message = "the legs reach " + FixedText(runHighest, 1) +
                    " degrees of latitude: above 70 degrees receivers' tracks part";
      } else {
        add(Finding::Kind::high_latitude, false, leg, waypoint,
            "the leg reaches " + FixedText(highest, 1) +
                " degrees of latitude: above 70 degrees receivers' tracks part")
            .last_leg = leg;
        highRun = found.size() - 1;
        runHighest = highest;
      }
    }
  }
  if (content.format == RouteFormat::rtz) {
    if (!options.file_stem.empty() && content.route_name != options.file_stem) {
      add(Finding::Kind::route_name, true, 0, 0,
          "routeName '" + PrintableText(content.route_name) + "' is not the file's name '" +
              PrintableText(options.file_stem) + "'");
    }
    if (content.bytes > kRtzMaxBytes) {
      add(Finding::Kind::file_size, true, 0, 0,
          "the file is " + std::to_string(content.bytes / 1000) + " kB; ECDIS take at most 400 kB");
    }
  }
  return found;
}

}  // namespace sailings
