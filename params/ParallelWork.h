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
// next. The thread that calls ForEachIndex is one of the jobs.
class WorkerPool {
 public:
  explicit WorkerPool(int jobs);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int Jobs() const { return static_cast<int>(helpers_.size()) + 1; }

  // Calls work(i) for every i below count and returns when every call has
  // returned. Indices are handed out in increasing order. When a call throws,
  // no further index is handed out and the first exception is rethrown once
  // every thread is done.
  void ForEachIndex(std::size_t count, const std::function<void(std::size_t)>& work);

 private:
  void Help();
  void Work();

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

}  // namespace vorla
