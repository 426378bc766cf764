#pragma once
// The loads of a load case or combination as the solvers take them: the equivalent load at the
// cap origin and the distributed lateral loads along every pile.

#include <array>
#include <vector>

#include "model/analysis_model.hpp"
#include "report/pile_layout.hpp"

namespace stilt {

// Six components at the origin: force X (vertical), force Y, force Z, moment X, moment Y,
// moment Z.
using LoadVector = std::array<double, 6>;

// The distributed lateral load at the nodes of one pile, in the pile's own axes; the arrays hold
// `nodeCount` values (none for a pile no row loads).
struct PileNodeLoads {
  int nodeCount = 0;
  std::vector<double> depth;   // below the pile head, along the pile
  std::vector<double> qy;      // intensity along local y
  std::vector<double> qz;      // intensity along local z
  double axialHeadLoad = 0.0;  // axial component of global loads, carried to the head
};

struct DistributedLoads {
  std::vector<PileNodeLoads> piles;  // one per pile-group row
  bool axialLoadsPresent = false;
};

// Equivalent load at the origin of a case's concentrated loads (forces summed, moments summed
// with the moments of the forces about the origin), times the case's scale factor.
[[nodiscard]] LoadVector equivalentLoadOfCase(const AnalysisModel& model, int caseIndex);
// Sum over a combination's terms of the term factor times the case's equivalent load.
[[nodiscard]] LoadVector equivalentLoadOfCombination(const AnalysisModel& model, int combIndex);

// The distributed loads of one case (scale factor applied), or of a combination (each term's
// factor times its case's scale factor). Both clear `loads` first. Indices are 0-based. The
// nodes are those of the piles' lateral mesh: the property's increments, each cut into `refine`.
void assembleCaseLoads(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                       int caseIndex, DistributedLoads& loads, int refine = 1);
void assembleCombinationLoads(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                              int combIndex, DistributedLoads& loads, int refine = 1);

// Adds the axial head loads of global distributed loads to the equivalent load: each acts along
// its pile's axis at the pile head.
void addAxialHeadLoads(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                       const DistributedLoads& loads, LoadVector& load);

// The intensity of a distributed-load set at a depth; 0 outside the set's depths, for a set with
// fewer than two points, or for no set.
[[nodiscard]] double loadIntensityAt(const DistributedLoadSet* set, double depth);

}  // namespace stilt
