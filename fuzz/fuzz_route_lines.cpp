// `sailings route` on arbitrary standard input, in-process: it ends, writes
// exactly one line for every line that is not blank, never a number that is
// not finite, and says 1 exactly when some line failed; with --compare every
// good line holds sixteen finite numbers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "../tests/output_check.h"
#include "cli/command_line.h"
#include "cli/route_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::istringstream lines(input);
  long expected = 0;
  bool first = true;
  for (std::string line; std::getline(lines, line); first = false) {
    // A byte-order mark before the first line is no part of it.
    if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    expected += !sailings::IsBlankRouteLine(line);
  }
  for (const char* format : {"--csv", "--json", "-p12", "--compare", "--land"}) {
    const char* argv[] = {"sailings", "route", format};
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = sailings::RunCommandLine(3, argv, in, out, err, ".");
    if (format[2] == 'l') {  // warnings on the error stream; one line each
      long warnings = 0;
      for (char ch : err.str()) warnings += ch == '\n';
      std::istringstream said(err.str());
      for (std::string line; std::getline(said, line);) {
        if (line.rfind("warning: line ", 0) != 0) std::abort();
      }
      if (warnings > 2 * expected) std::abort();
      continue;
    }
    if (format[2] == 'c' && format[3] == 'o') {  // the comparison: sixteen numbers or an error
      std::istringstream written(out.str());
      for (std::string line; std::getline(written, line);) {
        if (line.rfind("ERROR: ", 0) == 0) continue;
        if (check::HasNonFiniteNumber(line) || std::count(line.begin(), line.end(), ' ') != 15)
          std::abort();
      }
      continue;
    }
    const std::string text = out.str();
    const long header = format[2] == 'c' ? 1 : 0;
    const char* error = format[2] == 'j' ? "{\"error\"" : (header ? ",,,,," : "ERROR: ");
    long count = 0;
    bool failed = false;
    std::istringstream written(text);
    for (std::string line; std::getline(written, line); ++count) {
      // Error lines quote what was typed; the others hold numbers only.
      if (line.rfind(error, 0) == 0) {
        failed = true;
      } else if (check::HasNonFiniteNumber(line)) {
        std::abort();
      }
    }
    if (count != expected + header) std::abort();
    if (status != (failed ? 1 : 0) || !err.str().empty()) std::abort();
  }
  return 0;
}
