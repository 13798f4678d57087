#include "app/cli/LongWork.h"

#include <csignal>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vorla::cli {

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void OnInterrupt(int) {
  interruptRequested = 1;
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace

void CatchInterrupt() {
  std::signal(SIGINT, &OnInterrupt);
}

bool InterruptRequested() {
  return interruptRequested != 0;
}

void ForgetInterrupt() {
  interruptRequested = 0;
}

ProgressLine::ProgressLine(std::ostream& err, std::string command)
    : err_(err), command_(std::move(command)), enabled_(&err == &std::cerr && StandardErrorIsTerminal()) {
  hooks_.stopRequested = [] { return InterruptRequested(); };
  if (enabled_)
    hooks_.step = [this](const std::string& what, std::size_t done, std::size_t total) { Show(what, done, total); };
}

ProgressLine::~ProgressLine() {
  Clear();
}

void ProgressLine::Show(const std::string& what, std::size_t done, std::size_t total) {
  const auto now = std::chrono::steady_clock::now();
  // A few updates a second are enough for the eye and cost nothing.
  if (done != 0 && done != total && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  std::string line = command_ + ": " + what + "  " + std::to_string(done) + "/" + std::to_string(total);
  if (total > 0) line += " (" + std::to_string(done * 100 / total) + " %)";
  const std::size_t width = line.size();
  if (width < shownWidth_) line += std::string(shownWidth_ - width, ' ');
  shownWidth_ = width;
  err_ << '\r' << line << std::flush;
}

void ProgressLine::Clear() {
  if (!enabled_ || shownWidth_ == 0) return;
  err_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
  shownWidth_ = 0;
}

}  // namespace vorla::cli
