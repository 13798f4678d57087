#pragma once
// Shared pieces of the calibration tests: small parameter files, samples
// drawn from them, and a scratch folder.
#include <filesystem>
#include <string>

#include "calib/ParameterStructure.h"
#include "calib/ReferenceSample.h"
#include "calib/Simulation.h"

namespace vorla::calib::test {

// Two complexes: SUTURES with the unpaired CRA_SAGITTAL (2 transitions,
// scores 1-3) and PUBIS with the paired PUB_TEXTURE (3 transitions, scores
// 1-4, score 5 recoded to stage 4, scores 6-9 unusable). Four groups.
extern const char* const SmallParameterText;

ParameterStructure SmallStructure();

// The demonstration parameter set of the project.
std::string DemoParameterFile();

// A sample drawn from a structure with the simulator, read back as a reference sample.
ReferenceSample SimulatedSample(const ParameterStructure& structure, std::size_t count, std::uint64_t seed,
                                int group = 0, double lowAge = 18.0, double highAge = 95.0,
                                SideDraw sides = SideDraw::Same);

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const;
  static std::string Read(const std::string& path);
  // The names of the files in it, sorted.
  std::vector<std::string> Files() const;

 private:
  std::filesystem::path path_;
};

}  // namespace vorla::calib::test
