#pragma once
// The input report: the input echoed as tables B to K of the output report, and the preparation
// of what the analysis works with (pile layout, soil profile, equivalent loads, stiffness levels,
// group factors, generated curves).

#include <array>
#include <functional>
#include <vector>

#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/cells.hpp"
#include "report/group_factors.hpp"
#include "report/load_assembly.hpp"
#include "report/pile_layout.hpp"
#include "soil/soil_profile.hpp"

namespace stilt {

// A joined curve of a pile head: (movement, force) points through the origin.
struct HeadCurvePoint {
  double movement = 0.0;
  double force = 0.0;
};
using HeadCurve = std::vector<HeadCurvePoint>;

// The program's estimate of an ultimate unit side friction or tip resistance that was given as
// zero, for driven piles (P) and drilled shafts (S).
struct UnitResistanceEstimate {
  bool sideEstimated = false;
  double sideDriven = 0.0, sideDrilled = 0.0;
  bool tipEstimated = false;
  double tipDriven = 0.0, tipDrilled = 0.0;
};

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
  // Generated head curves per property (empty where none were generated).
  std::vector<HeadCurve> loadSettlement;
  std::vector<HeadCurve> torqueRotation;
};

// What the report asks of the load-transfer curves: the estimates of zero side friction and tip
// resistance at a depth of a layer, and the generation of every property's head curves.
struct InputReportServices {
  std::function<UnitResistanceEstimate(int soilTypeCode, double depth)> estimate;
  // Fills prepared.loadSettlement / torqueRotation; a non-zero status ends the run.
  std::function<StatusCode(PreparedRun& prepared)> generateCurves;
};

// The default load levels of a foundation-stiffness estimation without its own list:
// 0.1 and log10(k) for k = 2..10.
[[nodiscard]] std::vector<double> defaultStiffnessLevels();

// The preparation alone (no report written), for the analysis and for tests.
[[nodiscard]] PreparedRun prepareRun(const AnalysisModel& model);

// Writes the input report to the output report and prepares the run. Returns the status of the
// curve generation (0 when all curves were built).
[[nodiscard]] StatusCode writeInputReport(const AnalysisModel& model, FileSet& files,
                                          const InputReportServices& services,
                                          PreparedRun& prepared);

// Table K: the group reduction factors, for every option but 0.
void printGroupFactors(const AnalysisModel& model, const PreparedRun& prepared, TextFile& out);

}  // namespace stilt
