// The coast's data: the bytes of coast_10m.bin (built in, or given to the
// page), decoded into rings once, under a lock.
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#include "land/coast.h"

namespace sailings {

#ifndef SAILINGS_COAST_SEPARATE
// The bytes of coast_10m.bin, built in (coast_10m_data.cpp, made at build time).
extern const unsigned char kCoast10m[];
extern const std::size_t kCoast10mSize;
#endif

namespace {

std::mutex& LoadMutex() {
  static std::mutex m;
  return m;
}
std::unique_ptr<const Coast>& Loaded() {
  static std::unique_ptr<const Coast> coast;
  return coast;
}

bool ReadVarint(const unsigned char*& at, const unsigned char* end, std::uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (at == end) return false;
    const unsigned char byte = *at++;
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return true;
  }
  return false;
}

}  // namespace

const Coast* Coast::Get() {
  std::lock_guard<std::mutex> lock(LoadMutex());
  std::unique_ptr<const Coast>& coast = Loaded();
#ifndef SAILINGS_COAST_SEPARATE
  if (!coast) {
    coast.reset(
        new Coast(std::string_view(reinterpret_cast<const char*>(kCoast10m), kCoast10mSize)));
  }
#endif
  return coast && coast->ok_ ? coast.get() : nullptr;
}

bool Coast::Load(std::string_view bytes) {
  {
    std::lock_guard<std::mutex> lock(LoadMutex());
    std::unique_ptr<const Coast>& coast = Loaded();
    if (!coast || !coast->ok_) coast.reset(new Coast(bytes));
  }
  return Get() != nullptr;
}

Coast::Coast(std::string_view bytes) {
  if (Decode(bytes)) {
    Index();
    ok_ = true;
  }
}

bool Coast::Decode(std::string_view bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* end = at + bytes.size();
  if (bytes.size() < 40 || std::memcmp(at, "SLC1", 4) != 0) return false;
  double frame[4];  // lon0, lat0, dlon, dlat: little-endian float64
  for (int k = 0; k < 4; ++k) {
    std::uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = bits << 8 | at[4 + 8 * k + b];
    std::memcpy(&frame[k], &bits, sizeof bits);
    if (!std::isfinite(frame[k])) return false;
  }
  at += 36;
  std::uint32_t count = 0;
  for (int b = 3; b >= 0; --b) count = count << 8 | at[b];
  at += 4;
  for (std::uint32_t r = 0; r < count; ++r) {
    std::uint64_t n = 0;
    if (!ReadVarint(at, end, n) || n < 3 || n > bytes.size()) return false;
    std::vector<Point> ring;
    ring.reserve(n);
    std::int64_t x = 0, y = 0;
    for (std::uint64_t k = 0; k < n; ++k) {
      std::uint64_t dx, dy;
      if (!ReadVarint(at, end, dx) || !ReadVarint(at, end, dy)) return false;
      x += static_cast<std::int64_t>(dx >> 1) ^ -static_cast<std::int64_t>(dx & 1);
      y += static_cast<std::int64_t>(dy >> 1) ^ -static_cast<std::int64_t>(dy & 1);
      Point p{frame[0] + x * frame[2], frame[1] + y * frame[3]};
      if (!(std::fabs(p.lat) <= 90) || !std::isfinite(p.lon)) return false;
      // Each ring continuous in longitude (the data's rings cross 180).
      if (!ring.empty()) p.lon += 360.0 * std::round((ring.back().lon - p.lon) / 360.0);
      ring.push_back(p);
    }
    rings_.push_back(std::move(ring));
  }
  return at == end && !rings_.empty();
}

}  // namespace sailings
