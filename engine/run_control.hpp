#pragma once
// One complete run of the engine, as the exported routine performs it.

#include <filesystem>
#include <functional>

#include "analysis/analysis_options.hpp"
#include "analysis/mesh_convergence.hpp"
#include "analysis/result_records.hpp"
#include "model/run_monitor.hpp"
#include "model/status_code.hpp"

namespace stilt {

// A moment of the local clock, for the time-and-date block.
struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

[[nodiscard]] LocalTime localNow();

struct RunOptions {
  // Folder holding Names.dat; relative paths in Names.dat are taken from here.
  std::filesystem::path workDir = ".";
  // The clock of the time-and-date block; tests pin it. Empty: the local clock.
  std::function<LocalTime()> clock;
  // Threads of the pile pass and the head-stiffness method.
  AnalysisOptions analysis;
  // The sink of the run's result records, or null, and how much of every pile it receives.
  ResultSink* sink = nullptr;
  ResultLevel resultLevel = ResultLevel::kFull;
  // Progress as data and an in-memory stop request.
  RunMonitor monitor;
  // Mesh convergence (automatic refinement): when set, the compared values of this run's items
  // are recorded into `snapshot`; when `coarserMeshes` is set, this run is the finest of them and
  // compares itself with them once completed: the block goes to the output report and the output
  // summary and the record to the sink, before runEnd.
  MeshSnapshot* snapshot = nullptr;
  const std::vector<MeshSnapshot>* coarserMeshes = nullptr;
};

// Reads Names.dat, opens the files of the run, writes the head lines, reads the input data file,
// runs the analysis and ends with the status lines and the summary. Never throws.
[[nodiscard]] StatusCode runAnalysis(const RunOptions& options);

}  // namespace stilt
