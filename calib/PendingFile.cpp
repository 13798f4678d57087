#include "calib/PendingFile.h"

#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace vorla::calib {

namespace fs = std::filesystem;

PendingFile::PendingFile(const std::string& path) : path_(path) {
  const fs::path target(path);
  if (target.filename().empty()) throw std::runtime_error("Cannot write \"" + path + "\": it names a folder");
  std::random_device random;
  const std::string tag = std::to_string(random() % 1000000u);
  temporary_ = (target.parent_path() / ("." + target.filename().string() + ".part-" + tag)).string();
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
  out_.close();
  if (!out_) throw std::runtime_error("Cannot write \"" + path_ + "\"");
  std::error_code error;
  fs::rename(temporary_, path_, error);
  if (error) throw std::runtime_error("Cannot write \"" + path_ + "\": " + error.message());
  committed_ = true;
}

}  // namespace vorla::calib
