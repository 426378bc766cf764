#pragma once
// How far a pass over the piles has gone, for a host that follows the run as data. Every thread
// of the pass counts the piles it finishes; only the thread that runs the analysis (worker 0 of
// the pile pool, the caller of the pass) hands records to the host, so that the host's callback
// keeps its contract of being called on the analysing thread. Records are rate-limited: one at
// most per hundredth of the pass and per tenth of a second, so that a pass of thousands of
// piles costs the host a handful of calls and the piles one atomic increment each.

#include <atomic>
#include <chrono>

#include "model/file_set.hpp"
#include "model/run_monitor.hpp"

namespace stilt {

class PassProgress {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{100};

  // A pass over `count` piles starts; `event` carries the item, step and iteration and the
  // phase to report. Nothing is recorded when no host follows the progress.
  void begin(const FileSet& files, const ProgressEvent& event, int count) {
    files_ = files.progressFollowed() ? &files : nullptr;
    event_ = event;
    event_.pileCount = count;
    done_.store(0, std::memory_order_relaxed);
    shown_ = 0;
    step_ = count / 100 > 1 ? count / 100 : 1;
  }

  // A pile of the pass is done, on thread `worker` of the pool.
  void pileDone(int worker) {
    if (files_ == nullptr) return;
    const int done = done_.fetch_add(1, std::memory_order_relaxed) + 1;
    if (worker != 0 || done - shown_ < step_) return;
    const Clock::time_point now = Clock::now();
    if (now - last_ < kInterval) return;
    last_ = now;
    shown_ = done;
    event_.pilesDone = done;
    files_->notifyProgress(event_);
  }

 private:
  const FileSet* files_ = nullptr;
  ProgressEvent event_{};
  std::atomic<int> done_{0};
  int shown_ = 0;  // the count last handed to the host (worker 0 only)
  int step_ = 1;
  Clock::time_point last_{};  // when the last record was handed over, across passes
};

}  // namespace stilt
