// The pool of threads of the pile passes: every index once, the calling thread taking part, one
// thread running inline, and an exception from a task reaching the caller on its own thread.

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
  std::vector<int> workers;
  bool elsewhere = false;
  const std::thread::id caller = std::this_thread::get_id();
  pool.forEach(5, [&](int index, int worker) {
    order.push_back(index);
    workers.push_back(worker);
    elsewhere = elsewhere || std::this_thread::get_id() != caller;
  });
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(workers, (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_FALSE(elsewhere);
}

TEST(PilePool, SeveralThreadsRunEveryIndexExactlyOnceInEveryPass) {
  PilePool pool(4);
  EXPECT_EQ(pool.size(), 4);
  // Many passes of varied sizes, as the global iterations and printing batches make them.
  for (int pass = 0; pass < 200; ++pass) {
    const int count = pass % 37;
    std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
    std::atomic<bool> badWorker{false};
    pool.forEach(count, [&](int index, int worker) {
      runs[static_cast<std::size_t>(index)].fetch_add(1);
      if (worker < 0 || worker >= pool.size()) badWorker = true;
    });
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << "pass " << pass << ", index " << i;
    }
    EXPECT_FALSE(badWorker);
  }
}

TEST(PilePool, TheCallingThreadIsWorkerZeroAndTakesPart) {
  PilePool pool(3);
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> callerOtherThanZero{false};
  std::atomic<bool> zeroElsewhere{false};
  pool.forEach(300, [&](int, int worker) {
    const bool onCaller = std::this_thread::get_id() == caller;
    if (onCaller && worker != 0) callerOtherThanZero = true;
    if (!onCaller && worker == 0) zeroElsewhere = true;
  });
  EXPECT_FALSE(callerOtherThanZero);
  EXPECT_FALSE(zeroElsewhere);
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

TEST(PilePool, ThreadCountOfARun) {
  EXPECT_EQ(resolveThreadCount(3), 3);
  EXPECT_EQ(resolveThreadCount(1), 1);
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  EXPECT_EQ(resolveThreadCount(0), cores > 0 ? cores : 1);
  EXPECT_GE(resolveThreadCount(-2), 1);
}

}  // namespace
}  // namespace stilt
