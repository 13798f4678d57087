#pragma once
// A file that appears complete or not at all: it is written under a
// temporary name in the same folder and renamed into place by Commit().
// Destroyed without Commit() (an error, or the user stopping the work), it
// removes the temporary file and leaves the place as it was: an earlier
// file of that name stays whole, and no partial file is left.
#include <fstream>
#include <functional>
#include <string>

namespace vorla {

class PendingFile {
 public:
  // Creates the temporary file; throws std::runtime_error when it cannot.
  explicit PendingFile(const std::string& path);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  std::ostream& Stream() { return out_; }
  // Flushes and closes the temporary file and renames it to the path; throws
  // naming the path when either fails (the temporary file is then removed).
  void Commit();
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  std::string path_;
  std::string temporary_;
  std::ofstream out_;
  bool committed_ = false;
};

// For writers that open the file themselves: `write` writes the whole file at
// the temporary path it is given, which then replaces the path. On a failure
// (a throw from `write`, or the rename) the path keeps what it held.
void ReplaceFile(const std::string& path, const std::function<void(const std::string& temporaryPath)>& write);

}  // namespace vorla
