// The headless tool on a case table of fully scored rows, in-process:
// analyze --all with one job and with two (time per row), and report --all
// without and with a PNG chart, with one job and two (time per case). Peak memory is measured on
// the real program by scripts/bench-cli.sh.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/cli/Commands.h"
#include "params/CaseRun.h"

namespace {

using namespace vorla;

// A folder with the demonstration parameter set and `rows` imported cases,
// every trait scored on both sides with seeded random stages.
class CaseFolder {
 public:
  explicit CaseFolder(int rows) {
    path_ = std::filesystem::temp_directory_path() /
            ("vorla-batch-bench-" + std::to_string(rows) + "-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
    std::filesystem::copy_file(VORLA_BENCH_PARAMETERS, path_ / "Parameters.dat");
    std::ofstream csv(path_ / "cases.csv");
    csv << "SKELETON_NAME,SEX,RACE,HAZARDFUNC";
    for (const ComplexPairs& c : KnownComplexes())
      for (const std::string& base : c.pairBases) csv << ',' << base << "_LOW," << base << "_UPPER";
    csv << "\n";
    std::mt19937 random(1);
    for (int i = 0; i < rows; ++i) {
      csv << "BENCH-" << i << ',' << SexChoices[random() % 3] << ',' << AncestryChoices[random() % 3] << ','
          << ModelChoices[random() % 2];
      for (const ComplexPairs& c : KnownComplexes())
        for (std::size_t p = 0; p < c.pairBases.size(); ++p) {
          const unsigned low = 1 + random() % 3;
          csv << ',' << low << ',' << low + random() % 2;
        }
      csv << "\n";
    }
    csv.close();
    Run(cli::ImportCommand, {(path_ / "cases.csv").string()});
  }
  ~CaseFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  int Run(int (*command)(const std::vector<std::string>&, const char*, std::ostream&, std::ostream&),
          std::vector<std::string> args) const {
    args.insert(args.begin(), {"--dir", path_.string() + "/"});
    std::ostringstream out, err;
    return command(args, "vorla-cli", out, err);
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void BM_AnalyzeAll(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const CaseFolder folder(rows);
  for (auto _ : state) {
    if (folder.Run(cli::AnalyzeCommand, {"--all", "--format", "csv", "--jobs", std::to_string(state.range(1))}) != 0)
      return state.SkipWithError("analyze failed");
  }
  state.counters["per_row"] = benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AnalyzeAll)->Args({2000, 1})->Args({2000, 2})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportAll(benchmark::State& state) {
  const int rows = 40;
  const CaseFolder folder(rows);
  folder.Run(cli::AnalyzeCommand, {"--all"});
  std::vector<std::string> args = {"--all", "--out", folder.Path("reports")};
  if (state.range(0) == 1) args.insert(args.end(), {"--chart", "png"});
  args.insert(args.end(), {"--jobs", std::to_string(state.range(1))});
  for (auto _ : state) {
    if (folder.Run(cli::ReportCommand, args) != 0) return state.SkipWithError("report failed");
  }
  state.counters["per_case"] = benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// Without and with a PNG chart; one job and two.
BENCHMARK(BM_ReportAll)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
