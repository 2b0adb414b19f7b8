// The landmarks' distances over the sea: made (SeaDistances), read and
// decoded (Landmarks), and the bound they give a search (LandmarkBound).
#include "sea/landmarks.h"

#include <cstring>
#include <functional>

#include "sea/planner.h"

#ifndef SAILINGS_COAST_SEPARATE
#include <zlib.h>
#endif

namespace sailings {

#ifndef SAILINGS_COAST_SEPARATE
// The bytes of landmarks.bin, built in (sea_landmarks_data.cpp, made at
// build time).
extern const unsigned char kSeaLandmarks[];
extern const std::size_t kSeaLandmarksSize;
#endif

namespace sea {

namespace {

constexpr int kCells = kCoarseRows * kCoarseColumns;
constexpr int kBands = kCoarseRows / Landmarks::kBandRows;

}  // namespace

void SeaDistances(const Coast& coast, int source, std::vector<double>& metres) {
  std::vector<std::uint8_t> sea(kCells);
  for (int k = 0; k < kCells; ++k)
    sea[k] = coast.KindOfCell(-90 + (k / kCoarseColumns + 0.5) * kCoarse,
                              -180 + (k % kCoarseColumns + 0.5) * kCoarse) != Coast::CellKind::land;
  // Every gate, each end's coarse cell joined to the other's at the gate's
  // length, as the search joins them.
  std::vector<std::vector<std::pair<int, double>>> jumps(kCells);
  const auto join = [&](const std::vector<double>& line) {
    const int a = CoarseKey(FineCell(line[0], line[1]));
    const int b = CoarseKey(FineCell(line[line.size() - 2], line.back()));
    jumps[a].push_back({b, LineLength(line)});
    jumps[b].push_back({a, LineLength(line)});
  };
  for (const Gate& g : Gates()) join(g.line);
  for (const std::vector<double>& line : Straits()) join(line);
  metres.assign(kCells, INFINITY);
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  metres[source] = 0;
  queue.push({0, source});
  while (!queue.empty()) {
    // Copied out of the pair: a lambda may not capture a structured binding before C++20.
    const double d = queue.top().first;
    const int x = queue.top().second;
    queue.pop();
    if (d > metres[x]) continue;
    const int r = x / kCoarseColumns, c = x % kCoarseColumns;
    const Vec3 here = CoarseCentre(x);
    const auto relax = [&](int n, double cost) {
      if (d + cost < metres[n]) metres[n] = d + cost, queue.push({metres[n], n});
    };
    for (const auto& step : kSteps) {
      if (r + step[0] < 0 || r + step[0] >= kCoarseRows) continue;
      const int n =
          (r + step[0]) * kCoarseColumns + (c + step[1] + kCoarseColumns) % kCoarseColumns;
      if (sea[n]) relax(n, Chord(here, CoarseCentre(n)));
    }
    for (const auto& [n, cost] : jumps[x]) relax(n, cost);
  }
}

// The file: "SLM1"; the number of landmarks L (little-endian 32 bits);
// each one's coarse cell; the offsets of the L x 90 bands' zlib streams from
// the end of the offsets, and the end of the last; the streams. A band
// holds eight rows of 1440 distances (16 bits, little-endian), each row's
// first as it is and each after it less the one before (modulo 2^16).
Landmarks::Landmarks(std::string_view bytes) : bytes_(bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < 8 || std::memcmp(at, "SLM1", 4) != 0) return;
  const std::uint32_t count = ReadU32(at + 4);
  const std::size_t head = 8 + 4 * (count + static_cast<std::size_t>(count) * kBands + 1);
  if (count == 0 || count > 64 || bytes.size() < head) return;
  for (std::uint32_t l = 0; l < count; ++l) {
    const std::uint32_t k = ReadU32(at + 8 + 4 * l);
    if (k >= static_cast<std::uint32_t>(kCells)) return;
    cells_.push_back(static_cast<int>(k));
  }
  for (std::size_t i = 0; i <= static_cast<std::size_t>(count) * kBands; ++i) {
    offsets_.push_back(ReadU32(at + 8 + 4 * (count + i)));
    if ((i > 0 && offsets_[i] < offsets_[i - 1]) || head + offsets_[i] > bytes.size()) {
      cells_.clear();
      return;
    }
  }
  bytes_ = bytes.substr(head);
  // (The tables' pages are made as bands are decoded into them.)
  for (std::uint32_t l = 0; l < count; ++l) miles_.emplace_back(new std::uint16_t[kCells]);
  decoded_.reset(new std::once_flag[static_cast<std::size_t>(count) * kBands]);
  ok_ = true;
}

const Landmarks* Landmarks::Get() {
#ifdef SAILINGS_COAST_SEPARATE
  return nullptr;
#else
  static const Landmarks landmarks(
      std::string_view(reinterpret_cast<const char*>(kSeaLandmarks), kSeaLandmarksSize));
  return landmarks.ok() ? &landmarks : nullptr;
#endif
}

void Landmarks::DecodeBand(int landmark, int band) const {
  std::uint16_t* const out = miles_[landmark].get() + band * kBandRows * kCoarseColumns;
  constexpr int kValues = kBandRows * kCoarseColumns;
  bool done = false;
#ifndef SAILINGS_COAST_SEPARATE
  const std::size_t i = static_cast<std::size_t>(landmark) * kBands + band;
  unsigned char raw[2 * kValues];
  uLongf size = sizeof raw;
  const auto* from = reinterpret_cast<const Bytef*>(bytes_.data() + offsets_[i]);
  if (uncompress(raw, &size, from, offsets_[i + 1] - offsets_[i]) == Z_OK && size == sizeof raw) {
    for (int row = 0; row < kBandRows; ++row) {
      std::uint16_t v = 0;
      for (int c = 0; c < kCoarseColumns; ++c) {
        const int j = row * kCoarseColumns + c;
        v = static_cast<std::uint16_t>(v + (raw[2 * j] | raw[2 * j + 1] << 8));
        out[j] = v;
      }
    }
    done = true;
  }
#endif
  // Tables that do not decode bound nothing.
  if (!done) std::fill(out, out + kValues, kNone);
}

std::uint16_t Landmarks::Miles(int landmark, int k) const {
  const int band = k / (kBandRows * kCoarseColumns);
  std::call_once(decoded_[static_cast<std::size_t>(landmark) * kBands + band],
                 [&] { DecodeBand(landmark, band); });
  return miles_[landmark][k];
}

LandmarkBound::LandmarkBound(const Landmarks* landmarks, int from, int goal)
    : landmarks_(landmarks) {
  if (!landmarks) return;
  // Those giving the start the greatest bound: over a search's cells the
  // bound seldom comes from others.
  std::vector<std::pair<int, int>> bounds;
  for (int l = 0; l < landmarks->count(); ++l) {
    const int s = landmarks->Miles(l, from), t = landmarks->Miles(l, goal);
    if (s != Landmarks::kNone && t != Landmarks::kNone) bounds.push_back({std::abs(s - t), l});
  }
  std::sort(bounds.begin(), bounds.end(), std::greater<>());
  for (const auto& [bound, l] : bounds) {
    if (used_ == kMost || bound <= 1) break;
    chosen_[used_] = l;
    at_goal_[used_++] = landmarks->Miles(l, goal);
  }
}

double LandmarkBound::operator()(int k) const {
  int most = 0;
  for (int i = 0; i < used_; ++i) {
    const int m = landmarks_->Miles(chosen_[i], k);
    if (m != Landmarks::kNone) most = std::max(most, std::abs(m - at_goal_[i]));
  }
  // Each distance floored to a mile: the difference of two is within a
  // mile of theirs (and a metre for the steps' sums added in another order).
  return most > 1 ? (most - 1) * kNauticalMile - 1.0 : 0.0;
}

}  // namespace sea
}  // namespace sailings
