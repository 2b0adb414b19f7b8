// What the route files (GPX, RTZ) share: positions written as plain decimal
// degrees, waypoint names, and files assembled whole under a temporary name
// and renamed, so that a reader never sees half a route.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sailings {

// Decimal degrees with 8 decimals, never an exponent; a value that rounds to
// zero has no sign. `out` has room for 400 characters; returns the end.
char* Degrees8(char* out, double degrees);
// The same for a longitude, in [-180, 180): 180 is written -180.
char* Longitude8(char* out, double degrees);
// "WP000", "WP001", ... ("WP1000" past 999).
char* WaypointName(char* out, long number);

// A piece of a file: literal text, or the contents of a scratch file.
struct FilePiece {
  std::string text;
  std::filesystem::path file;  // used when not empty
};

// Writes the pieces in order to `target` + ".part" and renames it to
// `target`. False, with the reason in `error`, when anything fails (the
// part file is then removed).
bool AssembleFile(const std::filesystem::path& target, const std::vector<FilePiece>& pieces,
                  std::string& error);

}  // namespace sailings
