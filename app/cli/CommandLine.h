#pragma once
// A command's options read from its arguments with QCommandLineParser:
// options with and without values, the words that are left, and the option
// values as numbers and choices, each refused with a usage error that names
// the option.
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorla::cli {

// A usage error: the program says what is wrong and ends with exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The options a command knows, each with its dashes ("--dir").
struct OptionNames {
  OptionNames(std::vector<std::string> valueOptions, std::vector<std::string> flagOptions = {},
              std::vector<std::string> repeatedOptions = {})
      : values(std::move(valueOptions)), flags(std::move(flagOptions)), repeated(std::move(repeatedOptions)) {}

  std::vector<std::string> values;    // take a value: "--dir DIR" or "--dir=DIR"; at most once
  std::vector<std::string> flags;     // stand alone
  std::vector<std::string> repeated;  // take a value, and may be given more than once
};

// Takes an option that every command knows ("--db URI") out of the
// arguments, wherever it stands, as NAME VALUE or NAME=VALUE; returns its
// last value. A usage error `missing` when a value is missing, empty or
// another option.
std::optional<std::string> TakeProgramOption(std::vector<std::string>& args, const std::string& name,
                                             const std::string& missing);

class CommandLine {
 public:
  // Throws UsageError for an unknown option ("--" is one), a missing value
  // or a value option given twice.
  CommandLine(const std::vector<std::string>& args, const OptionNames& names);

  bool Has(const std::string& option) const { return values_.count(option) > 0; }
  // The value of a value option; the last one of a repeated option.
  std::optional<std::string> Value(const std::string& option) const;
  // Every value of an option, in the order given.
  std::vector<std::string> Values(const std::string& option) const;
  const std::vector<std::string>& Words() const { return words_; }
  // A usage error when any word is left.
  void NoWords() const;

  // The option's value as a whole number within [least, most]; `fallback` when it is not given.
  std::int64_t Whole(const std::string& option, std::int64_t least, std::int64_t most, std::int64_t fallback) const;
  // The option's value as a number of years above 0 (at most 1000); `fallback` when it is not given.
  double Years(const std::string& option, double fallback) const;
  // A seed: any whole number from 0 to 2^64 - 1.
  std::uint64_t Seed(const std::string& option, std::uint64_t fallback) const;
  // A confidence level: 90, 95 or 99; 95 when --level is not given.
  int Level() const;
  // --jobs N: how many cases are worked on at once, from 1 to 256; default the number of cores.
  int Jobs() const;
  // The index of the option's value among `words`; `fallback` when it is not
  // given; `refusal` is the usage error for any other word.
  std::size_t Choice(const std::string& option, std::initializer_list<const char*> words, std::size_t fallback,
                     const std::string& refusal) const;

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> words_;
};

}  // namespace vorla::cli
