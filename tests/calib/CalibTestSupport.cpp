#include "CalibTestSupport.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "calib/Simulation.h"

namespace vorla::calib::test {

const char* const SmallParameterText =
    "0.11  small test set\n"
    "4\n"
    "1.0\n"
    "1 SUTURES   # scored once\n"
    "1.0\n"
    "1 CRA_SAGITTAL\n"
    "2 1 2 3 0 0 0 0 0 0\n"
    "1 -3.0 0.10 0 0 0\n"
    "2 -3.3 0.10 0 0 0\n"
    "3 -2.7 0.10 0 0 0\n"
    "4 -3.0 0.095 0 0 0\n"
    "1 -5.5 0.10 0 0 0\n"
    "2 -6.0 0.10 0 0 0\n"
    "3 -5.0 0.10 0 0 0\n"
    "4 -5.7 0.10 0 0 0\n"
    "0\n"
    "2 PUBIS\n"
    "1.2\n"
    "2 PUB_TEXTURE   # right and left\n"
    "3 1 2 3 4 4 0 0 0 0\n"
    "1 -5.0 0.20 0 0 0\n"
    "2 -5.4 0.20 0 0 0\n"
    "3 -4.8 0.20 0 0 0\n"
    "4 -5.2 0.20 0 0 0\n"
    "1 -4.5 0.10 0 0 0\n"
    "2 -4.8 0.10 0 0 0\n"
    "3 -4.2 0.10 0 0 0\n"
    "4 -4.6 0.10 0 0 0\n"
    "1 -4.8 0.08 0 0 0\n"
    "2 -5.0 0.08 0 0 0\n"
    "3 -4.6 0.08 0 0 0\n"
    "4 -4.9 0.08 0 0 0\n"
    "0\n"
    "0\n";

ParameterStructure SmallStructure() {
  return ParameterStructureFromText(SmallParameterText, "small.dat");
}

std::string DemoParameterFile() {
  return VORLA_DEMO_PARAMETERS;
}

ReferenceSample SimulatedSample(const ParameterStructure& structure, std::size_t count, std::uint64_t seed, int group,
                                double lowAge, double highAge, SideDraw sides) {
  SimulationOptions options;
  options.sides = sides;
  options.count = count;
  options.seed = seed;
  options.group = group;
  options.ages = {lowAge, highAge};
  std::ostringstream text;
  Simulate(structure, options, text);
  return ParseReferenceSample(text.str(), "simulated.csv", structure, {});
}

ScratchFolder::ScratchFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("vorla-calib-test-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& text) const {
  const std::string path = File(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string ScratchFolder::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> ScratchFolder::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vorla::calib::test
