#pragma once
// The results of every pile of a solved item: head displacements and reactions, the tables along
// the pile, the node listing, the per-pile results work file and the summary tables.
//
// Pile-top reactions are the forces and moments the pile head exerts on the cap (so a pile in
// compression pushes the cap up, and its reaction along X, positive downward, is negative).

#include <array>
#include <string>
#include <vector>

#include "analysis/cap_algebra.hpp"
#include "analysis/group_piles.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/cells.hpp"

namespace stilt {

using QuantitySelection = std::array<bool, kResultQuantities + 1>;  // [1..25]

// The headings of a result quantity: two label lines and the unit line, 10 characters each.
struct QuantityHeading {
  std::string first;
  std::string second;
  std::string unit;
};
[[nodiscard]] QuantityHeading quantityHeading(int quantity, bool planar, const UnitLabels& units);

// The quantities an item prints: its own 25 switches, less the out-of-plane ones in a planar
// analysis, the axial ones (1, 5..8, 18) when every pile uses a user load-settlement curve or the
// item has no axial load distribution, and the demand/capacity ratios (24, 25) of combinations.
[[nodiscard]] QuantitySelection reduceSelection(const QuantitySelection& switches, bool planar,
                                                bool allUserCurves, bool axialDistribution,
                                                bool combination);

// What the summary keeps of one pile.
struct PileSummaryRecord {
  int pile = 0;
  Vector6 displacementGlobal{}, reactionGlobal{}, displacementLocal{}, reactionLocal{};
  double stress = 0.0;
  std::array<double, kResultQuantities + 1> maximum{}, maximumAt{}, minimum{}, minimumAt{};
};

struct PrintSettings {
  int printOption = 0;            // 0 cap only, 1 also pile heads, 2 also along the piles
  int nodeInterval = 1;           // every n-th node along the piles
  QuantitySelection selection{};  // quantities of the report tables and the summary
  QuantitySelection listing{};    // quantities of the node listing
};

class PileResultsPrinter {
 public:
  PileResultsPrinter(const AnalysisModel& model, FileSet& files, PrintSettings settings);

  // One pile of the printing pass, right after its analysis with the final-results switch on.
  void pile(int index, const PileGeometry& geometry, const PileOutcome& outcome,
            const GroupPileWorkspace& work, const LateralPileModel& lateral);
  // One pile of an envelope: its head bounds in `head` and the bounds of every quantity at every
  // node in `along`, written as an item's pile is (no stiffnesses, no iteration count).
  void envelopePile(const PileSummaryRecord& head, const PileResults& along);
  // The summary tables of the item, on the output summary.
  void summary() const;

  const std::vector<PileSummaryRecord>& records() const { return records_; }
  const PrintSettings& settings() const { return settings_; }

 private:
  void headTables(TextFile& f, const PileSummaryRecord& r) const;
  static void alongExtremes(const PileResults& results, PileSummaryRecord& r);
  // The pile-cap results file's records and the per-pile results work file's.
  void writeRecords(const PileSummaryRecord& r, const PileResults& results);
  void alongPile(TextFile& f, const PileResults& results, int pile, int iterations) const;

  const AnalysisModel& model_;
  FileSet& files_;
  PrintSettings settings_;
  UnitLabels units_;
  std::vector<PileSummaryRecord> records_;
};

}  // namespace stilt
