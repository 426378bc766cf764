#pragma once
// What a host follows of a run while it goes on, besides its files: the progress of the analysis
// as data, and a stop request made in memory rather than through the stop file.

#include <atomic>
#include <functional>

namespace stilt {

// One progress record, the values the progress file holds.
struct ProgressEvent {
  enum class Phase {
    kStarted,    // an item's analysis starts
    kIteration,  // a global iteration of the cap begins
    kFinished,   // an item's analysis is done
    kPiles,      // within a global iteration, the pass over the piles: pilesDone of pileCount
    kWriting,    // an item's results are written pile by pile: pilesDone of pileCount
  };
  Phase phase = Phase::kStarted;
  bool combination = false;
  int item = 0;               // 1-based within its kind
  int itemCount = 0;          // items of its kind
  int step = 0;               // load step (iterations only)
  double loadFraction = 0.0;  // TCUR, the fraction of the item's load being applied
  int iteration = 0;          // global iteration within the step
  int pileCount = 0;          // piles analysed in each pass (iterations and pile phases)
  int pilesDone = 0;          // piles finished so far (pile phases only)
};

struct RunMonitor {
  // Called on the analysing thread for every progress record; must not throw.
  std::function<void(const ProgressEvent&)> progress;
  // A stop request: checked wherever the stop file is, with the same effect (status 4).
  const std::atomic<bool>* stop = nullptr;
};

}  // namespace stilt
