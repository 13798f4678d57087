#pragma once
// A vorla-cli command run in-process: its exit code and what it printed.
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace vorla::cli::test {

struct Outcome {
  int code;
  std::string out, err;
};

inline Outcome Command(int (*command)(const std::vector<std::string>&, const char*, std::ostream&, std::ostream&),
                       const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = command(args, "vorla-cli", out, err);
  return {code, out.str(), err.str()};
}

}  // namespace vorla::cli::test
