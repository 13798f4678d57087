#pragma once
// Work shared out over threads: a batch of independent rows analysed by
// several workers, each with its own engine settings.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vorla {

// The number of cores, at least 1.
int DefaultJobs();

// Threads kept for a whole batch, so that what each keeps for itself (the
// engine's settings and grid tables) lasts from one part of the batch to the
// next.
class WorkerPool {
 public:
  // `helpers` threads besides the caller's (none: everything runs on the caller's).
  explicit WorkerPool(int helpers);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int Helpers() const { return static_cast<int>(helpers_.size()); }

  // Calls work(i) for every i below count, on the helpers and the calling
  // thread, and returns when every call has returned. Indices are handed out
  // in increasing order. When a call throws, no further index is handed out
  // and the first exception is rethrown once every thread is done.
  void ForEachIndex(std::size_t count, const std::function<void(std::size_t)>& work);

 private:
  void Help();
  void Work();
  void Begin(std::size_t count, const std::function<void(std::size_t)>& work);

  std::vector<std::thread> helpers_;
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  const std::function<void(std::size_t)>* work_ = nullptr;
  std::size_t count_ = 0;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stopped_{false};
  std::exception_ptr failure_;
  std::size_t round_ = 0;  // counts the calls of ForEachIndex
  int busy_ = 0;           // helpers still working on this round
  bool closing_ = false;
};

// The same with threads made for this one call.
void ForEachIndex(std::size_t count, int jobs, const std::function<void(std::size_t)>& work);

// Items 0 to count - 1 in three steps: prepare(i) and finish(i) on the
// calling thread, each in increasing order, and work(i) in between on
// `jobs` threads, the caller's and jobs - 1 helpers (with fewer than 2 jobs,
// all three on the caller's, one item after the other). The caller prepares
// ahead and finishes behind, working on items itself while the next one to
// finish is not done, so no thread waits for the slowest of a group; at most
// `window` items are prepared and not yet finished, so what they hold stays
// bounded: item i may use slot i % window.
// The first exception of any step ends the run once every thread is done
// and is rethrown; no item is finished after it.
void OrderedPipeline(std::size_t count, int jobs, std::size_t window, const std::function<void(std::size_t)>& prepare,
                     const std::function<void(std::size_t)>& work, const std::function<void(std::size_t)>& finish);

}  // namespace vorla
