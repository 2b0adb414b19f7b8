// Lower bounds on the way at sea between coarse cells, for the corridor's
// A* (landmarks and the triangle inequality).
//
// The arc to the goal is a poor estimate where the land makes the way long:
// from Rotterdam to Singapore the way by Suez is 8,300 NM, the arc 5,600,
// and a search guided by the arc floods every sea within the difference
// (300,000 cells). Distances from a few landmarks over the sea do better:
// if d(L, x) is the shortest way from landmark L to cell x, the way from x
// to the goal t is at least |d(L, t) - d(L, x)| (the triangle inequality),
// close to the way itself wherever t lies between x and L, or x between t
// and L.
//
// The distances are shortest chains of the search's own steps (the eight
// neighbours and the eight a knight's move away, each its chord between
// cell centres) over every coarse cell holding any sea, with every gate
// open and no limiting latitude: a graph that holds every way the corridor's
// search can take, so each of its distances is no longer than that
// search's, whatever the clearance, the limit or the gates closed, and the
// bound never overestimates (the search stays exact).
//
// They are made once by tools/make-sea-landmarks.cpp into
// src/sea/landmarks.bin, built into the library: sixteen landmarks chosen
// each the farthest by sea from those before, their distances floored to
// whole nautical miles (stored as 0xFFFF where the sea is another: the
// Caspian, a lake), in bands of eight rows compressed each with zlib and
// decoded when a search first reads them.
// Internal to src/sea.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "land/coast.h"

namespace sailings {
namespace sea {

// The shortest chain of steps (metres) from coarse cell `source` to every
// coarse cell over the graph described above; INFINITY where none joins.
void SeaDistances(const Coast& coast, int source, std::vector<double>& metres);

class Landmarks {
 public:
  static constexpr std::uint16_t kNone = 0xFFFF;
  static constexpr int kBandRows = 8;
  // The tables built into the library; nullptr in a build without them (the
  // page), or where they are not such tables.
  static const Landmarks* Get();
  explicit Landmarks(std::string_view bytes);  // check ok()
  bool ok() const { return ok_; }

  int count() const { return static_cast<int>(cells_.size()); }
  int cell(int landmark) const { return cells_[landmark]; }
  // The distance from a landmark to coarse cell k, floored to nautical
  // miles, or kNone.
  std::uint16_t Miles(int landmark, int k) const;

 private:
  void DecodeBand(int landmark, int band) const;

  std::string_view bytes_;
  std::vector<int> cells_;
  std::vector<std::uint32_t> offsets_;  // by landmark and band, then the end
  mutable std::vector<std::unique_ptr<std::uint16_t[]>> miles_;
  mutable std::unique_ptr<std::once_flag[]> decoded_;
  bool ok_ = false;
};

// The bound for one search to `goal`: of the landmarks, those that bound the
// way from `from` best, each read at the goal once.
class LandmarkBound {
 public:
  static constexpr int kMost = 6;
  LandmarkBound(const Landmarks* landmarks, int from, int goal);
  // A lower bound (metres) on the way from coarse cell k to the goal; 0
  // without landmarks.
  double operator()(int k) const;

 private:
  const Landmarks* landmarks_;
  int used_ = 0;
  int chosen_[kMost];
  std::uint16_t at_goal_[kMost];
};

}  // namespace sea
}  // namespace sailings
