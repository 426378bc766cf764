#pragma once
// The analysis model: the input data file as read, record by record, and nothing derived.
//
// One model belongs to one run: the entry routine creates it fresh, the reader fills it, and the
// report and analysis read it. Containers are sized from the input; the capacities below are the
// limits of the input format, checked while reading.
//
// Numbered attributes keep the numbering of the input format (load-case integer 21 is
// `ints[21]`, index 0 unused), with named accessors for the ones the analysis uses, so that the
// record layout and the code can be compared line by line.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace stilt {

// Capacities of the input format.
namespace capacity {
inline constexpr int kLoadCases = 100;
inline constexpr int kLoadsPerCase = 100;  // concentrated and distributed loads per case
inline constexpr int kStiffnessValues = 100;
inline constexpr int kCombinations = 100;
inline constexpr int kCombinationTerms = 100;
inline constexpr int kDistributedLoadSets = 2000;
inline constexpr int kPointsPerLoadSet = 101;
inline constexpr int kPileRows = 2000;
inline constexpr int kPileProperties = 50;
inline constexpr int kSectionsPerProperty = 20;
inline constexpr int kIncrements = 100;  // node arrays hold 101 real nodes
inline constexpr int kCrossSections = 100;
inline constexpr int kSoilLayers = 20;
inline constexpr int kSoilRows = 2;
inline constexpr int kSoilValues = 10;
inline constexpr int kPrintedCurves = 50;
inline constexpr int kPrintedCurveValues = 25;
inline constexpr int kPyCurveSets = 50;
inline constexpr int kCurvesPerSet = 20;
inline constexpr int kPointsPerPyCurve = 50;
inline constexpr int kUserCurves = 50;
inline constexpr int kPointsPerUserCurve = 50;
inline constexpr int kMomentCurvatureSets = 50;
inline constexpr int kPointsPerMomentCurve = 150;
inline constexpr int kReductionFactorSets = 100;
inline constexpr int kPointsPerReductionSet = 50;
inline constexpr int kSoilMovementPoints = 20;
inline constexpr int kExportDepths = 25;
inline constexpr int kTextLength = 80;
}  // namespace capacity

// Bounds on the solution control of a load case or combination, so that every run ends: the load
// fraction halves only down to the minimum increment, and each load step and each pile solution
// stops after its iteration limit.
namespace limits {
inline constexpr int kIterations = 10000;        // cap (integer 6) and pile (integer 7) iterations
inline constexpr double kLoadFraction = 1.0e-6;  // smallest initial or minimum load increment
}  // namespace limits

enum class UnitsSystem : int { kEnglish = 1, kMetric = 2, kOpen = 3 };

// Head connection codes of a pile row.
inline constexpr int kConnectionPinned = 1;
inline constexpr int kConnectionFixed = 2;
inline constexpr int kConnectionSpring = 3;

// Record A2: the sixteen control switches.
struct ControlSwitches {
  std::array<int, 17> values{};  // values[1..16]

  int unitsCode() const { return values[1]; }
  int analysisType() const { return values[2]; }  // 2 planar, 3 three-dimensional
  int capOption() const { return values[3]; }
  int flexibleCap() const { return values[4]; }
  bool userPyCurves() const { return values[5] == 1; }        // section K
  bool userLoadSettlement() const { return values[6] == 1; }  // section L
  bool userTorqueRotation() const { return values[7] == 1; }  // section M
  int groupReductionOption() const { return values[8]; }
  bool nonlinearBending() const { return values[9] == 1; }  // section N
  bool axialLoadFactor() const { return values[10] != 0; }
  bool printedPyCurves() const { return values[11] == 1; }        // section J
  bool depthReductionFactors() const { return values[13] == 1; }  // section O
  bool soilMovement() const { return values[14] == 1; }           // section P
  bool curveExport() const { return values[15] == 1; }            // section Q
  bool curveFileBinary() const { return values[16] != 0; }

  bool readsPassiveMethod() const { return capOption() >= 2; }  // record B1a
  bool readsFlexibleCap() const { return flexibleCap() >= 1; }  // record B2
  bool is3d() const { return analysisType() == 3; }
  bool is2d() const { return analysisType() == 2; }
};

// Record B1.
struct PileCap {
  double length = 0.0;     // along Y
  double width = 0.0;      // along Z
  double thickness = 0.0;  // along X
};

// Record B1a.
struct CapPassiveMethod {
  int lateralModel = 0;  // 0 equivalent lateral load, otherwise equivalent lateral springs
  int soilModel = 0;     // 0 soil data, 1 FHD from soil data, other FHD with the values below
  int increments = 0;
  double k50 = 0.0;
  double fUlt = 0.0;
  double yMax = 0.0;
};

// Record B2.
struct FlexibleCapMesh {
  double offsetY = 0.0;
  double offsetZ = 0.0;
  int elementsY = 0;
  int elementsZ = 0;
  double material1 = 0.0;
  double material2 = 0.0;
};

// Record C9: PX, PY, MZ, PZ, MY, MX at the point (X, Y, Z).
struct ConcentratedLoad {
  double px = 0.0, py = 0.0, mz = 0.0, pz = 0.0, my = 0.0, mx = 0.0;
  double x = 0.0, y = 0.0, z = 0.0;
};

// Record C10: 6 ints, 1 real, 1 int, 1 real.
struct DistributedLoad {
  std::array<int, 7> ints{};  // [1] kept, [2] axis, [3] first pile, [4] last pile,
                              // [5] pile increment, [6] set for Y
  double factorY = 0.0;
  int setZ = 0;
  double factorZ = 0.0;
  int line = 0;  // line of the input data file, for messages

  int keptValue() const { return ints[1]; }
  bool isGlobal() const { return ints[2] == 1; }
  int firstPile() const { return ints[3]; }
  int lastPile() const { return ints[4]; }
  int pileIncrement() const { return ints[5]; }
  int setY() const { return ints[6]; }
};

// Records C2..C11.
struct LoadCase {
  std::array<int, 51> ints{};     // [1..23] attributes, [26..50] output-selection flags
  std::array<double, 8> reals{};  // [1..7]
  std::string name;               // 80 characters, blank-padded
  std::vector<ConcentratedLoad> concentratedLoads;
  std::vector<DistributedLoad> distributedLoads;
  std::vector<double> stiffnessData;
  int line = 0;         // line of record C2
  int controlLine = 0;  // line of record C3

  bool isStatic() const { return ints[4] == 1; }
  int cycles() const { return ints[5]; }
  int maxCapIterations() const { return ints[6]; }
  int maxPileIterations() const { return ints[7]; }
  int loadType() const { return ints[8]; }
  int stiffnessSwitch() const { return ints[9]; }
  int stiffnessParameter1() const { return ints[10]; }
  int stiffnessParameter2() const { return ints[11]; }
  bool axialOfGlobalLoadsAtHead() const { return ints[14] == 1; }
  int printOption() const { return ints[18]; }
  int printNodeInterval() const { return ints[19]; }
  bool alternateTolerances() const { return ints[20] != 0; }
  bool axialLoadDistribution() const { return ints[21] >= 1; }
  bool notAnalyzed() const { return ints[22] == 1; }
  int outputFlag(int quantity) const { return ints[25 + quantity]; }  // quantity 1..25

  double capTolerance() const { return reals[1]; }
  double pileTolerance() const { return reals[2]; }
  double loadIncrement() const { return reals[3]; }
  double minimumIncrement() const { return reals[4]; }
  double scaleFactor() const { return reals[5]; }
  double alternateDeflectionTolerance() const { return reals[6]; }
  double alternateRotationTolerance() const { return reals[7]; }
};

// Record D9: one term of a combination.
struct CombinationTerm {
  int loadCase = 0;  // 1-based position of the case in the file
  double factor = 0.0;
  int line = 0;
};

// Records D2..D9.
struct LoadCombination {
  std::array<int, 41> ints{};     // [1..14] attributes, [16..40] output-selection flags
  std::array<double, 9> reals{};  // [1..8]
  std::string name;
  std::vector<CombinationTerm> terms;
  int line = 0;         // line of record D2
  int controlLine = 0;  // line of record D3

  bool isStatic() const { return ints[4] == 1; }
  int cycles() const { return ints[5]; }
  int maxCapIterations() const { return ints[6]; }
  int maxPileIterations() const { return ints[7]; }
  int printOption() const { return ints[9]; }
  int printNodeInterval() const { return ints[10]; }
  bool alternateTolerances() const { return ints[11] != 0; }
  bool notAnalyzed() const { return ints[13] == 1; }
  int outputFlag(int quantity) const { return ints[15 + quantity]; }  // quantity 1..25

  double capTolerance() const { return reals[1]; }
  double pileTolerance() const { return reals[2]; }
  double loadIncrement() const { return reals[3]; }
  double minimumIncrement() const { return reals[4]; }
  double bendingResistanceFactor() const { return reals[5]; }
  double shearResistanceFactor() const { return reals[6]; }
  double alternateDeflectionTolerance() const { return reals[7]; }
  double alternateRotationTolerance() const { return reals[8]; }
};

// Header records C1 and D1 with their envelope flags (C1a, D1a).
struct EnvelopeSettings {
  int enabled = 0;  // 1 or more prints the envelope
  int printOption = 0;
  int nodeInterval = 0;
  int fifth = 0;                // read; kept for the driver
  std::array<int, 26> flags{};  // [1..25]

  bool on() const { return enabled >= 1; }
};

struct DepthValue {
  double depth = 0.0;
  double value = 0.0;
};

// Record E1: one distributed-load set, (depth, load) points.
struct DistributedLoadSet {
  std::vector<DepthValue> points;
};

// Record F1: one pile-group row. A three-dimensional row is one pile; a two-dimensional row
// carries its own pile count. Fields that a layout does not have stay at their defaults.
struct PileGroupRow {
  int connectY = 0;      // "CONNECTY"; two dimensions: "CONNECT"
  int connectZ = 0;      // "CONNECTZ" (three dimensions)
  int pilesInRow = 1;    // "NO OF PILE" (two dimensions)
  int property = 0;      // "PILE PROP", 1-based
  int pyCurveSet = 0;    // "P-Y CURVE"
  int lsCurve = 0;       // "L-S CURVE": >0 user curve, 0 own generated curve, -k property k's
  int trCurve = 0;       // "T-R CURVE" (three dimensions), same convention
  int reductionSet = 0;  // "R-F-L SET"
  int keptValue = 0;     // three-dimensional integer 8

  double springY = 0.0;                   // "SPy"; two dimensions: "SPRING,"
  double springZ = 0.0;                   // "SPz"
  double spacing = 0.0;                   // two dimensions: spacing across the plane
  double pFactorY = 1.0, yFactorY = 1.0;  // two dimensions: the row's pair
  double pFactorZ = 1.0, yFactorZ = 1.0;
  double axialLoadFactor = 0.0;  // "FACT.AX.LD"
  double x = 0.0;                // "CorX"; two dimensions: "VERT,"
  double y = 0.0;                // "CorY"; two dimensions: "HOR,"
  double z = 0.0;                // "CorZ"
  double alpha = 0.0;            // "ALPHA", degrees as read
  double beta = 0.0;             // "BETA", degrees as read
  double batter = 0.0;           // two dimensions: "SLOPE,", degrees as read
  double ground = 0.0;           // "GROUND"
  int line = 0;
};

// Record G3.
struct PileSection {
  double from = 0.0;
  double to = 0.0;
  int crossSection = 0;  // 1-based
  double elasticModulus = 0.0;
  int nleiY = 0;  // moment-curvature set for bending in y (two dimensions: "SET_NLEI")
  int nleiZ = 0;
  int line = 0;
};

// Records G2a..G3.
struct PileProperty {
  int number = 0;
  int increments = 0;
  double length = 0.0;
  int pileType = 0;  // 1 driven pile, 2 drilled shaft
  std::vector<PileSection> sections;
  int line = 0;
};

// Records H2..H7. Section values keep their numbering: 1 equivalent diameter, 2..8 dimensions,
// 10 area, 11 Iz, 12 Iy, 14 GJ, 15 Mn, 16 Vn.
struct CrossSection {
  int keptValue = 0;
  int typeCode = 0;  // 0 general, 1 circular pipe, 2 rectangular pipe, 3 I, other H
  std::string name;
  std::array<double, 19> top{};     // [1..17]
  std::array<double, 19> bottom{};  // [1..18]
  int taper = 0;
  int line = 0;

  bool tapered() const { return taper >= 1; }
};

// Records I2..I4. Parameter positions: 1 effective unit weight, 2 cohesion, 3 friction angle
// (degrees as read), 4 subgrade modulus k, 5 rock modulus Er, 6 strain at 50 % (krm for weak
// rock), 7 RQD, 8 ultimate unit side friction, 9 ultimate unit tip resistance.
struct SoilLayer {
  int soilType = 0;
  int keptValue = 0;
  double top = 0.0;
  double bottom = 0.0;
  int rows = 0;                                        // as read
  int values = 0;                                      // as read (a negative count reads as 0)
  std::array<std::array<double, 11>, 2> parameters{};  // [row 0 top, 1 bottom][1..10]
  int line = 0;
};

// Records J2, J3.
struct PrintedCurveRequest {
  int pileGroup = 0;
  double depth = 0.0;
  std::vector<double> deflections;
  int line = 0;
};

struct PyPoint {
  double p = 0.0;
  double y = 0.0;
};

struct UserPyCurve {
  double depth = 0.0;
  std::vector<PyPoint> points;
};

// Records K2..K4.
struct UserPyCurveSet {
  int setCode = 0;
  std::vector<UserPyCurve> curves;
};

// Records L2 and M2: (force, displacement) or (torque, rotation) points as read.
struct ForceDisplacement {
  double force = 0.0;
  double displacement = 0.0;
};

struct UserCurve {
  int number = 0;
  std::vector<ForceDisplacement> points;
};

struct MomentCurvaturePoint {
  double moment = 0.0;
  double curvature = 0.0;
};

struct MomentCurvatureCurve {
  double axialLoad = 0.0;
  std::vector<MomentCurvaturePoint> points;
};

// Records N2..N4.
struct MomentCurvatureSet {
  int number = 0;
  std::vector<MomentCurvatureCurve> curves;
};

struct ReductionPoint {
  double depth = 0.0;
  double pFactor = 1.0;
  double yFactor = 1.0;
};

// Records O2.
struct DepthReductionFactorSet {
  int number = 0;
  std::vector<ReductionPoint> points;
};

struct SoilMovementPoint {
  double depth = 0.0;
  double moveY = 0.0;
  double moveZ = 0.0;
};

// Records Q1..Q3.
struct CurveExportRequest {
  int count = 0;
  int switchA = 0;
  int switchB = 0;
  std::vector<double> depthsA;
  std::vector<double> depthsB;
};

// A section header line as read: the section the reader took it to open, and its line.
struct SectionHeaderLine {
  std::string section;  // "PILE GROUPS"
  int line = 0;
};

struct AnalysisModel {
  std::array<std::string, 2> title;                   // T1, T2, 80 characters each
  std::vector<std::string> sectionHeaders;            // header lines in reading order
  std::vector<SectionHeaderLine> sectionHeaderLines;  // one per header, same order

  ControlSwitches switches;
  double movementFactorY = 1.0;  // record A3 (group-reduction option 3)
  double movementFactorZ = 1.0;

  PileCap cap;
  CapPassiveMethod passiveMethod;
  FlexibleCapMesh flexibleCap;

  EnvelopeSettings caseEnvelope;
  std::vector<LoadCase> loadCases;
  EnvelopeSettings combinationEnvelope;
  std::vector<LoadCombination> combinations;

  std::vector<DistributedLoadSet> distributedLoadSets;
  std::vector<PileGroupRow> pileRows;
  std::vector<PileProperty> properties;
  std::vector<CrossSection> crossSections;
  std::vector<SoilLayer> soilLayers;

  std::vector<PrintedCurveRequest> printedCurves;            // section J
  std::vector<UserPyCurveSet> userPyCurveSets;               // section K
  std::vector<UserCurve> userLoadSettlementCurves;           // section L
  std::vector<UserCurve> userTorqueRotationCurves;           // section M
  std::vector<MomentCurvatureSet> momentCurvatureSets;       // section N
  std::vector<DepthReductionFactorSet> reductionFactorSets;  // section O
  std::vector<SoilMovementPoint> soilMovement;               // section P
  CurveExportRequest curveExport;                            // section Q

  bool is3d() const { return switches.is3d(); }
  bool is2d() const { return switches.is2d(); }
  UnitsSystem units() const;
};

// Text a report prints for codes of the input.
[[nodiscard]] const char* loadTypeName(int code);  // left-aligned in 32 characters
[[nodiscard]] const char* unitsLabel(int unitsCode);
[[nodiscard]] const char* connectionText(int code);  // "PIN", "FIX", "RES"

// The passive resistance of an embedded cap that the analysis applies. Cap option 1 or more
// embeds the cap; exactly 2 takes its method from record B1a, where a non-zero lateral model
// selects the cap as a member on lateral springs (three dimensions only); any other embedding
// takes the equivalent lateral load of the passive pressure. A planar analysis has only the
// pressure model, for cap option 1 alone.
enum class CapPassiveModel { kNone, kPressure, kMember };
[[nodiscard]] CapPassiveModel capPassiveModel(const AnalysisModel& model);

}  // namespace stilt
