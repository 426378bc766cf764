#pragma once
// The results of a run as records, handed to a sink while the run goes on: the run's frame (what
// was read, the curves of every property), then per load case and combination its outcome at
// the cap and every pile's head values and results along the pile. Every writer of results (the
// results file, tables, a scripting host) is a sink of these records; none reads a report back.
//
// Vectors at the cap and at a pile head have six components in the order X, Y, Z, RX, RY, RZ
// (global axes, X vertical and positive downward) or, in pile axes, x (axial), y, z and the
// rotations about them. A planar analysis uses X, Y and RZ of them.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/cap_algebra.hpp"
#include "model/status_code.hpp"
#include "pile/result_quantities.hpp"

namespace stilt {

// How much of every pile a sink receives.
enum class ResultLevel {
  kFull,   // head values and the 25 quantities along every pile
  kHeads,  // head values only
};

enum class ItemKind { kCase, kCombination };

// One pile-group row as the input places it.
struct PileRowRecord {
  int number = 0;  // 1-based
  double x = 0.0, y = 0.0, z = 0.0;
  int property = 0;
  int pilesInRow = 1;  // piles the row stands for across the plane (planar analyses)
  // Unit vector along the pile axis from the head toward the tip, in the global axes X, Y, Z: a
  // plumb pile is (1, 0, 0); the Y and Z components show the batter in plan.
  std::array<double, 3> axis{1.0, 0.0, 0.0};
};

struct HeadCurveRecordPoint {
  double movement = 0.0;
  double force = 0.0;
};

// The joined head curves of a pile property, empty where none was built.
struct PropertyCurvesRecord {
  int number = 0;  // 1-based
  std::vector<HeadCurveRecordPoint> loadSettlement;
  std::vector<HeadCurveRecordPoint> torqueRotation;
};

struct ItemHeader {
  ItemKind kind = ItemKind::kCase;
  int number = 0;  // 1-based within its kind
  std::string name;
};

struct RunBeginRecord {
  std::string title;     // first title line, as read
  int analysisType = 0;  // 2 planar, 3 three-dimensional (0 when the input could not be read)
  int unitsCode = 0;     // 1 English, 2 metric, other open
  bool planar = false;
  bool inputRead = false;  // the input data file was read in full
  std::vector<PileRowRecord> piles;
  std::vector<PropertyCurvesRecord> properties;
  std::vector<ItemHeader> items;  // cases first, then combinations
  int refine = 1;                 // mesh refinement factor K of the piles (h = L/(N·K))
};

// The result-status line of an item: its code (as CapOutcome, or 9 for an item the input
// flags as not analysed) and its text.
inline constexpr int kItemNotAnalysed = 9;
// An item of a flexible cap (switch 4 = 2) whose plate model was written and not solved.
inline constexpr int kItemPlateModelWritten = 10;
[[nodiscard]] std::string itemResultText(int code, double convergedFraction);

// The passive resistance of an embedded cap at the reported displacement.
struct PassiveRecord {
  const char* model = nullptr;  // "pressure" or "member"; null when the cap takes none
  double embedment = 0.0;       // D: X of the ground less X of the cap base (negative: embedded)
  bool hasPressure = false;     // the pressure model's p0 (the member has none)
  double p0 = 0.0;              // passive line load at the cap base (force per unit depth)
  double resultant = 0.0;       // horizontal resultant of the passive force on the cap
  bool hasPosition = false;     // a resultant that is not zero has a line of action
  double position = 0.0;        // X of the resultant's line of action (positive downward)
};

// The foundation stiffness estimated for a load case at one point (a load level of the first
// family, a load factor or a target deflection of the second).
struct StiffnessPointRecord {
  int number = 0;       // 1-based
  double factor = 0.0;  // the load factor of the point (of its last trial for a target)
  // The target method: the targeted deflection, the one computed at the last trial, the relative
  // error |computed - target| / |target| and the number of trials.
  double target = 0.0, computed = 0.0, error = 0.0;
  int trials = 0;
  // "converged", "max_trials" (the target was not met within the trial limit: the last trial is
  // used), "partial" (a solve reached only part of the point's load), or "failed".
  std::string status;
  int resultCode = 0;         // the cap solver's result code of the (last) solve
  bool hasStiffness = false;  // the matrix below holds the point's stiffness
  Vector6 load{};             // at the origin: the second family's solved load, the first
                              // family's loads applied one component at a time
  Vector6 displacement{};     // second family: the cap displacement
  Matrix6 flexibility{};      // first family: column j the displacement per unit load j
  Matrix6 stiffness{};        // at the origin, in the order X, Y, Z, RX, RY, RZ
};

struct FoundationStiffnessRecord {
  int family = 0;  // 0 none, 1 flexibility by degree of freedom, 2 equivalent stiffness
  int switchValue = 0;
  bool targetMethod = false;     // second family: target deflection rather than load factors
  int targetDof = 0;             // 1-based, target method only
  std::vector<int> skippedDofs;  // first family: 1-based DOFs without load
  std::vector<StiffnessPointRecord> points;
};

// One node of a flexible cap's plate at the end of an item (its last converged step).
struct PlateNodeRecord {
  int number = 0;
  double y = 0.0;  // plan position
  double z = 0.0;
  // UX UY UZ ROTX ROTY ROTZ in the global axes (X normal to the plate, positive downwards as the
  // pile axes are).
  std::array<double, 6> displacement{};
  // Stress resultants per unit width, averaged at the node from the Gauss points of the elements
  // around it: NY NZ NYZ (membrane), MY MZ MYZ (bending, MY bending in the Y direction), QY QZ.
  std::array<double, 8> resultants{};
};

struct PlateElementRecord {
  int number = 0;
  std::array<int, 8> nodes{};  // node numbers: corners, then mid-sides
};

struct PlateRecord {
  double loadFraction = 1.0;  // pseudo-time of the last converged step (1: the full load)
  std::vector<PlateNodeRecord> nodes;
  std::vector<PlateElementRecord> elements;
};

struct ItemEndRecord {
  ItemHeader header;
  bool analysed = false;           // false for an item flagged not to be analysed
  int resultCode = 0;              // 1, 2, 3, 6, 7, 9 or 10
  std::string resultText;          // e.g. "ANALYSIS COMPLETED"
  bool hasResults = false;         // codes 1 and 2: the values below are those reported
  double convergedFraction = 0.0;  // of the item's load
  Vector6 capLoad{};               // FV at the reported level
  Vector6 capDisplacement{};       // DV
  Vector6 passiveForce{};          // passive resistance of the soil on the cap
  int iterations = 0;              // global iterations of the last load step
  PassiveRecord passive;           // how the passive force arose
  FoundationStiffnessRecord foundationStiffness;  // family 0 when none was asked for
  std::optional<PlateRecord> plate;               // a flexible cap's plate
};

using QuantityFlags = std::array<bool, kResultQuantities + 1>;  // [1..25]

// One pile of a solved item, from its final analysis at the reported cap displacement. A
// planar row's values are those of one of its piles.
struct PileRecord {
  int number = 0;  // 1-based
  Vector6 headDisplacementGlobal{}, headForceGlobal{};
  Vector6 headDisplacementLocal{}, headForceLocal{};
  double maxStress = 0.0;
  // Along the pile (null at ResultLevel::kHeads): every node from the head (0) to the tip.
  const PileResults* along = nullptr;
  // Depth below the ground surface of the head (negative above ground); a node at distance s
  // from the head lies at depth headDepth + s, the depth the soil curves are built for.
  double headDepth = 0.0;
  QuantityFlags computed{};  // the quantities the item's analysis yields
  QuantityFlags printed{};   // those the item's report tables show
};

// The envelope of one block (the load cases, or the combinations) over its analysed items that
// have results: the smallest and the largest value every cap, pile-head and along-pile result
// reached. Each bound is shaped like an item; its piles' `along` point into the engine's store
// and are valid during the callback only. With no counted item every value is zero.
struct EnvelopeBoundRecord {
  Vector6 capLoad{};
  Vector6 capDisplacement{};
  std::vector<PileRecord> piles;  // max_stress holds the bound of the largest stress
};

struct EnvelopeRecord {
  ItemKind block = ItemKind::kCase;
  int analysedItems = 0;  // items whose results entered the envelope
  EnvelopeBoundRecord minimum;
  EnvelopeBoundRecord maximum;
};

struct PrintedCurveResult;     // analysis/printed_curves.hpp
struct MeshConvergenceRecord;  // analysis/mesh_convergence.hpp

struct RunEndRecord {
  StatusCode status = StatusCode::kCompleted;
  // The message of a refused input or a file error, as written to the runtime file.
  std::vector<std::string> message;
};

// Receives the records of a run, in order: runBegin once (when Names.dat could be used), then
// for each item itemBegin, its piles (solved items only, in pile order) and itemEnd, then
// runEnd. A run that ends early ends its last item without itemEnd. Callbacks are made on the
// thread that runs the analysis and must not throw.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  virtual void runBegin(const RunBeginRecord& run) = 0;
  virtual void itemBegin(const ItemHeader& item) = 0;
  virtual void pile(const PileRecord& pile) = 0;
  virtual void itemEnd(const ItemEndRecord& item) = 0;
  virtual void runEnd(const RunEndRecord& run) = 0;
  // After a block whose envelope the input asks for, once its items have ended.
  virtual void envelope(const EnvelopeRecord& /*envelope*/) {}
  // Every printed p-y curve request, in order, after the last item.
  virtual void printedCurve(const PrintedCurveResult& /*curve*/) {}
  // The comparison of the meshes of a run with automatic refinement, just before runEnd.
  virtual void meshConvergence(const MeshConvergenceRecord& /*record*/) {}
};

}  // namespace stilt
