#pragma once
// The data checks of the plate solver, made before anything is assembled (after the checking
// routines of Hinton and Owen, "Finite Element Programming", 1977): CHECK1 on the control values,
// CHECK2 on the mesh and the restraints, and the front width that the frontal solution will need.

#include <array>
#include <string>
#include <vector>

#include "cap/plate_model.hpp"

namespace stilt::cap {

// The smallest front the solver reserves, in freedoms.
inline constexpr int kMinimumFrontSize = 60;

struct PlateCheck {
  std::array<int, 25> errors{};  // [1..12] CHECK1 flags, [13..24] CHECK2 counts
  std::vector<int> orphanNodes;  // nodes that belong to no element
  int maxFront = 0;              // largest front met, in freedoms
  int frontSize = kMinimumFrontSize;

  [[nodiscard]] bool check1Failed() const;
  [[nodiscard]] bool check2Failed() const;
};

// CHECK1: the control values of the model.
void checkControl(const PlateControl& c, PlateCheck& out);

// CHECK2: coordinates, connectivity, orphan nodes, the front width and the restraints.
void checkMesh(const PlateModel& m, PlateCheck& out);

// For every node (0-based), the index of the last element that contains it, or −1.
[[nodiscard]] std::vector<int> lastAppearances(const PlateModel& m);

// The listing lines of a check: the diagnoses of CHECK1, or the front width, the orphan-node
// lines and the diagnoses of CHECK2.
[[nodiscard]] std::vector<std::string> check1Lines(const PlateCheck& c);
[[nodiscard]] std::vector<std::string> check2Lines(const PlateCheck& c);

}  // namespace stilt::cap
