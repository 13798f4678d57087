#pragma once
// The in-memory model of one case prepared for transition analysis: a case
// record owning its trait complexes, each owning its scored components.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vorla {

inline constexpr std::int32_t AgeGridStart = 15;
inline constexpr std::int32_t AgeGridEnd = 110;
inline constexpr double AgeGridStep = 0.25;
inline constexpr int AgeGridSize = 381;

// Age of grid point i, always computed from the integer, never by accumulation.
inline double GridAge(int i) {
  return i * AgeGridStep + AgeGridStart;
}

inline constexpr int MaxTransitions = 10;
inline constexpr std::size_t NodeNameLength = 31;
inline constexpr std::size_t CaseNameLength = 63;
inline constexpr std::size_t ChoiceTextLength = 15;

// The first `length` characters of a text.
std::string CutText(std::string_view text, std::size_t length);

struct AgePoint {
  double Age = 0.0;
  double Lik = 0.0;
};

using AgeProfile = std::array<AgePoint, AgeGridSize>;
using TransitionParameters = std::array<double, MaxTransitions>;

struct TraitComponent {
  std::string ComponentName;
  std::int32_t EnteredRight = 0;
  std::int32_t NotOutOfRight = 0;
  std::int32_t EnteredLeft = 0;
  std::int32_t NotOutOfLeft = 0;
  std::array<std::int32_t, 4> RawScores{};  // right low, right upper, left low, left upper
  std::int32_t NumStagesOfComponent = 0;
  AgeProfile Profile{};
  double MLA = 0.0;
  double ComponentNormalizingConst = 0.0;
  TransitionParameters a{}, b{}, c{}, d{}, e{};
  std::unique_ptr<TraitComponent> Next;

  TraitComponent() = default;
  TraitComponent(const TraitComponent&) = delete;
  TraitComponent& operator=(const TraitComponent&) = delete;
  ~TraitComponent();
};

struct TraitComplex {
  std::string Complexname;
  std::unique_ptr<TraitComplex> Next;
  std::unique_ptr<TraitComponent> Components;
  double Resvar = 1.0;
  AgeProfile Profile{};
  double MLA = 0.0;
  double ML = 0.0;
  double CILow = 0.0;
  double CIHigh = 0.0;
  std::int32_t DF = 0;
  double SE = 1.0;
  double Consistensy = 0.0;
  double PConsistensy = -1.0;

  TraitComplex() = default;
  TraitComplex(const TraitComplex&) = delete;
  TraitComplex& operator=(const TraitComplex&) = delete;
  ~TraitComplex();
};

struct TTransisionsAnalyseDataSet {
  double CL = 0.0;  // printed by the trace, set by nothing
  std::string Name;
  std::string Sex;
  std::string Race;
  std::string HazardFunc;
  // The A, B, C and D of a mortality model of the case folder's own, as the
  // trace gives them; empty for the built-in models.
  std::string HazardModel;
  std::string ParameterFile;
  std::int32_t Group = 1;
  double Resvar = 1.0;
  std::unique_ptr<TraitComplex> Complexes;
  AgeProfile Likelihood{};
  AgeProfile HazardLikelihood{};
  double MLA = 0.0;
  double ML = 0.0;
  double CILow = 0.0;
  double CIHigh = 0.0;
  std::int32_t DF = 0;
  double SE = 1.0;
  double Consistensy = 0.0;
  double PConsistensy = -1.0;
  double Hazard_MLA = 0.0;
  double Hazard_ML = 0.0;
  double Hazard_SE = 1.0;
  double Hazard_CILow = 0.0;
  double Hazard_CIHigh = 0.0;
};

using AnalysisTreePtr = std::unique_ptr<TTransisionsAnalyseDataSet>;

// Releases the case record with every complex and component; harmless on none.
void FreeAnalysisTree(AnalysisTreePtr& record);

int CountComplexes(const TTransisionsAnalyseDataSet& record);
int CountComponents(const TraitComplex& complex);

}  // namespace vorla
