#pragma once
// What every vorla-cli command shares, written once: --help prints its text;
// its options are read from the arguments, and a usage error is said with
// the text after it and ends with 2; the long commands have Ctrl-C and the
// progress line; what the work throws is said and ends with its exit code:
// a parameter file of the wrong version 1, a usage error found on the way 2,
// any other failure 3, stopped with Ctrl-C 130.
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "app/cli/LongWork.h"
#include "calib/Progress.h"
#include "params/ParameterCheck.h"

namespace vorla::cli {

// Whether Ctrl-C asks the work to stop and a progress line is shown.
enum class Work { Short, Long };

class Command {
 public:
  Command(const char* name, const char* help, OptionNames options, Work work = Work::Short);
  virtual ~Command() = default;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  int Run(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);

 protected:
  // Takes the command's own settings from the line; throws UsageError.
  virtual void Read(const CommandLine& line) = 0;
  // The work; returns the exit code. Run says what it throws.
  virtual int Execute() = 0;
  // Says a failure that ends with 3: its message, then FailureNote.
  virtual void Explain(const std::exception& failure);
  // What a stop with Ctrl-C says.
  virtual std::string Stopped(const calib::Interrupted& stop) const;

  // The parameter file, read and checked whole, its warnings said once; one
  // of the wrong version ends the command with 1 and names it.
  std::shared_ptr<const CheckedParameters> Parameters(const std::string& path);

  std::ostream& Out() const { return *out_; }
  std::ostream& Err() const { return *err_; }
  const char* Argv0() const { return argv0_; }
  // The progress line of a long command, with the stop request.
  ProgressLine& Progress() { return *progress_; }
  const calib::Progress* Hooks() { return progress_ ? &progress_->Hooks() : nullptr; }

  // Said after the message of every failure from here on ("Nothing was written.\n").
  std::string FailureNote;

 private:
  int Answer(std::exception_ptr thrown);

  const char* name_;
  const char* help_;
  OptionNames options_;
  Work work_;
  const char* argv0_ = "";
  std::ostream* out_ = nullptr;
  std::ostream* err_ = nullptr;
  std::optional<ProgressLine> progress_;
  std::string parameterFile_;
};

}  // namespace vorla::cli
