#include "app/cli/Command.h"

#include "app/cli/ParameterFileCheck.h"
#include "params/ParameterErrors.h"

namespace vorla::cli {

Command::Command(const char* name, const char* help, OptionNames options, Work work)
    : name_(name), help_(help), options_(std::move(options)), work_(work) {}

int Command::Run(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h") {
      out << help_;
      return 0;
    }
  argv0_ = argv0;
  out_ = &out;
  err_ = &err;
  try {
    Read(CommandLine(args, options_));
  } catch (const UsageError& e) {
    err << "vorla-cli " << name_ << ": " << e.what() << "\n\n" << help_;
    return 2;
  }
  if (work_ == Work::Long) {
    CatchInterrupt();
    progress_.emplace(err, name_);
  }
  // Every message below stands on a line of its own, after the progress line.
  const auto clear = [this] {
    if (progress_) progress_->Clear();
  };
  try {
    return Execute();
  } catch (const UsageError& e) {
    clear();
    err << "vorla-cli " << name_ << ": " << e.what() << "\n";
    return 2;
  } catch (const calib::Interrupted& e) {
    clear();
    err << Stopped(e);
    return InterruptedExitCode;
  } catch (const ParameterVersionError& version) {
    clear();
    err << VersionMismatchMessage(parameterFile_, version) << "\n";
    return 1;
  } catch (const std::exception& e) {
    clear();
    Explain(e);
    return 3;
  }
}

void Command::Explain(const std::exception& failure) {
  Err() << failure.what() << "\n" << FailureNote;
}

std::string Command::Stopped(const calib::Interrupted&) const {
  return "Stopped.\n";
}

std::shared_ptr<const CheckedParameters> Command::Parameters(const std::string& path) {
  parameterFile_ = path;
  return CheckedParameterFile(path, Err());
}

}  // namespace vorla::cli
