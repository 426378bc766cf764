#pragma once
// The analysis proper: every load case, then every load combination, each through the cap solver.

#include <functional>
#include <memory>

#include "analysis/analysis_options.hpp"
#include "analysis/cap_solver.hpp"
#include "analysis/pile_group.hpp"
#include "analysis/result_records.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/input_report.hpp"
#include "report/load_assembly.hpp"

namespace stilt {

// What the piles of one item are analysed with.
struct ItemSetup {
  bool combination = false;
  int index = 0;  // 0-based case or combination
  bool isStatic = true;
  int cycles = 1;
  int maxPileIterations = 100;
  double pileTolerance = 1.0e-5;
  bool axialDistribution = false;
  int printOption = 0;
  int printNodeInterval = 1;
  const DistributedLoads* loads = nullptr;
};

struct DriverServices {
  // The piles of an item; null when the piles cannot be set up, with `status` and the message
  // lines in `diag`.
  std::function<std::unique_ptr<PileGroupAnalysis>(const ItemSetup&, StatusCode& status,
                                                   Diagnostics& diag)>
      makePiles;
  // The printing pass of an item: every pile's results, in order.
  std::function<StatusCode(const ItemSetup&, int pile, const PileOutcome&, const PileWorkspace&)>
      onPileResults;
  // After the printing pass of a solved item (per-pile tables, summary tables).
  std::function<void(const ItemSetup&, const CapResult&)> afterItem;
  // Per block (1 cases, 2 combinations), after its items: the envelopes.
  std::function<void(int block)> afterBlock;
  // At the very end: printed p-y curves and the curve work file.
  std::function<StatusCode()> atEnd;
  // Receives every item's beginning and outcome (its piles come through onPileResults), or null.
  ResultSink* sink = nullptr;
};

// Runs every load case and then every combination. Returns 0, 4 after a stop request, or the
// fatal status of a solver.
[[nodiscard]] StatusCode runDriver(const AnalysisModel& model, PreparedRun& prepared,
                                   FileSet& files, const DriverServices& services,
                                   const AnalysisOptions& options = {});

}  // namespace stilt
