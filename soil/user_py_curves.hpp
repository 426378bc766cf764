#pragma once
// p-y curves given by the user (input section K): a set of curves at depths, each a list of
// (p, y) points. At a node the two curves that bracket its depth are used: p is interpolated
// linearly in y on each curve and then linearly in depth between the two.

#include <span>
#include <vector>

#include "model/analysis_model.hpp"
#include "soil/py_node_soil.hpp"

namespace stilt {

// One input curve prepared for evaluation: deflections ascending from y = 0.
struct UserPyTable {
  double depth = 0.0;
  std::vector<double> ys;
  std::vector<double> ps;
  double largestP = 0.0;

  // p at deflection y >= 0: linear between the points, the last p beyond the last point.
  [[nodiscard]] double p(double y) const;
  // dp/dy at y >= 0: the slope of the segment that starts at or below y (the segment further
  // deflection follows at a point of the table); 0 beyond the last point.
  [[nodiscard]] double tangent(double y) const;
};

// The curves of a set in depth order. Points at negative deflections are left out (the pile
// solver asks for a resultant deflection, never negative); a curve that does not start at y = 0
// starts at the origin.
[[nodiscard]] std::vector<UserPyTable> prepareUserPyTables(const UserPyCurveSet& set);

// The curve at one depth, between two prepared tables (which the caller keeps alive).
struct InterpolatedUserCurve {
  const UserPyTable* upper = nullptr;
  const UserPyTable* lower = nullptr;
  double weight = 0.0;  // 0 on the upper curve, 1 on the lower
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;  // interpolated in depth like p
  // 0 to the largest deflection of the two curves in 16 equal steps.
  void deflections(CurveDeflections& y) const;
};

// The curve at depth x. Above the shallowest curve, the shallowest; below the deepest, the
// deepest, and `beyond` is set. `tables` must not be empty.
[[nodiscard]] InterpolatedUserCurve interpolateUserCurves(std::span<const UserPyTable> tables,
                                                          double x, bool& beyond);

}  // namespace stilt
