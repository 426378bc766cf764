#include "analysis/flexible_cap.hpp"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>

#include "cap/cap_model_files.hpp"
#include "cap/plate_solver.hpp"

namespace stilt {
namespace {

constexpr const char* kIndent = "     ";

std::filesystem::path runFolder(const FileSet& files) {
  const std::filesystem::path folder = files.path(Channel::kReport).parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

bool writesPlateModelOnly(const AnalysisModel& m) {
  return m.switches.is3d() && m.switches.flexibleCap() == 2;
}

bool solvesFlexibleCap(const AnalysisModel& m) {
  return m.switches.is3d() && m.switches.flexibleCap() >= 1 && m.switches.flexibleCap() != 2;
}

cap::CapModelInput plateModelInput(const AnalysisModel& m, const PreparedRun& p,
                                   const CapControl& control, const LoadVector& total) {
  cap::CapModelInput in;
  const FlexibleCapMesh& mesh = m.flexibleCap;
  in.geometry = {mesh.elementsY,  mesh.elementsZ, m.cap.length, m.cap.width,
                 m.cap.thickness, mesh.offsetY,   mesh.offsetZ};
  in.young = mesh.material1;
  in.poisson = mesh.material2;
  // The load steps of the rigid cap: a fraction of the load, the whole of it when none is given.
  in.stepping.dt = control.increment > 0.0 ? std::min(control.increment, 1.0) : 1.0;
  in.stepping.dtmin = control.minIncrement;
  in.stepping.maxiter = control.maxIterations;
  in.stepping.tolerance = control.tolerance;
  for (std::size_t k = 0; k < 6; ++k) in.load[k] = total[k];
  for (std::size_t i = 0; i < p.layout.size() && i < m.pileRows.size(); ++i) {
    const PileGeometry& g = p.layout[i];
    cap::CapPile pile;
    pile.x = g.x;
    pile.y = g.y;
    pile.z = g.z;
    // The pile axis in cap axes: the first row of the rotation into pile axes.
    pile.direction = {g.sinB, g.cosA * g.cosB, g.sinA * g.cosB};
    // A head pinned about both lateral axes passes no moment to the plate.
    const PileGroupRow& row = m.pileRows[i];
    const bool pinned = row.connectY == kConnectionPinned && row.connectZ == kConnectionPinned;
    pile.connection = pinned ? kConnectionPinned : kConnectionFixed;
    in.piles.push_back(pile);
  }
  return in;
}

StatusCode checkPilesUnderCap(const AnalysisModel& m, const PreparedRun& p, FileSet& files) {
  // The plan of the cap, as its mesh covers it: Y from Y0 − L/2 to Y0 + L/2 and Z from
  // −Z0 − W/2 to −Z0 + W/2.
  const double halfL = 0.5 * m.cap.length, halfW = 0.5 * m.cap.width;
  const double cy = m.flexibleCap.offsetY, cz = -m.flexibleCap.offsetZ;
  const double tol = 1.0e-9 * (1.0 + m.cap.length + m.cap.width);
  for (std::size_t i = 0; i < p.layout.size(); ++i) {
    const PileGeometry& g = p.layout[i];
    if (std::abs(g.y - cy) <= halfL + tol && std::abs(g.z - cz) <= halfW + tol) continue;
    files.lineTo({Channel::kReport, Channel::kRuntime});
    files.lineTo({Channel::kReport, Channel::kRuntime},
                 std::string(kIndent) + "**** FATAL ERROR ****");
    files.lineTo({Channel::kReport, Channel::kRuntime},
                 fmt::format("{}PILE GROUP{:5d} AT Y = {}, Z = {} LIES OUTSIDE THE FLEXIBLE CAP",
                             kIndent, i + 1, g.y, g.z));
    files.lineTo(
        {Channel::kReport, Channel::kRuntime},
        fmt::format("{}(Y FROM {} TO {}, Z FROM {} TO {}); EVERY PILE HEAD MUST BEAR ON IT",
                    kIndent, cy - halfL, cy + halfL, cz - halfW, cz + halfW));
    return StatusCode::kInputInvalidValue;
  }
  return StatusCode::kCompleted;
}

StatusCode writeItemPlateModel(const AnalysisModel& m, const PreparedRun& p, FileSet& files,
                               const CapControl& control, const LoadVector& total) {
  const std::filesystem::path report = files.path(Channel::kReport);
  const cap::CapFileNames names = cap::capFileNamesFor(report.stem().string());
  std::string error;
  if (!cap::writeCapModel(runFolder(files), names,
                          cap::buildCapPlateModel(plateModelInput(m, p, control, total)), error)) {
    files.lineTo({Channel::kReport, Channel::kRuntime}, kIndent + error);
    return StatusCode::kWriteError;
  }
  for (Channel c : {Channel::kReport, Channel::kSummary, Channel::kRuntime}) {
    files[c].line();
    files[c].line(std::string(kIndent) + "FLEXIBLE CAP: THE PLATE MODEL IS WRITTEN TO " +
                  names.cardModel + " AND " + names.keywordModel + ",");
    files[c].line(std::string(kIndent) + "NAMED IN " + cap::kGslabName +
                  "; THE ITEM IS NOT SOLVED (CONTROL SWITCH 4 = 2)");
  }
  files[Channel::kConvergence].line(
      fmt::format("{:5d} {}", kItemPlateModelWritten, itemResultText(kItemPlateModelWritten, 0.0)));
  return StatusCode::kCompleted;
}

// The piles as the plate's supports. At every equilibrium iteration of the plate each pile head
// receives the plate's displacement at its point and is analysed, with its head stiffness, in
// the same pile pass as under a rigid cap (on the pool, reduced in pile order, its warnings and
// non-convergence noted the same way); the plate takes the forces and the stiffnesses back.
class PlatePileSupports final : public cap::CapSupports {
 public:
  PlatePileSupports(CapSolver& solver, const CapItem& item) : s_(solver), item_(item) {}

  bool respond(std::size_t, const std::array<double, 6>&, std::array<double, 6>&,
               std::array<double, 36>&, std::string& message) override {
    message = "THE PILES ANSWER ALL TOGETHER";
    return false;
  }

  cap::SupportResponse respondAll(const cap::SupportRequest& r,
                                  const std::vector<std::array<double, 6>>& u,
                                  std::vector<std::array<double, 6>>& resistance,
                                  std::vector<std::array<double, 36>>& tangent,
                                  std::string& message) override {
    const int n = s_.ctx_.piles.pileCount();
    if (u.size() != static_cast<std::size_t>(n)) {
      message = fmt::format("THE PLATE HAS {} PILE-SPRING RECORDS FOR {} PILES", u.size(), n);
      fatal = StatusCode::kInternalError;
      return cap::SupportResponse::kFailed;
    }
    s_.STEP = r.step;
    s_.TCUR = r.time;
    if (r.tangent) {
      s_.iteration_ = r.iteration;
      s_.writeProgress(item_, r.iteration);
      if (s_.ctx_.files.stopRequested()) {
        message = "STOPPED BY USER";
        fatal = StatusCode::kStoppedByUser;
        return cap::SupportResponse::kFailed;
      }
      s_.bearing_ = s_.pullOut_ = s_.torsion_ = 0;
    }
    s_.pileStatus_ = 0;
    std::fill(s_.warned_.begin(), s_.warned_.end(), 0);
    // The group factors follow the sense of the cap's movement: here the mean movement of the
    // pile heads.
    Vector6 mean{};
    for (int p = 0; p < n; ++p) {
      const std::size_t i = static_cast<std::size_t>(p);
      s_.heads_[i] = u[i];
      for (std::size_t k = 0; k < 6; ++k) mean[k] += u[i][k] / n;
    }
    for (std::size_t k = 0; k < 6; ++k) s_.FV[k] = r.time * s_.totalLoad_[k];
    s_.updateGroupMultipliers(mean, s_.FV);
    // The forces of a converged step repeat the analyses of its last iteration's neighbourhood:
    // their messages were written with it.
    StatusCode status = s_.pilePass(s_.DV, r.tangent, r.tangent, s_.RV, r.tangent);
    if (isOk(status) && r.tangent && s_.pileStatus_ != 1) status = s_.assembleStiffness(s_.SS);
    if (!isOk(status)) {
      message = "A PILE COULD NOT BE ANALYSED";
      fatal = status;
      return cap::SupportResponse::kFailed;
    }
    lastNotConverged = s_.pileStatus_ == 1;
    if (lastNotConverged) return cap::SupportResponse::kNotConverged;
    resistance.resize(u.size());
    tangent.resize(u.size());
    bool finite = true;
    for (std::size_t p = 0; p < u.size(); ++p) {
      const CapSolver::PileSlot& slot = s_.slots_[p];
      for (std::size_t k = 0; k < 6; ++k) {
        resistance[p][k] = -slot.outcome.force[k];
        finite = finite && std::isfinite(resistance[p][k]);
      }
      if (!r.tangent) continue;
      for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 6; ++j) {
          tangent[p][i * 6 + j] = -slot.stiffness[i][j];
          finite = finite && std::isfinite(slot.stiffness[i][j]);
        }
    }
    if (!finite) {
      // Forces or stiffnesses that are not numbers cannot be solved for: a singular system.
      lastSingular = true;
      return cap::SupportResponse::kNotConverged;
    }
    lastSingular = false;
    return cap::SupportResponse::kGiven;
  }

  StatusCode fatal = StatusCode::kCompleted;
  bool lastNotConverged = false;
  bool lastSingular = false;

 private:
  CapSolver& s_;
  CapItem item_;
};

StatusCode CapSolver::solvePlate(const CapControl& control, const CapItem& item,
                                 const Vector6& totalLoad, CapResult& result) {
  FileSet& files = ctx_.files;
  TextFile& report = files[Channel::kReport];
  TextFile& runtime = files[Channel::kRuntime];
  const int n = ctx_.piles.pileCount();
  pileStatus_ = 0;
  totalLoad_ = totalLoad;
  DDV = DV = UDV = RV = {};
  FV = totalLoad;
  SS = {};
  convergedDisplacement_ = {};
  STEP = 0;
  DTCUR = TCUR = std::min(control.increment, 1.0);
  lastConverged_ = 0.0;
  iteration_ = 0;
  plateHeads_ = true;
  heads_.assign(static_cast<std::size_t>(n), Vector6{});

  // The plate model of the item, written and read back by the plate solver as the design has it.
  const cap::PlateModel model = cap::buildCapPlateModel(
      plateModelInput(ctx_.model, *ctx_.plate->prepared, control, totalLoad));
  const std::filesystem::path folder = runFolder(files);
  const cap::CapFileNames names =
      cap::capFileNamesFor(files.path(Channel::kReport).stem().string());
  std::string error;
  if (!cap::writeCapModel(folder, names, model, error)) {
    files.lineTo({Channel::kReport, Channel::kRuntime}, kIndent + error);
    return StatusCode::kWriteError;
  }
  runtime.line("     PLATE ITERATIONS");
  PlatePileSupports supports(*this, item);
  cap::PlateSolution solution;
  std::vector<std::string> messages;
  const cap::PlateStatus ps = cap::runCapPlateSolver(folder, &supports, solution, messages, error);
  for (const std::string& l : messages) runtime.line("    " + l);
  if (!isOk(supports.fatal)) return supports.fatal;
  switch (ps) {
    case cap::PlateStatus::kCompleted:
      pileStatus_ = 0;
      break;
    case cap::PlateStatus::kMinimumIncrement:
      pileStatus_ = supports.lastNotConverged ? 1 : supports.lastSingular ? 2 : 0;
      if (pileStatus_ != 2) {
        for (TextFile* f : {&report, &runtime}) {
          f->line("     ** WARNING **");
          f->line(fmt::format("     PILE CAP DISPL DOES NOT CONVERGE AFTER,{:5d} ITERATIONS",
                              control.maxIterations));
        }
      }
      break;
    case cap::PlateStatus::kZeroPivot:
      // The plate and its piles have a mechanism.
      for (TextFile* f : {&report, &runtime}) {
        f->line("     ** WARNING **");
        f->line("     DETERMINANT OF STIFFNESS MATRIX IS ZERO");
      }
      pileStatus_ = 2;
      break;
    default:
      // The model was refused or its files could not be used: the run cannot go on.
      files.lineTo({Channel::kReport, Channel::kRuntime},
                   std::string(kIndent) + "**** FATAL ERROR ****");
      files.lineTo({Channel::kReport, Channel::kRuntime},
                   std::string(kIndent) + "THE PLATE OF THE FLEXIBLE CAP CANNOT BE SOLVED (" +
                       (folder / names.listing).string() + "):");
      for (const std::string& l : messages) files.lineTo({Channel::kReport}, kIndent + l);
      if (!error.empty()) files.lineTo({Channel::kReport, Channel::kRuntime}, kIndent + error);
      return ps == cap::PlateStatus::kFileError ? StatusCode::kWriteError
                                                : StatusCode::kInputInvalidValue;
  }
  if (solution.step > 0) {
    lastConverged_ = solution.time;
    if (std::fabs(lastConverged_ - 1.0) < 1.0e-9) lastConverged_ = 1.0;
    for (std::size_t p = 0; p < heads_.size() && p < solution.supportDisplacement.size(); ++p)
      heads_[p] = solution.supportDisplacement[p];
    // The displacement reported at the origin: the plate's there (a point off the plate moves
    // with its nearest element).
    cap::PointCoupling origin;
    if (cap::couplePoint(model, cap::elementCoordinates(model), 0.0, 0.0, 0.0, true, origin))
      DV = cap::coupledDisplacement(model, origin, solution.displacement);
    result.iterations = solution.iterations;
    result.stiffness = SS;
  }

  if (endedWithoutResults(result)) return StatusCode::kCompleted;

  PlateRecord plate;
  plate.loadFraction = lastConverged_;
  const double t = model.materials.empty() ? 0.0 : model.materials.front().thickness;
  for (std::size_t i = 0; i < model.nodes.size(); ++i) {
    PlateNodeRecord node;
    node.number = model.nodes[i].number;
    node.y = model.nodes[i].y;
    node.z = model.nodes[i].z;
    for (std::size_t d = 0; d < 6; ++d) node.displacement[d] = solution.displacement[i * 6 + d];
    // The membrane stresses times the thickness are forces per unit width.
    for (std::size_t v = 0; v < 8 && i < solution.nodal.size(); ++v)
      node.resultants[v] = solution.nodal[i][v] * (v < 3 ? t : 1.0);
    plate.nodes.push_back(node);
  }
  for (const cap::PlateElement& e : model.elements) plate.elements.push_back({e.number, e.nodes});
  result.plate = std::move(plate);

  return finishWithResults(control, result);
}

}  // namespace stilt
