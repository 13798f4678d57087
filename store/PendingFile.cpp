#include "store/PendingFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <random>
#include <stdexcept>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>

#include <csignal>
#endif

namespace vorla {

namespace fs = std::filesystem;

namespace {

#ifdef PATH_MAX
constexpr std::size_t kMostPathBytes = PATH_MAX - 1;
#else
constexpr std::size_t kMostPathBytes = 259;
#endif
#ifdef NAME_MAX
constexpr std::size_t kMostNameBytes = NAME_MAX;
#else
constexpr std::size_t kMostNameBytes = 255;
#endif

constexpr const char* kPartMark = ".part-";

// The writing process, 0 where the system gives no way to ask after it.
long ThisProcess() {
#ifdef _WIN32
  return 0;
#else
  return static_cast<long>(::getpid());
#endif
}

// Whether the process of this number is certainly gone: only "no such
// process" counts.
bool ProcessGone(long process) {
#ifdef _WIN32
  (void)process;
  return false;
#else
  return process > 0 && ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
#endif
}

bool AllDigits(const std::string& text) {
  if (text.empty() || text.size() > 18) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The part of a target's name that its temporary files carry: long names are
// shortened so that the temporary name stays within what file systems take.
std::string NameInTemporary(const std::string& name) {
  return name.substr(0, 120);
}

std::string TemporaryBeside(const std::string& path) {
  const fs::path target(path);
  if (target.filename().empty()) throw std::runtime_error("Cannot write \"" + path + "\": it names a folder");
  std::error_code ignored;
  if (fs::is_directory(target, ignored)) throw std::runtime_error("Cannot write \"" + path + "\": it is a folder");
  std::random_device random;
  const std::string prefix =
      "." + NameInTemporary(target.filename().string()) + kPartMark + std::to_string(ThisProcess()) + "-";
  for (;;) {
    const fs::path temporary = target.parent_path() / (prefix + std::to_string(random() % 1000000000u));
    if (!fs::exists(fs::symlink_status(temporary, ignored))) return temporary.string();
  }
}

// Whether a file of the folder is a temporary file of this program that its
// writer can no longer finish; with `name`, only one of that target.
bool IsStaleTemporary(const fs::directory_entry& entry, const std::string& name) {
  const std::string file = entry.path().filename().string();
  if (file.size() < 2 || file[0] != '.') return false;
  const std::size_t mark = file.rfind(kPartMark);
  if (mark == std::string::npos || mark < 2) return false;
  if (!name.empty() && file.compare(1, mark - 1, NameInTemporary(name)) != 0) return false;
  std::error_code error;
  if (!entry.is_regular_file(error) || error) return false;
  const std::string tag = file.substr(mark + std::char_traits<char>::length(kPartMark));
  const std::size_t dash = tag.find('-');
  long process = 0;
  if (dash != std::string::npos) {
    if (!AllDigits(tag.substr(0, dash)) || !AllDigits(tag.substr(dash + 1))) return false;
    process = std::stol(tag.substr(0, dash));
    if (process > 0) return ProcessGone(process);
  } else if (!AllDigits(tag)) {
    return false;
  }
  // Earlier versions named no process: such a file is taken for left behind
  // once nothing has written to it for an hour.
  const auto written = entry.last_write_time(error);
  return !error && fs::file_time_type::clock::now() - written > std::chrono::hours(1);
}

}  // namespace

std::string PathLengthProblem(const std::string& path) {
  std::size_t longestName = 0;
  for (const fs::path& part : fs::path(path)) longestName = std::max(longestName, part.string().size());
  if (path.size() > kMostPathBytes)
    return "the path is too long (" + std::to_string(path.size()) + " characters; at most " +
           std::to_string(kMostPathBytes) + ")";
  if (longestName > kMostNameBytes)
    return "a name in the path is too long (" + std::to_string(longestName) + " characters; at most " +
           std::to_string(kMostNameBytes) + ")";
  return {};
}

std::string FileWriteFailure(const std::string& path, const std::string& cause) {
  const std::string quoted = "Cannot write \"" + path + "\"";
  const std::string tooLong = PathLengthProblem(path);
  if (!tooLong.empty()) return quoted + ": " + tooLong;
  return quoted + " (" + (cause.empty() ? std::string() : cause + "; ") +
         "is the disk full?); an earlier file of that name is kept";
}

std::size_t RemoveStaleTemporaryFiles(const fs::path& folder, const std::string& name) {
  std::size_t removed = 0;
  std::error_code error;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    if (!IsStaleTemporary(*it, name)) continue;
    std::error_code ignored;
    if (fs::remove(it->path(), ignored)) ++removed;
  }
  return removed;
}

PendingFile::PendingFile(const std::string& path) : path_(path) {
  const std::string tooLong = PathLengthProblem(path);
  if (!tooLong.empty()) throw std::runtime_error("Cannot write \"" + path + "\": " + tooLong);
  RemoveStaleTemporaryFiles(fs::path(path).parent_path(), fs::path(path).filename().string());
  temporary_ = TemporaryBeside(path);
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!out_) {
    const std::string temporaryTooLong = PathLengthProblem(temporary_);
    throw std::runtime_error("Cannot write \"" + path + "\" (" +
                             (temporaryTooLong.empty() ? "cannot create a file in its folder" : temporaryTooLong) +
                             ")");
  }
}

PendingFile::~PendingFile() {
  if (committed_) return;
  out_.close();
  std::error_code ignored;
  fs::remove(temporary_, ignored);
}

void PendingFile::Commit() {
  out_.flush();
  out_.close();
  if (!out_) {
    std::error_code ignored;
    fs::remove(temporary_, ignored);
    throw std::runtime_error(FileWriteFailure(path_));
  }
  std::error_code error;
  fs::rename(temporary_, path_, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary_, ignored);
    throw std::runtime_error("Cannot write \"" + path_ + "\": " + error.message());
  }
  committed_ = true;
}

}  // namespace vorla
