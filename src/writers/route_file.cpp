#include "writers/route_file.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <system_error>

#include "writers/fixed_format.h"

namespace sailings {

char* Degrees8(char* out, double degrees) { return FormatNumber(out, degrees, 8); }

char* Longitude8(char* out, double degrees) {
  char* end = Degrees8(out, degrees);
  if (end - out == 12 && std::memcmp(out, "180.00000000", 12) == 0) {
    std::memcpy(out, "-180.00000000", 13);
    ++end;
  }
  return end;
}

char* WaypointName(char* out, long number) {
  std::memcpy(out, "WP", 2);
  char* label = out + 2;
  char* end = std::to_chars(label, label + 24, number).ptr;
  if (end - label < 3) {  // at least three digits
    const std::ptrdiff_t pad = 3 - (end - label);
    std::memmove(label + pad, label, static_cast<std::size_t>(end - label));
    std::memset(label, '0', static_cast<std::size_t>(pad));
    end += pad;
  }
  return end;
}

bool AssembleFile(const std::filesystem::path& target, const std::vector<FilePiece>& pieces,
                  std::string& error) {
  const std::filesystem::path part = target.string() + ".part";
  std::error_code ec;
  {
    std::ofstream out(part, std::ios::out | std::ios::trunc | std::ios::binary);
    bool read = true;
    for (const FilePiece& piece : pieces) {
      if (piece.file.empty()) {
        out << piece.text;
        continue;
      }
      std::ifstream in(piece.file, std::ios::binary);
      read = read && in.good();
      if (in.peek() != std::ifstream::traits_type::eof()) out << in.rdbuf();
    }
    out.close();
    if (!read || out.fail()) {
      error = "the file " + part.filename().string() + " could not be written";
      std::filesystem::remove(part, ec);
      return false;
    }
  }
  std::filesystem::rename(part, target, ec);
  if (ec) {
    error = ec.message();
    std::filesystem::remove(part, ec);
    return false;
  }
  return true;
}

}  // namespace sailings
