// sailings: great elliptic and loxodromic sailings on the WGS-84 ellipsoid.
#include <unistd.h>

#include <iostream>

#include "sailings/driver.h"

int main() {
  std::ios::sync_with_stdio(false);
  return sailings::RunSailings(std::cin, std::cout, std::cerr, ".", isatty(STDOUT_FILENO) != 0);
}
