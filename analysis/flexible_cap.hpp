#pragma once
// The flexible (plate) cap of a three-dimensional run. With switch 4 = 2 the plate model of an
// item is written into the run folder, under names of its own beside the run's reports, and
// nothing is solved. With any other value of 1 or more every item is solved as the plate on its
// piles: the model files are written, read back by the plate solver and solved in pseudo-time,
// each pile head tied to the plate at its own (Y, Z) position and answering with the same
// analyses and head stiffness that the rigid cap uses.

#include <string>

#include "analysis/cap_solver.hpp"
#include "analysis/result_records.hpp"
#include "cap/cap_model_files.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/input_report.hpp"
#include "report/load_assembly.hpp"

namespace stilt {

// Whether the items of this run write the plate model instead of being solved (flexible-cap
// switch 2 in three dimensions).
[[nodiscard]] bool writesPlateModelOnly(const AnalysisModel& m);

// Whether the items of this run are solved as a plate on the piles (switch 4 of 1 or more other
// than 2, in three dimensions).
[[nodiscard]] bool solvesFlexibleCap(const AnalysisModel& m);

// What the plate of an item is built from: the cap's mesh, material and stepping, the load at
// the origin and every pile head.
[[nodiscard]] cap::CapModelInput plateModelInput(const AnalysisModel& m, const PreparedRun& p,
                                                 const CapControl& control,
                                                 const LoadVector& total);

// Every pile head must lie on the plan of the cap: a pile outside it is refused, named in the
// report and the runtime file, with kInputInvalidValue.
[[nodiscard]] StatusCode checkPilesUnderCap(const AnalysisModel& m, const PreparedRun& p,
                                            FileSet& files);

// Writes gslab.dat and the card and keyword plate models of the item with load `total` at the
// origin into the folder of the output report, and the item's status lines. kWriteError, with
// the file named in the report and the runtime file, when a file cannot be written.
[[nodiscard]] StatusCode writeItemPlateModel(const AnalysisModel& m, const PreparedRun& p,
                                             FileSet& files, const CapControl& control,
                                             const LoadVector& total);

// The flexible cap of a run, for the cap solver.
struct FlexibleCapRun {
  const PreparedRun* prepared = nullptr;
};

}  // namespace stilt
