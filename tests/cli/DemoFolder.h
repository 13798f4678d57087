#pragma once
// The case folder the command tests start from, in a fresh temporary folder
// of its own, removed at the end: the demonstration parameter set with the
// ten example cases imported, the parameter set alone, or nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "CommandOutcome.h"
#include "app/cli/Commands.h"

namespace vorla::cli::test {

class DemoFolder {
 public:
  enum Holds { Examples, Parameters, Nothing };

  explicit DemoFolder(const std::string& tag, Holds holds = Examples)
      : path_(std::filesystem::temp_directory_path() /
              ("vorla-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(++made_))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    if (holds == Nothing) return;
    std::filesystem::copy_file(VORLA_TEST_PARAMETERS, path_ / "Parameters.dat");
    if (holds == Parameters) return;
    const Outcome imported = Command(&ImportCommand, {"--dir", path_.string(), VORLA_TEST_EXAMPLES});
    EXPECT_EQ(imported.code, 0) << imported.err;
  }
  ~DemoFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  DemoFolder(const DemoFolder&) = delete;
  DemoFolder& operator=(const DemoFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  static inline int made_ = 0;
  std::filesystem::path path_;
};

}  // namespace vorla::cli::test
