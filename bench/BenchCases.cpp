#include "BenchCases.h"

#include <filesystem>
#include <fstream>

namespace vorla::bench {

std::unique_ptr<TraitComplex> RealisticComplex(int components) {
  auto c = std::make_unique<TraitComplex>();
  c->Complexname = "PUBIS";
  c->Resvar = 1.1;
  std::unique_ptr<TraitComponent>* tail = &c->Components;
  for (int i = 0; i < components; ++i) {
    auto k = std::make_unique<TraitComponent>();
    k->ComponentName = "TRAIT_" + std::to_string(i);
    k->NumStagesOfComponent = 4 + i % 3;
    for (int j = 0; j < k->NumStagesOfComponent; ++j) {
      const double b = 0.14 - 0.012 * j;
      k->b[j] = b;
      k->a[j] = -b * (22 + 11 * j + 2 * i);
    }
    k->EnteredRight = 2;
    k->NotOutOfRight = 3;
    k->EnteredLeft = 3;
    k->NotOutOfLeft = 3;
    *tail = std::move(k);
    tail = &(*tail)->Next;
  }
  return c;
}

ScoreSource AllScored() {
  return [](const std::string&, std::int32_t sides) {
    return sides == 1 ? ScorePairs{2, 3, 0, 0} : ScorePairs{2, 3, 3, 3};
  };
}

std::string DemoParameterFile() {
  const std::filesystem::path beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Parameters.dat";
  return beside.string();
}

}  // namespace vorla::bench
