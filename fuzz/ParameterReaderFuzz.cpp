// Feeds arbitrary bytes to the whole-file check of the parameter reader, and
// analyses whatever it accepts: nothing may crash, hang or show undefined
// behaviour.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/Analysis.h"
#include "engine/AnalysisError.h"
#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTrace.h"
#include "params/ParameterCheck.h"
#include "params/ParameterErrors.h"
#include "params/ParameterReader.h"

using namespace vorla;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first byte chooses the group, the selection and the scores.
  const std::uint8_t choice = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const int group = 1 + (choice & 3);
  const ComplexSelection selection{(choice & 4) == 0, (choice & 8) == 0, (choice & 16) == 0};
  const ScoreSource scores = [choice](const std::string& name, std::int32_t sides) {
    std::uint32_t h = choice;
    for (unsigned char ch : name) h = h * 31 + ch;
    ScorePairs s{static_cast<std::int32_t>(h % 10), static_cast<std::int32_t>((h / 10) % 10), 0, 0};
    if (sides != 1)
      s = {s[0], s[1], static_cast<std::int32_t>((h / 100) % 10), static_cast<std::int32_t>((h / 1000) % 10)};
    return s;
  };
  try {
    // Field names of the case table are short; a long one is missing.
    const FieldExists fields = [](const std::string& field) { return field.size() < 24; };
    const auto checked = CheckParameterText(text, "fuzz", fields);
    // Whatever passed the check is whole: every group reads without error.
    try {
      for (int g = 1; g <= 4; ++g) BuildParameterSet(checked->structure, g, scores, selection);
    } catch (const AnalysisError&) {
      __builtin_trap();
    }
    ParameterSet set = BuildParameterSet(checked->structure, group, scores, selection);
    if (!set.Complexes) return 0;
    const AnalysisSettings settings =
        ChooseAnalysisSettings((choice & 64) ? 99 : 95, "logit", (choice & 32) ? "forensic" : "archeological", "", "");
    TTransisionsAnalyseDataSet record;
    record.Complexes = std::move(set.Complexes);
    record.Resvar = set.Resvar;
    Analyse(&record, settings);
    AnalysisTraceText(record);
  } catch (const AnalysisError&) {
  }
  return 0;
}
