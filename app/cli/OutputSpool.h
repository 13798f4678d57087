#pragma once
// Text held back in a temporary file until it may be shown: a batch prints
// its reports only once its results are stored, without keeping them all in
// memory.
#include <cstdio>
#include <memory>
#include <ostream>
#include <string_view>

namespace vorla::cli {

class OutputSpool {
 public:
  // Throws when no temporary file can be made.
  OutputSpool();
  // Throws when the text cannot be written.
  void Append(std::string_view text);
  // Everything appended so far, in order.
  void CopyTo(std::ostream& out);

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

}  // namespace vorla::cli
