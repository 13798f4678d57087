#include "app/cli/CliArguments.h"

namespace vorla::cli {

CliArguments::CliArguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                           const std::set<std::string>& flags) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.size() > 1 && arg[0] == '-') {
      std::string value;
      bool inlineValue = false;
      if (const auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        inlineValue = true;
      }
      if (valueOptions.count(arg)) {
        if (!inlineValue) {
          if (i + 1 >= args.size()) throw UsageError("the option " + arg + " needs a value");
          value = args[++i];
        }
        if (values_.count(arg)) throw UsageError("the option " + arg + " is given twice");
        values_[arg] = value;
      } else if (flags.count(arg) && !inlineValue) {
        values_[arg] = "";
      } else {
        throw UsageError("unknown option " + args[i]);
      }
    } else {
      words_.push_back(arg);
    }
  }
}

std::optional<std::string> CliArguments::Value(const std::string& option) const {
  const auto it = values_.find(option);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace vorla::cli
