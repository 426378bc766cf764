// The pool of threads of the pile passes.

#include "analysis/pile_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace stilt {
namespace {

TEST(PilePool, OneThreadRunsEveryTaskInlineInOrder) {
  PilePool pool(1);
  EXPECT_EQ(pool.size(), 1);
  std::vector<int> order;
  const std::thread::id caller = std::this_thread::get_id();
  pool.forEach(5, [&](int index, int worker) {
    EXPECT_EQ(worker, 0);
    EXPECT_EQ(std::this_thread::get_id(), caller);
    order.push_back(index);
  });
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

// Many passes of varied sizes, as the global iterations and printing batches make them: every
// index runs once, and the calling thread takes part as worker 0.
TEST(PilePool, SeveralThreadsRunEveryIndexOnceWithTheCallerAsWorkerZero) {
  PilePool pool(4);
  EXPECT_EQ(pool.size(), 4);
  const std::thread::id caller = std::this_thread::get_id();
  for (int pass = 0; pass < 200; ++pass) {
    const int count = pass % 37;
    std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
    std::atomic<bool> wrongWorker{false};
    pool.forEach(count, [&](int index, int worker) {
      runs[static_cast<std::size_t>(index)].fetch_add(1);
      if ((worker == 0) != (std::this_thread::get_id() == caller)) wrongWorker = true;
    });
    for (int i = 0; i < count; ++i) ASSERT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << i;
    EXPECT_FALSE(wrongWorker);
  }
}

// Tasks from index 10 on throw. Index 10 is handed out before any later one, so it always runs
// and its exception is the one the caller receives, on the calling thread; the pool stays
// usable.
TEST(PilePool, AnExceptionOfATaskIsRethrownOnTheCallingThread) {
  for (int threads : {1, 2, 4}) {
    PilePool pool(threads);
    std::string caught;
    try {
      pool.forEach(1000, [](int index, int) {
        if (index >= 10) throw std::runtime_error("index " + std::to_string(index));
      });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    EXPECT_EQ(caught, "index 10") << threads;
    std::atomic<int> sum{0};
    pool.forEach(100, [&](int index, int) { sum += index; });
    EXPECT_EQ(sum.load(), 4950) << threads;  // 0 + 1 + ... + 99
  }
}

}  // namespace
}  // namespace stilt
