#pragma once
// Node arrays of one pile discretised by finite differences.
//
// A pile of N equal increments has real nodes 0 (head) to N (tip). The five-point difference
// operator reaches two nodes beyond each end, so the solver's working arrays also hold the
// imaginary nodes -2, -1 above the head and N+1, N+2 below the tip, plus one spare slot at each
// end: N + 7 slots, 107 for the largest pile of 100 increments. Inputs and results that exist
// only at real nodes are indexed by the node number itself.

#include <array>
#include <cstddef>

#include "model/analysis_model.hpp"

namespace stilt {

inline constexpr int kMaxIncrements = capacity::kIncrements;  // 100
inline constexpr int kMaxNodes = kMaxIncrements + 1;          // real nodes 0..N
inline constexpr int kNodeSlots = kMaxIncrements + 7;         // nodes -3..N+3
inline constexpr int kHeadSlot = 3;                           // slot of node 0

// Working array over all slots; node m sits in slot m + kHeadSlot.
using NodeArray = std::array<double, kNodeSlots>;
// One value per real node, indexed by node number.
using RealNodeArray = std::array<double, kMaxNodes>;

[[nodiscard]] constexpr std::size_t slotOf(int node) noexcept {
  return static_cast<std::size_t>(node + kHeadSlot);
}

}  // namespace stilt
