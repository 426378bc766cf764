#pragma once
// The rigid pile cap in three dimensions: the six cap displacements at which the forces of all
// pile heads balance the applied load.
//
// The load is applied in fractions. Within each load step a Newton iteration corrects the cap
// displacement with the tangent stiffness of the whole foundation, found by central differences
// on every pile head; a step that does not converge is retried with half the increment, down to
// the minimum increment. The names of the state (STEP, TCUR, DTCUR, FV, RV, DFV, SS, DDV, UDV, DV)
// are those under which it is written to the per-load-case data file.

#include <functional>
#include <optional>
#include <vector>

#include "analysis/analysis_options.hpp"
#include "analysis/cap_algebra.hpp"
#include "analysis/pass_progress.hpp"
#include "analysis/passive_cap.hpp"
#include "analysis/pile_group.hpp"
#include "analysis/pile_pool.hpp"
#include "analysis/result_records.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "model/status_code.hpp"
#include "report/cells.hpp"
#include "report/group_factors.hpp"

namespace stilt {

// The control set of the running load case or combination.
struct CapControl {
  int maxIterations = 100;
  double tolerance = 1.0e-4;  // on the relative corrections ErrDsp and ErrRot
  double increment = 1.0;     // first DTCUR and TCUR
  double minIncrement = 0.01;
  bool alternateTolerances = false;
  double deflectionTolerance = 0.0;  // absolute bounds on the largest correction
  double rotationTolerance = 0.0;
  int printOption = 0;
  // A point of a foundation-stiffness estimation: the solve leaves its reporting (the cap table,
  // the printing pass, the result-status line of a solved point) to the estimation.
  bool estimationPoint = false;
};
[[nodiscard]] CapControl controlOfCase(const LoadCase& c);
[[nodiscard]] CapControl controlOfCombination(const LoadCombination& c);

// Which item runs, for the progress records.
struct CapItem {
  bool combination = false;
  int number = 1;
  int count = 1;
  // During a foundation-stiffness estimation, the pass of the estimation and the number of its
  // passes (0 for an ordinary solve), for the progress records.
  int pass = 0;
  int passes = 0;
};

// Result-status codes of an item, written to the convergence-status file.
enum class CapOutcome : int {
  kCompleted = 1,          // "1 ANALYSIS COMPLETED"
  kPartial = 2,            // "2 SOLUTION AT p % OF THE TOTAL LOAD"
  kNoCapConvergence = 3,   // "3 NO CONVERGENCE ON PILE CAP"
  kNoPileConvergence = 6,  // "6 NO CONVERGENCE ON PILES"
  kSingular = 7,           // "7 SINGULAR STIFFNESS MATRIX"
};

struct CapResult {
  CapOutcome outcome = CapOutcome::kNoCapConvergence;
  double convergedFraction = 0.0;
  Vector6 load{};                                  // FV at the reported level
  Vector6 displacement{};                          // DV
  int iterations = 0;                              // global iterations of the last step
  Matrix6 stiffness{};                             // SS of the last iteration (before inversion)
  std::vector<double> pMultipliers, yMultipliers;  // the group factors the piles used
  Vector6 passiveForce{};                          // of the embedded cap, at DV
  PassiveRecord passive;
  std::optional<PlateRecord> plate;  // a flexible cap's plate at the reported level
  bool reported() const {
    return outcome == CapOutcome::kCompleted || outcome == CapOutcome::kPartial;
  }
};

// Running extremes of the cap load and displacement over the analysed items of a block.
struct CapEnvelope {
  Vector6 minLoad{}, maxLoad{}, minDisplacement{}, maxDisplacement{};
};

// The cap's block of TABLE L: the equivalent concentrated load at the origin and the displacement
// of the group there, with the planar labels in two dimensions (without the iteration count).
void writeCapTableL(TextFile& f, const Vector6& fv, const Vector6& dv, const UnitLabels& u,
                    bool planar);

// A flexible cap: the item is solved as a plate on its piles (analysis/flexible_cap.hpp).
struct FlexibleCapRun;

struct CapContext {
  FileSet& files;
  const AnalysisModel& model;
  const PileGroupAnalysis& piles;
  GroupFactors& factors;
  GroupFactorWorkspace& factorWork;
  CapEnvelope& envelope;
  int& analysedCount;  // items analysed in the block so far; 1 before the first
  // The printing pass: called for every pile, in order, after its analysis with the final-results
  // switch on, while the per-pile results work file is open.
  std::function<StatusCode(int pile, const PileOutcome&, const PileWorkspace&)> onPileResults;
  AnalysisOptions options{};  // threads of the pile pass, head-stiffness method
  // The passive resistance of an embedded cap, added to the piles' force and stiffness in every
  // global iteration; null when the cap takes none.
  PassiveCap* passive = nullptr;
  // A flexible cap in three dimensions: every solve is the plate's; null for a rigid cap.
  const FlexibleCapRun* plate = nullptr;
};

class CapSolver {
 public:
  explicit CapSolver(CapContext context);

  // Solves one item for `totalLoad` at the origin; returns the run status (0, 3 for a fatal pile
  // error, 4 after a stop request) and fills `result`.
  [[nodiscard]] StatusCode solve(const CapControl& control, const CapItem& item,
                                 const Vector6& totalLoad, CapResult& result);

  // The perturbations of the head-stiffness central differences for a units code: translations
  // 1.0E-7 (2.54E-9 in metric units), rotations 1.0E-13. In the plane the cap itself is
  // perturbed: translations 1.0E-5 (2.54E-7 in metric units), rotation 1.0E-8.
  [[nodiscard]] static Vector6 perturbations(int unitsCode, bool planar = false);

  // The cap degrees of freedom of a planar analysis within the six: X, Y and rotation Z.
  static constexpr std::array<std::size_t, 3> kPlanarDofs = {0, 1, 5};

 private:
  friend class PlatePileSupports;
  // The plate's solve of an item (analysis/flexible_cap.cpp): the same pile passes, reports and
  // results as the rigid cap, with every pile head at its own point of the plate.
  [[nodiscard]] StatusCode solvePlate(const CapControl& control, const CapItem& item,
                                      const Vector6& totalLoad, CapResult& result);
  // The head displacement of pile `pile` in global axes: the rigid cap's displacement `dv` moved
  // to the head, or the plate's displacement at the head.
  [[nodiscard]] Vector6 headDisplacement(int pile, const Vector6& dv) const;

  // What the analyses of one pile in a pass leave for the reduction in pile order.
  struct PileSlot {
    StatusCode status = StatusCode::kCompleted;  // of the analysis at the pass's displacement
    PileOutcome outcome;
    // The head stiffness at the same displacement: its status (a fatal one ends the pass), the
    // 6x6 matrix at the pile head in global axes, and the messages of the first perturbed
    // analysis whose lateral solution did not close.
    StatusCode stiffnessStatus = StatusCode::kCompleted;
    Matrix6 stiffness{};
    bool stiffnessNotClosed = false;
    Diagnostics stiffnessDiag;
  };

  // Analyses every pile at the cap displacement `dv`, on the pool, and sums the head forces at
  // the origin into `rv` in pile order. With `withStiffness` each pile's head stiffness is found
  // in the same task, right after its force, for `assembleStiffness`.
  StatusCode pilePass(const Vector6& dv, bool collect, bool messages, Vector6& rv,
                      bool withStiffness = false);
  // The head stiffness of one pile (twelve perturbed analyses, or the tangent of its converged
  // state) on the calling thread's workspace; writes nothing, leaves its result in `slot`.
  // `stateAtHead`: the workspace holds the state of the force analysis of this pile at `ug`.
  void headStiffness(int pile, const Vector6& ug, const Vector6& delta, PileWorkspace& workspace,
                     PileOutcome& scratch, PileSlot& slot, bool stateAtHead = false) const;
  void noteNonConvergence(int pile, const Diagnostics& diag);
  // SS from the head stiffnesses of the last pile pass (made with `withStiffness`).
  StatusCode assembleStiffness(Matrix6& ss);
  StatusCode assemblePlanarStiffness(const Vector6& dv, Matrix6& ss);
  bool invertAndCorrect();
  StatusCode addPassiveResistance();
  void updateGroupMultipliers(const Vector6& dv, const Vector6& fv);
  void estimateFactors(GroupDirection direction, double sign);
  void writeIteration(int iteration, bool alternate) const;
  void writeVectors() const;
  void writePileWarnings();
  [[nodiscard]] bool endedWithoutResults(CapResult& result);
  [[nodiscard]] StatusCode finishWithResults(const CapControl& control, CapResult& result);
  void writeResults(const CapControl& control, CapResult& result);
  void writeOutcome(CapResult& result);
  void writeFactorTable();
  StatusCode printingPass();
  void writeProgress(const CapItem& item, int iteration);

  // Piles per thread in a batch of the printing pass.
  static constexpr int kPrintingBatchPerThread = 8;

  CapContext ctx_;
  bool planar_ = false;
  // The head displacements of the piles under a flexible cap, when `plateHeads_` is set.
  bool plateHeads_ = false;
  std::vector<Vector6> heads_;
  UnitLabels units_;
  Vector6 delta_{};
  // The threads of the pile passes, each with its workspace and a scratch outcome for the
  // perturbed analyses; one slot per pile for the reduction.
  PilePool pool_;
  std::vector<std::unique_ptr<PileWorkspace>> workspaces_;
  std::vector<PileOutcome> scratch_;
  std::vector<PileSlot> slots_;
  std::vector<double> pm_, ym_;
  // The group factors estimated for movement along Y and Z in either sense (Y+, Y-, Z+, Z-).
  struct EstimatedFactors {
    bool done = false;
    std::vector<double> p, y;
  };
  std::array<EstimatedFactors, 4> estimated_;
  // The progress of the pile passes, and the record of the iteration they belong to.
  PassProgress passProgress_;
  ProgressEvent iterationEvent_{};

  // The state of the iteration.
  int STEP = 0;
  double TCUR = 0.0;
  double DTCUR = 0.0;
  Vector6 totalLoad_{};
  Vector6 FV{}, RV{}, DFV{}, DDV{}, UDV{}, DV{};
  Matrix6 SS{};
  Vector6 convergedDisplacement_{};
  double lastConverged_ = 0.0;
  int iteration_ = 0;
  int stepFlag_ = 0;
  int pileStatus_ = 0;
  // Piles whose non-convergence has been reported in the current global iteration (or the
  // printing pass): one warning per pile, however many perturbed analyses failed.
  std::vector<char> warned_;
  int bearing_ = 0, pullOut_ = 0, torsion_ = 0;
  std::vector<std::string> bearingLines_, pullOutLines_, torsionLines_;
  // Norms of the last iteration, for the runtime file.
  double errDsp_ = 0, incDsp_ = 0, totDsp_ = 0, errRot_ = 0, incRot_ = 0, totRot_ = 0;
  double maxDsp_ = 0, maxRot_ = 0;
};

}  // namespace stilt
