#include "params/ParallelWork.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vorla {

int DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

void ForEachIndex(std::size_t count, int jobs, const std::function<void(std::size_t)>& work) {
  const std::size_t threads = std::min<std::size_t>(count, static_cast<std::size_t>(std::max(jobs, 1)));
  if (threads <= 1) {
    for (std::size_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopped{false};
  std::exception_ptr failure;
  std::mutex failureMutex;
  const auto worker = [&] {
    for (std::size_t i; !stopped.load() && (i = next.fetch_add(1)) < count;) {
      try {
        work(i);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(failureMutex);
        if (!failure) failure = std::current_exception();
        stopped = true;
      }
    }
  };
  std::vector<std::thread> helpers;
  helpers.reserve(threads - 1);
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(worker);
  worker();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace vorla
