#pragma once
#include <string>

namespace vorla::cli {

// The folder of the running program, ending in the platform's separator.
std::string ExecutableDirectory(const char* argv0);
// The folder to work in: --dir when given, else the program's folder; always
// ending in the separator.
std::string WorkingDirectory(const std::string& dirOption, const char* argv0);

}  // namespace vorla::cli
