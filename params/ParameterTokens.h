#pragma once
// The three ways the parameter file is read: a number (integer or real), the
// rest of a line, and skipping a line. Line ends are LF or CR LF.
#include <cstdint>
#include <string>

namespace vorla {

class ParameterTokens {
 public:
  ParameterTokens(std::string content, std::string fileName);

  // Skips blanks, control characters and line ends, then takes the token up to
  // the next blank or control character. At the end of the file both yield 0.
  std::int32_t ReadInteger(const char* what);
  double ReadReal(const char* what);
  // A real that must be positive and finite (a variance factor).
  double ReadPositiveReal(const char* what);
  // A component's number of transitions, 1 to 10.
  std::int32_t ReadTransitionCount();
  // Everything from here up to the line end, without it.
  std::string ReadRestOfLine();
  // Discards everything up to and including the next line end.
  void SkipLine();
  bool AtEnd() const { return pos_ >= text_.size(); }

  // The line (counted from 1) of the last token read, or of the position.
  int Line() const { return tokenLine_; }
  [[noreturn]] void Fail(const std::string& problem) const;

 private:
  std::string NextToken();

  std::string text_;
  std::string file_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int tokenLine_ = 1;
};

}  // namespace vorla
