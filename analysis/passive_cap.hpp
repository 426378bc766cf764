#pragma once
// Passive resistance of an embedded pile cap: the soil in front of the cap resists its horizontal
// movement, and the cap solvers add that force to the pile forces and its stiffness to theirs.
//
// Two models. The pressure model ("EQUIVALENT LATERAL LOAD") takes the full passive pressure
// diagram over the embedded face of the cap, linear with depth below the ground (Rankine), as one
// horizontal resultant that opposes any lateral movement of the cap; it is shared between Y and
// Z in proportion to the absolute displacements. The member model ("EQUIVALENT LATERAL SPRINGS")
// treats the embedded part of the cap as a short rigid member on lateral springs (the p-y curves
// of the soil profile, or the hyperbola of Mokwa and Duncan (2001) for pile caps), so the
// resistance grows with the movement.
//
// Both are pure functions of the cap displacement: they analyse no pile, and their stiffness is
// the central difference of their force with the perturbations of a pile head.

#include <memory>
#include <vector>

#include "analysis/cap_algebra.hpp"
#include "analysis/result_records.hpp"
#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"
#include "model/file_set.hpp"
#include "model/status_code.hpp"
#include "report/cells.hpp"
#include "report/input_report.hpp"
#include "soil/lateral_soil.hpp"
#include "soil/py_soil.hpp"

namespace stilt {

// The passive pressure diagram reduced to a resultant: `a`, the horizontal force of the whole
// diagram, and `b`, its moment about the pile-head level (positive when the resultant acts above
// it), for an embedment D (negative below the ground), a cap thickness t, a passive line load p0
// at the cap base and the X coordinate c of the pile heads (the cap base).
struct PassiveResultant {
  double a = 0.0;
  double b = 0.0;
};
[[nodiscard]] PassiveResultant passiveResultant(double embedment, double thickness, double p0,
                                                double headLevel);

// The force of the pressure model on the cap at the origin for the cap displacement `dv`: zero
// without lateral movement (s = |DV2| + |DV3| at most 1.0E-14), otherwise opposing it, with the
// share w = |DV2| / s along Y and 1 - w along Z. The resultant is mobilised in full once s
// reaches `mobilisation`, in proportion to s below it (0: at once).
[[nodiscard]] Vector6 passivePressureForce(const PassiveResultant& r, const Vector6& dv,
                                           double mobilisation = 0.0);

// The lateral movement that mobilises the pressure model's resultant in full: 1.0E-4 in
// (2.54E-6 m in metric units). A cap whose lateral load is less than the resultant is then
// held by the part of it that balances the load, at a movement too small to matter, instead of
// having no lateral equilibrium at all; the perturbations of the central differences (at most
// 1.0E-5) stay within it, so its stiffness there is the secant a / 1.0E-4.
[[nodiscard]] double passiveMobilisation(int unitsCode);

// Rankine's passive pressure at a depth below the ground: Kp·σ'v + 2c·√Kp, with
// Kp = tan²(45° + φ/2) and σ'v the average effective unit weight above the depth times the depth.
[[nodiscard]] double rankinePassivePressure(double verticalStress, double cohesion,
                                            double frictionAngle);

// A hyperbolic load-deflection curve of the passive resistance (Mokwa and Duncan, 2001):
// p = y / (1/k + Rf·y/pUlt) until it reaches pUlt, pUlt beyond; p = 0 where k or pUlt is not
// positive.
struct CapHyperbola {
  double k = 0.0;     // initial stiffness
  double rf = 0.0;    // failure ratio, 0 to 1
  double pUlt = 0.0;  // ultimate resistance
  [[nodiscard]] double resistance(double y) const;
};
// The hyperbola of initial stiffness k that reaches pUlt at the deflection yMax.
[[nodiscard]] CapHyperbola hyperbolaReaching(double k, double pUlt, double yMax);
// The hyperbola whose secant stiffness at half of pUlt is k50 and that reaches pUlt at yMax
// (linear up to pUlt when yMax is too small for a hyperbola through both).
[[nodiscard]] CapHyperbola hyperbolaThroughHalf(double k50, double pUlt, double yMax);

// The item's settings the member's p-y springs depend on.
struct PassiveSettings {
  bool cyclic = false;
  int cycles = 1;
};

class PassiveCap {
 public:
  // Prepares the model the input selects (capPassiveModel) from the cap, the pile heads, the
  // ground and the soil profile. Fails with the status of soil data the springs or the pressure
  // cannot be built from, or with 3 when the member reaches below the deepest soil layer; `diag`
  // says why.
  [[nodiscard]] static StatusCode build(const AnalysisModel& model, const PreparedRun& prepared,
                                        const PassiveSettings& settings,
                                        std::unique_ptr<PassiveCap>& out, Diagnostics& diag);

  [[nodiscard]] CapPassiveModel model() const { return model_; }
  [[nodiscard]] double embedment() const { return embedment_; }
  [[nodiscard]] double p0() const { return p0_; }
  [[nodiscard]] double headLevel() const { return headLevel_; }
  [[nodiscard]] const PassiveResultant& resultant() const { return resultant_; }
  [[nodiscard]] int nodeCount() const { return static_cast<int>(nodeX_.size()); }

  // The force of the soil on the cap at the origin for the cap displacement `dv`.
  [[nodiscard]] StatusCode force(const Vector6& dv, Vector6& f, Diagnostics& diag);
  // Its derivative by the cap displacement, by central differences with `delta` on every
  // component whose perturbation is positive (+delta on each, then -delta).
  [[nodiscard]] StatusCode stiffness(const Vector6& dv, const Vector6& delta, Matrix6& k,
                                     Diagnostics& diag);

  // For the results: the model, the embedment, p0 and the resultant with its line of action.
  [[nodiscard]] PassiveRecord record(const Vector6& force) const;

  // The report of an item at print option 1 or more, to the output report and the summary: the
  // pressure model's force table ("* PASIVE RESISTANCE IN PILE CAP *"), or the member's listing
  // ("REACTIONS CAP") of its deflections and soil reactions along the embedded face.
  [[nodiscard]] StatusCode writeReport(const Vector6& dv, const Vector6& force, bool planar,
                                       FileSet& files, Diagnostics& diag);

 private:
  // The member's soil reaction per unit depth at every node for the cap displacement `dv`.
  [[nodiscard]] StatusCode memberReactions(const Vector6& dv, Diagnostics& diag);

  CapPassiveModel model_ = CapPassiveModel::kNone;
  UnitLabels units_;
  double embedment_ = 0.0;  // D
  double thickness_ = 0.0;  // t
  double headLevel_ = 0.0;  // c: X of the cap base, where the pile heads are
  double p0_ = 0.0;         // pressure model: passive line load at the cap base
  double mobilisation_ = 0.0;
  PassiveResultant resultant_;
  // The member: nodes from the top of the embedded face to the cap base, their X and depth
  // below the ground, and its springs.
  int memberNumber_ = 0;
  std::vector<double> nodeX_, nodeDepth_, weight_;
  PySoil pySoil_;
  std::unique_ptr<LateralSoil> hyperbolic_;
  const LateralSoil* springs_ = nullptr;
  std::vector<double> deflectionY_, deflectionZ_, resultantDeflection_, modulus_;
  std::vector<double> reactionY_, reactionZ_;
};

}  // namespace stilt
