#pragma once
// The flexible (plate) cap of a three-dimensional run: the plate model of an item written into
// the run folder, under names of its own beside the run's reports.

#include <string>

#include "analysis/cap_solver.hpp"
#include "analysis/result_records.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/input_report.hpp"
#include "report/load_assembly.hpp"

namespace stilt {

// Whether the items of this run write the plate model instead of being solved (flexible-cap
// switch 2 in three dimensions).
[[nodiscard]] bool writesPlateModelOnly(const AnalysisModel& m);

// Writes gslab.dat and the card and keyword plate models of the item with load `total` at the
// origin into the folder of the output report, and the item's status lines. kWriteError, with
// the file named in the report and the runtime file, when a file cannot be written.
[[nodiscard]] StatusCode writeItemPlateModel(const AnalysisModel& m, const PreparedRun& p,
                                             FileSet& files, const CapControl& control,
                                             const LoadVector& total);

}  // namespace stilt
