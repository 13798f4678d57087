#include "params/MortalityModelFile.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "engine/TextCase.h"
#include "store/PendingFile.h"

namespace vorla {

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return lines;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("The mortality models " + path + " cannot be read.");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (in.bad()) throw std::runtime_error("The mortality models " + path + " cannot be read.");
  return lines;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool IsNote(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first == std::string::npos || line[first] == '#';
}

// A number written with "." whatever the locale.
std::optional<double> ParseDouble(const std::string& text) {
  double value = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

// The shortest text that reads back as the same number.
std::string Number(double value) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

}  // namespace

std::string ModelNameProblem(const std::string& name) {
  if (name.empty()) return "a model needs a name";
  for (char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-'))
      return "the name " + name + " holds other characters than letters, digits, _ and -";
  if (IsBuiltInModelName(name)) return name + " is the name of a built-in model";
  return {};
}

OwnMortalityModels ReadMortalityModels(const std::string& path) {
  OwnMortalityModels models;
  const std::vector<std::string> lines = Lines(path);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (IsNote(lines[n])) continue;
    const auto fault = [&](const std::string& what) {
      return std::runtime_error("The mortality models " + path + ", line " + std::to_string(n + 1) + ": " + what);
    };
    const std::vector<std::string> words = Words(lines[n]);
    if (words.size() != 4) throw fault("a model is NAME A B C, not \"" + lines[n] + "\"");
    if (const std::string problem = ModelNameProblem(words[0]); !problem.empty()) throw fault(problem);
    if (FindOwnModel(words[0], models)) throw fault("the model " + words[0] + " is given twice");
    double values[3];
    for (int k = 0; k < 3; ++k) {
      const auto value = ParseDouble(words[static_cast<std::size_t>(k + 1)]);
      if (!value || !std::isfinite(*value))
        throw fault("\"" + words[static_cast<std::size_t>(k + 1)] + "\" is no number");
      values[k] = *value;
    }
    if (values[0] < 0.0 || !(values[1] > 0.0) || !(values[2] > 0.0))
      throw fault("a model has A at least 0 and B and C above 0");
    models.push_back({words[0], values[0], values[1], values[2]});
  }
  return models;
}

void SaveMortalityModel(const std::string& path, const OwnMortalityModel& model, const std::string& note) {
  if (const std::string problem = ModelNameProblem(model.name); !problem.empty()) throw std::invalid_argument(problem);
  ReadMortalityModels(path);  // a file that is no models file is not written over
  std::vector<std::string> kept = Lines(path);
  if (kept.empty()) kept.push_back("# Mortality models of this case folder: NAME A B C, hazard A + B e^(C x) from 15");
  // The model's line and the note line just above it go; so do blank lines around nothing.
  for (std::size_t n = 0; n < kept.size(); ++n) {
    if (IsNote(kept[n])) continue;
    const std::vector<std::string> words = Words(kept[n]);
    if (LowerCase(words[0]) != LowerCase(model.name)) continue;
    const bool noted = n > 0 && kept[n - 1].rfind("# " + words[0] + ":", 0) == 0;
    kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(noted ? n - 1 : n),
               kept.begin() + static_cast<std::ptrdiff_t>(n + 1));
    break;
  }
  kept.push_back("# " + model.name + ": " + note);
  kept.push_back(model.name + " " + Number(model.A) + " " + Number(model.B) + " " + Number(model.C));
  PendingFile file(path);
  for (const std::string& line : kept) file.Stream() << line << "\n";
  file.Commit();
}

}  // namespace vorla
