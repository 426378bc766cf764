#pragma once
// Envelopes of the load cases and, separately, of the load combinations: the smallest and the
// largest value every reported result reached over the analysed items of a block (the cap load
// and displacement at the origin, the head displacements, reactions and stress of every pile,
// and the 25 quantities at every node along every pile). Each bound is printed in the layout of
// an ordinary item, so that the same readers and summary tables serve for it.
//
// The store is fed from the same result records as the item tables. An item counts when it was
// analysed and has results (codes 1 and 2); the first such item of the block sets every bound and
// later ones widen them. The piles of an item are held until the item ends, because the printing
// pass can still find a pile that does not close and leave the item without results.

#include <array>
#include <vector>

#include "analysis/pile_report.hpp"
#include "analysis/result_records.hpp"
#include "model/analysis_model.hpp"
#include "model/file_set.hpp"

namespace stilt {

enum EnvelopeBound : std::size_t { kMinimum = 0, kMaximum = 1 };

// The bounds of one pile's head values.
struct HeadBounds {
  Vector6 displacementGlobal{}, forceGlobal{}, displacementLocal{}, forceLocal{};
  double stress = 0.0;
};

struct PileEnvelope {
  int number = 0;  // 1-based
  bool set = false;
  double headDepth = 0.0;
  std::array<HeadBounds, 2> head{};    // [kMinimum], [kMaximum]
  std::array<PileResults, 2> along{};  // likewise, node by node
};

class EnvelopeStore {
 public:
  // Every value zero, no item counted, for a group of `piles` piles.
  void clear(int piles);
  // One pile of the running item (`pile.along` set).
  void stage(const PileRecord& pile);
  // The running item has ended: its staged piles and cap values enter the bounds when it counts,
  // and are dropped otherwise.
  void endItem(const ItemEndRecord& item);

  [[nodiscard]] int analysedItems() const { return analysed_; }
  [[nodiscard]] const Vector6& capLoad(EnvelopeBound b) const { return capLoad_[b]; }
  [[nodiscard]] const Vector6& capDisplacement(EnvelopeBound b) const {
    return capDisplacement_[b];
  }
  [[nodiscard]] const std::vector<PileEnvelope>& piles() const { return piles_; }
  // The quantities along the piles that some counted item computed.
  [[nodiscard]] const QuantityFlags& computed() const { return computed_; }

 private:
  struct Staged {
    PileRecord record;  // its `along` is not kept
    PileResults along;
  };
  int analysed_ = 0;
  std::array<Vector6, 2> capLoad_{}, capDisplacement_{};
  std::vector<PileEnvelope> piles_;
  QuantityFlags computed_{};
  std::vector<Staged> staged_;  // reused from item to item
  std::size_t stagedCount_ = 0;
};

// What a block's envelope prints: the quantities of its tables and of its node listing.
struct EnvelopeColumns {
  QuantitySelection printed{};
  QuantitySelection listing{};
};
// The block's own output-selection flags, less what no counted item computed (or, with none
// counted, less what the reduction rules of the block clear).
[[nodiscard]] EnvelopeColumns envelopeColumns(const AnalysisModel& model,
                                              const EnvelopeStore& store, bool combinations);

// Prints one bound of a block's envelope to the output report, the output summary, the pile-cap
// results file, the convergence-status file and the per-pile results work file. On piles refined
// `refine` times the nodes are printed at the depths of the unrefined mesh's print interval.
void printEnvelope(const AnalysisModel& model, FileSet& files, const EnvelopeStore& store,
                   bool combinations, EnvelopeBound bound, int refine = 1);

// The bounds of a block as records for a sink; the piles' `along` point into `store`.
[[nodiscard]] EnvelopeRecord envelopeRecord(const AnalysisModel& model, const EnvelopeStore& store,
                                            bool combinations);

// A sink that feeds the envelope store of the running block from the records of a run, when the
// input asks for that block's envelope, and passes every record on to `next` (may be null), the
// piles' arrays along only at ResultLevel::kFull.
class EnvelopeCollector final : public ResultSink {
 public:
  // `refine`: the mesh refinement factor of the run's piles (for the printed node interval).
  EnvelopeCollector(const AnalysisModel& model, ResultSink* next, ResultLevel level,
                    int refine = 1);

  void runBegin(const RunBeginRecord& run) override;
  void itemBegin(const ItemHeader& item) override;
  void pile(const PileRecord& pile) override;
  void itemEnd(const ItemEndRecord& item) override;
  void runEnd(const RunEndRecord& run) override;
  void envelope(const EnvelopeRecord& e) override;
  void printedCurve(const PrintedCurveResult& curve) override;

  // After the items of a block (1 cases, 2 combinations): when the block has items and the input
  // asks for its envelope, prints the minimum and then the maximum and hands them to `next`;
  // then clears the store for the next block.
  void afterBlock(int block, FileSet& files);

  // Whether the records of the running item feed the store (its block's envelope is asked for).
  [[nodiscard]] bool collecting() const { return collecting_; }
  [[nodiscard]] const EnvelopeStore& store() const { return store_; }

 private:
  void clearFor(bool combinations);

  const AnalysisModel& model_;
  ResultSink* next_;
  ResultLevel level_;
  int refine_ = 1;
  EnvelopeStore store_;
  bool collecting_ = false;
};

}  // namespace stilt
