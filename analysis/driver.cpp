#include "analysis/driver.hpp"

#include "analysis/foundation_stiffness.hpp"

#include <fmt/format.h>

#include "analysis/flexible_cap.hpp"

namespace stilt {
namespace {

constexpr const char* kIndent = "     ";

// Load cases and combinations name their pile settings alike.
template <class Item>
void copyPileSettings(const Item& c, ItemSetup& setup) {
  setup.isStatic = c.isStatic();
  setup.cycles = c.cycles();
  setup.maxPileIterations = c.maxPileIterations();
  setup.pileTolerance = c.pileTolerance();
  setup.printOption = c.printOption();
  setup.printNodeInterval = c.printNodeInterval();
}

std::string framed(std::string_view text) {
  return fmt::format("{}*****{}{}{}*****", std::string(17, ' '), std::string(5, ' '), text,
                     std::string(5, ' '));
}

class Driver {
 public:
  Driver(const AnalysisModel& m, PreparedRun& p, FileSet& f, const DriverServices& s,
         const AnalysisOptions& o)
      : m_(m), p_(p), files_(f), services_(s), options_(o) {}

  StatusCode run() {
    TextFile& runtime = files_[Channel::kRuntime];
    for (int i = 0; i < 3; ++i) runtime.line();
    runtime.line("     COMPUTATION IS PROCEEDING......");
    for (Channel c : {Channel::kReport, Channel::kSummary}) {
      for (int i = 0; i < 4; ++i) files_[c].line();
      files_[c].line(framed("COMPUTATION RESULTS"));
      files_[c].line();
      files_[c].line(kIndent + m_.title[0]);
    }
    files_[Channel::kCapResults].line("** COMPUTATION RESULTS **");
    files_[Channel::kCapResults].line(m_.title[0]);
    files_[Channel::kConvergence].line("COMPUTATION RESULTS");
    files_[Channel::kConvergence].line(m_.title[0]);

    StatusCode status = block(false);
    if (!isOk(status)) return status;
    status = block(true);
    if (!isOk(status)) return status;
    if (services_.atEnd) return services_.atEnd();
    return StatusCode::kCompleted;
  }

 private:
  StatusCode block(bool combinations) {
    const int count = static_cast<int>(combinations ? m_.combinations.size() : m_.loadCases.size());
    const char* what = combinations ? "LOAD COMB." : "LOAD CASE";
    for (int i = 0; i < count; ++i) {
      const int number = i + 1;
      files_.writeProgress(
          fmt::format("- ANALYSIS FOR {} {:3d}/{:3d} STARTED\n\n\n", what, number, count),
          &progress(ProgressEvent::Phase::kStarted, combinations, number, count));
      if (files_.stopRequested()) return StatusCode::kStoppedByUser;
      // A file that could not be written (a full disk) ends the run before more work is lost.
      if (const StatusCode written = files_.checkWrites(); !isOk(written)) return written;
      if (i == 0) firstItemHeadings(combinations);
      itemHeading(combinations, i);
      const bool skip = combinations ? m_.combinations[static_cast<std::size_t>(i)].notAnalyzed()
                                     : m_.loadCases[static_cast<std::size_t>(i)].notAnalyzed();
      ItemEndRecord record;
      record.header.kind = combinations ? ItemKind::kCombination : ItemKind::kCase;
      record.header.number = number;
      record.header.name = combinations ? m_.combinations[static_cast<std::size_t>(i)].name
                                        : m_.loadCases[static_cast<std::size_t>(i)].name;
      if (services_.sink != nullptr) services_.sink->itemBegin(record.header);
      if (skip) {
        record.resultCode = kItemNotAnalysed;
        record.resultText = itemResultText(kItemNotAnalysed, 0.0);
        if (services_.sink != nullptr) services_.sink->itemEnd(record);
        const std::string note = combinations ? "NOTE: LOAD COMB WILL NOT BE ANALYZED"
                                              : "NOTE: LOAD CASE WILL NOT BE ANALYZED";
        files_.lineTo({Channel::kReport, Channel::kSummary, Channel::kRuntime}, kIndent + note);
        files_[Channel::kConvergence].line("       ANALYSIS TO NOT RUN   ");
        files_[Channel::kConvergence].line("     9 ANALYSIS NOT PERFORMED");
        continue;
      }
      files_[Channel::kSummaryWork].line();
      files_[Channel::kSummaryWork].line(fmt::format(
          "{}{}{:5d}", kIndent, combinations ? "LOAD COMB : " : "LOAD CASE : ", number));
      files_[Channel::kCaseData].line(
          fmt::format(" {}{:5d}", combinations ? "LOAD COMB. : " : "LOAD CASE : ", number));

      const StatusCode status = solveItem(combinations, i, record);
      if (!isOk(status)) return status;
      if (services_.sink != nullptr) services_.sink->itemEnd(record);
      files_.writeProgress(
          fmt::format("- ANALYSIS FOR {} {:3d}/{:3d} FINISHED\n\n\n", what, number, count),
          &progress(ProgressEvent::Phase::kFinished, combinations, number, count));
      files_[Channel::kRuntime].line(
          fmt::format("{}ANALYSIS FOR {} {:3d}/{:3d} FINISHED", kIndent, what, number, count));
      if (files_.stopRequested()) return StatusCode::kStoppedByUser;
    }
    if (services_.afterBlock) services_.afterBlock(combinations ? 2 : 1);
    return StatusCode::kCompleted;
  }

  void firstItemHeadings(bool combinations) {
    const std::string text = combinations ? "LOAD COMBINATIONS RESULTS " : "LOAD CASES RESULTS ";
    TextFile& work = files_[Channel::kSummaryWork];
    work.line("     * TABLE L *   COMPUTATION ON PILE CAP");
    work.line();
    work.line();
    work.line(framed(text));
    for (Channel c : {Channel::kReport, Channel::kSummary}) {
      for (int k = 0; k < 4; ++k) files_[c].line();
      files_[c].line(framed(text));
    }
    files_[Channel::kCapResults].line(text);
    files_[Channel::kConvergence].line(text);
    analysed_ = 1;
    envelope_ = CapEnvelope{};
  }

  void itemHeading(bool combinations, int i) {
    const int number = i + 1;
    for (Channel channel : {Channel::kReport, Channel::kSummary, Channel::kRuntime}) {
      TextFile& f = files_[channel];
      for (int k = 0; k < 3; ++k) f.line();
      if (combinations) {
        f.line(fmt::format("{}LOAD COMB. : {:5d}", kIndent, number));
        f.line(fmt::format("{}COMB. NAME : {}", kIndent,
                           m_.combinations[static_cast<std::size_t>(i)].name));
      } else {
        const LoadCase& c = m_.loadCases[static_cast<std::size_t>(i)];
        f.line(fmt::format("{}LOAD CASE : {:5d}", kIndent, number));
        f.line(fmt::format("{}CASE NAME : {}", kIndent, c.name));
        f.line(fmt::format("{}LOAD TYPE : {:<32}", kIndent, loadTypeName(c.loadType())));
      }
    }
    const std::string line =
        fmt::format("{}{:5d}", combinations ? "LOAD COMB. : " : "LOAD CASE : ", number);
    files_[Channel::kCapResults].line(line);
    files_[Channel::kConvergence].line(line);
  }

  const ProgressEvent& progress(ProgressEvent::Phase phase, bool combinations, int number,
                                int count) {
    event_ = ProgressEvent{};
    event_.phase = phase;
    event_.combination = combinations;
    event_.item = number;
    event_.itemCount = count;
    return event_;
  }

  StatusCode solveItem(bool combinations, int i, ItemEndRecord& record) {
    ItemSetup setup;
    setup.combination = combinations;
    setup.index = i;
    CapControl control;
    LoadVector total{};
    if (combinations) {
      const LoadCombination& c = m_.combinations[static_cast<std::size_t>(i)];
      control = controlOfCombination(c);
      copyPileSettings(c, setup);
      total = equivalentLoadOfCombination(m_, i);
      assembleCombinationLoads(m_, p_.layout, i, loads_, options_.refine);
    } else {
      const LoadCase& c = m_.loadCases[static_cast<std::size_t>(i)];
      control = controlOfCase(c);
      copyPileSettings(c, setup);
      setup.axialDistribution = c.axialLoadDistribution();
      total = equivalentLoadOfCase(m_, i);
      assembleCaseLoads(m_, p_.layout, i, loads_, options_.refine);
    }
    addAxialHeadLoads(m_, p_.layout, loads_, total);
    setup.loads = &loads_;

    // A case that asks for its foundation stiffness runs the estimation first; its total-load
    // analysis comes last.
    const int stiffnessSwitch =
        combinations ? 0 : m_.loadCases[static_cast<std::size_t>(i)].stiffnessSwitch();
    if (stiffnessSwitch < 1) totalLoadHeading();

    // A flexible cap with switch 4 = 2: the item's plate model is written, and nothing solved.
    if (writesPlateModelOnly(m_)) {
      const StatusCode written = writeItemPlateModel(m_, p_, files_, control, total);
      if (!isOk(written)) return written;
      record.analysed = true;
      record.resultCode = kItemPlateModelWritten;
      record.resultText = itemResultText(kItemPlateModelWritten, 0.0);
      return StatusCode::kCompleted;
    }

    StatusCode status = StatusCode::kCompleted;
    Diagnostics diag;
    std::unique_ptr<PileGroupAnalysis> piles =
        services_.makePiles ? services_.makePiles(setup, status, diag) : nullptr;
    for (const std::string& l : diag.report) files_[Channel::kReport].line(l);
    for (const std::string& l : diag.runtime) files_[Channel::kRuntime].line(l);
    if (!isOk(status)) return status;
    if (!piles) return StatusCode::kInternalError;

    // A flexible cap bears on every pile head.
    const bool flexible = solvesFlexibleCap(m_);
    if (flexible) {
      status = checkPilesUnderCap(m_, p_, files_);
      if (!isOk(status)) return status;
    }

    // The embedded cap's passive resistance, when the input asks for it (a rigid cap only).
    std::unique_ptr<PassiveCap> passive;
    if (capPassiveModel(m_) != CapPassiveModel::kNone && !flexible) {
      Diagnostics passiveDiag;
      status = PassiveCap::build(m_, p_, PassiveSettings{!setup.isStatic, setup.cycles}, passive,
                                 passiveDiag);
      for (const std::string& l : passiveDiag.report) files_[Channel::kReport].line(l);
      for (const std::string& l : passiveDiag.runtime) files_[Channel::kRuntime].line(l);
      if (!isOk(status)) return status;
    }

    GroupFactorWorkspace work(m_);
    CapContext context{files_, m_, *piles, p_.factors, work, envelope_, analysed_, {}, options_};
    context.passive = passive.get();
    const FlexibleCapRun plate{&p_};
    if (flexible) context.plate = &plate;
    if (services_.onPileResults) {
      context.onPileResults = [this, &setup](int pile, const PileOutcome& o,
                                             const PileWorkspace& w) {
        return services_.onPileResults(setup, pile, o, w);
      };
    }
    CapSolver solver(context);
    CapResult result;
    const CapItem item{combinations, i + 1,
                       combinations ? static_cast<int>(m_.combinations.size())
                                    : static_cast<int>(m_.loadCases.size())};
    if (stiffnessSwitch >= 1) {
      const std::vector<double>& list = p_.stiffnessLists[static_cast<std::size_t>(i)];
      status = estimateFoundationStiffness(
          StiffnessContext{files_, solver, control, item, total, m_.is2d(), piles->pileCount(),
                           stiffnessSwitch, list},
          record.foundationStiffness);
      if (!isOk(status)) return status;
      totalLoadHeading();
    }
    status = solver.solve(control, item, total, result);
    if (!isOk(status)) return status;
    if (result.reported() && services_.afterItem) services_.afterItem(setup, result);
    record.analysed = true;
    record.resultCode = static_cast<int>(result.outcome);
    record.resultText = itemResultText(record.resultCode, result.convergedFraction);
    record.hasResults = result.reported();
    if (record.hasResults) {
      record.convergedFraction =
          result.outcome == CapOutcome::kCompleted ? 1.0 : result.convergedFraction;
      record.capLoad = result.load;
      record.capDisplacement = result.displacement;
      record.iterations = result.iterations;
      record.passiveForce = result.passiveForce;
      record.passive = result.passive;
      record.plate = result.plate;
    }
    return StatusCode::kCompleted;
  }

  void totalLoadHeading() {
    files_[Channel::kRuntime].line();
    files_[Channel::kRuntime].line("     ANALYSIS DUE TO TOTAL LOAD");
    files_[Channel::kConvergence].line("      ANALYSIS DUE TO TOTAL LOAD");
  }

  const AnalysisModel& m_;
  PreparedRun& p_;
  FileSet& files_;
  const DriverServices& services_;
  const AnalysisOptions& options_;
  DistributedLoads loads_;
  CapEnvelope envelope_;
  int analysed_ = 1;
  ProgressEvent event_;
};

}  // namespace

StatusCode runDriver(const AnalysisModel& model, PreparedRun& prepared, FileSet& files,
                     const DriverServices& services, const AnalysisOptions& options) {
  return Driver(model, prepared, files, services, options).run();
}

}  // namespace stilt
