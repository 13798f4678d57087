#include "calib/ParameterWriter.h"

#include <charconv>
#include <system_error>

namespace vorla::calib {

namespace {

std::string OneLine(const std::string& text) {
  std::string line = text;
  for (char& ch : line)
    if (static_cast<unsigned char>(ch) < ' ' || ch == 127) ch = ' ';
  return line;
}

std::string Header(std::int32_t number, const std::string& name, const std::string& comment) {
  std::string line = std::to_string(number) + " " + name;
  if (!comment.empty()) line += "   # " + OneLine(comment);
  return line + "\n";
}

}  // namespace

std::string ExactReal(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

std::string ParameterFileText(const ParameterStructure& s, const std::string& note) {
  std::string text = "0.11";
  if (!note.empty()) text += "  " + OneLine(note);
  text += "\n" + std::to_string(s.groups) + "\n" + ExactReal(s.resvar) + "\n";
  for (const ComplexStructure& c : s.complexes) {
    text += Header(c.headerNumber, c.name, c.comment);
    text += ExactReal(c.resvar) + "\n";
    for (const ComponentStructure& k : c.components) {
      text += Header(k.sideCount, k.name, k.comment);
      text += std::to_string(k.transitions);
      for (std::int32_t entry : k.recoding) text += " " + std::to_string(entry);
      text += "\n";
      for (const TransitionRow& row : k.rows) {
        text += std::to_string(row.label);
        for (double v : {row.a, row.b, row.c, row.d, row.e}) text += " " + ExactReal(v);
        text += "\n";
      }
    }
    text += "0\n";
  }
  text += "0\n";
  return text;
}

}  // namespace vorla::calib
