#include "engine/run_control.hpp"

#include <algorithm>
#include <ctime>
#include <exception>
#include <initializer_list>
#include <optional>

#include "analysis/curve_work_file.hpp"
#include "analysis/driver.hpp"
#include "analysis/envelopes.hpp"
#include "analysis/group_piles.hpp"
#include "analysis/pile_report.hpp"
#include "analysis/printed_curves.hpp"
#include "engine/head_lines.hpp"
#include "engine/names_file.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "model/input_reader.hpp"
#include "report/input_report.hpp"
#include "report/pile_layout.hpp"

namespace stilt {

LocalTime localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

namespace {

using Mode = TextFile::Mode;

// Writes the status lines of `code` to the runtime file: a line of four blanks, then each line
// as free-format text (one blank, then its own indentation).
void writeStatusLines(TextFile& runtime, StatusCode code) {
  runtime.line("    ");
  for (const StatusLine& l : statusLines(toInt(code))) {
    runtime.line(" " + std::string(static_cast<std::size_t>(l.indent), ' ') + l.text);
  }
}

void writeLines(TextFile& file, const std::vector<std::string>& lines) {
  for (const std::string& l : lines) file.line(l);
}

// A run that could not start: report it in the runtime file when that file can be written.
StatusCode failBeforeStart(FileSet& files, StatusCode code,
                           const std::vector<std::string>& message) {
  TextFile& runtime = files[Channel::kRuntime];
  if (!runtime.isOpen()) {
    if (!runtime.open(files.path(Channel::kRuntime), Mode::kWrite)) {
      files.closeAll();
      return code;
    }
  }
  writeLines(runtime, message);
  writeStatusLines(runtime, code);
  runtime.commit();
  files.closeAll();
  return code;
}

class Run {
 public:
  explicit Run(const RunOptions& options) : options_(options) {}

  // The run, then its end record to the sink.
  StatusCode execute() {
    files_.setMonitor(&options_.monitor);
    const StatusCode status = executeRun();
    if (options_.sink != nullptr && convergence_ && status == StatusCode::kCompleted) {
      options_.sink->meshConvergence(*convergence_);
    }
    if (options_.sink != nullptr) {
      RunEndRecord end;
      end.status = status;
      end.message = messages_;
      options_.sink->runEnd(end);
    }
    return status;
  }

 private:
  StatusCode executeRun() {
    // Run-control file.
    std::string namesText;
    {
      // A Names.dat that is missing, unreadable or not a regular file: no runtime file is known.
      TextFile in;
      if (!in.open(options_.workDir / "Names.dat", Mode::kRead) || !in.readAll(namesText)) {
        return StatusCode::kRunControlFileError;
      }
    }
    const NamesResult names = parseNamesFile(namesText, options_.workDir, names_);
    if (!isOk(names.status)) {
      files_.setPath(Channel::kRuntime, names.runtimePath);
      messages_ = names.message;
      if (names.runtimePath.empty()) return names.status;
      return failBeforeStart(files_, names.status, names.message);
    }
    for (int line = 5; line <= 25; ++line)
      files_.setPath(channelOfLine(line), names_.pathOfLine(line));

    // Files opened for the whole run. The runtime file comes first so that any failure to open
    // the others can be reported in it.
    for (Channel c :
         {Channel::kRuntime, Channel::kInput, Channel::kReport, Channel::kSummary, Channel::kPlot,
          Channel::kConvergence, Channel::kCapResults, Channel::kTzListing}) {
      const StatusCode s = files_.open(c, c == Channel::kInput ? Mode::kRead : Mode::kWrite);
      if (!isOk(s)) {
        messages_ = files_.lastError();
        return failBeforeStart(files_, s, files_.lastError());
      }
    }
    files_.writeProgress(" - ANALYSIS STARTED\n");
    for (Channel c : {Channel::kCaseData, Channel::kAxialCurves, Channel::kNodeResults,
                      Channel::kSummaryWork}) {
      const StatusCode s = files_.open(c, Mode::kWrite);
      if (!isOk(s)) {
        messages_ = files_.lastError();
        return failBeforeStart(files_, s, files_.lastError());
      }
    }
    if (files_.stopRequested()) {
      files_.closeAll();
      return StatusCode::kStoppedByUser;
    }

    TextFile& report = files_[Channel::kReport];
    TextFile& summary = files_[Channel::kSummary];
    TextFile& runtime = files_[Channel::kRuntime];
    const std::vector<std::string> banner = bannerLines();
    writeLines(report, banner);
    writeLines(summary, banner);
    writeLines(runtime, banner);
    runtime.commit();
    writeLines(report, fileNameBlock(names_));
    const std::vector<std::string> timeBlock =
        timeAndDateBlock(options_.clock ? options_.clock() : localNow());
    writeLines(runtime, timeBlock);
    writeLines(report, timeBlock);
    writeLines(summary, timeBlock);
    if (options_.analysis.refine > 1) {
      const std::vector<std::string> mesh = refinementLines(options_.analysis.refine);
      writeLines(report, mesh);
      writeLines(summary, mesh);
      writeLines(runtime, mesh);
    }

    StatusCode status = readInput();
    if (isOk(status)) status = files_.checkWrites();
    if (isOk(status)) {
      status = analyse();
    } else {
      beginResults(isOk(status), nullptr);
    }
    return finish(status);
  }

  StatusCode readInput() {
    std::string text;
    if (!files_[Channel::kInput].readAll(text)) {
      report({"     **** FILE ERROR ****", "     THE INPUT DATA FILE CANNOT BE READ:",
              "     " + files_.path(Channel::kInput).string()});
      return StatusCode::kFileOpenError;
    }
    files_.close(Channel::kInput);
    ReaderCallbacks callbacks;
    callbacks.echo = [this](std::string_view line) { files_[Channel::kRuntime].line(line); };
    callbacks.onControlRecord = [this](const ControlSwitches& s, std::vector<std::string>& msg) {
      const StatusCode code =
          files_.open(Channel::kCurveWork, s.curveFileBinary() ? Mode::kWriteBinary : Mode::kWrite);
      if (!isOk(code)) msg = files_.lastError();
      return code;
    };
    const ReadResult result = readInputDataFile(text, model_, callbacks);
    if (!isOk(result.status)) report(result.message);
    return result.status;
  }

  // The frame of the results: what was read and, once prepared, the curves of every property.
  void beginResults(bool inputRead, const PreparedRun* prepared) {
    if (options_.sink == nullptr) return;
    RunBeginRecord run;
    run.title = model_.title[0];
    run.analysisType = model_.switches.analysisType();
    run.unitsCode = model_.switches.unitsCode();
    run.planar = model_.is2d();
    run.inputRead = inputRead;
    run.refine = options_.analysis.refine;
    if (inputRead) {
      const std::vector<PileGeometry> layout = buildPileLayout(model_);
      for (std::size_t i = 0; i < model_.pileRows.size(); ++i) {
        const PileGroupRow& row = model_.pileRows[i];
        // The axis as the transformation into pile axes takes it: (sin b, cos a cos b,
        // sin a cos b).
        std::array<double, 3> axis{1.0, 0.0, 0.0};
        if (i < layout.size()) {
          const PileGeometry& g = layout[i];
          axis = {g.sinB, g.cosA * g.cosB, g.sinA * g.cosB};
        }
        run.piles.push_back({static_cast<int>(i) + 1, row.x, row.y, row.z, row.property,
                             model_.is2d() ? row.pilesInRow : 1, axis});
      }
      for (std::size_t k = 0; k < model_.properties.size(); ++k) {
        PropertyCurvesRecord curves;
        curves.number = static_cast<int>(k) + 1;
        if (prepared != nullptr) {
          const auto copy = [k](const std::vector<HeadCurve>& from,
                                std::vector<HeadCurveRecordPoint>& to) {
            if (k >= from.size()) return;
            for (const HeadCurvePoint& p : from[k]) to.push_back({p.movement, p.force});
          };
          copy(prepared->loadSettlement, curves.loadSettlement);
          copy(prepared->torqueRotation, curves.torqueRotation);
        }
        run.properties.push_back(std::move(curves));
      }
      for (std::size_t i = 0; i < model_.loadCases.size(); ++i) {
        run.items.push_back({ItemKind::kCase, static_cast<int>(i) + 1, model_.loadCases[i].name});
      }
      for (std::size_t i = 0; i < model_.combinations.size(); ++i) {
        run.items.push_back(
            {ItemKind::kCombination, static_cast<int>(i) + 1, model_.combinations[i].name});
      }
    }
    options_.sink->runBegin(run);
  }

  // The input report, then every load case and combination.
  StatusCode analyse() {
    PreparedRun prepared;
    StatusCode status = writeInputReport(model_, files_, prepared);
    beginResults(true, &prepared);
    if (!isOk(status)) return status;
    bool allUserCurves = !model_.pileRows.empty();
    for (const PileGroupRow& r : model_.pileRows) allUserCurves = allUserCurves && r.lsCurve > 0;

    const GroupPiles* current = nullptr;
    std::unique_ptr<PileResultsPrinter> printer;
    // Every record of the items passes through the envelopes on its way to the sink.
    const int refine = options_.analysis.refine;
    EnvelopeCollector envelopes(model_, options_.sink, options_.resultLevel, refine);
    // With mesh convergence asked for, the item records pass the snapshot on their way.
    MeshSnapshot* snapshot = options_.snapshot != nullptr        ? options_.snapshot
                             : options_.coarserMeshes != nullptr ? &finalMesh_
                                                                 : nullptr;
    std::optional<MeshSnapshotSink> capture;
    if (snapshot != nullptr) {
      *snapshot = MeshSnapshot{};
      snapshot->refine = refine;
      snapshot->planar = model_.is2d();
      snapshot->unitsCode = model_.switches.unitsCode();
      capture.emplace(*snapshot, &envelopes);
    }
    ResultSink* items = capture ? static_cast<ResultSink*>(&*capture) : &envelopes;
    DriverServices services;
    services.makePiles = [&](const ItemSetup& item, StatusCode& code, Diagnostics& diag) {
      PileItemSettings settings;
      settings.cyclic = !item.isStatic;
      settings.cycles = item.cycles;
      settings.maxIterations = item.maxPileIterations;
      settings.tolerance = item.pileTolerance;
      settings.axialDistribution = item.axialDistribution;
      settings.loads = item.loads;
      settings.refine = refine;
      std::unique_ptr<GroupPiles> piles;
      code = GroupPiles::build(model_, prepared, settings, piles, diag);
      current = piles.get();
      PrintSettings print;
      print.printOption = item.printOption;
      // The nodes of the input's mesh: a refined pile prints at the same depths.
      print.nodeInterval = std::max(item.printNodeInterval, 1) * refine;
      QuantitySelection own{};
      QuantitySelection all{};
      for (int q = 1; q <= kResultQuantities; ++q) {
        const std::size_t k = static_cast<std::size_t>(q);
        own[k] = item.combination
                     ? model_.combinations[static_cast<std::size_t>(item.index)].outputFlag(q) != 0
                     : model_.loadCases[static_cast<std::size_t>(item.index)].outputFlag(q) != 0;
        all[k] = true;
      }
      print.selection = reduceSelection(own, model_.is2d(), allUserCurves, item.axialDistribution,
                                        item.combination);
      print.listing = reduceSelection(all, model_.is2d(), allUserCurves, item.axialDistribution,
                                      item.combination);
      printer = std::make_unique<PileResultsPrinter>(model_, files_, print);
      return std::unique_ptr<PileGroupAnalysis>(std::move(piles));
    };
    services.onPileResults = [&](const ItemSetup&, int pile, const PileOutcome& outcome,
                                 const PileWorkspace& work) {
      const auto& groupWork = static_cast<const GroupPileWorkspace&>(work);
      const PileGeometry& geometry = current->geometry(pile);
      printer->pile(pile, geometry, outcome, groupWork, current->lateralModel(pile));
      if (options_.sink != nullptr || envelopes.collecting() || capture) {
        const PileSummaryRecord& r = printer->records().back();
        PileRecord record;
        record.number = r.pile;
        record.headDisplacementGlobal = r.displacementGlobal;
        record.headForceGlobal = r.reactionGlobal;
        record.headDisplacementLocal = r.displacementLocal;
        record.headForceLocal = r.reactionLocal;
        record.maxStress = r.stress;
        // The envelopes take the arrays along the piles; the collector passes them on to the
        // sink at its result level.
        record.along = &groupWork.results;
        // As the soil curves take it: the head's X less the ground's, distances along the pile
        // added as they are.
        record.headDepth = geometry.x - geometry.ground;
        record.computed = printer->settings().listing;
        record.printed = printer->settings().selection;
        items->pile(record);
      }
      return StatusCode::kCompleted;
    };
    services.afterItem = [&](const ItemSetup&, const CapResult&) { printer->summary(); };
    services.sink = items;
    services.afterBlock = [&](int block) { envelopes.afterBlock(block, files_); };
    services.atEnd = [&] {
      std::vector<PrintedCurveResult> curves;
      const StatusCode printed = printPyCurves(model_, prepared, files_, &curves);
      for (const PrintedCurveResult& c : curves) envelopes.printedCurve(c);
      const StatusCode work = writeCurveWorkFile(model_, prepared, files_);
      return isOk(printed) ? work : printed;
    };
    return runDriver(model_, prepared, files_, services, options_.analysis);
  }

  // A message that matters to the host: to the output report and the runtime file.
  void report(const std::vector<std::string>& lines) {
    messages_.insert(messages_.end(), lines.begin(), lines.end());
    writeLines(files_[Channel::kReport], lines);
    writeLines(files_[Channel::kRuntime], lines);
  }

  // The status lines, the stop message and the summary assembly. A file that could not be
  // written ends the run with kWriteError, reported to whichever of the runtime file and the
  // output report can still take it; a failure that shows only when the last buffers are
  // written out replaces a completed (or stopped) status, with its message appended to the
  // runtime file, so that no run whose files are incomplete is reported as completed.
  StatusCode finish(StatusCode status) {
    TextFile& runtime = files_[Channel::kRuntime];
    if (const std::optional<Channel> failed = files_.writeFailure()) {
      if (status != StatusCode::kWriteError) writeFailureNote(status);
      report(files_.writeFailureMessage(*failed));
      status = StatusCode::kWriteError;
    }
    writeStatusLines(runtime, status);
    runtime.commit();
    if (status == StatusCode::kStoppedByUser) {
      for (Channel c : {Channel::kReport, Channel::kSummary}) {
        files_[c].line("      ");
        files_[c].line("      *** ANALYSIS STOPPED BY USER ***");
      }
    }
    TextFile& summary = files_[Channel::kSummary];
    files_.close(Channel::kSummaryWork);
    for (int i = 0; i < 4; ++i) summary.line();
    summary.line(std::string(17, ' ') + "*****" + std::string(5, ' ') +
                 "SUMMARY FOR LOAD CASES AND COMBINATIONS " + std::string(5, ' ') + "*****");
    TextFile work;
    if (work.open(files_.path(Channel::kSummaryWork), Mode::kRead)) {
      std::string line;
      while (work.readLine(line)) summary.line(summaryCopyLine(line));
    }
    if (status == StatusCode::kCompleted && options_.coarserMeshes != nullptr) {
      std::vector<MeshSnapshot> meshes = *options_.coarserMeshes;
      meshes.push_back(finalMesh_);
      convergence_ = compareMeshes(meshes);
      writeMeshConvergence(files_[Channel::kReport], *convergence_);
      writeMeshConvergence(summary, *convergence_);
    }
    const std::optional<Channel> failedLate = files_.writeFailure();
    files_.closeAll();
    std::optional<Channel> failedAtClose = failedLate;
    for (int line = 5; !failedAtClose && line <= 25; ++line) {
      if (files_[channelOfLine(line)].writeFailed()) failedAtClose = channelOfLine(line);
    }
    if (!failedAtClose || status == StatusCode::kWriteError) return status;
    // The runtime file said how the run ended before the last data reached the disk; the
    // status lines appended now are the ones a host reads (the last block of the file).
    TextFile tail;
    const std::vector<std::string> late = files_.writeFailureMessage(*failedAtClose);
    messages_.insert(messages_.end(), late.begin(), late.end());
    if (*failedAtClose != Channel::kRuntime &&
        tail.open(files_.path(Channel::kRuntime), Mode::kAppend)) {
      writeLines(tail, late);
      writeStatusLines(tail, StatusCode::kWriteError);
      tail.commit();
    }
    return StatusCode::kWriteError;
  }

  // The status the run had reached when a write failure took its place.
  void writeFailureNote(StatusCode status) {
    if (isOk(status) || status == StatusCode::kStoppedByUser) return;
    std::vector<std::string> note = {"     THE RUN HAD ENDED WITH STATUS " +
                                     std::to_string(toInt(status)) + ":"};
    for (const StatusLine& l : statusLines(toInt(status))) note.push_back("     " + l.text);
    report(note);
  }

  const RunOptions& options_;
  NamesFile names_;
  FileSet files_;
  AnalysisModel model_;
  std::vector<std::string> messages_;  // what report() said, for the sink's end record
  MeshSnapshot finalMesh_;             // this run's values when it compares the meshes
  std::optional<MeshConvergenceRecord> convergence_;
};

}  // namespace

StatusCode runAnalysis(const RunOptions& options) {
  try {
    Run run(options);
    return run.execute();
  } catch (...) {
    // Nothing may escape into the host; the files are closed by their owners on unwinding.
    if (options.sink != nullptr) options.sink->runEnd({StatusCode::kInternalError, {}});
    return StatusCode::kInternalError;
  }
}

}  // namespace stilt
