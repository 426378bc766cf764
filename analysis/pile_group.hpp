#pragma once
// What the cap solvers ask of the piles: the analysis of one pile for a prescribed head
// displacement, returning the force the pile exerts on the cap.
//
// The analysis of one pile is a pure function of the pile, its head displacement and read-only
// shared data; everything it changes lives in the caller's workspace and outcome. The pile pass
// and the stiffness assembly reduce the outcomes in pile order, so results do not depend on the
// order in which (or the thread on which) the piles were analysed.

#include <memory>
#include <string>
#include <vector>

#include "analysis/cap_algebra.hpp"
#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "report/pile_layout.hpp"

namespace stilt {

struct PileCallOptions {
  bool collectWarnings = false;  // record apparent axial and torsional failures
  bool finalResults = false;     // leave the results along the pile in the workspace
  double pMultiplier = 1.0;      // group-reduction multipliers of the pile
  double yMultiplier = 1.0;
  // The fraction of the item's load being applied (TCUR): the distributed loads and the soil
  // movement along the piles follow the cap load.
  double loadFraction = 1.0;
  // The pile's head stiffness in global axes from the central differences (the derivative of
  // the force on the cap by the head displacement), or null. With the final results it gives the
  // pile-top equivalent stiffness of every local component whose head displacement is too small
  // to divide by.
  const Matrix6* headStiffness = nullptr;
  // Repeated analyses of one pile on one workspace. The analysis of the force pass keeps its
  // lateral solution in the workspace; the perturbed analyses of the head stiffness that follow
  // take it over instead of solving again where their lateral inputs are bit for bit those of
  // the kept one (the twist of a plumb pile changes only its torque). The outcome is the one a
  // fresh solution would give. Never with the final results, which need the state along the pile.
  bool keepLateral = false;
  bool reuseLateral = false;
  // Perturbations of the head displacement (global axes) for a head stiffness by central
  // differences.
  Vector6 perturbation{};
  // For a tangent head stiffness: the workspace already holds this pile's converged state at this
  // head displacement, left by the analysis just made on it with the same multipliers and load
  // fraction, so the linearisation needs no analysis of its own.
  bool stateAtHead = false;
};

struct PileOutcome {
  Vector6 force{};  // force of the pile on the cap, global axes, at the pile head
  bool lateralNotConverged = false;
  bool plasticHinge = false;  // some node bends past the end of its moment-curvature curve
  // Apparent failures met while collecting: counts (0 or 1 here) and the blocks of lines for the
  // warnings work file, in the order bearing, pull-out, torsion.
  int bearingFailures = 0;
  int pullOutFailures = 0;
  int torsionFailures = 0;
  std::vector<std::string> bearingBlock, pullOutBlock, torsionBlock;
  Diagnostics diag;  // warnings and fatal messages for the report and the runtime file

  void clear() {
    force = {};
    lateralNotConverged = false;
    plasticHinge = false;
    bearingFailures = pullOutFailures = torsionFailures = 0;
    bearingBlock.clear();
    pullOutBlock.clear();
    torsionBlock.clear();
    diag.clear();
  }
};

// Scratch memory of one pile analysis, sized once and reused.
class PileWorkspace {
 public:
  virtual ~PileWorkspace() = default;
};

class PileGroupAnalysis {
 public:
  virtual ~PileGroupAnalysis() = default;
  [[nodiscard]] virtual int pileCount() const = 0;
  [[nodiscard]] virtual const PileGeometry& geometry(int pile) const = 0;
  [[nodiscard]] virtual std::unique_ptr<PileWorkspace> makeWorkspace() const = 0;
  // Analyses pile `pile` (0-based) for the head displacement `headDisplacement` (global axes, at
  // the head). A non-zero status is fatal for the run (a pile below the deepest soil layer).
  [[nodiscard]] virtual StatusCode analysePile(int pile, const Vector6& headDisplacement,
                                               const PileCallOptions& options,
                                               PileWorkspace& workspace,
                                               PileOutcome& outcome) const = 0;

  // The head stiffness of pile `pile` in global axes at its head: k(i, j) = dF(i)/du(j), F the
  // force of the pile on the cap and u the head displacement, at `headDisplacement`. Warnings are
  // never collected. `outcome` holds the last analysis; a lateral solution that did not close
  // sets its flag and leaves `k` unusable. This default takes central differences on the six
  // components with `options.perturbation`: twelve analyses, +δ on every component, then -δ.
  [[nodiscard]] virtual StatusCode tangentHeadStiffness(int pile, const Vector6& headDisplacement,
                                                        const PileCallOptions& options,
                                                        PileWorkspace& workspace,
                                                        PileOutcome& outcome, Matrix6& k) const;
};

}  // namespace stilt
