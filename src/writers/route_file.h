// What the route files (GPX, RTZ) share: a file streamed to scratch parts
// while the table is made and then written whole, and one way to write a
// waypoint's position and name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "writers/output_file.h"

namespace sailings {

// A route file: its target and the scratch parts that hold its rows (memory
// does not grow with the table). A target that cannot be written makes no
// parts; Finish() then tells why.
class RouteFile {
 public:
  // One scratch part per tag ("points", "schedule", ...).
  RouteFile(const std::filesystem::path& file, const std::vector<const char*>& tags);

  // Appends `text` to part `part` (nothing when the target is unusable).
  void Write(std::size_t part, std::string_view text);
  // Reads part `part` back line by line (without its newline) and puts in
  // its place what `each` makes of every line: for a file whose lines need
  // what is known only at the end (a count). False with the reason.
  bool Rewrite(std::size_t part, const std::function<std::string(std::string_view)>& each,
               std::string& error);
  // The file written is `target().path` (links followed).
  const OutputTarget& target() const { return target_; }

  // A piece of the file: literal text, or a part (`part` >= 0).
  struct Piece {
    std::string text;
    int part = -1;
  };
  // Writes the pieces whole; false with the reason in `error`.
  bool Finish(const std::vector<Piece>& pieces, std::string& error);
  // The bytes Finish() wrote.
  std::uintmax_t bytes() const { return bytes_; }

 private:
  OutputTarget target_;
  std::string unusable_;  // why the target cannot be written, or empty
  std::vector<std::unique_ptr<ScratchFile>> parts_;
  std::vector<const char*> tags_;
  std::uintmax_t bytes_ = 0;
};

// Appends `text` at `out`; returns the end. (A route file's lines are
// formatted in place: they are written for every row of long tables.)
char* Append(char* out, const char* text);
// Appends ` lat="..." lon="..."` of a position (degrees, 8 decimals, plain
// decimal numbers; a longitude of 180 written -180) at `out`, which has room
// for 1000 characters; returns the end.
char* PositionAttributes(char* out, double lat, double lon);
// "WP000", "WP001", ... ("WP1000" past 999) at `out`, or the same after
// another `prefix` (at most 16 letters); returns the end.
char* WaypointName(char* out, long number, const std::string& prefix = "WP");
// The prefix of made names that none of `given` (the names a route's own
// waypoints carry) has the form of: "WP" when none is "WP" and digits, else
// "WPA", "WPB", ... "WPZ", "WPAA", ...: a made name never repeats a given one.
std::string MadeNamePrefix(const std::vector<std::string>& given);

}  // namespace sailings
