#pragma once
#include <string>

namespace vorla::cli {

// The folder of the running program, ending in the platform's separator.
std::string ExecutableDirectory(const char* argv0);
// The folder to work in: --dir when given, else the program's folder; always
// ending in the separator.
std::string WorkingDirectory(const std::string& dirOption, const char* argv0);
// The folder of the shipped demonstration parameter set and blank score form:
// the program's folder in a build tree, the shared data folder of an
// installed program (bin/../share/vorla); ends in the separator.
std::string ShippedDataDirectory(const char* argv0);
// Whether the program runs installed, its shipped files away from it.
bool RunsInstalled(const char* argv0);

// "2.1.46": the version of the programs.
const char* VersionText();

}  // namespace vorla::cli
