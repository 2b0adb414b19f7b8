// sailings: a route checked for what two receiving systems would read
// differently, and for the faults that make an ECDIS refuse or misread it.
//
// A leg is sailed as its receiver reads it: an Orthodrome as the great
// ellipse, the geodesic or the sphere's great circle (each is "the great
// circle" somewhere); a Loxodrome as the rhumb line on the ellipsoid or on
// the sphere; a leg of unknown type (GPX, CSV without a sailing) as the great
// ellipse or the rhumb line. Where two readings separate by more than the
// leg's cross-track limit, two systems steer it differently.
//
// Units as in route.hpp: degrees and nautical miles.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sailings/route_files.hpp"

namespace sailings {

struct CheckOptions {
  double xtd_nm = 0.1;    // the cross-track limit of legs that give none, > 0
  double radius_nm = 0;   // the turn radius of waypoints that give none, >= 0
  bool land = false;      // also: legs that cross land (Natural Earth 1:110m, coarse)
  std::string file_stem;  // the file's name without its extension (RTZ routeName; empty: a
                          // file without a name, standard input, is not checked)
};

struct Finding {
  enum class Kind {
    separation,     // two readings of a leg separate beyond its cross-track limit
    short_leg,      // a leg shorter than the turn radius at one of its ends
    zero_leg,       // a leg shorter than a metre
    repeated,       // a waypoint at the position of the one before it
    duplicate_id,   // two waypoints with one id
    first_leg,      // a note: a first waypoint with a leg (passed over)
    route_name,     // RTZ routeName other than the file's name
    file_size,      // an RTZ file over 400 kB
    land,           // a leg that crosses land
    crosses_180,    // a note: a leg across the 180th meridian
    high_latitude,  // a note: legs beyond 70 degrees of latitude (one note for consecutive
                    // legs, with the highest)
  };
  Kind kind = Kind::separation;
  bool fault = true;               // else a note
  long leg = 0;                    // the leg, from 1 (leg k arrives at waypoint k + 1), or 0
  long last_leg = 0;               // a note of consecutive legs (high_latitude): legs leg to
                                   // last_leg; else 0
  long waypoint = 0;               // the waypoint, from 1, or 0
  std::optional<double> value_nm;  // the separation, the leg's length
  std::optional<double> limit_nm;  // the limit it was held to
  std::optional<double> lat, lon;  // where, degrees
  std::string message;             // one line, without the leg or waypoint
};

// The findings of `content`, by waypoint and leg in order, then those of the
// whole file.
std::vector<Finding> CheckRoute(const RouteFileContent& content, const CheckOptions& options);

// The name of a kind as records write it ("separation", "short_leg", ...).
const char* KindName(Finding::Kind kind);

}  // namespace sailings
