// Typed coordinates on arbitrary bytes: a finite number, the buffer split in
// place within its bounds, and the number grammar never reading past the text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "input/decimal.h"
#include "dialogue/typed_coordinates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t used = 0;
  const auto number = sailings::ParseDecimalPrefix(text, used);
  if (used > size || (number && !std::isfinite(*number))) std::abort();
  if (!std::isfinite(sailings::DegreesFromText(text))) std::abort();
  if (!std::isfinite(sailings::degconverter(text.data()))) std::abort();  // up to the first NUL
  return 0;
}
