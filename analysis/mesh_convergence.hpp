#pragma once
// Mesh convergence of the piles: the same run analysed on the input's own pile mesh (K = 1) and
// on meshes refined K = 2 (and 4) times, compared item by item.
//
// The lateral pile is solved by central differences, whose error falls as h² (Matlock and Reese
// 1960): with f(h) the answer on increments of length h, f(h) = f* + c·h² + O(h⁴). Two meshes
// h and h/2 then give Richardson's extrapolation (Richardson 1911) f* ≈ (4·f(h/2) − f(h))/3,
// and the error of the finer one is about a third of the change between them.
//
// What is compared, per analysed item: the displacement of the cap at the origin; per pile, its
// head forces in pile axes and the largest bending moment along it.

#include <array>
#include <string>
#include <vector>

#include "analysis/result_records.hpp"
#include "model/file_set.hpp"

namespace stilt {

// Refine once more (K = 2 to 4) when a value changed by more than this, relative, from K = 1
// to K = 2: the answer at K = 2 is then still about a third of that, 0.3 %, from converged.
inline constexpr double kMeshChangeTolerance = 0.01;
// The answer at K = 1 is called out when it lies further than this from the extrapolated one.
inline constexpr double kCoarseMeshLimit = 0.02;
// A value is compared relative to the largest of its kind in the item (cap translations, cap
// rotations, pile forces, pile moments) times this, when it is itself smaller: a component that
// is nearly zero has no meaningful relative change.
inline constexpr double kMeshScaleFloor = 1.0e-3;

// The compared values of one run, at one refinement factor.
struct MeshSnapshot {
  struct Pile {
    int number = 0;
    Vector6 headForceLocal{};
    double maxMoment = 0.0;  // largest resultant bending moment along the pile
  };
  struct Item {
    ItemHeader header;
    bool hasResults = false;
    Vector6 capDisplacement{};
    std::vector<Pile> piles;
  };
  int refine = 1;
  bool planar = false;
  int unitsCode = 1;
  std::vector<Item> items;
};

// A sink that records the compared values of a run's items and passes every record on to `next`
// (may be null). It needs the arrays along the piles for the largest moment. The snapshot's
// factor, plane and units are the caller's to set.
class MeshSnapshotSink final : public ResultSink {
 public:
  MeshSnapshotSink(MeshSnapshot& into, ResultSink* next) : into_(into), next_(next) {}
  void runBegin(const RunBeginRecord& run) override;
  void itemBegin(const ItemHeader& item) override;
  void pile(const PileRecord& pile) override;
  void itemEnd(const ItemEndRecord& item) override;
  void runEnd(const RunEndRecord& run) override;
  void envelope(const EnvelopeRecord& e) override;
  void printedCurve(const PrintedCurveResult& curve) override;

 private:
  MeshSnapshot& into_;
  ResultSink* next_;
  MeshSnapshot::Item current_;
};

// One compared value over the meshes: its value at every factor, the extrapolated value from the
// two finest, the relative change between the two finest and the relative distance of the K = 1
// value from the extrapolated one.
struct MeshValue {
  std::vector<double> values;  // one per factor, coarsest first
  double extrapolated = 0.0;
  double change = 0.0;
  double coarseError = 0.0;
};

struct MeshPileRecord {
  int number = 0;
  std::array<MeshValue, 6> headForce;  // pile axes: axial, y, z, torsion, moment y, moment z
  MeshValue maxMoment;
};

struct MeshItemRecord {
  ItemHeader header;
  bool compared = false;  // the item has results on every mesh
  std::array<MeshValue, 6> capDisplacement;
  std::vector<MeshPileRecord> piles;
  double largestChange = 0.0;       // over its values, between the two finest meshes
  double largestCoarseError = 0.0;  // over its values, K = 1 against the extrapolated
};

struct MeshConvergenceRecord {
  std::vector<int> factors;  // the refinement factors analysed, coarsest first
  int finalFactor = 1;       // the run whose files and records stand: the finest
  bool planar = false;
  double tolerance = kMeshChangeTolerance;
  double coarseLimit = kCoarseMeshLimit;
  std::vector<MeshItemRecord> items;
  double largestChange = 0.0;
  double largestCoarseError = 0.0;
  // Whether the K = 1 answer of some compared value lies further than coarseLimit from the
  // extrapolated one.
  [[nodiscard]] bool coarseOff() const { return largestCoarseError > coarseLimit; }
};

// The largest relative change of any compared value between two snapshots (items with results in
// both).
[[nodiscard]] double largestMeshChange(const MeshSnapshot& coarse, const MeshSnapshot& fine);

// Compares the snapshots, coarsest first (at least two, the last two a halving of h).
[[nodiscard]] MeshConvergenceRecord compareMeshes(const std::vector<MeshSnapshot>& runs);

// Writes the mesh-convergence block to `file` (the output report and the output summary).
void writeMeshConvergence(TextFile& file, const MeshConvergenceRecord& record);

// The plain sentence on the K = 1 answer, for the terminal and the block.
[[nodiscard]] std::string meshConvergenceSentence(const MeshConvergenceRecord& record);

}  // namespace stilt
