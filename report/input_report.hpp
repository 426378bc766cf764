#pragma once
// The input report: the input echoed as tables B to K of the output report, and the preparation
// of what the analysis works with (pile layout, soil profile, equivalent loads, stiffness levels,
// group factors, generated curves).

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/cells.hpp"
#include "report/group_factors.hpp"
#include "report/load_assembly.hpp"
#include "report/pile_layout.hpp"
#include "soil/load_transfer.hpp"
#include "soil/soil_profile.hpp"

namespace stilt {

// A joined curve of a pile head: (movement, force) points through the origin.
struct HeadCurvePoint {
  double movement = 0.0;
  double force = 0.0;
};
using HeadCurve = std::vector<HeadCurvePoint>;

// Everything the analysis takes from the input report pass.
struct PreparedRun {
  UnitLabels units;
  SoilProfile profile;
  std::vector<PileGeometry> layout;
  std::vector<LoadVector> caseLoads;  // equivalent load at the origin of every load case
  std::vector<std::vector<double>> stiffnessLists;  // per case, with the default levels filled
  GroupFactors factors;
  double groupSignY = 1.0;  // the senses of movement the factors were estimated for
  double groupSignZ = 1.0;
  double capLength = 0.0;
  double capWidth = 0.0;  // three dimensions: the plan diagonal of the cap
  double capThickness = 0.0;
  double capReferenceLevel = 0.0;  // smallest pile-head X less the cap thickness
  int smallestIncrements = 0;
  bool printedPyCurves = false;  // the driver's copy of the printed-curves switch
  // The load-transfer curves of every property, and their joined head curves as printed
  // (empty where none were generated).
  CurveStore curves;
  std::vector<HeadCurve> loadSettlement;
  std::vector<HeadCurve> torqueRotation;
};

// The report sentence of a soil-type code, as the input report and the printed p-y curves show
// it (code 10 takes two lines; unknown codes read as soft clay).
[[nodiscard]] std::vector<std::string> soilSentence(int code);

// The default load levels of a foundation-stiffness estimation without its own list:
// 0.1 and log10(k) for k = 2..10.
[[nodiscard]] std::vector<double> defaultStiffnessLevels();

// The preparation alone (no report written), for the analysis and for tests.
[[nodiscard]] PreparedRun prepareRun(const AnalysisModel& model);

// The load-transfer curves of every property (head curves in three dimensions too), with their
// listings and messages. Head depth of a property: that of the first pile that uses it.
[[nodiscard]] StatusCode generateCurves(const AnalysisModel& model, PreparedRun& prepared,
                                        CurveListings* listings, Diagnostics& diag);

// Writes the input report to the output report and prepares the run: tables B to K, the t-z
// listing, the load-transfer trace and the joined curves on the plot file. Returns the status of
// the curve generation (0 when every curve was built).
[[nodiscard]] StatusCode writeInputReport(const AnalysisModel& model, FileSet& files,
                                          PreparedRun& prepared);

// Table K: the group reduction factors, for every option but 0.
void printGroupFactors(const AnalysisModel& model, const PreparedRun& prepared, TextFile& out);

}  // namespace stilt
