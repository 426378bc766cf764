#pragma once
// The 25 result quantities along a pile, one value per real node, in the fixed order every
// result table, envelope and node listing uses. Directions in lower case are the pile's own
// axes (x along the pile, y and z lateral); capitals are the global axes (X vertical). A "y-z"
// quantity is the resultant of its two components.

#include <array>

#include "pile/lateral_pile.hpp"
#include "pile/node_arrays.hpp"

namespace stilt {

inline constexpr int kResultQuantities = 25;

namespace quantity {
inline constexpr int kAxialDisplacement = 1;  // needs the axial load distribution
inline constexpr int kDeflectionY = 2;
inline constexpr int kDeflectionZ = 3;
inline constexpr int kDeflectionYZ = 4;
inline constexpr int kDisplacementX = 5;  // global; needs quantity 1
inline constexpr int kDisplacementY = 6;
inline constexpr int kDisplacementZ = 7;
inline constexpr int kDisplacementYZ = 8;
inline constexpr int kMomentZ = 9;   // about local z (deflection in y)
inline constexpr int kMomentY = 10;  // about local y (deflection in z)
inline constexpr int kMomentYZ = 11;
inline constexpr int kShearY = 12;
inline constexpr int kShearZ = 13;
inline constexpr int kShearYZ = 14;
inline constexpr int kSoilReactionY = 15;
inline constexpr int kSoilReactionZ = 16;
inline constexpr int kSoilReactionYZ = 17;
inline constexpr int kAxialForce = 18;  // needs the axial load distribution
inline constexpr int kTotalStress = 19;
inline constexpr int kStiffnessZ = 20;  // bending about local z
inline constexpr int kStiffnessY = 21;  // bending about local y
inline constexpr int kDistributedLoadY = 22;
inline constexpr int kDistributedLoadZ = 23;
inline constexpr int kMomentDemandCapacity = 24;
inline constexpr int kShearDemandCapacity = 25;
}  // namespace quantity

struct PileResults {
  int increments = 0;      // N: nodes 0..N hold values
  double increment = 0.0;  // h
  // [quantity 1..25][node], each sized N + 1 by the solver that fills it.
  std::array<RealNodeArray, kResultQuantities + 1> values{};

  // Sets N and sizes every quantity for its N + 1 nodes, all values cleared.
  void resize(int n) {
    increments = n;
    for (auto& column : values) column.assign(realNodeCount(n < 0 ? 0 : n));
  }
  [[nodiscard]] double at(int q, int node) const {
    return values[static_cast<std::size_t>(q)][static_cast<std::size_t>(node)];
  }
  // Coordinate of a node along the pile, 0.0 at the head.
  [[nodiscard]] double coordinate(int node) const { return node * increment; }
};

// Rows of the rotation matrix R that takes a global displacement at the pile head into pile
// axes (u_local = R·u_global).
using RotationMatrix = std::array<std::array<double, 3>, 3>;

// Total stress at a node: |axial force|/area plus the bending stress. Sections of two principal
// dimensions (shape code 2 or more) add |My|·width/(2·Iy) + |Mz|·depth/(2·Iz); circular and
// general sections take the resultant moment times the diameter over 2·Iz. A zero area or
// moment of inertia drops its term.
[[nodiscard]] double totalStress(const NodeSection& section, double axialForce, double momentY,
                                 double momentZ);

// Fills the quantities of a converged solve from the solver's workspace. Quantities 1, 5..8
// stay zero; 18 is the given axial force when the model carries one, zero otherwise.
void fillResultQuantities(const LateralPileModel& pile, const LateralPileWorkspace& work,
                          PileResults& results);

// Global displacements (quantities 5..8) from the local ones (1, 2, 3): u_global = Rᵀ·u_local.
// For the caller that has filled quantity 1 from the axial solution.
void fillGlobalDisplacements(const RotationMatrix& rotation, PileResults& results);

}  // namespace stilt
