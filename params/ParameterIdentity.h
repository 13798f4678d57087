#pragma once
// Which parameter set made a result: its file name, its first line and the
// SHA-256 of its bytes, and whether it is a demonstration set (its first
// line says "demonstration"), whose numbers are no casework.
#include <string>
#include <string_view>

namespace vorla {

struct ParameterIdentity {
  std::string fileName;   // the file's name, without its folder
  std::string firstLine;  // without the line end and surrounding blanks
  std::string sha256;     // 64 lower-case hex digits
  bool demonstration = false;

  // The first 12 hex digits, as the page and the outputs name the set.
  std::string ShortChecksum() const { return sha256.substr(0, 12); }
};

// The identity of a set from its path and the bytes of its file.
ParameterIdentity IdentifyParameterSet(const std::string& path, std::string_view bytes);

// The SHA-256 of the bytes as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

// What stands across every page made with a demonstration set.
inline constexpr const char* DemonstrationMark = "DEMONSTRATION PARAMETER SET: NOT FOR CASEWORK";

}  // namespace vorla
