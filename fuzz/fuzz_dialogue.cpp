// The whole dialogue, in-process, on arbitrary standard input against a fixed
// location list in a scratch folder: it must end (a hang is caught by
// -timeout), never crash, and never print a number that is not finite.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../tests/output_check.h"
#include "../tests/scratch.h"
#include "dialogue/driver.h"
#include "long_counts.h"

namespace {
std::filesystem::path folder;
}  // namespace

// A scratch folder of its own (mkdtemp under $TMPDIR), removed at exit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  folder = scratch::Folder("fuzz-dialogue");
  std::ofstream(folder / "input.txt")
      << "North Pole\t90 0\nSouth Pole\t-90 45\nEquator\t0 0\nDateline\t10 180\n"
         "Antipode\t-10 0\nCape Town\t-33.9249 18.4241\nNew York\t40.7128 -74.006\n"
         "Same Meridian\t60 -74.006\n";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (HoldsLongCount(input)) return 0;
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = sailings::RunSailings(in, out, err, folder, false);
  if (status != 0) std::abort();
  if (check::HasNonFiniteNumber(out.str())) std::abort();
  std::ifstream file(folder / "waypoints.dat");
  const std::string table((std::istreambuf_iterator<char>(file)), {});
  if (check::HasNonFiniteNumber(table)) std::abort();
  return 0;
}
