#include "params/ParameterReader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "params/ParameterCheck.h"
#include "params/ParameterErrors.h"

namespace vorla {

namespace {

bool IsBlankOrControl(char ch) {
  return static_cast<unsigned char>(ch) <= ' ' || ch == 127;
}

}  // namespace

std::string HeaderName(const std::string& restOfLine) {
  std::string name = restOfLine.substr(0, restOfLine.find('#'));
  std::size_t begin = 0, end = name.size();
  while (begin < end && IsBlankOrControl(name[begin])) ++begin;
  while (end > begin && IsBlankOrControl(name[end - 1])) --end;
  return name.substr(begin, end - begin);
}

ParameterSet ReadParameterText(const std::string& text, const std::string& fileName, int group,
                               const ScoreSource& scores, const ComplexSelection& selection) {
  return BuildParameterSet(ParseParameterText(text, fileName), group, scores, selection);
}

std::string ParameterFileProblem(const std::string& path) {
  try {
    ReadParameterFileText(path);
  } catch (const ParameterFileError& refusal) {
    return refusal.what();
  }
  return {};
}

ParameterSet ReadParameterSet(const std::string& path, int group, const ScoreSource& scores,
                              const ComplexSelection& selection) {
  return BuildParameterSet(ParseParameterFile(path), group, scores, selection);
}

}  // namespace vorla
