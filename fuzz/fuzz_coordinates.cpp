// Typed coordinates on arbitrary bytes: the parser must return a finite
// number, split its buffer in place within bounds, and read a line of any
// length whole through the console reader.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "input/console_reader.h"
#include "input/decimal.h"
#include "sailings/coordinates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!std::isfinite(sailings::DegreesFromText(text))) std::abort();

  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  if (!std::isfinite(sailings::degconverter(buffer.data()))) std::abort();

  std::size_t used = 0;
  const auto number = sailings::ParseDecimalPrefix(text, used);
  if (used > text.size() || (number && !std::isfinite(*number))) std::abort();

  std::istringstream in(text);
  sailings::ConsoleReader reader(in);
  std::string fields;
  for (int lines = 0; reader.ReadCoordinateLine(fields) == sailings::ConsoleReader::kOk; ++lines) {
    if (!std::isfinite(sailings::DegreesFromText(fields))) std::abort();
    if (lines > static_cast<int>(size)) std::abort();  // every call consumes a line
  }
  return 0;
}
