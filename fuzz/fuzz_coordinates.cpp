// The coordinate reader on arbitrary bytes: the number grammar never reads
// past the text; every accepted token or typed answer is finite, a token's
// latitude within 90 degrees; a refusal leaves the result untouched; and
// what the writer makes of an accepted value reads back to it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sailings/coordinates.hpp"
#include "sailings/text.hpp"

using namespace sailings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t used = 0;
  const auto number = ParseDecimalPrefix(text, used);
  if (used > size || (number && !std::isfinite(*number))) std::abort();
  for (Axis axis : {Axis::latitude, Axis::longitude}) {
    double degrees = 12345;
    Status status = ParseTypedCoordinate(text, axis, degrees);
    if (status == Status::ok ? !std::isfinite(degrees) : degrees != 12345) std::abort();
    degrees = 12345;
    status = ParseCoordinate(text, axis, degrees);
    if (status != Status::ok) {
      if (degrees != 12345) std::abort();
      continue;
    }
    if (!std::isfinite(degrees) || (axis == Axis::latitude && std::fabs(degrees) > 90))
      std::abort();
    if (std::fabs(degrees) < 1e6) {
      double back = 0;
      const std::string written = FormatCoordinate(degrees, axis, CoordinateStyle::dms, 12);
      if (ParseCoordinate(written, axis, back) != Status::ok) std::abort();
      if (std::fabs(back - degrees) > 1e-9) std::abort();
    }
  }
  return 0;
}
