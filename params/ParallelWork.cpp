#include "params/ParallelWork.h"

#include <algorithm>

namespace vorla {

int DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

WorkerPool::WorkerPool(int helpers) {
  for (int t = 0; t < helpers; ++t) helpers_.emplace_back([this] { Help(); });
}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

void WorkerPool::Work() {
  for (std::size_t i; !stopped_.load() && (i = next_.fetch_add(1)) < count_;) {
    try {
      (*work_)(i);
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
      stopped_ = true;
    }
  }
}

void WorkerPool::Help() {
  std::size_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return closing_ || round_ != seen; });
      if (closing_) return;
      seen = round_;
    }
    Work();
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (--busy_ == 0) finished_.notify_one();
    }
  }
}

void WorkerPool::Begin(std::size_t count, const std::function<void(std::size_t)>& work) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    work_ = &work;
    count_ = count;
    next_ = 0;
    stopped_ = false;
    failure_ = nullptr;
    busy_ = static_cast<int>(helpers_.size());
    ++round_;
  }
  wake_.notify_all();
}

void WorkerPool::Wait() {
  if (!started_) return;
  started_ = false;
  std::exception_ptr failure;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return busy_ == 0; });
    failure = failure_;
    failure_ = nullptr;
    work_ = nullptr;
  }
  if (failure) std::rethrow_exception(failure);
}

void WorkerPool::ForEachIndex(std::size_t count, const std::function<void(std::size_t)>& work) {
  if (helpers_.empty() || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) work(i);
    return;
  }
  Begin(count, work);
  started_ = true;
  Work();
  Wait();
}

void WorkerPool::Start(std::size_t count, const std::function<void(std::size_t)>& work) {
  if (helpers_.empty()) {
    for (std::size_t i = 0; i < count; ++i) work(i);
    return;
  }
  Begin(count, work);
  started_ = true;
}

void ForEachIndex(std::size_t count, int jobs, const std::function<void(std::size_t)>& work) {
  WorkerPool pool(static_cast<int>(std::min<std::size_t>(count, static_cast<std::size_t>(std::max(jobs, 1)))) - 1);
  pool.ForEachIndex(count, work);
}

}  // namespace vorla
