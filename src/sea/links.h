// Which coarse cells the sea joins, for the corridor's A*: made once from
// the coast, so that the first corridor found is one the fine search can
// sail.
//
// A coarse cell (0.25 degrees) holds one sea, none, or several (across an
// isthmus, between the islands of an archipelago): its open fine cells
// joined by the fine search's steps within it. Two neighbouring coarse
// cells are joined where a fine step joins an open fine cell of one to an
// open fine cell of the other. Without the table, the corridor's search
// takes a coarse cell for open where a few of its fine cells are, and its
// neighbours for joined; where the fine search then finds the way closed
// (the straits of an archipelago the coarse cells do not see), the corridor
// is found again, up to sixteen times through the Canadian Arctic, each
// search reaching some hundred thousand cells. With it, a corridor is one
// the fine search can follow from end to end.
//
// Which fine cells are open, and which steps join them, does not depend on
// the clearance asked, while it is at least the least (0.1 NM): a fine cell
// is open at 0.1 NM from land, and a step between two cells is taken where
// its leg keeps 0.1 NM (between cells both kSeesNeighbours from land, it
// keeps more than a third of a mile). The table holds for all those
// clearances (made for 0.1, 1 and 2 NM, it is the same to the byte), in
// the rows a limiting latitude closes nothing of.
//
// Made by tools/make-sea-links.cpp into src/sea/links.bin, built into the
// library: "SSL1", then one zlib stream of the seas' count by coarse cell (a
// byte each, row by row from the south), a byte by cell whose bit d says
// whether the neighbour in direction d (kSteps' first eight) is joined, and
// for each cell and direction where either cell holds two seas or more,
// which of their seas are joined: the number of such entries (32 bits,
// little-endian), each the cell times eight plus the direction (32 bits),
// the number of pairs (a byte) and each pair's seas (a byte each), the
// entries in the order of their keys.
// Internal to src/sea.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace sailings {
namespace sea {

class SeaLinks {
 public:
  // The table built into the library, or in a build without it (the page)
  // the one given to Load; nullptr where there is none or it does not
  // decode.
  static const SeaLinks* Get();
  // Gives the table (the bytes of links.bin) to a build without it; whether
  // it now has one.
  static bool Load(std::string_view bytes);
  explicit SeaLinks(std::string_view bytes);  // check ok()
  bool ok() const { return ok_; }

  // The number of seas in coarse cell k (0: all land or all nearer it than
  // the fine cells keep).
  int Seas(int k) const { return seas_[k]; }
  // The seas of all cells holding two or more.
  int Parts() const { return parts_; }
  // Whether a fine step joins coarse cell k to its neighbour in direction d
  // (0 to 7, kSteps' order).
  bool Joined(int k, int d) const { return joined_[k] >> d & 1; }
  // Whether a fine step joins sea i of cell k to sea j of its neighbour in
  // direction d (a cell of one sea: its sea 0).
  bool Joined(int k, int d, int i, int j) const;
  // Whether coarse cell k lies in open water: it and every cell within two
  // rows and two columns hold one sea each, joined to all eight of their
  // neighbours. Every step of the corridor's search from k (to a neighbour
  // or a knight's move away, past the two cells between) is then open and
  // joined, and the search need not ask of each.
  bool OpenWater(int k) const { return open_water_[k >> 6] >> (k & 63) & 1; }

 private:
  std::vector<std::uint8_t> seas_, joined_;
  std::vector<std::uint64_t> open_water_;  // a bit a cell
  std::vector<std::uint32_t> keys_;        // cell * 8 + direction, ascending
  std::vector<std::uint32_t> first_;       // each key's first pair in pairs_; then the end
  std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs_;
  int parts_ = 0;
  bool ok_ = false;
};

// The direction (0 to 7, kSteps' order) of the neighbour dr rows and dc
// columns away (each -1, 0 or 1, not both 0).
inline int Direction(int dr, int dc) {
  const int i = (dr + 1) * 3 + (dc + 1);
  return i > 4 ? i - 1 : i;
}

}  // namespace sea
}  // namespace sailings
