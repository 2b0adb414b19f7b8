// Makes src/sea/links.bin, the table of which coarse cells the sea joins
// (src/sea/links.h says what it holds and how it is stored), from the coast
// built into the library, on every core:
//
//   cmake --build --preset default --target make-sea-links
//   build/default/make-sea-links src/sea/links.bin
//
// Made again whenever the coast or the cells change (the test
// SeaLinks.SayWhatTheFineSearchFinds says when).
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "land/coast.h"
#include "sea/links.h"
#include "sea/planner.h"

using namespace sailings;
using namespace sailings::sea;

namespace {

constexpr int kCells = kCoarseRows * kCoarseColumns;
constexpr int kBandRows = 4;  // a planner's (its tables grow with the cells it looks at)

void PutU32(std::string& out, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) out.push_back(static_cast<char>(v >> (8 * b) & 0xFF));
}

using Pairs = std::vector<std::pair<int, int>>;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sea-links OUT\n");
    return 2;
  }
  const Coast* coast = Coast::Get();
  if (!coast) return 1;
  const auto kind = [&](int r, int c) {
    return coast->KindOfCell(
        -90 + (r + 0.5) * kCoarse,
        -180 + (((c % kCoarseColumns) + kCoarseColumns) % kCoarseColumns + 0.5) * kCoarse);
  };
  std::vector<std::uint8_t> seas(kCells), joined(kCells);
  std::vector<Pairs> split(static_cast<std::size_t>(kCells) * 8);  // where a cell holds two seas
  std::atomic<int> next{0};
  const auto work = [&] {
    SeaRequest request;  // the default clearance, no limit
    request.clearance = 2 * kNauticalMile;
    for (int band; (band = next++) * kBandRows < kCoarseRows;) {
      Planner planner(*coast, request);
      for (int r = band * kBandRows; r < std::min(kCoarseRows, (band + 1) * kBandRows); ++r) {
        for (int c = 0; c < kCoarseColumns; ++c) {
          const int k = r * kCoarseColumns + c;
          // Away from the coast a cell is all land or all sea, each of its
          // fine cells open, joined to every neighbour.
          bool coastNear = false;
          for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc)
              coastNear |= r + dr >= 0 && r + dr < kCoarseRows &&
                           kind(r + dr, c + dc) == Coast::CellKind::coast;
          if (!coastNear) {
            const bool sea = kind(r, c) == Coast::CellKind::sea;
            seas[k] = sea;
            for (int d = 0; d < 8 && sea; ++d)
              if (r + kSteps[d][0] >= 0 && r + kSteps[d][0] < kCoarseRows)
                joined[k] |= static_cast<std::uint8_t>(1 << d);
            continue;
          }
          Pairs pairs[8];
          seas[k] = static_cast<std::uint8_t>(planner.Links(k, pairs));
          for (int d = 0; d < 8; ++d) {
            if (!pairs[d].empty()) joined[k] |= static_cast<std::uint8_t>(1 << d);
            split[static_cast<std::size_t>(k) * 8 + d] = std::move(pairs[d]);
          }
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
    threads.emplace_back(work);
  for (std::thread& t : threads) t.join();
  // The pairs wherever either cell holds two seas or more.
  std::string raw(seas.begin(), seas.end());
  raw.append(joined.begin(), joined.end());
  std::string entries;
  std::uint32_t count = 0;
  for (int k = 0; k < kCells; ++k) {
    for (int d = 0; d < 8; ++d) {
      const int r = k / kCoarseColumns + kSteps[d][0];
      if (r < 0 || r >= kCoarseRows) continue;
      const int n = r * kCoarseColumns +
                    (k % kCoarseColumns + kSteps[d][1] + kCoarseColumns) % kCoarseColumns;
      if (seas[k] < 2 && seas[n] < 2) continue;
      const Pairs& pairs = split[static_cast<std::size_t>(k) * 8 + d];
      if (pairs.size() > 255) return 1;
      ++count;
      PutU32(entries, static_cast<std::uint32_t>(k) * 8 + static_cast<std::uint32_t>(d));
      entries.push_back(static_cast<char>(pairs.size()));
      for (const auto& [i, j] : pairs)
        entries.push_back(static_cast<char>(i)), entries.push_back(static_cast<char>(j));
    }
  }
  PutU32(raw, count);
  raw += entries;
  std::vector<unsigned char> packed(compressBound(raw.size()));
  uLongf size = packed.size();
  if (compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9) !=
      Z_OK)
    return 1;
  std::string out = "SSL1";
  PutU32(out, static_cast<std::uint32_t>(raw.size()));
  out.append(reinterpret_cast<const char*>(packed.data()), size);
  const std::string part = std::string(argv[1]) + ".part";
  {
    std::ofstream file(part, std::ios::binary);
    file << out;
    if (!file.flush()) return 1;
  }
  if (std::rename(part.c_str(), argv[1]) != 0) return 1;
  int many = 0;
  for (const std::uint8_t s : seas) many += s > 1;
  std::fprintf(stderr, "%zu bytes; %d cells of two seas or more, %u entries\n", out.size(), many,
               count);
  return 0;
}
