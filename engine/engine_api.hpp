#pragma once
// The engine as a C++ host uses it: one run of the files a Names.dat names, with the host's
// options, its progress as data, an in-memory stop request, and the results handed to a sink
// as records while the run goes on. The exported routine is this call with the defaults.

#include <atomic>
#include <filesystem>
#include <functional>

#include "analysis/analysis_options.hpp"
#include "analysis/result_records.hpp"
#include "engine/run_control.hpp"
#include "model/run_monitor.hpp"
#include "model/status_code.hpp"

namespace stilt {

struct EngineRequest {
  // The folder holding Names.dat; relative paths in it are taken from here.
  std::filesystem::path namesFolder = ".";
  // When set, the input data file to run: a Names.dat naming it and the 20 files after its stem
  // is written into namesFolder first (which must exist), as the stilt command lays a run out.
  std::filesystem::path input;
  int threads = 0;  // threads of the pile pass; 0: one per core
  StiffnessMethod stiffness = StiffnessMethod::kCentral;
  // Mesh refinement factor K of the piles, 1..16 (1: the input's own increments), or kRefineAuto:
  // the run is analysed at K = 1 and K = 2, and at K = 4 when some compared value changed by more
  // than 1 % from 1 to 2; the files and records are those of the finest run, which adds the
  // comparison (the sink's meshConvergence, and a block in the output report and summary). A
  // factor outside these ends the run with status 46 when the first item's piles are prepared.
  int refine = 1;
  // Where the result records go (null: nowhere) and how much of every pile they carry.
  ResultSink* sink = nullptr;
  ResultLevel results = ResultLevel::kFull;
  // Called on the analysing thread with every progress record.
  std::function<void(const ProgressEvent&)> progress;
  // Set by the host (from any thread) to stop the run at its next check: status 4.
  const std::atomic<bool>* stop = nullptr;
  // The clock of the time-and-date block; empty: the local clock.
  std::function<LocalTime()> clock;
};

// Runs the analysis. Never throws: a failure is a status code (41 when the Names.dat for
// `input` cannot be written), and the sink always receives runEnd.
[[nodiscard]] StatusCode runEngine(const EngineRequest& request) noexcept;

}  // namespace stilt
