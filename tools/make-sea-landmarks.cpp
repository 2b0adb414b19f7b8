// Makes src/sea/landmarks.bin, the landmarks' distances over the sea that
// the corridor's search is bounded by (src/sea/landmarks.h says what they
// are and how they are stored), from the coast built into the library:
//
//   cmake --build --preset default --target make-sea-landmarks
//   build/default/make-sea-landmarks src/sea/landmarks.bin
//
// Made again whenever the coast, the gates or the cells change (the test
// Landmarks.BoundTheWayOverTheSea says when).
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "land/coast.h"
#include "sea/landmarks.h"
#include "sea/planner.h"

using namespace sailings;
using namespace sailings::sea;

namespace {

constexpr int kCount = 16;
constexpr int kCells = kCoarseRows * kCoarseColumns;

void PutU32(std::string& out, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) out.push_back(static_cast<char>(v >> (8 * b) & 0xFF));
}

// The reachable cell farthest from every landmark so far.
int Farthest(const std::vector<double>& nearest) {
  int far = 0;
  for (int k = 0; k < kCells; ++k)
    if (std::isfinite(nearest[k]) && (!std::isfinite(nearest[far]) || nearest[k] > nearest[far]))
      far = k;
  return far;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sea-landmarks OUT\n");
    return 2;
  }
  const Coast* coast = Coast::Get();
  if (!coast) return 1;
  // The first landmark the farthest by sea from mid-Atlantic (0, 30W), each
  // next the farthest from all before it: they lie round the seas' edges,
  // beyond most goals from most starts.
  std::vector<double> metres, nearest;
  SeaDistances(*coast, CoarseKey(FineCell(0, -30)), nearest);
  std::vector<int> cells;
  std::vector<std::vector<std::uint16_t>> miles;
  for (int l = 0; l < kCount; ++l) {
    const int cell = Farthest(nearest);
    SeaDistances(*coast, cell, metres);
    cells.push_back(cell);
    miles.emplace_back(kCells, Landmarks::kNone);
    for (int k = 0; k < kCells; ++k) {
      if (!std::isfinite(metres[k])) continue;
      miles.back()[k] = static_cast<std::uint16_t>(
          std::min<double>(Landmarks::kNone - 1, std::floor(metres[k] / kNauticalMile)));
      if (l == 0) nearest[k] = INFINITY;
      nearest[k] = std::min(nearest[k], metres[k]);
    }
    std::fprintf(stderr, "landmark %d: %.3f, %.3f\n", l,
                 -90 + (cell / kCoarseColumns + 0.5) * kCoarse,
                 -180 + (cell % kCoarseColumns + 0.5) * kCoarse);
  }
  std::string head = "SLM1", data;
  PutU32(head, kCount);
  for (const int cell : cells) PutU32(head, static_cast<std::uint32_t>(cell));
  constexpr int kBand = Landmarks::kBandRows * kCoarseColumns;
  for (int l = 0; l < kCount; ++l) {
    for (int band = 0; band < kCoarseRows / Landmarks::kBandRows; ++band) {
      std::vector<unsigned char> raw;
      for (int j = 0; j < kBand; ++j) {
        const int k = band * kBand + j;
        const int before = j % kCoarseColumns ? miles[l][k - 1] : 0;
        const auto v = static_cast<std::uint16_t>(miles[l][k] - before);
        raw.push_back(static_cast<unsigned char>(v & 0xFF));
        raw.push_back(static_cast<unsigned char>(v >> 8));
      }
      std::vector<unsigned char> packed(compressBound(raw.size()));
      uLongf size = packed.size();
      if (compress2(packed.data(), &size, raw.data(), raw.size(), 9) != Z_OK) return 1;
      PutU32(head, static_cast<std::uint32_t>(data.size()));
      data.append(reinterpret_cast<const char*>(packed.data()), size);
    }
  }
  PutU32(head, static_cast<std::uint32_t>(data.size()));
  const std::string part = std::string(argv[1]) + ".part";
  {
    std::ofstream out(part, std::ios::binary);
    out << head << data;
    if (!out.flush()) return 1;
  }
  if (std::rename(part.c_str(), argv[1]) != 0) return 1;
  std::fprintf(stderr, "%zu bytes\n", head.size() + data.size());
  return 0;
}
