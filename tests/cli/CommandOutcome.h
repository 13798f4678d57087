#pragma once
// A vorla-cli command run in-process: its exit code and what it printed;
// and whole files read and written as bytes.
#include <filesystem>
#include <fstream>
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

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// How often the part occurs in the text, overlapping occurrences included.
inline std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

inline void WriteAll(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace vorla::cli::test
