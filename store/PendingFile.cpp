#include "store/PendingFile.h"

#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace vorla {

namespace fs = std::filesystem;

namespace {

std::string TemporaryBeside(const std::string& path) {
  const fs::path target(path);
  if (target.filename().empty()) throw std::runtime_error("Cannot write \"" + path + "\": it names a folder");
  std::error_code ignored;
  if (fs::is_directory(target, ignored)) throw std::runtime_error("Cannot write \"" + path + "\": it is a folder");
  std::random_device random;
  for (;;) {
    const std::string tag = std::to_string(random() % 1000000000u);
    // Long names are shortened so that the temporary name stays within what
    // file systems take.
    const std::string name = target.filename().string().substr(0, 120);
    const fs::path temporary = target.parent_path() / ("." + name + ".part-" + tag);
    if (!fs::exists(fs::symlink_status(temporary, ignored))) return temporary.string();
  }
}

}  // namespace

PendingFile::PendingFile(const std::string& path) : path_(path), temporary_(TemporaryBeside(path)) {
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!out_) throw std::runtime_error("Cannot write \"" + path + "\" (cannot create a file in its folder)");
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
    throw std::runtime_error("Cannot write \"" + path_ + "\" (is the disk full?); the earlier file is kept");
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

void ReplaceFile(const std::string& path, const std::function<void(const std::string& temporaryPath)>& write) {
  const std::string temporary = TemporaryBeside(path);
  try {
    try {
      write(temporary);
    } catch (const std::exception& e) {
      throw std::runtime_error("Cannot write \"" + path + "\" (" + e.what() +
                               "); an earlier file of that name is kept");
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) throw std::runtime_error("Cannot write \"" + path + "\": " + error.message());
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

}  // namespace vorla
