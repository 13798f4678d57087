#include "app/common/ProgramDirectory.h"

#include <filesystem>
#include <system_error>

namespace vorla::cli {

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(const fs::path& dir) {
  std::string text = dir.string();
  if (text.empty() || text.back() != fs::path::preferred_separator) text += fs::path::preferred_separator;
  return text;
}

}  // namespace

std::string ExecutableDirectory(const char* argv0) {
  std::error_code error;
  // Where the system tells the program's own path, that is the surest.
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) self = fs::weakly_canonical(fs::path(argv0 ? argv0 : "."), error);
  return WithSeparator(self.parent_path());
}

std::string WorkingDirectory(const std::string& dirOption, const char* argv0) {
  if (dirOption.empty()) return ExecutableDirectory(argv0);
  std::error_code error;
  const fs::path absolute = fs::absolute(dirOption, error);
  return WithSeparator(error ? fs::path(dirOption) : absolute);
}

}  // namespace vorla::cli
