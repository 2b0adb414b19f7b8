// The sea planner's parts (sea_planner.h says what it does): the geometry
// they share (the cells' own in sea/cells.h), and the Planner that the cells' states
// (sea_cells.cpp), the ends (sea_ends.cpp), the corridor's search
// (sea_search.cpp, bounded by sea_landmarks.cpp, and sea_open.cpp), the
// fine search within it (sea_fine.cpp), the legs' clearance
// (sea_clear.cpp), the pulling taut (sea_taut.cpp, sea_wrap.cpp) and the
// plan itself (sea_planner.cpp) are members of.
// Internal to src/sea.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <queue>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "elliptic/ellipsoid.h"
#include "land/coast.h"
#include "sea/cells.h"
#include "sea/sea_planner.h"

namespace sailings {
namespace sea {

class SeaLinks;

constexpr double kMostInland = 20 * kNauticalMile;
// How often a corridor closed by land the coarse cells did not see is
// found anew, and how many cells a search may reach (within a corridor, and
// everywhere).
constexpr int kMostCorridors = 40;
constexpr std::size_t kMostCorridorCells = 1500000, kMostCells = 3000000;
// A sea from which fewer cells than this are reached is a pocket.
constexpr std::size_t kPocket = 20000;
// A sea from which fewer fine cells than this are reached, without the
// other end, is a lake or a fjord closed at this scale: no way, said at
// once rather than after searching the oceans for one (some seconds).
constexpr std::size_t kEnclosed = 200000;
constexpr double kLeastClearance = 0.1 * kNauticalMile;
// The cosine of the greatest angle at the centre a leg may span (179
// degrees): a leg nearer opposite ends is none (Planner::Clear).
constexpr double kOpposite = -0.99984769515639;
// Two cells' centres this far from land see each other (the farthest
// neighbour is 1.42 cells away): no leg between them needs looking at.
constexpr double kSeesNeighbours = 0.75 * kFine * 60 * kNauticalMile;
// A turning point lies within this of the clearance from land.
constexpr double kTurnSlack = 0.1 * kNauticalMile;
// A leg keeps its clearance to within half a metre (the turning points lie
// on it, and the search for them ends within metres).
// The hull of the land's circles is drawn with polygons round them.
constexpr double kHullSlack = 10.0;
// A leg from a point that lies within its clearance by metres keeps no more
// than that point: it is taken to keep what it should if it keeps as much
// as its end, down to this below the clearance (within the 0.01 NM a leg
// keeps its clearance to).
constexpr double kEndSlack = 15.0;
// The widest way wrapped so: its farthest point from the arc it would be
// replaced by, with the clearance and 2 NM (wider, an ocean's coasts: too
// many to draw).
constexpr double kMostWrap = 150 * kNauticalMile;
inline double Slack(double clearance) { return std::max(0.0, clearance - 0.5); }

inline Vec3 At(double lat, double lon) { return EllipsoidPoint(lat * kDegree, lon * kDegree); }
// The point of the ellipsoid in the direction of p (from the centre): p
// scaled onto x^2/a^2 + y^2/a^2 + z^2/b^2 = 1 (the point LatLonOf() reads
// p's direction as, without its trigonometry).
inline Vec3 OnSurface(Vec3 p) {
  const double b = a * std::sqrt(kOneMinusESq);
  const double s = std::sqrt((p.x * p.x + p.y * p.y) / (a * a) + p.z * p.z / (b * b));
  return (1 / s) * p;
}
inline double Chord(Vec3 p, Vec3 q) { return Length(p - q); }
// The angle between p and q at the centre, as metres of the equator: the
// measure in which one chain of legs is found shorter than another. (Not
// their chords: a chain of shorter chords along one arc is longer than its
// one chord, by 50 km for a leg across the Atlantic split in two.)
inline double Arc(Vec3 p, Vec3 q) { return a * std::atan2(Length(Cross(p, q)), Dot(p, q)); }
// A point `metres` from (lat, lon) towards `bearing` (radians), on the
// local plane: for the few miles of an approach.
inline void Offset(double lat, double lon, double metres, double bearing, double& outLat,
                   double& outLon) {
  const double phi = lat * kDegree;
  const double w = std::sqrt(1 - e_sq * std::sin(phi) * std::sin(phi));
  const double meridian = kMeridianFactor / (w * w * w), normal = a / w;
  outLat = lat + ToDegrees(metres * std::cos(bearing) / meridian);
  outLon = lon + ToDegrees(metres * std::sin(bearing) / (normal * std::max(1e-9, std::cos(phi))));
}

// A 32-bit little-endian number at `at` (the built-in tables').
inline std::uint32_t ReadU32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// Straits narrower than the fine cells see, passed along their middles
// like canals (sea_planner.cpp): lat, lon pairs, degrees.
const std::vector<std::vector<double>>& Straits();
// A gate's length: the sum of its line's chords (metres).
inline double LineLength(const std::vector<double>& line) {
  double length = 0;
  for (std::size_t k = 2; k < line.size(); k += 2)
    length += Chord(At(line[k - 2], line[k - 1]), At(line[k], line[k + 1]));
  return length;
}

class Planner {
 public:
  Planner(const Coast& coast, const SeaRequest& request)
      : coast_(coast), request_(request), c_(request.clearance), scratch_(TheScratch()) {}
  ~Planner();  // sets back what it wrote in the thread's tables
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  SeaOutcome Plan(SeaPlan& plan, double* inland);
  // For the table of links (sea/links.h): the number of seas in coarse cell
  // k and, by direction (kSteps' first eight), the pairs of its seas and its
  // neighbour's that a fine step joins, in order.
  int Links(int k, std::vector<std::pair<int, int>> (&pairs)[8]);

 private:
  // Whether a fine cell may be sailed, and how far its centre keeps from
  // land (capped at the clearance): memoized.
  struct CellState {
    bool known = false, open = false;
    bool closed = false;  // the fine search's: taken up (not again unless held)
    float clearance = 0;
    // The fine search's: the way's length to the cell (negative: not yet
    // reached) and the cell it came from (a key).
    double g = -1;
    std::int64_t parent = -1;
    // Its estimate of the way left, as search `estimated` (reached_) made it.
    double h = 0;
    std::uint32_t estimated = 0;
  };
  CellState& Slot(Cell c);  // a cell's record, its state not yet worked out
  const CellState& State(Cell c);
  bool Beyond(double lat) const { return request_.limit && std::fabs(lat) > *request_.limit; }
  // Whether the great elliptic leg from a to b keeps `keep` from land and
  // stays within the limiting latitude.
  // (Never less than half the least clearance: a leg that keeps nothing
  // crosses land.)
  // (Nor a leg whose ends lie within a degree of opposite: the plane of its
  // great ellipse, all but undefined there, is no plane the voyage would
  // sail it in to the metre.)
  bool Clear(Vec3 a, Vec3 b, double keep) const {
    return !Opposite(a, b) && !LegBeyond(a, b) &&
           coast_.ArcClear(a, b, std::max(keep, 0.5 * kLeastClearance));
  }
  static bool Opposite(Vec3 a, Vec3 b) { return Dot(a, b) < kOpposite * Length(a) * Length(b); }
  bool LegBeyond(Vec3 a, Vec3 b) const;
  // Whether the leg from a to b, taking the place of legs among which some
  // pass narrows (`narrows`, each leg's ends, keeping less than the
  // clearance), keeps `keep` and keeps the full clearance wherever it comes
  // near land farther than the clearance from those narrows: less is kept
  // only where the way is narrow, never carried along to a cape elsewhere.
  using Legs = std::vector<std::pair<Vec3, Vec3>>;
  bool Keeps(Vec3 a, Vec3 b, double keep, const Legs& narrows) const;
  // How far (0 to 1) a turning point may go along the chord from `from`
  // to `to` (the surface's points over it) while its legs to each end in
  // `legs` keep the clearance given with it, never passing over land on
  // the way: 0 where they do not keep it at `from`; never within 2 m of
  // `to`.
  using Swung = std::vector<std::pair<Vec3, double>>;
  double Swing(Vec3 from, Vec3 to, const Swung& legs) const;
  bool ToSea(double lat, double lon, double keep, double& seaLat, double& seaLon, double& moved,
             double& inland);
  // Whether the sea around a cell is a pocket: fewer than `most` cells
  // reachable from it.
  bool Pocket(Cell c, std::size_t most);
  // Whether the fine search takes the step from x to x + (dr, dc), going
  // from `from` to `to`; and whether, by such steps and the gates, fewer
  // than kEnclosed cells are reached from `from` (or, `back`, lead to
  // `to`), the other end not among them: a lake, a fjord closed at this
  // scale.
  bool Takes(Cell x, int dr, int dc, Cell from, Cell to);
  bool Enclosed(Cell from, Cell to, bool back);
  // The table of which coarse cells the sea joins (sea/links.h), where it
  // holds for this passage (a clearance of the least or more), else
  // nullptr; and whether it holds for coarse cell k: in rows that the
  // limiting latitude closes nothing of (all of them without one).
  const SeaLinks* Joins() const;
  bool Holds(int k) const { return !request_.limit || HoldsWithin(k); }
  bool HoldsWithin(int k) const;  // (under a limit)
  // Whether a step from cell c to its neighbour n may be taken.
  bool Step(Cell c, Cell n);
  bool Corridor(Cell from, Cell to, std::vector<std::uint8_t>& corridor, std::vector<int>& path);
  // The corridor round a way of coarse cells (sea_open.cpp), and its runs
  // over open sea.
  void Lay(const std::vector<int>& path, std::vector<std::uint8_t>& corridor);
  // Whether coarse cell b is in sight of a: every cell the straight line
  // between them (in rows and columns) passes one the corridor may cross
  // whole (`whole`: of one sea and open), each joined to the next where the
  // table of links holds. With `cells`, those between, in order from a.
  template <class Whole>
  bool Sight(int a, int b, std::vector<int>* cells, Whole&& whole) const;
  // The seas of a coarse cell (index by fine cell within it: -1 closed).
  struct Seas {
    std::array<std::int8_t, 100> of;
    int count = 0;
  };
  const Seas& SeasOf(int coarse);
  bool Search(Cell from, Cell to, const std::vector<std::uint8_t>* corridor,
              std::vector<std::int64_t>& way);
  // Lays the fine search's guide over the corridor (the scratch's `guide`).
  void Guide(Cell to, const std::vector<std::uint8_t>& corridor);
  void Taut(std::vector<Vec3>& p, std::vector<double>& need);
  double MoveOffLand(Vec3& p) const;
  // The coast gathered round the last point moved off the land is kept,
  // a clearance wider than it needed, for the next points near it: by
  // each thread (the parts of a chain are pulled taut on two cores), for
  // this planner (`serial_`, unique in the process) alone.
  const std::uint64_t serial_ = NextSerial();
  static std::uint64_t NextSerial();
  static void ForgetNear(std::uint64_t planner);  // on this thread
  bool Wrap(const std::vector<Vec3>& path, double keep, std::vector<Vec3>& out) const;
  bool Unlock(Vec3 a, Vec3 b, Vec3 c, double needAB, double needBC, std::vector<Vec3>& out,
              std::size_t& first);
  // Turns a leg keeping the clearance of narrows at one end where it comes
  // nearer the land than the full clearance beyond them (along another
  // coast), at that coast's clearance: the narrows' clearance is kept in
  // the narrows only.
  void Confine(std::vector<Vec3>& p, std::vector<double>& need);
  // Makes two turning points round one corner one where their legs meet, if
  // that lies within 0.1 NM of the clearance: a little longer, far fewer
  // points (the arc round a cape is drawn by a few chords). Whether any was.
  // `least`: the least clearance a pair's legs keep to be merged (less is
  // narrows).
  bool Merge(std::vector<Vec3>& p, std::vector<double>& need, double least) const;
  // Drops a point whose neighbours see each other as its legs do (to within
  // the 0.01 NM a leg keeps its clearance to).
  void Prune(std::vector<Vec3>& p, std::vector<double>& need) const;

  const Coast& coast_;
  const SeaRequest& request_;
  const double c_;
  // The ends at sea, where the chain starts and ends (not their cells'
  // centres): a step out of the first cell or into the last is a leg from
  // or to one of them.
  Vec3 start_{}, end_{};
  // The fine cells' states, in tiles of a coarse cell's 10 x 10, made in
  // blocks of kTiles (a state's address holds while tiles are added).
  static constexpr std::size_t kTiles = 256;
  using Tile = std::array<CellState, 100>;
  // The tables by coarse cell (a million entries each) and the tiles' blocks
  // are the thread's, kept from one passage to the next: made anew for
  // each, their pages cost more than a passage across an ocean. Every entry
  // a planner sets (the coarse cells in `touched`) is set back when it ends.
  struct Scratch {
    std::vector<std::int32_t> tile_of;     // the cell's tile, -1: none yet
    std::vector<std::int8_t> coarse_open;  // -1 not yet known, else whether open
    std::vector<std::uint8_t> reached;     // whether a fine search reached it
    // A bound on the way from the cell to the goal that an earlier corridor
    // search learned (its length less the cell's way from the start), 0: none.
    // (calloc's zeros: only the pages a search writes are ever made.)
    struct Free {
      void operator()(void* p) const { std::free(p); }
    };
    std::unique_ptr<double[], Free> bound;
    // The fine search's guide: the way along the corridor from the cell to
    // the goal's (sea_fine.cpp), 0: none.
    std::unique_ptr<float[], Free> guide;
    std::vector<int> touched;
    std::vector<std::unique_ptr<Tile[]>> blocks;
    // What the fine cells' states were found to be (land, or at sea so far
    // from it), by coarse cell, kept from one passage to the next for the
    // same coast and clearance (the limit is asked as they are read): the
    // passages from one port, and the oceans' lanes, meet the same cells
    // again. At most kKnownTiles tiles, then forgotten all at once.
    struct Known {
      std::array<float, 100> clearance;
      std::array<std::uint8_t, 100> state;  // 0 not yet, 1 land, 2 at sea, 3 open
    };
    static constexpr std::size_t kKnownTiles = 65536;  // 32 MB
    std::vector<std::int32_t> known_of;                // by coarse cell, -1: none
    std::vector<std::unique_ptr<Known[]>> known;       // in blocks of kTiles
    std::size_t known_tiles = 0;
    std::vector<int> known_cells;
    const Coast* known_coast = nullptr;
    double known_clearance = 0;
  };
  static Scratch& TheScratch();
  void Touch(int k) { scratch_.touched.push_back(k); }
  Scratch& scratch_;
  std::size_t tiles_ = 0;
  // The fine search, kept from one corridor to the next: how many cells it
  // reached (each one's way in its record), its frontier, and the cells it
  // held back at a corridor's edge.
  std::size_t reached_cells_ = 0;
  std::uint32_t searches_ = 0;  // (each search's estimates its own)
  using Item = std::pair<double, std::int64_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> open_;
  std::vector<std::int64_t> held_;
  // Both ends in one fine cell with land between them (a way round an islet
  // or a spit): the way leaves that cell and comes back to it, the goal met
  // only by a step into the cell from another (its entry in the frontier
  // kBackKey, the way to it and the cell it is entered from).
  static constexpr std::int64_t kBackKey = -2;
  bool back_ = false;
  double back_g_ = INFINITY;
  std::int64_t back_from_ = -1;
  std::vector<int> guided_;  // the coarse cells the guide is laid over
  // Steps between coarse cells that a fine search found closed: by coarse
  // cell, a bit for each of its steps (kSteps); empty until one is.
  std::vector<std::uint16_t> blocked_;
  // The coarse cells found to hold more than one sea: each sea a node of
  // the corridor's search, numbered from the number of cells on.
  std::unordered_map<int, Seas> seas_;
  // By coarse cell, its first sea's node (-1: not split); empty until one
  // is. A bit a cell says which are split: the searches ask of every cell
  // they meet, and the bits stay in the cache.
  std::vector<int> split_;
  std::vector<std::uint64_t> split_bits_;
  int SplitOf(int k) const {
    return split_bits_.empty() || !(split_bits_[k >> 6] >> (k & 63) & 1) ? -1 : split_[k];
  }
  // Makes coarse cell k, of `seas` seas, a node for each.
  void Split(int k, int seas) {
    constexpr int kCells = kCoarseRows * kCoarseColumns;
    if (split_.empty()) split_.assign(kCells, -1), split_bits_.assign(kCells / 64 + 1, 0);
    split_[k] = kCells + static_cast<int>(parts_.size());
    split_bits_[k >> 6] |= std::uint64_t{1} << (k & 63);
    for (int sea = 0; sea < seas; ++sea) parts_.push_back({k, sea});
  }
  struct Part {
    int cell, sea;
  };
  std::vector<Part> parts_;
  // The gates open: their first and last cells, and their lines. A canal's
  // index in Gates(); a strait's -1 (its legs are sailed at sea).
  struct GateEnds {
    int gate;
    Cell a, b;
    double cost;
    const std::vector<double>* line;
  };
  std::vector<GateEnds> gates_;
  // Runs of a corridor over open sea, crossed by the fine search in one
  // step from the middle of its first cell to that of its last (through
  // those of the others, `via`); kept from one corridor to the next (each
  // is a way at sea). By first cell, the runs from it.
  struct Run {
    Cell a, b;
    double cost;
    std::vector<Vec3> via;
  };
  std::vector<Run> runs_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> run_at_;
};

}  // namespace sea
}  // namespace sailings
