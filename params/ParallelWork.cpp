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

void WorkerPool::ForEachIndex(std::size_t count, const std::function<void(std::size_t)>& work) {
  if (helpers_.empty() || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) work(i);
    return;
  }
  Begin(count, work);
  Work();
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

void ForEachIndex(std::size_t count, int jobs, const std::function<void(std::size_t)>& work) {
  WorkerPool pool(static_cast<int>(std::min<std::size_t>(count, static_cast<std::size_t>(std::max(jobs, 1)))) - 1);
  pool.ForEachIndex(count, work);
}

namespace {

// What the calling thread and the helpers of a pipeline share.
class PipelineState {
 public:
  PipelineState(std::size_t window, const std::function<void(std::size_t)>& work)
      : window_(window), work_(work), done_(window, false) {}

  // A helper's loop: the next prepared item, until the run ends.
  void Help() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      prepared_wake_.wait(lock, [&] { return stopped_ || next_ < prepared_; });
      if (stopped_) return;
      if (!WorkOn(next_++, lock)) return;
    }
  }

  // Item i is prepared: it is handed to whoever works next.
  void Prepared(std::size_t i) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      done_[i % window_] = false;
      prepared_ = i + 1;
    }
    prepared_wake_.notify_one();
  }

  // Until item i has been worked on, the caller works on prepared items
  // itself, or waits when every one of them is taken; rethrows a failure.
  void AwaitDone(std::size_t i) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopped_ && !done_[i % window_]) {
      if (next_ < prepared_)
        WorkOn(next_++, lock);
      else
        done_wake_.wait(lock);
    }
    if (failure_) std::rethrow_exception(failure_);
  }

  void Stop() {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    prepared_wake_.notify_all();
  }

 private:
  // Works on item i without the lock; false when it failed.
  bool WorkOn(std::size_t i, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    std::exception_ptr failure;
    try {
      work_(i);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure) {
      if (!failure_) failure_ = failure;
      stopped_ = true;
      prepared_wake_.notify_all();
    } else {
      done_[i % window_] = true;
    }
    done_wake_.notify_one();
    return !failure;
  }

  const std::size_t window_;
  const std::function<void(std::size_t)>& work_;
  std::mutex mutex_;
  std::condition_variable prepared_wake_, done_wake_;
  std::vector<bool> done_;  // by slot
  std::size_t prepared_ = 0, next_ = 0;
  bool stopped_ = false;
  std::exception_ptr failure_;
};

}  // namespace

void OrderedPipeline(std::size_t count, int jobs, std::size_t window, const std::function<void(std::size_t)>& prepare,
                     const std::function<void(std::size_t)>& work, const std::function<void(std::size_t)>& finish) {
  if (jobs < 2 || count < 2) {
    for (std::size_t i = 0; i < count; ++i) {
      prepare(i);
      work(i);
      finish(i);
    }
    return;
  }
  window = std::max<std::size_t>(window, 1);
  PipelineState state(window, work);
  std::vector<std::thread> helpers;
  // However the run ends, the helpers are stopped and joined before the
  // slots they use go.
  struct Joiner {
    PipelineState& state;
    std::vector<std::thread>& threads;
    ~Joiner() {
      state.Stop();
      for (std::thread& t : threads) t.join();
    }
  } joiner{state, helpers};
  for (int t = 1; t < jobs; ++t) helpers.emplace_back([&state] { state.Help(); });
  std::size_t prepared = 0;
  for (std::size_t finished = 0; finished < count; ++finished) {
    for (; prepared < count && prepared - finished < window; ++prepared) {
      prepare(prepared);
      state.Prepared(prepared);
    }
    state.AwaitDone(finished);
    finish(finished);
  }
}

}  // namespace vorla
