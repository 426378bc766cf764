#pragma once
// The progress line a terminal shows while a run works: the item, the load step, the global
// iteration and, within it, the pass over the piles as a bar with the piles done and an estimate
// of the time left; then the writing of the item's results. Pure formatting: the caller hands
// every record with the time it arrived, so the line can be tested without a clock.

#include <string>

#include "model/run_monitor.hpp"

namespace stilt::app {

// A bar of `width` cells for done of total: '#' for the cells done, '.' for the rest.
[[nodiscard]] std::string progressBar(int done, int total, int width);

// "12 s left", "3 min 05 s left", "1 h 02 min left"; empty for a negative or unknown time.
[[nodiscard]] std::string timeLeftText(double seconds);

class ProgressDisplay {
 public:
  // The line for `event`, which arrived `now` seconds after any fixed origin.
  [[nodiscard]] std::string line(const ProgressEvent& event, double now);

  static constexpr int kBarWidth = 24;

 private:
  ProgressEvent context_{};  // the item, step and iteration the passes belong to
  bool hasContext_ = false;
  // The pass being timed: where it was when first seen, for the rate of the piles.
  ProgressEvent::Phase passPhase_ = ProgressEvent::Phase::kStarted;
  int passFirstDone_ = 0;
  int passLastDone_ = 0;
  double passFirstTime_ = 0.0;
  bool passOpen_ = false;
};

}  // namespace stilt::app
