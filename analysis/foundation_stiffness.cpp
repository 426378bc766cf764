#include "analysis/foundation_stiffness.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "report/cells.hpp"

namespace stilt {
namespace {

constexpr const char* kIndent = "     ";
constexpr double kZeroLoad = 1.0e-12;        // a load component below this is not applied
constexpr double kZeroDeflection = 1.0e-14;  // a load below this yields no flexibility column
constexpr double kProportionalFloor = 1.0e-4;

constexpr std::array<std::size_t, 6> kSpace = {0, 1, 2, 3, 4, 5};
constexpr std::array<std::size_t, 3> kPlane = {0, 1, 5};

std::span<const std::size_t> componentsOf(bool planar) {
  return planar ? std::span<const std::size_t>(kPlane) : std::span<const std::size_t>(kSpace);
}

std::string fixed(int width, int decimals, double v) {
  return fmt::format("{:>{}.{}f}", v, width, decimals);
}

constexpr std::array<const char*, 6> kSpaceHeadings = {
    "DOF   : 1 (FORCE X)",  "DOF   : 2 (FORCE Y)",  "DOF   : 3 (FORCE Z)",
    "DOF   : 4 (MOMENT X)", "DOF   : 5 (MOMENT Y)", "DOF   : 6 (MOMENT Z)"};
constexpr std::array<const char*, 6> kSpaceDisp = {"DISP X,", "DISP Y,", "DISP Z,",
                                                   "ROT X,",  "ROT Y,",  "ROT Z,"};
constexpr std::array<const char*, 3> kPlaneDisp = {"VERT. DISP,", "HOR. DISP Y,", "ROTATION Z,"};

const char* dofHeading(int dof, bool planar) {
  if (planar && dof == 3) return "DOF   : 3 (MOMENT Z)";
  return kSpaceHeadings[static_cast<std::size_t>(dof - 1)];
}

// One row of a matrix, or of a vector, over the components of the analysis.
std::string rowOf(const Vector6& v, bool planar, int width, int digits) {
  std::string s;
  for (std::size_t k : componentsOf(planar)) s += formatRealCell(width, digits, v[k]);
  return s;
}

// The stiffness terms of the first family's table: per DOF a header of its terms "K" with the
// row and column digits, then the row of values labelled "  DOF".
void writeKTable(TextFile& f, const Matrix6& k, bool planar) {
  const std::span<const std::size_t> comps = componentsOf(planar);
  for (std::size_t i = 0; i < comps.size(); ++i) {
    std::string header = "       ";
    for (std::size_t j = 0; j < comps.size(); ++j) {
      header += fmt::format("{:>14}", fmt::format("K{}{}", i + 1, j + 1));
    }
    f.line(header);
    f.line(fmt::format("  DOF{:2d}", i + 1) + rowOf(k[comps[i]], planar, 14, 5));
  }
}

void writeMatrix(TextFile& f, const Matrix6& k, bool planar) {
  for (std::size_t i : componentsOf(planar)) f.line(kIndent + rowOf(k[i], planar, 14, 5));
}

std::string resultLine(const CapResult& r) {
  if (r.outcome == CapOutcome::kCompleted) return "    1 ANALYSIS COMPLETED";
  return fmt::format("    2 SOLUTION AT{}% OF THE TOTAL LOAD",
                     fixed(8, 2, 100.0 * r.convergedFraction));
}

class Estimation {
 public:
  Estimation(const StiffnessContext& c, FoundationStiffnessRecord& r)
      : c_(c), record_(r), plan_(readStiffnessPlan(c.list, c.planar)) {}

  StatusCode run() {
    record_.switchValue = c_.switchValue;
    if (plan_.points.empty()) return StatusCode::kCompleted;
    return c_.switchValue <= 10 ? byDegreeOfFreedom() : equivalentStiffness();
  }

 private:
  TextFile& file(Channel ch) { return c_.files[ch]; }

  StatusCode solve(const Vector6& load, int pass, int passes, CapResult& result) {
    CapControl control = c_.control;
    control.estimationPoint = true;
    CapItem item = c_.item;
    item.pass = pass;
    item.passes = passes;
    result = CapResult{};
    return c_.solver.solve(control, item, load, result);
  }

  // First family: one component at a time, at every level, into flexibility columns.
  StatusCode byDegreeOfFreedom() {
    record_.family = 1;
    const std::span<const std::size_t> comps = componentsOf(c_.planar);
    const int dofs = static_cast<int>(comps.size());
    const std::size_t levels = plan_.points.size();
    const std::string heading = std::string(kIndent) + "* PILE CAP FLEXIBILITY ESTIMATION *";
    for (Channel ch : {Channel::kReport, Channel::kSummary}) {
      file(ch).line();
      file(ch).line();
      file(ch).line(heading);
    }
    file(Channel::kCapResults).line(heading);
    file(Channel::kRuntime).line(heading);
    (void)c_.files.open(Channel::kCapStiffnessWork, TextFile::Mode::kWrite);
    (void)c_.files.open(Channel::kPileHeadWork, TextFile::Mode::kWrite);

    record_.points.resize(levels);
    std::vector<std::vector<std::size_t>> solved(levels);
    std::vector<bool> failed(levels, false);
    for (std::size_t n = 0; n < levels; ++n) {
      record_.points[n].number = static_cast<int>(n + 1);
      record_.points[n].factor = plan_.points[n];
      record_.points[n].status = "converged";
      record_.points[n].resultCode = 1;
    }
    for (int d = 1; d <= dofs; ++d) {
      const std::size_t comp = comps[static_cast<std::size_t>(d - 1)];
      for (Channel ch : {Channel::kReport, Channel::kSummary}) {
        file(ch).line();
        file(ch).line(kIndent + std::string(dofHeading(d, c_.planar)));
      }
      if (std::fabs(c_.totalLoad[comp]) < kZeroLoad) {
        for (Channel ch : {Channel::kReport, Channel::kSummary, Channel::kCapResults}) {
          file(ch).line("          DOF NOT CONSIDERED");
          file(ch).line("          SINCE APPLIED FORCE AT CAP IS ZERO");
        }
        for (std::size_t n = 0; n < levels; ++n) {
          file(Channel::kConvergence)
              .line(fmt::format("      DOF : {:3d} POINT : {:3d}", d, n + 1));
          file(Channel::kConvergence).line("    5 ANALYSIS SKIPPPED APPLIED FORCE AT CAP IS ZERO");
        }
        record_.skippedDofs.push_back(d);
        continue;
      }
      for (std::size_t n = 0; n < levels; ++n) {
        Vector6 load{};
        load[comp] = c_.totalLoad[comp] * plan_.points[n];
        const std::string where = fmt::format("DOF : {:3d} POINT : {:3d}", d, n + 1);
        file(Channel::kRuntime).line(kIndent + where);
        file(Channel::kConvergence).line("      " + where);
        CapResult r;
        const StatusCode status = solve(load, d, dofs + 1, r);
        if (!isOk(status)) return status;
        StiffnessPointRecord& point = record_.points[n];
        point.load[comp] = load[comp];
        if (!r.reported()) {
          failed[n] = true;
          point.status = "failed";
          point.resultCode = static_cast<int>(r.outcome);
          continue;
        }
        // The load the solve reached (all of it, or the part of a partial solution), and the
        // cap displacement per unit of it: one column of the flexibility.
        const double applied = r.load[comp];
        Vector6 column = r.displacement;
        if (std::fabs(applied) >= kZeroDeflection) {
          for (double& v : column) v /= applied;
        }
        for (Channel ch : {Channel::kCapStiffnessWork, Channel::kPileHeadWork}) {
          TextFile& w = file(ch);
          w.line(fmt::format(" {}", where));
          w.line(" LOAD" + formatRealCell(17, 8, applied) + rowOf(r.displacement, false, 17, 8));
          w.line(" FLEX" + rowOf(column, false, 17, 8));
        }
        for (std::size_t i = 0; i < 6; ++i) point.flexibility[i][comp] = column[i];
        solved[n].push_back(comp);
        if (r.outcome == CapOutcome::kPartial && point.status == "converged") {
          point.status = "partial";
          point.resultCode = static_cast<int>(CapOutcome::kPartial);
        }
        file(Channel::kConvergence).line(resultLine(r));
      }
    }
    c_.files.close(Channel::kCapStiffnessWork);
    c_.files.close(Channel::kPileHeadWork);

    const std::string title = std::string(kIndent) + "* PILE CAP STIFFNESS ESTIMATION *";
    for (Channel ch : {Channel::kReport, Channel::kSummary}) {
      file(ch).line();
      file(ch).line();
      file(ch).line(title);
    }
    for (std::size_t n = 0; n < levels; ++n) {
      StiffnessPointRecord& point = record_.points[n];
      for (Channel ch : {Channel::kReport, Channel::kSummary}) {
        TextFile& f = file(ch);
        f.line();
        f.line(fmt::format("   N:{:5d}  FACTOR :{}", n + 1, fixed(10, 4, plan_.points[n])));
      }
      std::string why;
      if (failed[n]) {
        why = "NO STIFFNESS: A SOLVE AT THIS LEVEL FAILED";
      } else if (solved[n].empty()) {
        why = "NO STIFFNESS: NO LOAD COMPONENT WAS APPLIED";
        point.status = "failed";
      } else if (!stiffnessFromFlexibility(point.flexibility, solved[n], point.stiffness)) {
        why = "NO STIFFNESS: THE FLEXIBILITY MATRIX IS SINGULAR";
        point.status = "failed";
      }
      for (Channel ch : {Channel::kReport, Channel::kSummary}) {
        if (!why.empty()) {
          file(ch).line(kIndent + why);
        } else {
          writeKTable(file(ch), point.stiffness, c_.planar);
        }
      }
      point.hasStiffness = why.empty();
    }
    return StatusCode::kCompleted;
  }

  // Second family: the whole load at every point, the tangent of the converged state.
  StatusCode equivalentStiffness() {
    record_.family = 2;
    record_.targetMethod = plan_.targetMethod;
    record_.targetDof = plan_.targetMethod ? plan_.targetDof : 0;
    const std::size_t count = plan_.points.size();
    const int passes = static_cast<int>(count) + 1;
    const std::string title = std::string(kIndent) + "* PILE CAP STIFFNESS ESTIMATION *";
    for (Channel ch : {Channel::kReport, Channel::kSummary}) {
      file(ch).line();
      file(ch).line();
      file(ch).line(title);
      file(ch).line(kIndent + std::string(plan_.targetMethod ? "- BASED ON TARGET DEFLECTION"
                                                             : "- BASED ON TOTAL APPLIED LOAD"));
    }
    file(Channel::kCapResults).line(title);
    file(Channel::kRuntime).line(title);
    file(Channel::kNodeResults)
        .line(fmt::format("{}LOAD CASE={:5d}{}NPOINTS={:5d}", kIndent, c_.item.number, kIndent,
                          count));
    if (!file(Channel::kEquivalentStiffness).isOpen()) {
      (void)c_.files.open(Channel::kEquivalentStiffness, TextFile::Mode::kWrite);
    }
    if (!file(Channel::kStiffnessTrace).isOpen()) {
      (void)c_.files.open(Channel::kStiffnessTrace, TextFile::Mode::kWrite);
    }
    file(Channel::kStiffnessTrace).line(fmt::format("LOAD CASE : {:5d}", c_.item.number));

    const double tolerance = plan_.tolerancePercent / 100.0;
    for (std::size_t n = 0; n < count; ++n) {
      StiffnessPointRecord point;
      point.number = static_cast<int>(n + 1);
      TargetTrials trials;
      double factor = plan_.targetMethod ? 1.0 : plan_.points[n];
      if (plan_.targetMethod) point.target = plan_.points[n] * plan_.reference[plan_.targetDof - 1];
      CapResult r;
      bool solved = false;
      // A trial whose load the foundation cannot carry bounds the next ones from above: they
      // go halfway back towards the largest factor that was solved.
      double ceiling = std::numeric_limits<double>::infinity();
      double largestSolved = 0.0;
      CapResult good;  // of the last trial that was solved
      double goodFactor = 0.0;
      for (int trial = 1;; ++trial) {
        point.factor = factor;
        point.trials = trial;
        Vector6 load{};
        for (std::size_t k = 0; k < 6; ++k) {
          const bool applied =
              !(plan_.targetMethod && plan_.singleComponent) || k == plan_.targetIndex;
          load[k] = applied ? c_.totalLoad[k] * factor : 0.0;
        }
        const std::string where =
            fmt::format("STIFFNESS ESTIMATION, POINT : {:3d}/{:3d} FACTOR : {}", n + 1, count,
                        fixed(12, 5, factor));
        file(Channel::kRuntime).line();
        file(Channel::kRuntime).line(kIndent + where);
        file(Channel::kConvergence).line("      " + where);
        file(Channel::kReport)
            .line(fmt::format("   N:{:5d}  FACTOR :{}", n + 1, fixed(12, 5, factor)));
        file(Channel::kStiffnessTrace)
            .line(fmt::format("LOOP : {:5d} POINT: {:5d}{}", trial, n + 1, fixed(14, 6, factor)));
        if (!std::isfinite(factor)) {
          if (solved) point.status = "max_trials";
          break;
        }
        const StatusCode status = solve(load, static_cast<int>(n + 1), passes, r);
        if (!isOk(status)) return status;
        point.resultCode = static_cast<int>(r.outcome);
        if (!r.reported()) {
          if (plan_.targetMethod && trial < plan_.maxTrials) {
            ceiling = std::min(ceiling, factor);
            factor = 0.5 * (largestSolved + ceiling);
            continue;
          }
          // The trial limit: the last trial that was solved, if any, finishes the point.
          if (solved) point.status = "max_trials";
          break;
        }
        solved = true;
        good = r;
        goodFactor = factor;
        point.status = r.outcome == CapOutcome::kPartial ? "partial" : "converged";
        if (!plan_.targetMethod) break;
        // The factor the solve reached (a partial solution reaches only part of it).
        const double reached = factor * r.convergedFraction;
        largestSolved = std::max(largestSolved, reached);
        point.computed = r.displacement[plan_.targetIndex];
        point.error = std::fabs(point.computed - point.target) /
                      std::max(std::fabs(point.target), kZeroDeflection);
        const bool met = point.error <= tolerance;
        const bool exhausted = !met && trial >= plan_.maxTrials;
        file(Channel::kRuntime).line();
        file(Channel::kRuntime)
            .line(fmt::format(
                "{}STIFFNESS ESTIMATION, {} COMPUTED DEF.: {} TARGET DEF.: {} ERROR(%): {}",
                kIndent, exhausted ? "MAX. ITER. REACHED," : "", fixed(11, 4, point.computed),
                fixed(11, 4, point.target), fixed(11, 4, 100.0 * point.error)));
        file(Channel::kStiffnessTrace)
            .line(fmt::format("{}{}{}", fixed(14, 6, point.computed), fixed(14, 6, point.target),
                              fixed(14, 6, 100.0 * point.error)));
        if (met) break;
        if (exhausted) {
          point.status = "max_trials";
          break;
        }
        file(Channel::kConvergence).line("    10 ANALYSIS COMPLETED");
        trials.add(point.computed, reached);
        factor = trials.nextFactor(point.target);
        if (factor >= ceiling) factor = 0.5 * (largestSolved + ceiling);
      }
      if (solved) {
        r = good;
        point.factor = goodFactor;
        point.resultCode = static_cast<int>(r.outcome);
      }
      TextFile& cap = file(Channel::kCapResults);
      const std::string marker =
          fmt::format("   N:{:5d}  FACTOR :{}", n + 1, fixed(12, 5, point.factor));
      if (!solved) {
        cap.line("   -1" + marker);
        point.status = "failed";
        record_.points.push_back(point);
        continue;
      }
      point.load = r.load;
      point.displacement = r.displacement;
      // SS is the change of the resistance of the piles at the origin with the cap displacement;
      // the piles push back, so the foundation's stiffness (load per unit displacement) is its
      // negative.
      for (std::size_t i = 0; i < 6; ++i) {
        for (std::size_t j = 0; j < 6; ++j) point.stiffness[i][j] = -r.stiffness[i][j];
      }
      point.hasStiffness = true;
      writePoint(point, r, marker);
      record_.points.push_back(point);
    }
    writePlotRecords();
    return StatusCode::kCompleted;
  }

  void writePoint(const StiffnessPointRecord& point, const CapResult& r,
                  const std::string& marker) {
    Matrix6 k = point.stiffness;
    if (c_.planar) {
      // The plane's stiffness has only its three degrees of freedom.
      for (std::size_t i = 0; i < 6; ++i) {
        for (std::size_t j = 0; j < 6; ++j) {
          const bool in = (i == 0 || i == 1 || i == 5) && (j == 0 || j == 1 || j == 5);
          if (!in) k[i][j] = 0.0;
        }
      }
    }
    const std::string at = fmt::format("{}LOAD CASE : {:5d}  POINT : {:3d}  FACTOR : {}", kIndent,
                                       c_.item.number, point.number, fixed(12, 5, point.factor));
    for (Channel ch : {Channel::kEquivalentStiffness, Channel::kSummary}) {
      TextFile& f = file(ch);
      f.line();
      f.line(kIndent + std::string("* EQV. STIFFNESS MATRIX AT ORIGIN *"));
      f.line(at);
      writeMatrix(f, k, c_.planar);
    }
    TextFile& report = file(Channel::kReport);
    report.line();
    report.line(kIndent + std::string("* EQUIVALENT STIFFNESS MATRIX AT ORIGIN *"));
    writeMatrix(report, k, c_.planar);
    file(Channel::kNodeResults).line(fmt::format("{}NPILES={:5d}", kIndent, c_.pileCount));
    file(Channel::kNodeResults).line(fmt::format("{}POINT={:5d}", kIndent, point.number));
    TextFile& cap = file(Channel::kCapResults);
    cap.line(marker);
    cap.line("* EQUIVALENT CONC. LOAD AT ORIGIN *");
    cap.line(" LOAD" + rowOf(point.load, c_.planar, 17, 8));
    cap.line("* DISPLACEMENT OF PILE CAP AT ORIGIN *");
    cap.line(" DISP" + rowOf(point.displacement, c_.planar, 17, 8));
    file(Channel::kConvergence).line(resultLine(r));
  }

  // The load and displacement at the origin of every point, per degree of freedom, for graphing.
  void writePlotRecords() {
    TextFile& plot = file(Channel::kPlot);
    plot.line();
    plot.line(kIndent + std::string("* PILE CAP STIFFNESS ESTIMATION *"));
    plot.line(fmt::format("{}LOAD CASE : {:5d}", kIndent, c_.item.number));
    const std::span<const std::size_t> comps = componentsOf(c_.planar);
    for (std::size_t d = 0; d < comps.size(); ++d) {
      const std::size_t k = comps[d];
      const char* disp = c_.planar ? kPlaneDisp[d] : kSpaceDisp[d];
      plot.line(fmt::format("{}{:>14}{:>14}", kIndent, disp, k >= 3 ? "MOMENT," : "FORCE,"));
      for (const StiffnessPointRecord& p : record_.points) {
        if (p.status == "failed") {
          plot.line(kIndent + std::string("NO CONVERGENCE ON PILE CAP"));
          continue;
        }
        plot.line(kIndent + formatRealCell(14, 5, p.displacement[k]) +
                  formatRealCell(14, 5, p.load[k]));
      }
    }
  }

  const StiffnessContext& c_;
  FoundationStiffnessRecord& record_;
  StiffnessPlan plan_;
};

}  // namespace

std::size_t stiffnessPointCount(std::size_t length) {
  return length >= 13 ? length - 12 : length;
}

StiffnessPlan readStiffnessPlan(const std::vector<double>& list, bool planar) {
  StiffnessPlan plan;
  const std::size_t n = stiffnessPointCount(list.size());
  plan.points.assign(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(n));
  if (list.size() < 13) return plan;
  const auto option = [&](std::size_t k) { return list[n + k - 1]; };
  plan.targetMethod = option(1) != 0.0;
  const int dofs = planar ? 3 : 6;
  long dof = std::isfinite(option(2)) ? std::lround(std::clamp(option(2), -1.0e6, 1.0e6)) : 1;
  if (planar && dof == 6) dof = 3;
  plan.targetDof = static_cast<int>(std::clamp(dof, 1L, static_cast<long>(dofs)));
  plan.targetIndex = componentsOf(planar)[static_cast<std::size_t>(plan.targetDof - 1)];
  for (std::size_t k = 0; k < 6; ++k) plan.reference[k] = option(3 + k);
  plan.tolerancePercent = std::fabs(option(9));
  const double trials = option(10);
  plan.maxTrials = std::isfinite(trials) && trials >= 1.0
                       ? static_cast<int>(std::min(std::lround(trials), 100L))
                       : 1;
  plan.singleComponent = std::lround(std::isfinite(option(12)) ? option(12) : 0.0) == 1;
  return plan;
}

void TargetTrials::add(double deflection, double factor) {
  const auto at =
      std::upper_bound(pairs_.begin(), pairs_.end(), deflection,
                       [](double d, const std::pair<double, double>& p) { return d < p.first; });
  pairs_.insert(at, {deflection, factor});
}

double TargetTrials::nextFactor(double target) const {
  if (pairs_.empty()) return 0.0;
  if (pairs_.size() == 1) {
    const auto [d, f] = pairs_.front();
    return std::fabs(d) > kProportionalFloor ? target * f / d : 1.0;
  }
  // The segment that brackets the target, or the end segment on its side.
  std::size_t i = 0;
  while (i + 2 < pairs_.size() && target > pairs_[i + 1].first) ++i;
  const auto [d0, f0] = pairs_[i];
  const auto [d1, f1] = pairs_[i + 1];
  if (d1 == d0) return std::fabs(d1) > kProportionalFloor ? target * f1 / d1 : f1;
  return f0 + (f1 - f0) * (target - d0) / (d1 - d0);
}

bool stiffnessFromFlexibility(const Matrix6& flexibility, const std::vector<std::size_t>& solved,
                              Matrix6& stiffness) {
  stiffness = {};
  const std::size_t n = solved.size();
  if (n == 0 || n > 6) return false;
  Matrix6 block{};
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) block[i][j] = flexibility[solved[i]][solved[j]];
  }
  if (!invertInPlace(block, static_cast<int>(n))) return false;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      if (!std::isfinite(block[i][j])) return false;
      stiffness[solved[i]][solved[j]] = block[i][j];
    }
  }
  return true;
}

StatusCode estimateFoundationStiffness(const StiffnessContext& ctx,
                                       FoundationStiffnessRecord& record) {
  return Estimation(ctx, record).run();
}

}  // namespace stilt
