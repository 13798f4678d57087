// Speed of the analysis: the searches of one complex, Analyse of a fully
// scored case, and the whole chain of one row through the case table.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "BenchCases.h"
#include "engine/Analysis.h"
#include "engine/AnalysisSettings.h"
#include "engine/MaximumSearch.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"
#include "params/CaseLoading.h"
#include "params/CaseRun.h"
#include "store/CaseTable.h"

using namespace vorla;

namespace {

const AnalysisSettings Defaults = ChooseAnalysisSettings(95, "logit", "archeological", "", "");

// FindMaximum and both confidence-limit searches of a complex of five
// components, each likelihood evaluated afresh (no values reused).
void BM_ComplexMaximumAndLimits(benchmark::State& state) {
  AnalysisTreePtr s = std::make_unique<TTransisionsAnalyseDataSet>();
  s->Complexes = bench::RealisticComplex(5);
  Analyse(s.get(), Defaults);  // normalises the components once
  const TraitComplex& c = *s->Complexes;
  AgeProfile profile;
  for (auto _ : state) {
    const auto f = [&c](double x) { return ComplexLikelihood(c, Defaults.link, x); };
    const MaximumResult m = FindMaximum(f, profile);
    const auto G = [&](double x) { return -std::log(f(x) / m.ML) / c.Resvar - Defaults.criticalValue; };
    benchmark::DoNotOptimize(ConfidenceLimit(G, AgeGridStart, m.MLA));
    benchmark::DoNotOptimize(ConfidenceLimit(G, m.MLA, AgeGridEnd));
  }
}
BENCHMARK(BM_ComplexMaximumAndLimits)->Unit(benchmark::kMicrosecond);

// Analyse of a loaded case with all nineteen components scored on both sides.
void BM_AnalyseAllComponents(benchmark::State& state) {
  const std::string file = bench::DemoParameterFile();
  if (!std::filesystem::exists(file)) return state.SkipWithError("no Parameters.dat beside the program");
  for (auto _ : state) {
    state.PauseTiming();
    ParameterSet set = ReadParameterSet(file, 2, bench::AllScored(), {});
    TTransisionsAnalyseDataSet record;
    record.Complexes = std::move(set.Complexes);
    record.Resvar = set.Resvar;
    state.ResumeTiming();
    Analyse(&record, Defaults);
    benchmark::DoNotOptimize(record.Hazard_MLA);
  }
}
BENCHMARK(BM_AnalyseAllComponents)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// One row end to end: prepare (parameter file and row), analyse, store the
// results in the SQLite table, write the trace, release.
void BM_WholeChainOneRow(benchmark::State& state) {
  const std::string file = bench::DemoParameterFile();
  if (!std::filesystem::exists(file)) return state.SkipWithError("no Parameters.dat beside the program");
  const auto dir = std::filesystem::temp_directory_path() / "vorla-bench-chain";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  CaseTable table;
  table.Open(dir.string());
  table.Append();
  table.SetFieldText("SKELETON_NAME", "bench");
  table.SetFieldText("SEX", "Male");
  table.SetFieldText("RACE", "White");
  table.SetFieldText("HAZARDFUNC", "Forensic");
  for (const ComplexPairs& c : KnownComplexes())
    for (const std::string& base : c.pairBases) {
      table.SetFieldInteger(base + "_LOW", 2);
      table.SetFieldInteger(base + "_UPPER", 3);
    }
  table.Post();
  RunSettings settings;
  settings.parameterFile = file;
  settings.tracePath = (dir / "TATree.txt").string();
  for (auto _ : state) benchmark::DoNotOptimize(AnalyzeRow(table, {}, settings).outcome);
  table.Close();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WholeChainOneRow)->Unit(benchmark::kMillisecond);

}  // namespace
