#include "app/cli/OutputSpool.h"

#include <stdexcept>

namespace vorla::cli {

OutputSpool::OutputSpool() : file_(std::tmpfile(), &std::fclose) {
  if (!file_) throw std::runtime_error("No temporary file could be made for the output of the run");
}

void OutputSpool::Append(std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size())
    throw std::runtime_error("The output of the run could not be held in a temporary file");
}

void OutputSpool::CopyTo(std::ostream& out) {
  std::fflush(file_.get());
  std::rewind(file_.get());
  char buffer[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file_.get())) > 0)
    out.write(buffer, static_cast<std::streamsize>(n));
  std::fseek(file_.get(), 0, SEEK_END);
}

}  // namespace vorla::cli
