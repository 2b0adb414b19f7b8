// The location list reader on arbitrary file contents: every record it
// offers has a name of 1 to 255 printable-or-UTF-8 bytes and a finite
// position; lines are counted exactly.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "input/location_list.h"
#include "sailings/places.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  long lines = 0;
  sailings::ForEachLocationLine(in, [&](long number, const sailings::LocationLine& line) {
    if (number != ++lines) std::abort();
    if (line.kind != sailings::LocationLine::kRecord) return;
    if (line.name.empty() || line.name.size() > 255) std::abort();
    for (unsigned char c : line.name) {
      if (c < 0x20 || c == 0x7f) std::abort();
    }
    if (!std::isfinite(line.latitude) || !std::isfinite(line.longitude)) std::abort();
    const sailings::Place place = sailings::StorePlace(line.name, line.latitude, line.longitude);
    if (!std::isfinite(place.lat) || !std::isfinite(place.lon)) std::abort();
  });
  return 0;
}
