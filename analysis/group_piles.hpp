#pragma once
// The piles of a three-dimensional group for one load case or combination: each pile analysed
// for a head displacement with its axial spring (load-settlement curve, or the direct axial
// solution), its torsional spring (torque-rotation curve) and its lateral beam-column on p-y
// springs.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/pile_group.hpp"
#include "model/analysis_model.hpp"
#include "pile/lateral_pile.hpp"
#include "pile/lateral_tangent.hpp"
#include "pile/pile_sections.hpp"
#include "pile/result_quantities.hpp"
#include "report/input_report.hpp"
#include "report/load_assembly.hpp"
#include "soil/py_soil.hpp"

namespace stilt {

// What one item's piles are analysed with.
struct PileItemSettings {
  bool cyclic = false;
  int cycles = 1;
  int maxIterations = 100;
  double tolerance = 1.0e-5;
  bool axialDistribution = false;  // the axial load along the pile from the direct solution
  // Distributed loads at the nodes of the (refined) piles: assembled with the same `refine`.
  const DistributedLoads* loads = nullptr;
  // Mesh refinement: every pile analysed on `refine` times its property's increments.
  int refine = 1;
};

// Scratch of one pile analysis; after an analysis with the final-results switch on it holds the
// pile's results for the printing pass. Its node arrays grow to the largest pile met.
struct GroupPileWorkspace final : PileWorkspace {
  LateralPileWorkspace lateral;
  LateralPileSolution solution;
  PileResults results;
  RealNodeArray axialLoad{};      // axial force per node (compression positive), factored
  RealNodeArray axialMovement{};  // axial movement per node
  bool axialDistribution = false;
  Vector6 globalDisplacement{};  // the head displacement imposed, global axes
  Vector6 localDisplacement{};   // u: axial, y, z, twist, rotation y, rotation z
  Vector6 localForce{};          // the force one pile exerts on the cap, in pile axes
  double maxStress = 0.0;

  // The lateral solution kept by an analysis with `keepLateral`, with what it was solved for
  // (bit patterns: a solution is taken over only for exactly the same inputs) and the message
  // lines it gave.
  long lateralSolves = 0;  // lateral solutions made on this workspace (not those taken over)
  struct KeptLateral {
    const void* group = nullptr;  // the item's piles it belongs to; null: nothing kept
    int pile = -1;
    std::array<std::uint64_t, 9> inputs{};
    LateralPileSolution solution;
    Diagnostics diag;
  } kept;
  // The lateral solve of the last analysis as it was posed, for its linearisation.
  PileHeadInput head;
  PyMultipliers multipliers;
  LateralTangentWorkspace tangent;
  RealNodeArray axialRate{};  // dQ/du1 along the pile from the direct axial solution
  RealNodeArray axialScratchLoad{}, axialScratchLoad2{}, axialScratchMovement{};
};

class GroupPiles final : public PileGroupAnalysis {
 public:
  // Prepares every pile for the item. Fails with the status of the first pile whose sections or
  // soil cannot be prepared; `diag` says why.
  [[nodiscard]] static StatusCode build(const AnalysisModel& model, const PreparedRun& prepared,
                                        const PileItemSettings& settings,
                                        std::unique_ptr<GroupPiles>& out, Diagnostics& diag);

  int pileCount() const override { return static_cast<int>(piles_.size()); }
  const PileGeometry& geometry(int pile) const override {
    return piles_[static_cast<std::size_t>(pile)].geometry;
  }
  std::unique_ptr<PileWorkspace> makeWorkspace() const override {
    return std::make_unique<GroupPileWorkspace>();
  }
  [[nodiscard]] StatusCode analysePile(int pile, const Vector6& headDisplacement,
                                       const PileCallOptions& options, PileWorkspace& workspace,
                                       PileOutcome& outcome) const override;
  // From the converged state at the head displacement (one analysis): the lateral system
  // linearised with the tangent soil moduli and bending stiffnesses, the slopes of the
  // load-settlement and torque-rotation curves, and the axial-lateral coupling of the axial
  // force, rotated to global axes.
  [[nodiscard]] StatusCode tangentHeadStiffness(int pile, const Vector6& headDisplacement,
                                                const PileCallOptions& options,
                                                PileWorkspace& workspace, PileOutcome& outcome,
                                                Matrix6& k) const override;

  // Whether the pile's axial spring is a user curve (the axial quantities need a generated one).
  bool usesUserCurve(int pile) const { return piles_[static_cast<std::size_t>(pile)].userAxial; }
  // The p-y springs of the pile; null for a pile that reaches below the soil profile.
  const PySoil* soil(int pile) const {
    const Pile& p = piles_[static_cast<std::size_t>(pile)];
    return p.belowProfile ? nullptr : &p.soil;
  }
  // Es along the pile of the last analysis, for the equivalent stiffnesses along the pile.
  const LateralPileModel& lateralModel(int pile) const {
    return piles_[static_cast<std::size_t>(pile)].lateral;
  }

 private:
  struct Pile {
    int number = 0;
    PileGeometry geometry;
    Matrix6 rotation{};
    LateralPileModel lateral;
    PySoil soil;
    const HeadCurve* axialCurve = nullptr;
    bool userAxial = false;
    const PropertyCurves* generated = nullptr;  // for the direct axial solution
    const HeadCurve* torsionCurve = nullptr;
    bool torsionFree = false;  // a pinned plane transmits no torque
    double axialFactor = 1.0;
    int count = 1;  // piles the entry stands for (two-dimensional rows)
    bool belowProfile = false;
    double length = 0.0;
  };

  const AnalysisModel* model_ = nullptr;
  const PreparedRun* prepared_ = nullptr;
  PileItemSettings settings_;
  std::vector<HeadCurve> userCurves_;   // the user load-settlement curves as head curves
  std::vector<HeadCurve> userTorsion_;  // the user torque-rotation curves
  std::vector<Pile> piles_;
};

// A head curve lookup: the force at `movement` by linear interpolation, with the apparent
// failures of a movement beyond the curve's ends. Zero movement gives zero without the curve.
struct CurveLookup {
  double force = 0.0;
  int failure = 0;        // 0 none, 1 beyond the last point, -1 below the first point
  double exceeded = 0.0;  // movement of the curve point that was passed
};
[[nodiscard]] CurveLookup lookUpHeadCurve(const HeadCurve& curve, double movement);

// The slope dF/du of a head curve at `movement`, as the lookup reads it: the slope of the segment
// that holds the movement. At a point of the curve, the segment further loading follows, the one
// away from the origin; at the origin itself, where the sense of loading is not known, the mean
// of the two segments that meet there (what central differences see). Beyond either end, where
// the force is 0, the slope is 0.
[[nodiscard]] double headCurveSlope(const HeadCurve& curve, double movement);

}  // namespace stilt
