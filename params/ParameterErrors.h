#pragma once
#include <string>

#include "engine/AnalysisError.h"

namespace vorla {

inline constexpr double ParameterSetVersion = 0.11;

// The parameter file could not be read: the message names the file, the line
// and what was wrong there.
class ParameterFileError : public AnalysisError {
 public:
  using AnalysisError::AnalysisError;
  // A file the person has to provide: the message is the problem and then
  // the remedy, which names the command line's --dir; a window gives its own.
  ParameterFileError(const std::string& problem, const std::string& remedy)
      : AnalysisError(problem + remedy), problem_(problem) {}
  // The message without the remedy; empty when it has none.
  const std::string& WithoutRemedy() const { return problem_; }

 private:
  std::string problem_;
};

// The parameter file is of another version than the program reads. The
// program entries show VersionMismatchMessage() and end with exit code 1.
class ParameterVersionError : public AnalysisError {
 public:
  explicit ParameterVersionError(double found, int line = 1);
  double found;
  int line;  // of the version in the file
};

// "Wrong version of parameter set. ", a line break, "Obtain version: 0.11".
std::string VersionMismatchMessage();
// The same, after the file and the line it was found on.
std::string VersionMismatchMessage(const std::string& file, const ParameterVersionError& error);

}  // namespace vorla
