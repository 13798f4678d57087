#include "params/ParameterTokens.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

#include "engine/AnalysisTree.h"

#include "params/ParameterErrors.h"

namespace vorla {

namespace {

bool IsDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

// Decimal real: sign, digits with an optional point, optional exponent.
bool IsRealSyntax(const std::string& t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == t.size();
}

// Whether a real that does not fit a double is too large (rather than too small).
bool TooLarge(const std::string& t) {
  const std::size_t e = t.find_first_of("eE");
  const std::string mantissa = t.substr(0, e);
  long exponent = 0;
  if (e != std::string::npos) {
    std::string ex = t.substr(e + 1);
    if (!ex.empty() && ex[0] == '+') ex.erase(0, 1);
    const auto r = std::from_chars(ex.data(), ex.data() + ex.size(), exponent);
    if (r.ec != std::errc()) return ex[0] != '-';
  }
  // Position of the first significant digit relative to the decimal point.
  const std::size_t point = mantissa.find('.');
  const std::size_t intEnd = point == std::string::npos ? mantissa.size() : point;
  long magnitude = 0;
  bool found = false;
  for (std::size_t i = 0; i < mantissa.size() && !found; ++i) {
    if (IsDigit(mantissa[i]) && mantissa[i] != '0') {
      magnitude = i < intEnd ? static_cast<long>(intEnd - i - 1) : -static_cast<long>(i - intEnd);
      found = true;
    }
  }
  return found && magnitude + exponent > 0;
}

}  // namespace

ParameterTokens::ParameterTokens(std::string content, std::string fileName)
    : text_(std::move(content)), file_(std::move(fileName)) {
  // A CR on its own (the line end of old Macintosh files) ends a line as LF
  // does; a CR before LF stays, and ReadRestOfLine drops it.
  for (std::size_t i = 0; i < text_.size(); ++i)
    if (text_[i] == '\r' && (i + 1 == text_.size() || text_[i + 1] != '\n')) text_[i] = '\n';
}

void ParameterTokens::Fail(const std::string& problem) const {
  throw ParameterFileError(file_ + ", line " + std::to_string(tokenLine_) + ": " + problem);
}

std::string ParameterTokens::NextToken(bool inLine) {
  while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
    if (text_[pos_] == '\n') {
      if (inLine) break;
      ++line_;
    }
    ++pos_;
  }
  tokenLine_ = line_;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) > ' ' && text_[pos_] != 127) ++pos_;
  return text_.substr(start, pos_ - start);
}

std::string ParameterTokens::RequireToken(const std::string& what, bool inLine) {
  std::string token = NextToken(inLine);
  if (token.empty()) {
    if (pos_ >= text_.size()) Fail("the file ends here, but " + what + " was expected (is the file cut short?)");
    Fail("the line ends before " + what);
  }
  return token;
}

std::int32_t ParameterTokens::IntegerOf(const std::string& token, const std::string& what) const {
  const char* begin = token.data() + (token[0] == '+' ? 1 : 0);
  if (begin == token.data() + token.size() || !(IsDigit(*begin) || (*begin == '-' && token[0] != '+')))
    Fail("\"" + token + "\" is not a valid whole number (" + what + ")");
  std::int32_t value = 0;
  const auto r = std::from_chars(begin, token.data() + token.size(), value);
  if (r.ec == std::errc::result_out_of_range) Fail("\"" + token + "\" is too large for " + what);
  if (r.ec != std::errc() || r.ptr != token.data() + token.size())
    Fail("\"" + token + "\" is not a valid whole number (" + what + ")");
  return value;
}

double ParameterTokens::RealOf(const std::string& token, const std::string& what) const {
  if (!IsRealSyntax(token)) Fail("\"" + token + "\" is not a valid number (" + what + ")");
  const char* begin = token.data() + (token[0] == '+' ? 1 : 0);
  double value = 0.0;
  const auto r = std::from_chars(begin, token.data() + token.size(), value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    if (TooLarge(token)) Fail("\"" + token + "\" is not a finite number (" + what + ")");
    // A number too small for a double would silently become 0.
    Fail("\"" + token + "\" is too close to 0 to be held as a number (" + what + ")");
  }
  if (r.ec != std::errc() || !std::isfinite(value)) Fail("\"" + token + "\" is not a valid number (" + what + ")");
  return value;
}

std::int32_t ParameterTokens::ReadInteger(const std::string& what) {
  return IntegerOf(RequireToken(what, false), what);
}
double ParameterTokens::ReadReal(const std::string& what) {
  return RealOf(RequireToken(what, false), what);
}
std::int32_t ParameterTokens::ReadIntegerInLine(const std::string& what) {
  return IntegerOf(RequireToken(what, true), what);
}
double ParameterTokens::ReadRealInLine(const std::string& what) {
  return RealOf(RequireToken(what, true), what);
}

bool ParameterTokens::OnlyCommentsLeft() {
  for (;;) {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
    tokenLine_ = line_;
    if (pos_ >= text_.size()) return true;
    if (text_[pos_] != '#') return false;
    SkipLine();
  }
}

double ParameterTokens::ReadPositiveReal(const std::string& what) {
  const double v = ReadReal(what);
  if (!(v > 0.0) || !std::isfinite(v)) {
    std::ostringstream text;
    text << what << " must be a positive number, not " << v;
    Fail(text.str());
  }
  return v;
}

std::int32_t ParameterTokens::ReadTransitionCount() {
  const std::int32_t n = ReadInteger("the number of transitions");
  if (n < 1 || n > MaxTransitions)
    Fail("a component has 1 to " + std::to_string(MaxTransitions) + " transitions, not " + std::to_string(n));
  return n;
}

std::string ParameterTokens::ReadRestOfLine() {
  const std::size_t end = text_.find('\n', pos_);
  const std::size_t stop = end == std::string::npos ? text_.size() : end;
  std::string rest = text_.substr(pos_, stop - pos_);
  if (!rest.empty() && rest.back() == '\r') rest.pop_back();
  pos_ = stop;
  return rest;
}

void ParameterTokens::SkipLine() {
  const std::size_t end = text_.find('\n', pos_);
  if (end == std::string::npos) {
    pos_ = text_.size();
    return;
  }
  pos_ = end + 1;
  ++line_;
}

}  // namespace vorla
