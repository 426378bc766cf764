#pragma once
// Input data files of large three-dimensional pile groups, for the benchmarks and the make_group
// command: an n x m grid of 16-in steel pipe piles, 50 ft long, under a rigid cap, in soft clay
// over sand, with two load cases (dead load with wind along +Y; a cyclic load along +Z with
// overturning and torsion) and one factored combination of both. The loads grow with the pile
// count so that every pile carries about the same share whatever the size of the group. The
// file is written by the same writer as `stilt new` (model/deck_writer.hpp).

#include <string>

namespace stilt::bench {

struct GroupDeckOptions {
  int rows = 10;                 // piles along Z
  int cols = 10;                 // piles along Y
  double spacing = 3.0;          // centre distance, in pile diameters
  double batter = 0.0;           // degrees off the vertical of the piles on the edge of the grid,
                                 // leaning outward; 0 keeps every pile plumb
  int increments = 100;          // per pile, 1..100
  int printOption = 1;           // of every item: 0 cap only, 1 pile heads, 2 along the piles
  int groupReductionOption = 0;  // control switch 8
};

inline constexpr double kGroupPileDiameter = 16.0;  // in
inline constexpr double kGroupPileLength = 600.0;   // in

// The input data file; `options` must describe 1 to 2000 piles and 1 to 100 increments.
[[nodiscard]] std::string groupDeck(const GroupDeckOptions& options);

}  // namespace stilt::bench
