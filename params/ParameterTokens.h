#pragma once
// The three ways the parameter file is read: a number (integer or real), the
// rest of a line, and skipping a line. Line ends are LF, CR LF or CR alone.
#include <cstdint>
#include <string>

namespace vorla {

class ParameterTokens {
 public:
  ParameterTokens(std::string content, std::string fileName);

  // Skips blanks, control characters and line ends, then takes the token up to
  // the next blank or control character. The end of the file is an error that
  // says what was expected there; it never reads as 0.
  std::int32_t ReadInteger(const std::string& what);
  double ReadReal(const std::string& what);
  // The same, but the token must stand on the line being read: a line end
  // before it is an error that says what was expected there.
  std::int32_t ReadIntegerInLine(const std::string& what);
  double ReadRealInLine(const std::string& what);
  // A real that must be positive and finite (a variance factor).
  double ReadPositiveReal(const std::string& what);
  // A component's number of transitions, 1 to 10.
  std::int32_t ReadTransitionCount();
  // Everything from here up to the line end, without it.
  std::string ReadRestOfLine();
  // Discards everything up to and including the next line end.
  void SkipLine();
  bool AtEnd() const { return pos_ >= text_.size(); }
  // Whether only blanks, control characters, line ends and lines beginning
  // with "#" are left.
  bool OnlyCommentsLeft();
  // The line (counted from 1) of the position.
  int PositionLine() const { return line_; }

  // The line (counted from 1) of the last token read, or of the position.
  int Line() const { return tokenLine_; }
  [[noreturn]] void Fail(const std::string& problem) const;

 private:
  // Empty at the end of the file, or (inLine) at the end of the line.
  std::string NextToken(bool inLine = false);
  std::string RequireToken(const std::string& what, bool inLine);
  std::int32_t IntegerOf(const std::string& token, const std::string& what) const;
  double RealOf(const std::string& token, const std::string& what) const;

  std::string text_;
  std::string file_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int tokenLine_ = 1;
};

}  // namespace vorla
