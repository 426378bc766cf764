#pragma once
// The curve work file: for every pile in order, the soil springs the analysis gives it, node by
// node: its p-y curves, its t-z curves and, in three dimensions, its torque-rotation curves. The
// file is text or binary by control switch 16; both hold the same records in the same order.
//
// Records (each a line of the text form, or one record of the binary form):
//   1. number of piles, analysis type (2 or 3), units code                       (3 integers)
//   then for every pile:
//   2. pile number, node count N + 1, p-y points (17), t-z points (10), torque-rotation points
//      (10 in three dimensions, else 0)                                           (5 integers)
//   3. for every node 0..N: node number, depth below the ground surface, the 17 deflections y,
//      the 17 resistances p                                          (1 integer, 35 reals)
//   4. for every node: node number, depth, the 10 movements z, the 10 unit side transfers t
//                                                                     (1 integer, 21 reals)
//   5. three dimensions, for every node: node number, depth, the 10 twists, the 10 torques per
//      unit length                                                    (1 integer, 21 reals)
//
// Binary form: Fortran unformatted sequential records, little-endian; each record is its
// payload framed by its length in bytes as a 4-byte integer before and after. Integers are
// 4-byte two's complement, reals 8-byte IEEE 754. Text form: the same values of a record on one
// line, separated by blanks, reals in exponent form with 17 significant digits.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/group_piles.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"
#include "report/input_report.hpp"

namespace stilt {

inline constexpr int kWorkTzPoints = 10;

// The curves of one node of a pile.
struct NodeCurves {
  int node = 0;              // 0 the head .. N the tip
  double depth = 0.0;        // below the ground surface at the pile (negative above it)
  std::vector<double> y, p;  // p-y curve, 17 points
  std::array<double, kWorkTzPoints> z{}, t{};           // t-z curve
  std::array<double, kWorkTzPoints> twist{}, torque{};  // torque-rotation curve (3-D)
};

struct PileCurves {
  int pile = 0;  // 1-based
  bool torsion = false;
  std::vector<NodeCurves> nodes;
};

// The curves of pile `pile` (0-based): p-y curves in curve mode with the pile's group
// multipliers and depth-wise factors; t-z curves of the soil at each node's depth for the
// pile's property; twist θ = z / r and torque per unit length t·π·D·r (r = D/2) from the same
// t-z curve, as the torque-rotation build reads it. A node above the ground has zero curves.
[[nodiscard]] StatusCode pileCurves(const AnalysisModel& model, const PreparedRun& prepared,
                                    const GroupPiles& piles, int pile, PileCurves& out,
                                    Diagnostics& diag);

// The encoders of the records, for the writer and for readers in tests.
class CurveRecordWriter {
 public:
  CurveRecordWriter(TextFile& file, bool binary) : file_(file), binary_(binary) {}
  void header(int piles, int analysisType, int unitsCode);
  void pile(const PileCurves& curves);

 private:
  void record(const std::vector<std::int32_t>& ints, const std::vector<double>& reals);
  TextFile& file_;
  bool binary_;
  std::string buffer_;
};

// The whole file at the end of a run, when the input asks for curve export (switch 15).
[[nodiscard]] StatusCode writeCurveWorkFile(const AnalysisModel& model, const PreparedRun& prepared,
                                            FileSet& files);

}  // namespace stilt
