#include "writers/route_file.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <set>

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
  bytes_ = 0;
  for (const Piece& piece : pieces) {
    if (piece.part >= 0) {
      const ScratchFile* part = parts_[static_cast<std::size_t>(piece.part)].get();
      file.push_back({{}, part});
      std::error_code ec;
      const std::uintmax_t size = std::filesystem::file_size(part->path(), ec);
      if (!ec) bytes_ += size;
    } else {
      file.push_back({piece.text, nullptr});
      bytes_ += piece.text.size();
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

std::string MadeNamePrefix(const std::vector<std::string>& given) {
  // The letters before the digits of every given name of that form.
  std::set<std::string> taken;
  for (const std::string& name : given) {
    const std::size_t digits = name.find_first_of("0123456789");
    if (digits == 0 || digits == std::string::npos || digits > 16) continue;
    if (name.find_first_not_of("0123456789", digits) != std::string::npos) continue;
    taken.insert(name.substr(0, digits));
  }
  // "WP", then "WP" and the letters of 1, 2, ... counted in base 26: one
  // of the first taken.size() + 1 is free.
  for (std::size_t k = 0;; ++k) {
    std::string letters;
    for (std::size_t n = k; n > 0; n = (n - 1) / 26) {
      letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    }
    if (!taken.count("WP" + letters)) return "WP" + letters;
  }
}

char* WaypointName(char* out, long number, const std::string& prefix) {
  std::memcpy(out, prefix.data(), prefix.size());
  char* label = out + prefix.size();
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
