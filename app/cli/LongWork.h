#pragma once
// What the long commands (calibrate, validate, simulate, report) are given by
// their Command: Ctrl-C asks the work to stop between two steps instead of
// killing it, and a progress line on standard error while it runs, shown only
// on a terminal.
#include <chrono>
#include <ostream>
#include <string>

#include "calib/Progress.h"

namespace vorla::cli {

// The exit code of a command stopped with Ctrl-C.
inline constexpr int InterruptedExitCode = 130;

// From now on Ctrl-C only records the request; InterruptRequested() tells it.
void CatchInterrupt();
bool InterruptRequested();
// Forgets an earlier request (a program that runs several commands in turn).
void ForgetInterrupt();

class ProgressLine {
 public:
  // Shown only when `err` is the standard error and that is a terminal.
  ProgressLine(std::ostream& err, std::string command);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Hooks for the library: the line and the stop request.
  const calib::Progress& Hooks() const { return hooks_; }
  // Removes the line (before other output goes to the terminal).
  void Clear();

 private:
  void Show(const std::string& what, std::size_t done, std::size_t total);

  std::ostream& err_;
  std::string command_;
  bool enabled_;
  std::size_t shownWidth_ = 0;
  std::chrono::steady_clock::time_point last_{};
  calib::Progress hooks_;
};

}  // namespace vorla::cli
