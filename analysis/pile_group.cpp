#include "analysis/pile_group.hpp"

namespace stilt {

StatusCode PileGroupAnalysis::tangentHeadStiffness(int pile, const Vector6& ug,
                                                   const PileCallOptions& options,
                                                   PileWorkspace& workspace, PileOutcome& outcome,
                                                   Matrix6& k) const {
  PileCallOptions perturbed = options;
  perturbed.collectWarnings = false;
  perturbed.finalResults = false;
  std::array<Vector6, 6> plus{};
  std::array<Vector6, 6> minus{};
  bool notConverged = false;
  for (int sign = 0; sign < 2; ++sign) {
    for (std::size_t j = 0; j < 6; ++j) {
      Vector6 u = ug;
      u[j] += sign == 0 ? options.perturbation[j] : -options.perturbation[j];
      outcome.clear();
      const StatusCode status = analysePile(pile, u, perturbed, workspace, outcome);
      if (!isOk(status)) return status;
      notConverged = notConverged || outcome.lateralNotConverged;
      (sign == 0 ? plus : minus)[j] = outcome.force;
    }
  }
  outcome.lateralNotConverged = notConverged;
  for (std::size_t j = 0; j < 6; ++j) {
    for (std::size_t i = 0; i < 6; ++i) {
      k[i][j] = (plus[j][i] - minus[j][i]) * 0.5 / options.perturbation[j];
    }
  }
  return StatusCode::kCompleted;
}

}  // namespace stilt
