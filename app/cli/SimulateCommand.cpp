#include <iostream>
#include <optional>

#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/common/ProgramDirectory.h"
#include "calib/PriorAges.h"
#include "calib/Simulation.h"
#include "params/CaseRun.h"
#include "store/PendingFile.h"

namespace vorla::cli {

const char* const SimulateHelp =
    "Usage: vorla-cli simulate --n N [--params FILE] [--seed S] [--ages DIST]\n"
    "                          [--group 1|2|3|4] [--model NAME] [--sides same|independent]\n"
    "                          [--out FILE]\n"
    "\n"
    "Draws a reference sample from the model of a parameter file: documented ages,\n"
    "and for every trait the stage reached at that age.\n"
    "The sample has the CSV format that calibrate and validate read.\n"
    "\n"
    "  --n N            the number of skeletons\n"
    "  --params FILE    the parameter file (default: Parameters.dat beside the program)\n"
    "  --seed S         seed of the random numbers (default 1); the same seed gives\n"
    "                   the same sample\n"
    "  --ages A         distribution of the ages: uniform:LOW:HIGH (default\n"
    "                   uniform:18:95), or prior:archeological or prior:forensic,\n"
    "                   drawn from that mortality prior on 15 to 110, or gm:A,B,C,\n"
    "                   drawn on 15 to 110 from the Gompertz-Makeham model of\n"
    "                   hazard A + B e^(C x) for a person alive at 15\n"
    "  --group G        everyone in group G (1 female/white, 2 male/white,\n"
    "                   3 female/black, 4 male/black); default: the four in turn\n"
    "  --model NAME     mortality model written into HAZARDFUNC (default the prior\n"
    "                   of --ages prior:NAME, else Archeological)\n"
    "  --sides S        same (default): one stage per trait and skeleton, recorded\n"
    "                   on both sides of a paired trait, as the analysis models it;\n"
    "                   independent: each side draws its own stage, so sides differ\n"
    "  --out FILE       write the sample there instead of to the standard output;\n"
    "                   the file appears only when it is complete\n"
    "\n"
    "Exit codes: 0 done, 1 parameter file of the wrong version, 2 usage error, 3 the\n"
    "parameter file cannot be used or the output cannot be written, 130 stopped.\n";

namespace {

struct SimulateOptions {
  std::string params;
  std::string out;
  calib::SimulationOptions simulation;
};

SimulateOptions ReadOptions(const CommandLine& a, const char* argv0) {
  a.NoWords();
  SimulateOptions o;
  o.params = a.Value("--params").value_or(ExecutableDirectory(argv0) + "Parameters.dat");
  if (!a.Has("--n")) throw UsageError("--n N is needed");
  o.simulation.count = static_cast<std::size_t>(a.Whole("--n", 1, 100000000, 0));
  o.simulation.seed = a.Seed("--seed", 1);
  if (const auto ages = a.Value("--ages")) {
    try {
      if (const auto prior = calib::ParsePriorAges(*ages))
        o.simulation.agePrior = *prior;
      else if (const auto model = calib::ParseMortalityModel(*ages))
        o.simulation.ageModel = *model;
      else
        o.simulation.ages = calib::ParseAgeDistribution(*ages);
    } catch (const std::invalid_argument& e) {
      throw UsageError(std::string("--ages: ") + e.what());
    }
  }
  o.simulation.group = static_cast<int>(a.Whole("--group", 1, 4, 0));
  if (const auto model = a.Value("--model")) {
    if (!IsChoice(*model, ModelChoices)) throw UsageError("--model is Archeological or Forensic, not " + *model);
    o.simulation.model = *model;
  } else if (o.simulation.agePrior == "forensic") {
    o.simulation.model = "Forensic";
  }
  if (const auto sides = a.Value("--sides")) {
    try {
      o.simulation.sides = calib::ParseSideDraw(*sides);
    } catch (const std::invalid_argument& e) {
      throw UsageError(std::string("--sides: ") + e.what());
    }
  }
  o.out = a.Value("--out").value_or("");
  return o;
}

class Simulate final : public Command {
 public:
  Simulate()
      : Command("simulate", SimulateHelp,
                {{"--params", "--n", "--seed", "--ages", "--group", "--model", "--sides", "--out"}}, Work::Long) {}

 private:
  void Read(const CommandLine& line) override { options_ = ReadOptions(line, Argv0()); }
  int Execute() override;
  std::string Stopped(const calib::Interrupted&) const override {
    return options_.out.empty() ? "Stopped; the output is incomplete.\n" : "Stopped; nothing was written.\n";
  }

  SimulateOptions options_;
};

int Simulate::Execute() {
  SimulateOptions& o = options_;
  o.simulation.progress = Hooks();
  // Checked whole before anything is drawn, fitted or allocated for it.
  const auto checked = Parameters(o.params);
  const calib::ParameterStructure& structure = checked->structure;
  std::optional<PendingFile> file;
  if (!o.out.empty()) file.emplace(o.out);
  const calib::SimulationSummary summary = calib::Simulate(structure, o.simulation, file ? file->Stream() : Out());
  if (InterruptRequested()) throw calib::Interrupted();
  if (file) file->Commit();
  Progress().Clear();
  if (summary.unrecordedSides > 0)
    Err() << summary.unrecordedSides << " sides were left empty: no score of the recoding table stands for the "
          << "stage drawn.\n";
  return 0;
}

}  // namespace

int SimulateCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Simulate().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
