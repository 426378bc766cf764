#include "analysis/pile_pool.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

namespace stilt {

int resolveThreadCount(int requested) {
  if (requested > 0) return requested;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

PilePool::PilePool(int threads) {
  const int started = std::max(threads, 1) - 1;
  threads_.reserve(static_cast<std::size_t>(started));
  for (int w = 1; w <= started; ++w) {
    try {
      threads_.emplace_back([this, w] { serve(w); });
    } catch (const std::system_error&) {
      break;  // the system has no more threads to give: the pass runs on fewer
    }
  }
}

PilePool::~PilePool() {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void PilePool::runTasks(int worker) {
  while (!failed_.load(std::memory_order_relaxed)) {
    const int index = next_.fetch_add(1, std::memory_order_relaxed);
    if (index >= count_) return;
    try {
      (*task_)(index, worker);
    } catch (...) {
      const std::lock_guard lock(mutex_);
      if (!error_ || index < errorIndex_) {
        error_ = std::current_exception();
        errorIndex_ = index;
      }
      failed_.store(true, std::memory_order_relaxed);
    }
  }
}

void PilePool::serve(int worker) {
  std::uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return closing_ || pass_ != seen; });
      if (closing_) return;
      seen = pass_;
    }
    runTasks(worker);
    {
      const std::lock_guard lock(mutex_);
      if (--busy_ == 0) done_.notify_one();
    }
  }
}

void PilePool::forEach(int count, const std::function<void(int index, int worker)>& task) {
  if (count <= 0) return;
  if (threads_.empty() || count == 1) {
    for (int i = 0; i < count; ++i) task(i, 0);
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    task_ = &task;
    count_ = count;
    next_.store(0, std::memory_order_relaxed);
    failed_.store(false, std::memory_order_relaxed);
    error_ = nullptr;
    busy_ = static_cast<int>(threads_.size());
    ++pass_;
  }
  wake_.notify_all();
  runTasks(0);
  std::exception_ptr error;
  {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
    task_ = nullptr;
    error = std::exchange(error_, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace stilt
