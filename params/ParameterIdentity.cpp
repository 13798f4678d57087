#include "params/ParameterIdentity.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <stdexcept>

namespace vorla {

std::string Sha256Hex(std::string_view bytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("The SHA-256 of the parameter set could not be computed");
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

ParameterIdentity IdentifyParameterSet(const std::string& path, std::string_view bytes) {
  ParameterIdentity identity;
  identity.fileName = std::filesystem::path(path).filename().string();
  std::string_view line = bytes.substr(0, bytes.find_first_of("\r\n"));
  if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && blank(line.back())) line.remove_suffix(1);
  identity.firstLine = std::string(line);
  identity.sha256 = Sha256Hex(bytes);
  std::string lower(line);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  identity.demonstration = lower.find("demonstration") != std::string::npos;
  return identity;
}

}  // namespace vorla
