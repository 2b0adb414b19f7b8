#include "writers/route_file.h"

#include <charconv>
#include <cstring>
#include <fstream>

#include "sailings/text.hpp"

namespace sailings {

RouteFile::RouteFile(const std::filesystem::path& file, const std::vector<const char*>& tags) {
  if (!ResolveOutput(file, target_, unusable_)) return;
  for (const char* tag : tags) parts_.push_back(std::make_unique<ScratchFile>(target_, tag));
  tags_ = tags;
}

bool RouteFile::Rewrite(std::size_t part, const std::function<std::string(std::string_view)>& each,
                        std::string& error) {
  if (part >= parts_.size()) {
    error = unusable_;
    return false;
  }
  if (!parts_[part]->Close(error)) return false;
  auto rewritten = std::make_unique<ScratchFile>(target_, tags_[part]);
  std::ifstream in(parts_[part]->path(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) rewritten->Write(each(line));
  if (in.bad()) {
    error = "its scratch file could not be read back";
    return false;
  }
  parts_[part] = std::move(rewritten);
  return true;
}

void RouteFile::Write(std::size_t part, std::string_view text) {
  if (part < parts_.size()) parts_[part]->Write(text);
}

bool RouteFile::Finish(const std::vector<Piece>& pieces, std::string& error) {
  if (parts_.empty()) {
    error = unusable_;
    return false;
  }
  for (const std::unique_ptr<ScratchFile>& part : parts_) {
    if (!part->Close(error)) return false;
  }
  std::vector<FilePiece> file;
  for (const Piece& piece : pieces) {
    if (piece.part >= 0) {
      file.push_back({{}, parts_[static_cast<std::size_t>(piece.part)].get()});
    } else {
      file.push_back({piece.text, nullptr});
    }
  }
  return AssembleFile(target_, file, error);
}

char* Append(char* out, const char* text) {
  const std::size_t n = std::strlen(text);
  std::memcpy(out, text, n);
  return out + n;
}

char* PositionAttributes(char* out, double lat, double lon) {
  out = Append(out, " lat=\"");
  out = FormatNumber(out, lat, 8);
  out = Append(out, "\" lon=\"");
  char* digits = out;
  out = FormatNumber(out, lon, 8);
  // [-180, 180): 180 is the same meridian as -180.
  if (out - digits == 12 && std::memcmp(digits, "180.00000000", 12) == 0) {
    std::memcpy(digits, "-180.00000000", 13);
    ++out;
  }
  return Append(out, "\"");
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

}  // namespace sailings
