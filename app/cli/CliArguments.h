#pragma once
// A small reader of command-line arguments: options with and without values,
// and the words that are left.
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorla::cli {

// A usage error: the program says what is wrong and ends with exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CliArguments {
 public:
  // valueOptions take the next argument as their value; flags stand alone.
  CliArguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
               const std::set<std::string>& flags);

  bool Has(const std::string& option) const { return values_.count(option) > 0; }
  std::optional<std::string> Value(const std::string& option) const;
  const std::vector<std::string>& Words() const { return words_; }

 private:
  std::map<std::string, std::string> values_;
  std::vector<std::string> words_;
};

}  // namespace vorla::cli
