// sailings: great elliptic and loxodromic sailings on the WGS-84 ellipsoid.
// Without arguments the interactive dialogue; with arguments the command line.
#include <unistd.h>

#include <iostream>

#include "cli/command_line.h"
#include "dialogue/driver.h"
#include "sailings/files.hpp"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // An interrupted table leaves no scratch files, and the earlier files as they were.
  sailings::RemoveScratchFilesOnSignals();
  if (argc > 1) {
    return sailings::RunCommandLine(argc, argv, std::cin, std::cout, std::cerr, ".");
  }
  return sailings::RunSailings(std::cin, std::cout, std::cerr, ".", isatty(STDOUT_FILENO) != 0);
}
