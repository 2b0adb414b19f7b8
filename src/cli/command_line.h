// The command line: `sailings route` and `sailings table`, scriptable
// filters over the library in the manner of GeographicLib's GeodSolve.
#pragma once

#include <filesystem>
#include <iosfwd>

namespace sailings {

// Runs the command line given in argv (argv[0] is the program's name) on the
// given streams; relative paths (--list, --gpx) are taken from `directory`.
// Returns the exit status: 0 all well; 1 a route, line or file failed (after
// doing all the others); 2 a usage error (the usage on `err`).
int RunCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                   std::ostream& err, const std::filesystem::path& directory);

}  // namespace sailings
