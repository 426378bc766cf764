#pragma once
// The stiffness of the whole pile foundation as seen from the cap origin, so that a structural
// model can replace the foundation by springs at the load level of its design case.
//
// Two families, chosen by the case's foundation-stiffness switch:
// - 1 to 10, flexibility by degree of freedom: each load component alone, at every level of the
//   list, gives one column of the flexibility matrix (displacements per unit load); per level
//   the matrix of the columns is inverted into a stiffness matrix;
// - 11 and above, equivalent stiffness at the origin: the whole load of the case at each level
//   (or at the level that produces a target deflection) is solved, and the tangent stiffness of
//   the converged state is the stiffness of the foundation at that point.
// The ordinary analysis of the case under its total load follows either family.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "analysis/cap_algebra.hpp"
#include "analysis/cap_solver.hpp"
#include "analysis/result_records.hpp"
#include "model/file_set.hpp"
#include "model/status_code.hpp"

namespace stilt {

// The case's stiffness data list, read: the points first, then (in a list of at least 13
// values) the twelve method parameters.
struct StiffnessPlan {
  std::vector<double> points;   // load factors, or multipliers of the reference deflection
  bool targetMethod = false;    // parameter 1: 0 total applied load, other target deflection
  int targetDof = 1;            // parameter 2, 1-based among the analysis's degrees of freedom
  std::size_t targetIndex = 0;  // the targeted component among the six cap components
  std::array<double, 6> reference{};  // parameters 3..8, one reference deflection per DOF
  double tolerancePercent = 0.0;      // parameter 9
  int maxTrials = 1;                  // parameter 10 (at least one trial)
  bool singleComponent = false;       // parameter 12: only the targeted component is applied
};

// The number of points of a list of `length` values: length - 12 when it holds the twelve
// method parameters (13 values or more), else all of it.
[[nodiscard]] std::size_t stiffnessPointCount(std::size_t length);

// Reads a list. In a planar analysis the degrees of freedom are 1 (X), 2 (Y) and 3 (rotation Z),
// and a targeted DOF 6 is taken as 3.
[[nodiscard]] StiffnessPlan readStiffnessPlan(const std::vector<double>& list, bool planar);

// The trials of the target-deflection method: pairs (computed deflection of the targeted DOF,
// load factor), kept sorted by deflection.
class TargetTrials {
 public:
  void add(double deflection, double factor);
  // The factor of the next trial for `target`: 0 with no pair; with one pair the proportional
  // factor target x factor / deflection (1.0 when the deflection is within 1.0E-4 of zero); with
  // two or more the linear interpolation of the factor against deflection between the pairs that
  // bracket the target, or the extrapolation of the end segment beyond them.
  [[nodiscard]] double nextFactor(double target) const;
  [[nodiscard]] std::size_t size() const { return pairs_.size(); }

 private:
  std::vector<std::pair<double, double>> pairs_;
};

// The stiffness of one load level of the first family from its flexibility columns: column j is
// the cap displacement per unit load in component j. Only the components in `solved` take part:
// their square block of the flexibility is inverted (the stiffness with the other components
// unloaded), and the other rows and columns of the result are zero. False when the block is
// singular.
[[nodiscard]] bool stiffnessFromFlexibility(const Matrix6& flexibility,
                                            const std::vector<std::size_t>& solved,
                                            Matrix6& stiffness);

// What the estimation runs its solves with.
struct StiffnessContext {
  FileSet& files;
  CapSolver& solver;
  CapControl control;  // the case's own
  CapItem item;
  Vector6 totalLoad{};  // of the case, at the origin
  bool planar = false;
  int pileCount = 0;
  int switchValue = 0;
  const std::vector<double>& list;
};

// Runs the estimation of one load case (everything before its ordinary total-load analysis) and
// fills `record`. Returns the run status: 0, 3 after a fatal pile error, 4 after a stop request.
[[nodiscard]] StatusCode estimateFoundationStiffness(const StiffnessContext& ctx,
                                                     FoundationStiffnessRecord& record);

}  // namespace stilt
