#pragma once
// Work shared out over threads: a batch of independent rows analysed by
// several workers, each with its own engine settings.
#include <cstddef>
#include <functional>

namespace vorla {

// The number of cores, at least 1.
int DefaultJobs();

// Calls work(i) for every i below count on up to `jobs` threads, the calling
// thread among them, and returns when every call has returned. Indices are
// handed out in increasing order. When a call throws, no further index is
// handed out and the first exception is rethrown once every thread is done.
void ForEachIndex(std::size_t count, int jobs, const std::function<void(std::size_t)>& work);

}  // namespace vorla
