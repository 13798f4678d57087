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

bool RunsInstalled(const char* argv0) {
  std::error_code error;
  return !fs::exists(fs::path(ExecutableDirectory(argv0)) / "Parameters.dat", error) &&
         fs::exists(fs::path(ExecutableDirectory(argv0)) / ".." / VORLA_DATADIR / "Parameters.dat", error);
}

std::string ShippedDataDirectory(const char* argv0) {
  const fs::path bin = ExecutableDirectory(argv0);
  if (!RunsInstalled(argv0)) return bin.string();
  std::error_code error;
  const fs::path shared = fs::weakly_canonical(bin / ".." / VORLA_DATADIR, error);
  return WithSeparator(error ? bin / ".." / VORLA_DATADIR : shared);
}

const char* VersionText() {
  return VORLA_VERSION;
}

}  // namespace vorla::cli
