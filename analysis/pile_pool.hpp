#pragma once
// A pool of threads for the passes over the piles of a group.
//
// The piles of a pass are independent: each is analysed for its own head displacement, on its
// own workspace, into its own outcome. The pool hands the pile indices to its threads one by one
// and returns when every pile has been analysed; the caller then reduces the outcomes in pile
// order on its own thread, so that sums, warnings and report lines come out exactly as a serial
// pass would write them, whatever the number of threads.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace stilt {

// The threads a run asks for: `requested`, or one per core when it is 0 or less; never fewer
// than one.
[[nodiscard]] int resolveThreadCount(int requested);

class PilePool {
 public:
  // A pool of `threads` threads in all, the calling thread included: threads - 1 are started.
  // One thread starts none and runs every task inline. When the system refuses a thread the pool
  // goes on with those it has.
  explicit PilePool(int threads);
  ~PilePool();
  PilePool(const PilePool&) = delete;
  PilePool& operator=(const PilePool&) = delete;

  // Threads that take part in a pass, the calling thread included.
  [[nodiscard]] int size() const { return static_cast<int>(threads_.size()) + 1; }

  // Calls task(index, worker) for every index in [0, count) and returns when all calls have
  // returned. `worker` (0 .. size() - 1) names the thread that runs the call, so that each thread
  // can use its own workspace; the calling thread is worker 0 and takes part. Indices are handed
  // out in increasing order; the order in which they finish is not defined.
  //
  // A task should not throw. If one does, no further index is handed out, the exception is
  // caught on its thread and, once every thread has left the pass, rethrown here on the calling
  // thread (of several, the one of the lowest index); nothing is thrown across threads.
  void forEach(int count, const std::function<void(int index, int worker)>& task);

 private:
  void serve(int worker);
  void runTasks(int worker);

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;  // a pass has started, or the pool closes
  std::condition_variable done_;  // the last thread has left the pass
  std::uint64_t pass_ = 0;        // number of the current pass
  bool closing_ = false;
  int busy_ = 0;  // started threads still in the current pass

  // The current pass.
  const std::function<void(int, int)>* task_ = nullptr;
  int count_ = 0;
  std::atomic<int> next_{0};
  std::atomic<bool> failed_{false};
  std::exception_ptr error_;
  int errorIndex_ = 0;
};

}  // namespace stilt
