#include "analysis/cap_solver.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace stilt {
namespace {

constexpr const char* kBlank5 = "     ";

// Exponent form in 13 columns with 5 decimals.
std::string exp13(double v) {
  return fmt::format("{:>13}", fmt::format("{:.5E}", v));
}

std::string fixed(int width, int decimals, double v) {
  return fmt::format("{:>{}.{}f}", v, width, decimals);
}

double norm3(const Vector6& v, std::size_t first) {
  return std::hypot(v[first], v[first + 1], v[first + 2]);  // no overflow of the squares
}

// A value that is not a finite number (an overflowed pile force, a stiffness of infinities)
// cannot be solved for: the item ends as a singular system rather than print NaN.
bool allFinite(const Vector6& v) {
  for (double x : v) {
    if (!std::isfinite(x)) return false;
  }
  return true;
}
bool allFinite(const Matrix6& m) {
  for (const Vector6& r : m) {
    if (!allFinite(r)) return false;
  }
  return true;
}

double max3(const Vector6& v, std::size_t first) {
  return std::max({std::fabs(v[first]), std::fabs(v[first + 1]), std::fabs(v[first + 2])});
}

// One labelled value of a cap table: label, number, unit.
std::string cell(std::string_view label, double value, std::string_view unit) {
  return fmt::format("{:<15}{} {:<7}", label, formatRealCell(12, 4, value), unit);
}

}  // namespace

void writeCapTableL(TextFile& f, const Vector6& fv, const Vector6& dv, const UnitLabels& u,
                    bool planar) {
  f.line("     * TABLE L *   COMPUTATION ON PILE CAP");
  f.line();
  f.line("     * EQUIVALENT CONC. LOAD AT ORIGIN *");
  f.line();
  if (planar) {
    f.line("     " + cell("VERT. LOAD,", fv[0], u.force) + cell("HORI. LOAD,", fv[1], u.force) +
           cell("MOMENT,", fv[5], u.moment));
  } else {
    f.line("     " + cell("VERT. LOAD,", fv[0], u.force) + cell("HOR. LOAD Y,", fv[1], u.force) +
           cell("HOR. LOAD Z,", fv[2], u.force));
    f.line("     " + cell("MOMENT X ,", fv[3], u.moment) + cell("MOMENT Y,", fv[4], u.moment) +
           cell("MOMENT Z,", fv[5], u.moment));
  }
  f.line();
  f.line("     * DISPLACEMENT OF GROUPED PILE");
  f.line("       FOUNDATION AT ORIGIN *");
  f.line();
  if (planar) {
    f.line("     " + cell("VERTICAL,", dv[0], u.length) + cell("HORIZONTAL,", dv[1], u.length) +
           cell("ROTATION,", dv[5], u.radians));
  } else {
    f.line("     " + cell("VERTICAL ,", dv[0], u.length) + cell("HORIZONTAL Y,", dv[1], u.length) +
           cell("HORIZONTAL Z,", dv[2], u.length));
    f.line("     " + cell("ANGLE ROT. X,", dv[3], u.radians) +
           cell("ANGLE ROT. Y,", dv[4], u.radians) + cell("ANGLE ROT. Z,", dv[5], u.radians));
  }
}

namespace {

// Load cases and combinations carry the same control parameters under the same names.
template <class Item>
CapControl controlOf(const Item& c) {
  CapControl k;
  k.maxIterations = c.maxCapIterations();
  k.tolerance = c.capTolerance();
  k.increment = c.loadIncrement();
  k.minIncrement = c.minimumIncrement();
  k.alternateTolerances = c.alternateTolerances();
  k.deflectionTolerance = c.alternateDeflectionTolerance();
  k.rotationTolerance = c.alternateRotationTolerance();
  k.printOption = c.printOption();
  return k;
}

}  // namespace

CapControl controlOfCase(const LoadCase& c) {
  return controlOf(c);
}
CapControl controlOfCombination(const LoadCombination& c) {
  return controlOf(c);
}

Vector6 CapSolver::perturbations(int unitsCode, bool planar) {
  if (planar) {
    const double t = unitsCode == 2 ? 2.54e-7 : 1.0e-5;
    return {t, t, 0.0, 0.0, 0.0, 1.0e-8};
  }
  const double t = unitsCode == 2 ? 2.54e-9 : 1.0e-7;
  return {t, t, t, 1.0e-13, 1.0e-13, 1.0e-13};
}

CapSolver::CapSolver(CapContext context)
    : ctx_(std::move(context)),
      planar_(ctx_.model.is2d()),
      units_(unitLabels(ctx_.model.switches.unitsCode())),
      delta_(perturbations(ctx_.model.switches.unitsCode(), planar_)),
      // No more threads than piles: a single pile runs on the calling thread alone.
      pool_(
          std::min(resolveThreadCount(ctx_.options.threads), std::max(1, ctx_.piles.pileCount()))) {
  const std::size_t n = static_cast<std::size_t>(ctx_.piles.pileCount());
  for (int w = 0; w < pool_.size(); ++w) workspaces_.push_back(ctx_.piles.makeWorkspace());
  scratch_.resize(workspaces_.size());
  slots_.resize(n);
  pm_.assign(n, 1.0);
  ym_.assign(n, 1.0);
  warned_.assign(n, 0);
  for (std::size_t i = 0; i < n && i < ctx_.factors.pUsed.size(); ++i) {
    pm_[i] = ctx_.factors.pUsed[i];
    ym_[i] = ctx_.factors.yUsed[i];
  }
}

void CapSolver::writeProgress(const CapItem& item, int iteration) {
  const std::string record =
      item.passes > 0
          ? fmt::format(
                "- ANALYSIS FOR LOAD {} {:3d}/{:3d}\n DOF:{:3d}/{:3d} STEP:{:5d} "
                "TCUR:{:9.3f} ITERATION:{:5d}\n\n",
                item.combination ? "COMB" : "CASE", item.number, item.count, item.pass, item.passes,
                STEP, TCUR, iteration)
          : fmt::format(
                "- ANALYSIS FOR LOAD {} {:3d}/{:3d}\n STEP:{:5d} TCUR:{:10.4f} ITERATION:{:5d}\n\n",
                item.combination ? "COMB" : "CASE", item.number, item.count, STEP, TCUR, iteration);
  ProgressEvent event;
  event.phase = ProgressEvent::Phase::kIteration;
  event.combination = item.combination;
  event.item = item.number;
  event.itemCount = item.count;
  event.step = STEP;
  event.loadFraction = TCUR;
  event.iteration = iteration;
  event.pileCount = ctx_.piles.pileCount();
  iterationEvent_ = event;
  ctx_.files.writeProgress(record, &event);
}

// The factors estimated for a direction depend only on the group and on the sense of the
// movement along it: each of the four (Y and Z, either sense) is estimated once per item, on the
// first iteration that asks for it, and copied afterwards. The estimation weighs every pair of
// piles, which for a large group costs more than a pile pass's share of one thread.
void CapSolver::estimateFactors(GroupDirection direction, double sign) {
  GroupFactors& f = ctx_.factors;
  std::vector<double>& p = direction == GroupDirection::kY ? f.pUsed : f.pZ;
  std::vector<double>& y = direction == GroupDirection::kY ? f.yUsed : f.yZ;
  EstimatedFactors& e =
      estimated_[(direction == GroupDirection::kY ? 0u : 2u) + (sign > 0.0 ? 0u : 1u)];
  if (e.done) {
    p = e.p;
    y = e.y;
    return;
  }
  estimateGroupFactors(ctx_.model, direction, sign, ctx_.factorWork, f);
  e.p = p;
  e.y = y;
  e.done = true;
}

void CapSolver::updateGroupMultipliers(const Vector6& dv, const Vector6& fv) {
  const int option = ctx_.model.switches.groupReductionOption();
  if (option < 1) return;
  GroupFactors& f = ctx_.factors;
  if (planar_) {
    // In the plane only the direction Y exists: its factors are used as they stand.
    if (option == 1) estimateFactors(GroupDirection::kY, dv[1] >= 0.0 ? 1.0 : -1.0);
    pm_ = f.pUsed;
    ym_ = f.yUsed;
    return;
  }
  if (option == 1) {
    // Re-estimated for the sense in which the cap moves now, along Y and along Z.
    estimateFactors(GroupDirection::kY, dv[1] >= 0.0 ? 1.0 : -1.0);
    f.pY = f.pUsed;
    f.yY = f.yUsed;
    estimateFactors(GroupDirection::kZ, dv[2] >= 0.0 ? 1.0 : -1.0);
  }
  double cy = 0.0;
  double cz = 0.0;
  if (option == 3) {
    cy = std::fabs(ctx_.model.movementFactorY);
    cz = std::fabs(ctx_.model.movementFactorZ);
    if (cy == 0.0 && cz == 0.0) cy = cz = 1.0;
  } else {
    cy = std::fabs(dv[1]);
    cz = std::fabs(dv[2]);
    if (cy == 0.0 && cz == 0.0) {
      cy = std::fabs(fv[1]);
      cz = std::fabs(fv[2]);
    }
    if (cy == 0.0 && cz == 0.0) cy = 1.0;
  }
  const double length = std::sqrt(cy * cy + cz * cz);
  cy /= length;
  cz /= length;
  for (std::size_t i = 0; i < pm_.size(); ++i) {
    pm_[i] = std::hypot(cy * f.pY[i], cz * f.pZ[i]);
    ym_[i] = std::hypot(cy * f.yY[i], cz * f.yZ[i]);
  }
}

Vector6 CapSolver::headDisplacement(int pile, const Vector6& dv) const {
  if (plateHeads_) return heads_[static_cast<std::size_t>(pile)];
  const PileGeometry& g = ctx_.piles.geometry(pile);
  return multiply(transferMatrix(g.x, g.y, g.z), dv);
}

StatusCode CapSolver::pilePass(const Vector6& dv, bool collect, bool messages, Vector6& rv,
                               bool withStiffness) {
  rv = {};
  TextFile& report = ctx_.files[Channel::kReport];
  TextFile& runtime = ctx_.files[Channel::kRuntime];
  if (collect) {
    bearingLines_.clear();
    pullOutLines_.clear();
    torsionLines_.clear();
    (void)ctx_.files.open(Channel::kWarningsWork, TextFile::Mode::kWrite);
  }
  PileCallOptions options;
  options.collectWarnings = collect;
  options.loadFraction = TCUR;
  options.keepLateral = withStiffness;
  // The analyses, on the pool: each pile reads the shared state and writes only its own slot
  // and the workspace of the thread that runs it.
  ProgressEvent passEvent = iterationEvent_;
  passEvent.phase = ProgressEvent::Phase::kPiles;
  passProgress_.begin(ctx_.files, passEvent, ctx_.piles.pileCount());
  pool_.forEach(ctx_.piles.pileCount(), [&](int p, int worker) {
    const std::size_t i = static_cast<std::size_t>(p);
    const std::size_t w = static_cast<std::size_t>(worker);
    PileSlot& slot = slots_[i];
    const Vector6 ug = headDisplacement(p, dv);
    PileCallOptions own = options;
    own.pMultiplier = pm_[i];
    own.yMultiplier = ym_[i];
    slot.outcome.clear();
    slot.status = ctx_.piles.analysePile(p, ug, own, *workspaces_[w], slot.outcome);
    // A pile that failed or did not close ends or abandons the iteration, and the stiffness is
    // then never assembled.
    if (withStiffness && isOk(slot.status) && !slot.outcome.lateralNotConverged) {
      headStiffness(p, ug, delta_, *workspaces_[w], scratch_[w], slot, true);
    }
    passProgress_.pileDone(worker);
  });
  // The reduction, in pile order, as a serial pass would have written it: up to the first pile
  // that failed.
  for (int p = 0; p < ctx_.piles.pileCount(); ++p) {
    const PileSlot& slot = slots_[static_cast<std::size_t>(p)];
    const PileOutcome& outcome = slot.outcome;
    const StatusCode status = slot.status;
    if (messages || !isOk(status)) {
      for (const std::string& l : outcome.diag.report) report.line(l);
      for (const std::string& l : outcome.diag.runtime) runtime.line(l);
      if (outcome.lateralNotConverged) warned_[static_cast<std::size_t>(p)] = 1;
    }
    if (!isOk(status)) {
      ctx_.files.close(Channel::kWarningsWork);
      return status;
    }
    if (outcome.lateralNotConverged) noteNonConvergence(p, outcome.diag);
    if (collect) {
      bearing_ += outcome.bearingFailures;
      pullOut_ += outcome.pullOutFailures;
      torsion_ += outcome.torsionFailures;
      TextFile& work = ctx_.files[Channel::kWarningsWork];
      for (const auto* block :
           {&outcome.bearingBlock, &outcome.pullOutBlock, &outcome.torsionBlock}) {
        for (const std::string& l : *block) work.line(l);
      }
      bearingLines_.insert(bearingLines_.end(), outcome.bearingBlock.begin(),
                           outcome.bearingBlock.end());
      pullOutLines_.insert(pullOutLines_.end(), outcome.pullOutBlock.begin(),
                           outcome.pullOutBlock.end());
      torsionLines_.insert(torsionLines_.end(), outcome.torsionBlock.begin(),
                           outcome.torsionBlock.end());
    }
    const PileGeometry& g = ctx_.piles.geometry(p);
    const Vector6 atOrigin = multiplyTransposed(transferMatrix(g.x, g.y, g.z), outcome.force);
    for (std::size_t k = 0; k < 6; ++k) rv[k] += atOrigin[k];
  }
  if (collect) ctx_.files.close(Channel::kWarningsWork);
  return StatusCode::kCompleted;
}

// A pile whose lateral solution did not close: the item cannot be solved at this displacement.
// Its warning (the messages of the analysis that did not close) is written once per pile and
// global iteration, however many of its perturbed analyses failed.
void CapSolver::noteNonConvergence(int pile, const Diagnostics& diag) {
  pileStatus_ = 1;
  char& warned = warned_[static_cast<std::size_t>(pile)];
  if (warned != 0) return;
  warned = 1;
  for (const std::string& l : diag.report) ctx_.files[Channel::kReport].line(l);
  for (const std::string& l : diag.runtime) ctx_.files[Channel::kRuntime].line(l);
}

void CapSolver::headStiffness(int p, const Vector6& ug, const Vector6& delta,
                              PileWorkspace& workspace, PileOutcome& scratch, PileSlot& slot,
                              bool stateAtHead) const {
  PileCallOptions options;  // perturbed analyses never record warnings
  options.pMultiplier = pm_[static_cast<std::size_t>(p)];
  options.yMultiplier = ym_[static_cast<std::size_t>(p)];
  options.loadFraction = TCUR;
  slot.stiffnessStatus = StatusCode::kCompleted;
  slot.stiffnessNotClosed = false;
  slot.stiffnessDiag.clear();
  if (ctx_.options.stiffness == StiffnessMethod::kTangent) {
    // The tangent of the pile's converged state: a few linear solves on the state the force
    // analysis just left in the workspace, or else one analysis of its own. That analysis solves
    // afresh: the linearisation reads the state the solver leaves in the workspace, which a
    // solution taken over from an earlier analysis does not restore.
    options.perturbation = delta;
    options.stateAtHead = stateAtHead;
    scratch.clear();
    const StatusCode status =
        ctx_.piles.tangentHeadStiffness(p, ug, options, workspace, scratch, slot.stiffness);
    if (!isOk(status)) {
      slot.stiffnessStatus = status;
      return;
    }
    if (scratch.lateralNotConverged) {
      slot.stiffnessNotClosed = true;
      std::swap(slot.stiffnessDiag, scratch.diag);
    }
    return;
  }
  options.reuseLateral = true;
  // Central differences at the head in global axes: first +delta on every component, then
  // -delta.
  std::array<Vector6, 6> plus{};
  std::array<Vector6, 6> minus{};
  for (int sign = 0; sign < 2; ++sign) {
    for (std::size_t j = 0; j < 6; ++j) {
      Vector6 u = ug;
      u[j] += sign == 0 ? delta[j] : -delta[j];
      scratch.clear();
      const StatusCode status = ctx_.piles.analysePile(p, u, options, workspace, scratch);
      if (!isOk(status)) {
        slot.stiffnessStatus = status;
        return;
      }
      if (scratch.lateralNotConverged && !slot.stiffnessNotClosed) {
        slot.stiffnessNotClosed = true;
        std::swap(slot.stiffnessDiag, scratch.diag);
      }
      (sign == 0 ? plus : minus)[j] = scratch.force;
    }
  }
  Matrix6& k = slot.stiffness;
  for (std::size_t j = 0; j < 6; ++j) {
    for (std::size_t i = 0; i < 6; ++i) k[i][j] = (plus[j][i] - minus[j][i]) * 0.5 / delta[j];
  }
}

StatusCode CapSolver::assembleStiffness(Matrix6& ss) {
  ss = {};
  for (int p = 0; p < ctx_.piles.pileCount(); ++p) {
    const PileSlot& slot = slots_[static_cast<std::size_t>(p)];
    if (slot.stiffnessNotClosed) noteNonConvergence(p, slot.stiffnessDiag);
    if (!isOk(slot.stiffnessStatus)) return slot.stiffnessStatus;
    const PileGeometry& g = ctx_.piles.geometry(p);
    const Matrix6 a = transferMatrix(g.x, g.y, g.z);
    const Matrix6 contribution = multiply(transpose(a), multiply(slot.stiffness, a));
    for (std::size_t i = 0; i < 6; ++i) {
      for (std::size_t j = 0; j < 6; ++j) ss[i][j] += contribution[i][j];
    }
  }
  return StatusCode::kCompleted;
}

StatusCode CapSolver::assemblePlanarStiffness(const Vector6& dv, Matrix6& ss) {
  if (ctx_.options.stiffness == StiffnessMethod::kTangent) {
    // The piles' tangents assembled at the origin, of which the plane keeps its three degrees of
    // freedom (what the differences on the cap would fill).
    const StatusCode status = assembleStiffness(ss);
    for (std::size_t i = 0; i < 6; ++i) {
      for (std::size_t j = 0; j < 6; ++j) {
        const bool inPlane = (i == 0 || i == 1 || i == 5) && (j == 0 || j == 1 || j == 5);
        if (!inPlane) ss[i][j] = 0.0;
      }
    }
    return status;
  }
  ss = {};
  // Central differences on the cap itself: +delta and -delta on each planar degree of freedom,
  // every pile analysed for both.
  for (std::size_t j : kPlanarDofs) {
    Vector6 plus = dv;
    Vector6 minus = dv;
    plus[j] += delta_[j];
    minus[j] -= delta_[j];
    Vector6 rPlus{};
    Vector6 rMinus{};
    StatusCode status = pilePass(plus, false, false, rPlus);
    if (!isOk(status)) return status;
    status = pilePass(minus, false, false, rMinus);
    if (!isOk(status)) return status;
    for (std::size_t i : kPlanarDofs) ss[i][j] = (rPlus[i] - rMinus[i]) * 0.5 / delta_[j];
  }
  return StatusCode::kCompleted;
}

// The embedded cap's passive force joins RV and its stiffness SS. It is a function of the cap
// displacement alone: the piles' forces at DV are those of the pass just made, so no pile is
// analysed again for it.
StatusCode CapSolver::addPassiveResistance() {
  if (ctx_.passive == nullptr) return StatusCode::kCompleted;
  Diagnostics diag;
  Vector6 f{};
  Matrix6 k{};
  StatusCode status = ctx_.passive->force(DV, f, diag);
  if (isOk(status)) status = ctx_.passive->stiffness(DV, delta_, k, diag);
  for (const std::string& l : diag.report) ctx_.files[Channel::kReport].line(l);
  for (const std::string& l : diag.runtime) ctx_.files[Channel::kRuntime].line(l);
  if (!isOk(status)) return status;
  for (std::size_t i = 0; i < 6; ++i) {
    RV[i] += f[i];
    for (std::size_t j = 0; j < 6; ++j) SS[i][j] += k[i][j];
  }
  return StatusCode::kCompleted;
}

bool CapSolver::invertAndCorrect() {
  Matrix6 inverse{};
  if (planar_) {
    for (std::size_t i = 0; i < 3; ++i) {
      for (std::size_t j = 0; j < 3; ++j) inverse[i][j] = SS[kPlanarDofs[i]][kPlanarDofs[j]];
    }
    if (!invertInPlace(inverse, 3)) return false;
    DDV = {};
    for (std::size_t i = 0; i < 3; ++i) {
      double v = 0.0;
      for (std::size_t j = 0; j < 3; ++j) v += inverse[i][j] * DFV[kPlanarDofs[j]];
      DDV[kPlanarDofs[i]] = v;
    }
    return allFinite(DDV);
  }
  inverse = SS;
  if (!invertInPlace(inverse)) return false;
  DDV = multiply(inverse, DFV);
  return allFinite(DDV);
}

void CapSolver::writeVectors() const {
  TextFile& data = ctx_.files[Channel::kCaseData];
  const auto row = [](const Vector6& v) {
    std::string s;
    for (double x : v) s += fmt::format("{:>16}", fmt::format("{:.7E}", x));
    return s;
  };
  data.line(" DDV " + row(DDV));
  data.line(" DFV " + row(DFV));
  data.line(" UDV " + row(UDV));
  data.line(" DV  " + row(DV));
  data.line(" FV  " + row(FV));
  data.line(" RV  " + row(RV));
}

void CapSolver::writeIteration(int iteration, bool alternate) const {
  TextFile& runtime = ctx_.files[Channel::kRuntime];
  const std::string indent(19, ' ');
  runtime.line(fmt::format("{}ITERATION {:4d}", kBlank5, iteration));
  runtime.line(indent + "- ErrDsp " + exp13(errDsp_) + ", IncDsp " + exp13(incDsp_) + ", TotDsp " +
               exp13(totDsp_));
  runtime.line(indent + "- ErrRot " + exp13(errRot_) + ", IncRot " + exp13(incRot_) + ", TotRot " +
               exp13(totRot_));
  if (alternate) runtime.line(indent + "- MaxDsp " + exp13(maxDsp_) + ", MaxRot " + exp13(maxRot_));
}

// The close of an item's stepping, shared by the rigid cap and the plate: the piles' warnings,
// the fraction reached and the multipliers, and, when the item has no results to print (a pile
// that did not converge, a singular matrix, or no converged step at all), its outcome and its
// line in the convergence file. True in that case.
bool CapSolver::endedWithoutResults(CapResult& result) {
  writePileWarnings();
  TextFile& convergence = ctx_.files[Channel::kConvergence];
  result.convergedFraction = lastConverged_;
  result.pMultipliers = pm_;
  result.yMultipliers = ym_;
  if (pileStatus_ == 1) {
    result.outcome = CapOutcome::kNoPileConvergence;
    convergence.line("    6 NO CONVERGENCE ON PILES");
    return true;
  }
  if (pileStatus_ == 2) {
    result.outcome = CapOutcome::kSingular;
    convergence.line("    7 SINGULAR STIFFNESS MATRIX");
    return true;
  }
  if (lastConverged_ <= 0.0) {
    result.outcome = CapOutcome::kNoCapConvergence;
    convergence.line("    3 NO CONVERGENCE ON PILE CAP");
    return true;
  }
  return false;
}

StatusCode CapSolver::solve(const CapControl& control, const CapItem& item,
                            const Vector6& totalLoad, CapResult& result) {
  if (ctx_.plate != nullptr && !planar_) return solvePlate(control, item, totalLoad, result);
  TextFile& report = ctx_.files[Channel::kReport];
  TextFile& runtime = ctx_.files[Channel::kRuntime];
  TextFile& data = ctx_.files[Channel::kCaseData];

  plateHeads_ = false;
  pileStatus_ = 0;
  totalLoad_ = totalLoad;
  DDV = {};
  DV = {};
  UDV = {};
  FV = totalLoad;
  convergedDisplacement_ = {};
  STEP = 0;
  // A fraction of the total load, at most all of it.
  DTCUR = TCUR = std::min(control.increment, 1.0);
  if (!(DTCUR > 0.0)) DTCUR = TCUR = 1.0;
  lastConverged_ = 0.0;
  stepFlag_ = 0;
  iteration_ = 0;
  runtime.line("     GLOBAL ITERATIONS");

  while (TCUR <= 1.0) {
    ++STEP;
    runtime.line(
        fmt::format("{}STEP {:5d}, TCUR {:10.4f}, DTCUR {:10.4f}", kBlank5, STEP, TCUR, DTCUR));
    stepFlag_ = 0;
    UDV = {};
    DDV = {};
    iteration_ = 0;
    while (stepFlag_ == 0) {
      ++iteration_;
      pileStatus_ = 0;
      std::fill(warned_.begin(), warned_.end(), 0);
      bearing_ = pullOut_ = torsion_ = 0;
      writeProgress(item, iteration_);
      if (ctx_.files.stopRequested()) return StatusCode::kStoppedByUser;
      updateGroupMultipliers(DV, FV);

      bool converged = false;
      bool abandon = false;
      // In space every pile's head stiffness is found with its force, in the same task.
      // The head stiffness of every pile, right after its force on the same workspace: always in
      // space, and in the plane when it comes from the piles' tangents (the plane's central
      // differences perturb the cap instead).
      StatusCode status = pilePass(DV, true, true, RV,
                                   !planar_ || ctx_.options.stiffness == StiffnessMethod::kTangent);
      if (!isOk(status)) return status;
      if (pileStatus_ == 1) {
        abandon = true;
      } else {
        for (std::size_t k = 0; k < 6; ++k) FV[k] = TCUR * totalLoad_[k];
        status = planar_ ? assemblePlanarStiffness(DV, SS) : assembleStiffness(SS);
        if (!isOk(status)) return status;
        status = addPassiveResistance();
        if (!isOk(status)) return status;
        for (std::size_t k = 0; k < 6; ++k) DFV[k] = -FV[k] - RV[k];
        const bool finite = allFinite(SS) && allFinite(DFV);
        if (finite) {
          data.line(" SS");
          for (const auto& r : SS) {
            std::string s;
            for (double x : r) s += fmt::format("{:>16}", fmt::format("{:.7E}", x));
            data.line(s);
          }
          result.stiffness = SS;
        }
        if (!finite || !invertAndCorrect()) {
          for (TextFile* f : {&report, &runtime}) {
            f->line("     ** WARNING **");
            f->line("     DETERMINANT OF STIFFNESS MATRIX IS ZERO");
          }
          pileStatus_ = 2;
          abandon = true;
        } else {
          for (std::size_t k = 0; k < 6; ++k) {
            UDV[k] += DDV[k];
            DV[k] += DDV[k];
          }
          writeVectors();
          incDsp_ = norm3(DDV, 0);
          incRot_ = norm3(DDV, 3);
          totDsp_ = norm3(UDV, 0);
          totRot_ = norm3(UDV, 3);
          maxDsp_ = max3(DDV, 0);
          maxRot_ = max3(DDV, 3);
          errDsp_ = totDsp_ != 0.0 ? incDsp_ / totDsp_ : incDsp_;
          errRot_ = totRot_ != 0.0 ? incRot_ / totRot_ : incRot_;
          writeIteration(iteration_, control.alternateTolerances);
          if (iteration_ > 1) {
            // From the 41st iteration on, a correction or a step displacement that has fallen to
            // 1.0E-8 is accepted whatever the relative error.
            // In the plane the thresholds are 1.0E-10 and there is no relaxed rule.
            const double floor = planar_ ? 1.0e-10 : 1.0e-12;
            const auto settled = [&](double err, double inc, double tot, double mx, double alt) {
              if (err <= control.tolerance || inc <= floor || tot <= floor) return true;
              if (!planar_ && iteration_ >= 41 && !(inc > 1.0e-8 && tot > 1.0e-8)) return true;
              return control.alternateTolerances && mx <= alt;
            };
            converged = settled(errDsp_, incDsp_, totDsp_, maxDsp_, control.deflectionTolerance) &&
                        settled(errRot_, incRot_, totRot_, maxRot_, control.rotationTolerance);
          }
        }
      }
      if (abandon) iteration_ = std::max(iteration_, control.maxIterations) + 1;

      if (converged) {
        stepFlag_ = 1;
        for (std::size_t k = 0; k < 6; ++k) convergedDisplacement_[k] += UDV[k];
        DV = convergedDisplacement_;
        lastConverged_ = TCUR;
        result.iterations = iteration_;
        TCUR += DTCUR;
        // The last step always lands on the full load (a level within rounding of it is it).
        if (std::fabs(TCUR - 1.0) < 1.0e-9) TCUR = 1.0;
        if (TCUR > 1.0 && lastConverged_ < 1.0) TCUR = 1.0;
      } else if (iteration_ > control.maxIterations) {
        DTCUR *= 0.5;
        DV = convergedDisplacement_;
        if (DTCUR < control.minIncrement) {
          if (pileStatus_ != 2) {
            for (TextFile* f : {&report, &runtime}) {
              f->line("     ** WARNING **");
              f->line(fmt::format("     PILE CAP DISPL DOES NOT CONVERGE AFTER,{:5d} ITERATIONS",
                                  control.maxIterations));
            }
          }
          stepFlag_ = -1;
          TCUR = 1.1;
        } else {
          --STEP;
          stepFlag_ = -1;
          TCUR -= DTCUR;
        }
      }
    }
  }

  if (endedWithoutResults(result)) return StatusCode::kCompleted;
  return finishWithResults(control, result);
}

// An item with results, on the rigid cap or the plate: at a point of a stiffness estimation, the
// state the point reached, which the estimation reports; otherwise the result tables, the
// printing pass over the piles and the item's outcome.
StatusCode CapSolver::finishWithResults(const CapControl& control, CapResult& result) {
  if (control.estimationPoint) {
    for (std::size_t k = 0; k < 6; ++k) FV[k] = lastConverged_ * totalLoad_[k];
    result.load = FV;
    result.displacement = DV;
    result.outcome = lastConverged_ >= 1.0 ? CapOutcome::kCompleted : CapOutcome::kPartial;
    return StatusCode::kCompleted;
  }
  writeResults(control, result);
  ++ctx_.analysedCount;
  const StatusCode status = printingPass();
  if (!isOk(status)) return status;
  writeOutcome(result);
  return StatusCode::kCompleted;
}

void CapSolver::writePileWarnings() {
  TextFile& report = ctx_.files[Channel::kReport];
  TextFile& runtime = ctx_.files[Channel::kRuntime];
  struct Warning {
    int count;
    std::array<const char*, 5> lines;
  };
  const Warning warnings[3] = {
      {bearing_,
       {"** WARNING **", "SOME PILES, MAY FAIL IN BEARING!",
        "AXIAL DISPLACEMENT ESTIMATED IS LARGER THAN", "MAXIMUM DISPLACEMENT DEFINED",
        "IN AXIAL LOAD-DISPLACEMENT CURVE"}},
      {pullOut_,
       {"** WARNING **", "SOME PILES, MAY FAIL IN PULL OUT!",
        "AXIAL DISPLACEMENT ESTIMATED IS SMALLER THAN", "MINIMUM DISPLACEMENT DEFINED",
        "IN AXIAL LOAD-DISPLACEMENT CURVE"}},
      {torsion_,
       {"** WARNING **", "SOME PILES, MAY FAIL IN TORSION!",
        "TORSIONAL ROTATION ESTIMATED IS LARGER/SMALLER", "THAN MAXIMUM/MINIMUM ROTATION DEFINED",
        "IN TORQUE-ROTATION CURVE"}}};
  for (const Warning& w : warnings) {
    if (w.count == 0) continue;
    report.line();
    for (const char* l : w.lines) report.line(std::string(kBlank5) + l);
    runtime.line(std::string(kBlank5) + w.lines[0]);
    runtime.line(std::string(kBlank5) + w.lines[1]);
    // An apparent failure is noted, but it does not hide a pile that did not converge (1) or a
    // singular stiffness (2): those decide the item's result line.
    if (pileStatus_ == 0) pileStatus_ = 3;
  }
  // The warning blocks of the last pile pass, bearing first, then pull-out, then torsion.
  for (const auto* lines : {&bearingLines_, &pullOutLines_, &torsionLines_}) {
    for (const std::string& l : *lines) {
      report.line(l);
      runtime.line(l);
    }
  }
}

void CapSolver::writeFactorTable() {
  for (Channel c : {Channel::kReport, Channel::kSummary}) {
    TextFile& f = ctx_.files[c];
    f.line();
    f.line("     REDUCTION FACTORS FOR CLOSELY-SPACED PILE");
    f.line("     GROUPS, COMBINED Y AND Z DIRECTIONS");
    if (ctx_.model.switches.groupReductionOption() == 3) {
      f.line("     USING A PREDEFINED MOVEMENT");
    } else {
      f.line("     ESTIMATED USING MOVEMENT IN");
      f.line("     THE DIRECTION OF PILE CAP DISPLACEMENTS");
    }
    f.line();
    f.line("     GROUP NO     P-FACTOR     Y-FACTOR");
    for (std::size_t i = 0; i < pm_.size(); ++i) {
      f.line(fmt::format("     {:8d}{}{}", i + 1, formatRealCell(13, 4, pm_[i]),
                         formatRealCell(13, 4, ym_[i])));
    }
  }
}

void CapSolver::writeResults(const CapControl& control, CapResult& result) {
  FileSet& files = ctx_.files;
  if (ctx_.model.switches.groupReductionOption() >= 1) writeFactorTable();
  for (std::size_t k = 0; k < 6; ++k) FV[k] = lastConverged_ * totalLoad_[k];
  result.load = FV;
  result.displacement = DV;
  const UnitLabels& u = units_;

  for (Channel c : {Channel::kReport, Channel::kSummary}) {
    TextFile& f = files[c];
    f.line();
    writeCapTableL(f, FV, DV, u, planar_);
    if (planar_) {
      f.line();
      f.line(fmt::format("     NUMBER OF ITERATIONS ={:5d}", result.iterations));
    } else {
      f.line();
      f.line(fmt::format("     NUMBER OF GLOBAL ITERATIONS ={:5d}", result.iterations));
    }
  }
  files[Channel::kRuntime].line(
      fmt::format("     NUMBER OF GLOBAL ITERATIONS ={:5d}", result.iterations));

  TextFile& work = files[Channel::kSummaryWork];
  const std::vector<std::size_t> comps =
      planar_ ? std::vector<std::size_t>{0, 1, 5} : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
  const auto header =
      [&comps](const std::array<std::pair<const char*, const std::string*>, 6>& cols) {
        std::string s = "     ";
        for (std::size_t k : comps) {
          s += fmt::format("{:>14}", std::string(cols[k].first) + " " + *cols[k].second);
        }
        return s;
      };
  const auto values = [&comps](const Vector6& v, int width, int digits) {
    std::string s = width == 14 ? "     " : "";
    for (std::size_t k : comps) s += formatRealCell(width, digits, v[k]);
    return s;
  };
  work.line();
  work.line("     * EQUIVALENT CONCENTRATED LOAD AT ORIGIN *");
  work.line(header({{{"LOAD X,", &u.force},
                     {"LOAD Y,", &u.force},
                     {"LOAD Z,", &u.force},
                     {"MOM X,", &u.moment},
                     {"MOM Y,", &u.moment},
                     {"MOM Z,", &u.moment}}}));
  work.line(values(FV, 14, 4));
  work.line("     * DISPLACEMENT OF GROUPED PILE");
  work.line("       FOUNDATION AT ORIGIN *");
  work.line(header({{{"DISP X,", &u.length},
                     {"DISP Y,", &u.length},
                     {"DISP Z,", &u.length},
                     {"ROT X,", &u.radians},
                     {"ROT Y,", &u.radians},
                     {"ROT Z,", &u.radians}}}));
  work.line(values(DV, 14, 4));

  // The pile-cap results file carries the values at full precision, for hosts.
  TextFile& cap = files[Channel::kCapResults];
  cap.line("* TABLE L *   COMPUTATION ON PILE CAP");
  cap.line("* EQUIVALENT CONC. LOAD AT ORIGIN *");
  cap.line(values(FV, 17, 8));
  cap.line("* DISPLACEMENT OF PILE CAP AT ORIGIN *");
  cap.line(values(DV, 17, 8));
  cap.line(fmt::format("NUMBER OF GLOBAL ITERATIONS ={:5d}", result.iterations));

  // Running extremes of the block; the first analysed item sets them.
  CapEnvelope& env = ctx_.envelope;
  for (std::size_t k = 0; k < 6; ++k) {
    if (ctx_.analysedCount <= 1) {
      env.minLoad[k] = env.maxLoad[k] = FV[k];
      env.minDisplacement[k] = env.maxDisplacement[k] = DV[k];
    } else {
      env.minLoad[k] = std::min(env.minLoad[k], FV[k]);
      env.maxLoad[k] = std::max(env.maxLoad[k], FV[k]);
      env.minDisplacement[k] = std::min(env.minDisplacement[k], DV[k]);
      env.maxDisplacement[k] = std::max(env.maxDisplacement[k], DV[k]);
    }
  }

  if (lastConverged_ >= 1.0) {
    result.outcome = CapOutcome::kCompleted;
  } else {
    result.outcome = CapOutcome::kPartial;
    const double p = 100.0 * lastConverged_;
    for (Channel c : {Channel::kReport, Channel::kSummary}) {
      files[c].line("     ** WARNING **  GROUP COULD NOT GET SOLUTION FOR 100% OF THE LOAD");
      files[c].line(fmt::format("     RESULTS ARE FOR{}% OF THE TOTAL LOAD", fixed(8, 2, p)));
    }
  }
  if (ctx_.passive != nullptr) {
    Diagnostics diag;
    Vector6 f{};
    if (isOk(ctx_.passive->force(DV, f, diag))) {
      result.passiveForce = f;
      result.passive = ctx_.passive->record(f);
      if (control.printOption >= 1) (void)ctx_.passive->writeReport(DV, f, planar_, files, diag);
    }
    for (const std::string& l : diag.report) files[Channel::kReport].line(l);
    for (const std::string& l : diag.runtime) files[Channel::kRuntime].line(l);
  }
  if (control.printOption >= 1) {
    for (Channel c : {Channel::kReport, Channel::kSummary}) {
      files[c].line();
      files[c].line("     * TABLE M *   COMPUTATION ON INDIVIDUAL PILE");
    }
  }
}

// The result line of a reported item, once the printing pass has analysed every pile again at
// the reported displacement: a pile that did not close there leaves the item without its
// results, and the line says so.
void CapSolver::writeOutcome(CapResult& result) {
  TextFile& convergence = ctx_.files[Channel::kConvergence];
  if (pileStatus_ == 1) {
    result.outcome = CapOutcome::kNoPileConvergence;
    convergence.line("    6 NO CONVERGENCE ON PILES");
  } else if (result.outcome == CapOutcome::kCompleted) {
    convergence.line("    1 ANALYSIS COMPLETED");
  } else {
    convergence.line(
        fmt::format("    2 SOLUTION AT{}% OF THE TOTAL LOAD", fixed(8, 2, 100.0 * lastConverged_)));
  }
}

StatusCode CapSolver::printingPass() {
  FileSet& files = ctx_.files;
  files[Channel::kCapResults].line("* TABLE M *   COMPUTATION ON INDIVIDUAL PILE");
  (void)files.open(Channel::kPileResultsWork, TextFile::Mode::kWrite);
  // The reported level: the distributed loads and soil movement along the piles are those of the
  // last converged load fraction, like the cap load.
  TCUR = lastConverged_;
  pileStatus_ = 0;
  std::fill(warned_.begin(), warned_.end(), 0);
  // The head stiffness of a pile, for the equivalent stiffnesses of components that did not
  // move, comes from the pile's own central differences, in the plane as in space.
  const Vector6 headDelta = perturbations(ctx_.model.switches.unitsCode(), false);
  PileCallOptions options;
  options.finalResults = true;
  options.loadFraction = TCUR;
  // The piles are analysed in batches, each pile of a batch on a workspace of its own that holds
  // its results until the writers have taken them, in pile order, on this thread; memory stays
  // that of one batch whatever the size of the group.
  const int count = ctx_.piles.pileCount();
  const int batch = std::min(count, kPrintingBatchPerThread * pool_.size());
  std::vector<std::unique_ptr<PileWorkspace>> held;
  for (int k = 0; k < batch; ++k) held.push_back(ctx_.piles.makeWorkspace());
  StatusCode status = StatusCode::kCompleted;
  ProgressEvent writingEvent = iterationEvent_;
  writingEvent.phase = ProgressEvent::Phase::kWriting;
  passProgress_.begin(ctx_.files, writingEvent, count);
  for (int first = 0; first < count && isOk(status); first += batch) {
    const int size = std::min(batch, count - first);
    pool_.forEach(size, [&](int k, int worker) {
      const int p = first + k;
      const std::size_t i = static_cast<std::size_t>(p);
      PileSlot& slot = slots_[i];
      PileWorkspace& workspace = *held[static_cast<std::size_t>(k)];
      const PileGeometry& g = ctx_.piles.geometry(p);
      const Vector6 ug = headDisplacement(p, DV);
      const Vector6 u = multiply(rotationMatrix(g), ug);
      slot.status = StatusCode::kCompleted;
      slot.stiffnessStatus = StatusCode::kCompleted;
      slot.stiffnessNotClosed = false;
      slot.outcome.clear();
      PileCallOptions own = options;
      own.headStiffness = nullptr;
      // In the plane only the in-plane components (axial, lateral y, rotation z) are reported.
      bool unmoved = false;
      for (std::size_t j = 0; j < 6; ++j) {
        const bool reported = !planar_ || j == 0 || j == 1 || j == 5;
        unmoved = unmoved || (reported && std::fabs(u[j]) <= 1.0e-14);
      }
      if (unmoved) {
        headStiffness(p, ug, headDelta, workspace, scratch_[static_cast<std::size_t>(worker)],
                      slot);
        if (!isOk(slot.stiffnessStatus)) return;
        own.headStiffness = &slot.stiffness;
      }
      own.pMultiplier = pm_[i];
      own.yMultiplier = ym_[i];
      slot.status = ctx_.piles.analysePile(p, ug, own, workspace, slot.outcome);
      passProgress_.pileDone(worker);
    });
    for (int k = 0; k < size && isOk(status); ++k) {
      const int p = first + k;
      PileSlot& slot = slots_[static_cast<std::size_t>(p)];
      if (slot.stiffnessNotClosed) noteNonConvergence(p, slot.stiffnessDiag);
      if (!isOk(slot.stiffnessStatus)) {
        status = slot.stiffnessStatus;
        break;
      }
      // The warnings of the final analysis (a plastic hinge, a solution that did not close) are
      // written as in any pass, a pile's non-convergence once.
      const PileOutcome& outcome = slot.outcome;
      if (!outcome.lateralNotConverged || warned_[static_cast<std::size_t>(p)] == 0) {
        for (const std::string& l : outcome.diag.report) files[Channel::kReport].line(l);
        for (const std::string& l : outcome.diag.runtime) files[Channel::kRuntime].line(l);
      }
      if (!isOk(slot.status)) {
        status = slot.status;
        break;
      }
      if (outcome.lateralNotConverged) {
        // No results along this pile: the workspace holds nothing of it.
        warned_[static_cast<std::size_t>(p)] = 1;
        pileStatus_ = 1;
        continue;
      }
      if (ctx_.onPileResults) {
        status = ctx_.onPileResults(p, outcome, *held[static_cast<std::size_t>(k)]);
      }
    }
  }
  files.close(Channel::kPileResultsWork);
  return status;
}

}  // namespace stilt
