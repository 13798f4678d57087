#pragma once
// How long work reports how far it is and learns that the user wants it to
// stop. Every long loop of calibration, validation and simulation takes one.
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace vorla::calib {

// The work was stopped at the user's request; nothing it would have written exists.
class Interrupted : public std::runtime_error {
 public:
  Interrupted() : std::runtime_error("Stopped at the user's request") {}
};

struct Progress {
  // Called after each step: what is being done, how many steps are done, of how many.
  std::function<void(const std::string& what, std::size_t done, std::size_t total)> step;
  // True once the user asked to stop.
  std::function<bool()> stopRequested;
};

// Reports a step (when anyone listens) and throws Interrupted when asked to stop.
inline void Advance(const Progress* progress, const std::string& what, std::size_t done, std::size_t total) {
  if (!progress) return;
  if (progress->stopRequested && progress->stopRequested()) throw Interrupted();
  if (progress->step) progress->step(what, done, total);
}

}  // namespace vorla::calib
