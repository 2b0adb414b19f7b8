// The argument parser on arbitrary arguments (the input's lines are the
// arguments; standard input is empty): every run ends with status 0, 1 or 2,
// says why in one line (or the usage) when it fails (but for `check` that
// found faults, which it lists on standard output), after any warnings about
// lines of a location list it skipped, and never prints a number that is not
// finite. Files it is asked to write go to a scratch
// folder of its own, removed at exit.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../tests/output_check.h"
#include "../tests/scratch.h"
#include "cli/command_line.h"
#include "long_counts.h"

namespace {
std::filesystem::path folder;
}  // namespace

// A scratch folder of its own (mkdtemp under $TMPDIR), removed at exit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  folder = scratch::Folder("fuzz-command-line");
  std::ofstream(folder / "input.txt") << "Cape Town\t-33.9249 18.4241\nNew York\t40.7128 -74.006\n"
                                         "Pole\t90 0\nAntipode\t33.9249 -161.5759\n";
  // A list with lines that are skipped with a warning each (as a file of
  // another kind would be).
  std::ofstream(folder / "mixed.txt") << "<svg>\nCape Town\t-33.9249 18.4241\nNowhere\t95 0\n";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (HoldsLongCount(input)) return 0;  // legs below 10 NM too, below
  std::vector<std::string> args = {"sailings"};
  std::istringstream lines(input);
  for (std::string arg; std::getline(lines, arg) && args.size() < 16;) args.push_back(arg);
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--leg" && i + 1 < args.size() && args[i + 1].size() < 2) return 0;
    // Files stay in the scratch folder: devices are written through, and
    // /dev holds some that no test should write.
    if (args[i].find('/') != std::string::npos) return 0;
  }
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in;
  std::ostringstream out, err;
  const int status =
      sailings::RunCommandLine(static_cast<int>(argv.size()), argv.data(), in, out, err, folder);
  if (status < 0 || status > 2 || check::HasNonFiniteNumber(out.str())) std::abort();
  const std::string message = err.str();
  // `check` ends with 1 when it finds a fault in the file (a route file the
  // target wrote before): the findings and their summary on standard output,
  // nothing on the error stream.
  const bool faultsFound = args.size() > 1 && args[1] == "check" && status == 1 &&
                           err.str().empty() && out.str().find(" fault") != std::string::npos;
  if (status == 1 && !faultsFound) {
    // Warnings first ("LIST: line N skipped: …"), then the one error line.
    std::istringstream lines(message);
    std::vector<std::string> said;
    for (std::string line; std::getline(lines, line);) said.push_back(line);
    if (said.empty() || said.back().rfind("ERROR: ", 0) != 0) std::abort();
    for (std::size_t i = 0; i + 1 < said.size(); ++i)
      if (said[i].find(": line ") == std::string::npos) std::abort();
  }
  if (status == 2 && message.find("usage: sailings route") == std::string::npos) std::abort();
  return 0;
}
