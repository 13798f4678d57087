#pragma once
// A file that appears complete or not at all: it is written under a
// temporary name in the same folder and renamed into place by Commit().
// Destroyed without Commit() (an error, or the user stopping the work), it
// removes the temporary file and leaves the place as it was: an earlier
// file of that name stays whole, and no partial file is left. The programs
// write every file this way: through PendingFile below Qt, and through
// QSaveFile (paint/SavedFile.h) where Qt is linked.
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>

namespace vorla {

class PendingFile {
 public:
  // Creates the temporary file, after removing the ones an earlier writer of
  // this path left when it was stopped (RemoveStaleTemporaryFiles); throws
  // std::runtime_error when it cannot.
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

// Empty when the system takes a path of this length, otherwise which limit it
// passes: "the path is too long (N characters; at most M)".
std::string PathLengthProblem(const std::string& path);

// The message of a file that could not be written whole: it names the file,
// says why when the path is too long for the system, and asks about the
// disk otherwise. `cause` (the file layer's own words) is added when given.
std::string FileWriteFailure(const std::string& path, const std::string& cause = {});

// Removes the temporary files that a writer of this program, stopped before
// it could finish (killed, or the machine went down), left in the folder:
// hidden files named ".NAME.part-PROCESS-TAG" whose process is gone, and
// the ".NAME.part-TAG" of earlier versions once they are an hour old. Only
// names of that pattern are touched, and with `name` only those of that
// file. Returns how many were removed; a folder that cannot be read gives 0.
std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder, const std::string& name = {});

}  // namespace vorla
