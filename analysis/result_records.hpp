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
};

// The result-status line of an item: its code (as CapOutcome, or 9 for an item the input
// flags as not analysed) and its text.
inline constexpr int kItemNotAnalysed = 9;
// An item of a flexible cap (switch 4 = 2) whose plate model was written and not solved.
inline constexpr int kItemPlateModelWritten = 10;
[[nodiscard]] std::string itemResultText(int code, double convergedFraction);

struct ItemEndRecord {
  ItemHeader header;
  bool analysed = false;           // false for an item flagged not to be analysed
  int resultCode = 0;              // 1, 2, 3, 6, 7, 9 or 10
  std::string resultText;          // e.g. "ANALYSIS COMPLETED"
  bool hasResults = false;         // codes 1 and 2: the values below are those reported
  double convergedFraction = 0.0;  // of the item's load
  Vector6 capLoad{};               // FV at the reported level
  Vector6 capDisplacement{};       // DV
  Vector6 passiveForce{};          // passive resistance on the cap (none yet)
  int iterations = 0;              // global iterations of the last load step
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
};

}  // namespace stilt
