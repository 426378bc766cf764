#pragma once
// The result records of one run gathered into flat C++ buffers while the engine works, so that
// they become numpy arrays without any text in between: per item its outcome at the cap, per pile
// its head vectors and, at the full result level, the 25 quantities along it node by node.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/mesh_convergence.hpp"
#include "analysis/printed_curves.hpp"
#include "analysis/result_records.hpp"

namespace stilt::python {

struct CapturedPile {
  int number = 0;
  std::array<double, 24> head{};  // displacement and force, global then local: 4 x 6
  double maxStress = 0.0;
  double headDepth = 0.0;
  double increment = 0.0;
  int nodes = 0;              // 0 at the heads-only level
  std::vector<double> along;  // nodes x 25, row-major (node, quantity)
  std::array<bool, 25> computed{};
};

struct CapturedItem {
  bool combination = false;
  int number = 0;
  std::string name;
  bool ended = false;  // itemEnd came: the item ran to its end (completed or not)
  bool analysed = false;
  int resultCode = 0;
  std::string resultText;
  bool hasResults = false;
  double convergedFraction = 0.0;
  int iterations = 0;
  std::array<double, 6> capLoad{}, capDisplacement{}, passiveForce{};
  std::vector<CapturedPile> piles;
};

struct CapturedCurve {
  int number = 0;
  int pile = 0;
  double depth = 0.0;
  bool generated = false;
  int soilCode = 0;
  std::vector<double> y, p;
  std::vector<std::string> message;
};

// A ResultSink that keeps everything of a run in memory. Its callbacks run on the engine's
// thread; the caller reads the capture only after the run has returned.
class ResultCapture final : public ResultSink {
 public:
  void runBegin(const RunBeginRecord& run) override;
  void itemBegin(const ItemHeader& item) override;
  void pile(const PileRecord& pile) override;
  void itemEnd(const ItemEndRecord& item) override;
  void runEnd(const RunEndRecord& run) override;
  void printedCurve(const PrintedCurveResult& curve) override;
  void meshConvergence(const MeshConvergenceRecord& record) override;

  std::string title;
  int analysisType = 0;
  int unitsCode = 0;
  bool planar = false;
  bool inputRead = false;
  int refine = 1;                             // the pile mesh refinement factor of the results
  std::optional<MeshConvergenceRecord> mesh;  // an automatic refinement's comparison
  std::vector<PileRowRecord> rows;
  std::vector<CapturedItem> items;
  std::vector<CapturedCurve> curves;
  int status = 0;
  std::vector<std::string> message;
  bool failed = false;  // an allocation failed while capturing: the capture is incomplete
};

}  // namespace stilt::python
