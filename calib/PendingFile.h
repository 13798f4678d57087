#pragma once
// A file that appears complete or not at all: it is written under a
// temporary name in the same folder and renamed into place by Commit().
// Destroyed without Commit() (an error, or the user stopping the work), it
// removes the temporary file and leaves the place as it was.
#include <fstream>
#include <string>

namespace vorla::calib {

class PendingFile {
 public:
  // Creates the temporary file; throws std::runtime_error when it cannot.
  explicit PendingFile(const std::string& path);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  std::ostream& Stream() { return out_; }
  // Closes the temporary file and renames it to the path; throws when either fails.
  void Commit();
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  std::string path_;
  std::string temporary_;
  std::ofstream out_;
  bool committed_ = false;
};

}  // namespace vorla::calib
