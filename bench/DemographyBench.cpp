// vorla-cli demography in-process on a case folder of 10,000 skeletons
// simulated from a Gompertz-Makeham model and imported: reading the cases,
// their likelihoods, the Makeham or Gompertz fit with its limits, and the
// output.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "app/cli/Commands.h"

namespace {

using namespace vorla;

using CommandFunction = int (*)(const std::vector<std::string>&, const char*, std::ostream&, std::ostream&);

class Cemetery {
 public:
  Cemetery(int skeletons, const char* ages) {
    path_ =
        std::filesystem::temp_directory_path() / ("vorla-demography-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
    std::filesystem::copy_file(VORLA_BENCH_PARAMETERS, path_ / "Parameters.dat");
    const std::string csv = (path_ / "cemetery.csv").string();
    Run(cli::SimulateCommand, {"--params", (path_ / "Parameters.dat").string(), "--n", std::to_string(skeletons),
                               "--ages", ages, "--out", csv});
    Run(cli::ImportCommand, {"--dir", path_.string(), csv});
  }
  ~Cemetery() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  int Run(CommandFunction command, const std::vector<std::string>& args) const {
    std::ostringstream out, err;
    return command(args, "vorla-cli", out, err);
  }
  std::string Dir() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Arg 1: Makeham, 0: Gompertz, on a cemetery with a Makeham term; 2: Makeham
// on a cemetery drawn from the forensic prior, whose A is 0 (the fit ends at
// the boundary A = 0, and A's profile interval starts there).
void BM_Demography(benchmark::State& state) {
  static const Cemetery makeham(10000, "gm:0.01,5e-05,0.09");
  static const Cemetery forensic(10000, "prior:forensic");
  const Cemetery& cemetery = state.range(0) == 2 ? forensic : makeham;
  const char* model = state.range(0) != 0 ? "makeham" : "gompertz";
  for (auto _ : state) {
    if (cemetery.Run(cli::DemographyCommand, {"--dir", cemetery.Dir(), "--model", model, "--format", "json"}) != 0)
      return state.SkipWithError("demography failed");
  }
}
BENCHMARK(BM_Demography)->Arg(1)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
