#pragma once
// Node arrays of one pile discretised by finite differences.
//
// A pile of N equal increments has real nodes 0 (head) to N (tip). The five-point difference
// operator reaches two nodes beyond each end, so the solver's working arrays also hold the
// imaginary nodes -2, -1 above the head and N+1, N+2 below the tip, plus one spare slot at each
// end: N + 7 slots. Inputs and results that exist only at real nodes are indexed by the node
// number itself.
//
// The arrays are sized from the pile being analysed, not from the input format: a pile may be
// analysed on a mesh finer than the file's 100 increments (the run's refinement factor). Storage
// is sized once, when a model is built or a workspace first meets a pile of that many nodes, and
// reused; a solve allocates nothing.

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "model/analysis_model.hpp"

namespace stilt {

inline constexpr int kMaxFileIncrements = capacity::kIncrements;  // 100, the input format's
inline constexpr int kHeadSlot = 3;                               // slot of node 0
// The largest mesh refinement factor a run may ask for: every increment of the file cut into at
// most this many.
inline constexpr int kMaxRefinement = 16;

// One value per node, contiguous, sized at run time. A thin wrapper over std::vector that keeps
// the array-like spelling (fill, operator[]) the solvers are written in; copying into an array
// of the same size reuses its storage.
template <class T>
class NodeValues {
 public:
  NodeValues() = default;
  explicit NodeValues(std::size_t count) : v_(count) {}
  NodeValues(std::initializer_list<T> values) : v_(values) {}

  // Sets the size to `count`, every value cleared.
  void assign(std::size_t count) { v_.assign(count, T{}); }
  // Grows to at least `count` values (new ones cleared); never shrinks, so that a workspace
  // sized once for the largest pile serves every smaller one without reallocating.
  void reserveAtLeast(std::size_t count) {
    if (v_.size() < count) v_.resize(count, T{});
  }
  void fill(const T& value) { std::fill(v_.begin(), v_.end(), value); }

  [[nodiscard]] std::size_t size() const noexcept { return v_.size(); }
  [[nodiscard]] T* data() noexcept { return v_.data(); }
  [[nodiscard]] const T* data() const noexcept { return v_.data(); }
  T& operator[](std::size_t i) noexcept { return v_[i]; }
  const T& operator[](std::size_t i) const noexcept { return v_[i]; }
  auto begin() noexcept { return v_.begin(); }
  auto end() noexcept { return v_.end(); }
  auto begin() const noexcept { return v_.begin(); }
  auto end() const noexcept { return v_.end(); }
  bool operator==(const NodeValues&) const = default;

 private:
  std::vector<T> v_;
};

// Working array over all slots; node m sits in slot m + kHeadSlot.
using NodeArray = NodeValues<double>;
// One value per real node, indexed by node number.
using RealNodeArray = NodeValues<double>;

[[nodiscard]] constexpr std::size_t slotOf(int node) noexcept {
  return static_cast<std::size_t>(node + kHeadSlot);
}
// Slots of a pile of `increments` increments: nodes -3..N+3.
[[nodiscard]] constexpr std::size_t slotCount(int increments) noexcept {
  return static_cast<std::size_t>(increments + 7);
}
// Real nodes of a pile of `increments` increments: 0..N.
[[nodiscard]] constexpr std::size_t realNodeCount(int increments) noexcept {
  return static_cast<std::size_t>(increments + 1);
}

}  // namespace stilt
