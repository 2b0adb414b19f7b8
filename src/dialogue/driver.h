// The console dialogue: banner, location list, choice of departure and
// destination, route report and waypoints, exit question.
#pragma once

#include <filesystem>
#include <iosfwd>

namespace sailings {

// Runs the whole dialogue on the given streams. "input.txt" is read from and
// "waypoints.dat" written to `directory`. `flushRows` flushes the console
// after every table row (for a terminal). Returns the exit status: 0 when the
// user asks to exit or the input ends, -2 when "input.txt" cannot be opened.
int RunSailings(std::istream& in, std::ostream& out, std::ostream& err,
                const std::filesystem::path& directory, bool flushRows);

}  // namespace sailings
