#include "calib/ParameterStructure.h"

#include "params/ParameterErrors.h"

namespace vorla::calib {

ParameterStructure ParameterStructureFromText(const std::string& text, const std::string& fileName) {
  return ParseParameterText(text, fileName);
}

ParameterStructure ReadParameterStructure(const std::string& path) {
  return ParseParameterFile(path);
}

std::vector<std::string> ScoreFields(const ComponentStructure& component) {
  std::vector<std::string> fields;
  for (const std::string& base : PairBases(component)) {
    fields.push_back(base + "_LOW");
    fields.push_back(base + "_UPPER");
  }
  return fields;
}

std::vector<std::string> PairBases(const ComponentStructure& component) {
  if (!component.Paired()) return {component.name};
  return {component.name + "_R", component.name + "_L"};
}

void RequireFourGroups(const ParameterStructure& structure) {
  if (structure.groups != 4)
    throw ParameterFileError(structure.fileName + ", line " + std::to_string(structure.groupsLine) + ": the file has " +
                             std::to_string(structure.groups) + " groups; the four sex and ancestry groups need 4");
}

}  // namespace vorla::calib
