// Which coarse cells the sea joins (sea/links.h): each cell's links as the
// fine search finds them (Planner::Links), and the table of them read.
#include "sea/links.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "sea/planner.h"

#include <zlib.h>

namespace sailings {

#ifndef SAILINGS_COAST_SEPARATE
// The bytes of links.bin, built in (sea_links_data.cpp, made at build time).
extern const unsigned char kSeaLinks[];
extern const std::size_t kSeaLinksSize;
#endif

namespace sea {

int Planner::Links(int k, std::vector<std::pair<int, int>> (&pairs)[8]) {
  const Seas& seas = SeasOf(k);  // (the map's entries stay where they are)
  const int r = k / kCoarseColumns, c = k % kCoarseColumns;
  for (int d = 0; d < 8; ++d) {
    pairs[d].clear();
    const int dr = kSteps[d][0], dc = kSteps[d][1];
    if (seas.count == 0 || r + dr < 0 || r + dr >= kCoarseRows) continue;
    const int nc = (c + dc + kCoarseColumns) % kCoarseColumns;
    const Seas& there = SeasOf((r + dr) * kCoarseColumns + nc);
    if (there.count == 0) continue;
    // Each open fine cell on k's border facing the neighbour, and each of
    // its fine neighbours within the neighbouring coarse cell.
    for (int i = 0; i < 100; ++i) {
      const int fr = i / 10, fc = i % 10;
      if (seas.of[i] < 0 || (dr < 0 && fr > 0) || (dr > 0 && fr < 9) || (dc < 0 && fc > 0) ||
          (dc > 0 && fc < 9))
        continue;
      const Cell a{r * 10 + fr, c * 10 + fc};
      for (int sr = -1; sr <= 1; ++sr) {
        for (int sc = -1; sc <= 1; ++sc) {
          const int br = fr + sr - 10 * dr, bc = fc + sc - 10 * dc;  // within the neighbour
          if (br < 0 || br > 9 || bc < 0 || bc > 9) continue;
          const int j = br * 10 + bc;
          if (there.of[j] < 0) continue;
          const std::pair<int, int> pair{seas.of[i], there.of[j]};
          if (std::find(pairs[d].begin(), pairs[d].end(), pair) != pairs[d].end()) continue;
          if (Step(a, {(r + dr) * 10 + br, nc * 10 + bc})) pairs[d].push_back(pair);
        }
      }
    }
    std::sort(pairs[d].begin(), pairs[d].end());
  }
  return seas.count;
}

// The file: "SSL1", the length of the raw table (32 bits, little-endian),
// then the table as one zlib stream (sea/links.h).
SeaLinks::SeaLinks(std::string_view bytes) {
  constexpr std::size_t kCells = kCoarseRows * kCoarseColumns;
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < 8 || bytes.substr(0, 4) != "SSL1") return;
  const std::uint32_t length = ReadU32(at + 4);
  if (length < 2 * kCells + 4 || length > (std::uint32_t{1} << 28)) return;
  std::vector<unsigned char> raw(length);
  uLongf size = length;
  if (uncompress(raw.data(), &size, at + 8, static_cast<uLong>(bytes.size() - 8)) != Z_OK ||
      size != length)
    return;
  seas_.assign(raw.begin(), raw.begin() + kCells);
  joined_.assign(raw.begin() + kCells, raw.begin() + 2 * kCells);
  for (const std::uint8_t n : seas_) parts_ += n >= 2 ? n : 0;
  std::size_t p = 2 * kCells;
  const std::uint32_t entries = ReadU32(&raw[p]);
  p += 4;
  for (std::uint32_t e = 0; e < entries; ++e) {
    if (p + 5 > length) return;
    const std::uint32_t key = ReadU32(&raw[p]);
    const int count = raw[p + 4];
    p += 5;
    if (key >= 8 * kCells || (!keys_.empty() && key <= keys_.back()) ||
        p + 2 * static_cast<std::size_t>(count) > length)
      return;
    keys_.push_back(key), first_.push_back(static_cast<std::uint32_t>(pairs_.size()));
    for (int q = 0; q < count; ++q, p += 2) pairs_.push_back({raw[p], raw[p + 1]});
  }
  first_.push_back(static_cast<std::uint32_t>(pairs_.size()));
  ok_ = p == length;
  if (!ok_) return;
  // Open water: each cell's own test, then over five columns (round the
  // globe) and five rows (none within two rows of a pole), a row at a time
  // over the last five rows. (A page first written costs microseconds:
  // nothing the size of the table is made for it.)
  constexpr int kRows = kCoarseRows, kColumns = kCoarseColumns;
  std::vector<std::uint8_t> row(kColumns + 4), across(5 * kColumns);
  open_water_.assign(kCells / 64 + 1, 0);
  for (int r = 0; r < kRows; ++r) {
    const std::size_t first = static_cast<std::size_t>(r) * kColumns;
    for (int c = 0; c < kColumns; ++c)
      row[c + 2] = (seas_[first + c] == 1) & (joined_[first + c] == 0xFF);
    row[0] = row[kColumns], row[1] = row[kColumns + 1];
    row[kColumns + 2] = row[2], row[kColumns + 3] = row[3];
    std::uint8_t* const out = &across[(r % 5) * kColumns];
    for (int c = 0; c < kColumns; ++c)
      out[c] = row[c] & row[c + 1] & row[c + 2] & row[c + 3] & row[c + 4];
    if (r < 4) continue;
    const std::size_t middle = first - 2 * kColumns;  // row r - 2
    for (int c = 0; c < kColumns; ++c) {
      const std::uint8_t all = across[c] & across[c + kColumns] & across[c + 2 * kColumns] &
                               across[c + 3 * kColumns] & across[c + 4 * kColumns];
      const std::size_t k = middle + c;
      open_water_[k >> 6] |= static_cast<std::uint64_t>(all) << (k & 63);
    }
  }
}

#ifdef SAILINGS_COAST_SEPARATE
namespace {

// A build without the table (the page) is given it with the coastline: the
// corridors, and so the passages, are the same wherever they are planned.
std::mutex& LoadMutex() {
  static std::mutex m;
  return m;
}
std::unique_ptr<const SeaLinks>& Loaded() {
  static std::unique_ptr<const SeaLinks> links;
  return links;
}

}  // namespace
#endif

const SeaLinks* SeaLinks::Get() {
#ifdef SAILINGS_COAST_SEPARATE
  std::lock_guard<std::mutex> lock(LoadMutex());
  const std::unique_ptr<const SeaLinks>& links = Loaded();
  return links && links->ok() ? links.get() : nullptr;
#else
  static const SeaLinks links(
      std::string_view(reinterpret_cast<const char*>(kSeaLinks), kSeaLinksSize));
  return links.ok() ? &links : nullptr;
#endif
}

bool SeaLinks::Load(std::string_view bytes) {
#ifdef SAILINGS_COAST_SEPARATE
  {
    std::lock_guard<std::mutex> lock(LoadMutex());
    std::unique_ptr<const SeaLinks>& links = Loaded();
    if (!links || !links->ok()) links.reset(new SeaLinks(bytes));
  }
#else
  (void)bytes;
#endif
  return Get() != nullptr;
}

bool SeaLinks::Joined(int k, int d, int i, int j) const {
  const auto key = static_cast<std::uint32_t>(k) * 8 + static_cast<std::uint32_t>(d);
  const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
  // (No entry: both cells hold one sea at most.)
  if (at == keys_.end() || *at != key) return i == 0 && j == 0 && Joined(k, d);
  const std::size_t e = static_cast<std::size_t>(at - keys_.begin());
  const std::pair<std::uint8_t, std::uint8_t> pair{static_cast<std::uint8_t>(i),
                                                   static_cast<std::uint8_t>(j)};
  return std::binary_search(pairs_.begin() + first_[e], pairs_.begin() + first_[e + 1], pair);
}

}  // namespace sea
}  // namespace sailings
