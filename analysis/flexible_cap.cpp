#include "analysis/flexible_cap.hpp"

#include <fmt/format.h>
#include <cmath>

#include "cap/cap_model_files.hpp"

namespace stilt {

bool writesPlateModelOnly(const AnalysisModel& m) {
  return m.switches.is3d() && m.switches.flexibleCap() == 2;
}

StatusCode writeItemPlateModel(const AnalysisModel& m, const PreparedRun& p, FileSet& files,
                               const CapControl& control, const LoadVector& total) {
  cap::CapModelInput in;
  const FlexibleCapMesh& mesh = m.flexibleCap;
  in.geometry = {mesh.elementsY,  mesh.elementsZ, m.cap.length, m.cap.width,
                 m.cap.thickness, mesh.offsetY,   mesh.offsetZ};
  in.young = mesh.material1;
  in.poisson = mesh.material2;
  in.stepping.dt = control.increment;
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

  const std::filesystem::path report = files.path(Channel::kReport);
  const std::filesystem::path folder = report.parent_path();
  const cap::CapFileNames names = cap::capFileNamesFor(report.stem().string());
  std::string error;
  constexpr const char* kIndent = "     ";
  if (!cap::writeCapModel(folder.empty() ? std::filesystem::path(".") : folder, names,
                          cap::buildCapPlateModel(in), error)) {
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

}  // namespace stilt
