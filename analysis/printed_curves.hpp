#pragma once
// Printed p-y curves (table N): p-y curves at depths the input asks for, each request checked
// against its pile and the soil profile first, generated in curve mode with the pile's group
// multipliers and depth-wise reduction factors, and written to the output report and the plot
// output file.

#include <string>
#include <vector>

#include "analysis/group_piles.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/input_report.hpp"
#include "soil/py_soil.hpp"

namespace stilt {

// Where a requested depth lies on its pile.
enum class CurveRequestStatus : int {
  kBelowCapLevel = 0,     // along the pile below its head: checked against the soil profile
  kAtCapLevel = 1,        // at the pile head (the underside of the cap), the first such request
  kSecondAtCapLevel = 2,  // a further request at the pile head: only one is printed
  kAtOrAboveGround = 3,   // at or above the ground surface at the pile
  kBelowTip = 4,          // below the pile tip
  kAboveCapTop = 5,       // above the top of the pile cap
  kAbovePileTop = 6,      // within the cap, above the pile head
};

// The levels of one pile, as X coordinates (vertical, positive downward) of the pile layout.
struct PileLevels {
  double head = 0.0;    // the pile head, where the pile meets the cap
  double tip = 0.0;     // head + pile length, the depth the analysis gives the last node
  double ground = 0.0;  // the ground surface at the pile
  double capTop = 0.0;  // the highest pile head less the cap thickness
};

// The geometric check of one request at `depth` on a pile at `levels`; `capLevelTaken` says
// whether an earlier request was already at the level of the cap. The first matching rule
// wins: above the cap top (5), above the pile head (6), below the tip (4), at or above the
// ground (3), at the pile head (1, or 2 for a second one), else 0. Depths within 1.0E-6 of a
// level count as at it.
[[nodiscard]] CurveRequestStatus checkCurveRequest(double depth, const PileLevels& levels,
                                                   bool capLevelTaken);

// The levels of pile `pile` (0-based) of the model.
[[nodiscard]] PileLevels pileLevels(const AnalysisModel& model, const PreparedRun& prepared,
                                    int pile);

// The outcome of one request, for the report, the plot file and any later writer.
struct PrintedCurveResult {
  int number = 0;      // 1-based position of the request
  int pileGroup = 0;   // 1-based pile (row) of the request
  double depth = 0.0;  // as requested, an X coordinate of the pile layout
  CurveRequestStatus status = CurveRequestStatus::kBelowCapLevel;
  bool generated = false;
  std::vector<std::string> message;  // why there is no curve: its block, or the generator's lines
  int soilCode = 0;                  // code of the layer the curve belongs to
  PrintedPyCurve curve;              // the [y, p] points of a generated curve
  std::vector<std::string> notes;    // warnings of the generator (report lines)
};

// Checks and generates every request of the model. Returns the first status a generator set
// (the remaining requests are still done); `diag` carries the generators' runtime lines.
[[nodiscard]] StatusCode generatePrintedCurves(const AnalysisModel& model,
                                               const PreparedRun& prepared, const GroupPiles& piles,
                                               std::vector<PrintedCurveResult>& out,
                                               Diagnostics& diag);

// Table N on the output report and the curve listing on the plot output file.
void writePrintedCurves(const AnalysisModel& model, const PreparedRun& prepared,
                        const std::vector<PrintedCurveResult>& curves, TextFile& report,
                        TextFile& plot);

// The whole step at the end of a run: nothing unless the input asks for printed curves. The
// outcome of every request goes to `results` when given.
[[nodiscard]] StatusCode printPyCurves(const AnalysisModel& model, const PreparedRun& prepared,
                                       FileSet& files,
                                       std::vector<PrintedCurveResult>* results = nullptr);

}  // namespace stilt
