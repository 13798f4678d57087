#include <ctime>
#include <filesystem>
#include <optional>

#include "app/cli/CliArguments.h"
#include "app/cli/Commands.h"
#include "app/cli/LongWork.h"
#include "app/cli/OptionNumbers.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/cli/ReferenceSource.h"
#include "app/common/ProgramDirectory.h"
#include "calib/Calibration.h"
#include "calib/CalibrationReport.h"
#include "calib/ParameterWriter.h"
#include "params/ParameterErrors.h"
#include "store/PendingFile.h"

namespace vorla::cli {

const char* const CalibrateHelp =
    "Usage: vorla-cli calibrate (REFERENCE.csv | --dir DIR) --out FILE [--template FILE]\n"
    "                           [--min-per-transition N] [--pool-groups] [--report FILE]\n"
    "\n"
    "Fits a parameter set to a reference sample of skeletons of documented age.\n"
    "REFERENCE.csv has the columns of the case table (the score fields, SEX, RACE,\n"
    "SKELETON_NAME, ...) and AGE, the documented age at death in years (15 to 110).\n"
    "With --dir DIR the sample is the cases of the case table in DIR that have an\n"
    "AGE (import it with vorla-cli import, or type it as \"Documented age\").\n"
    "For every trait and every sex and ancestry group, the a and b of all stage\n"
    "transitions are fitted by maximum likelihood at the documented ages; c, d and e\n"
    "become 0. Complexes, traits, stages, recoding tables and variance factors are\n"
    "those of the template.\n"
    "\n"
    "  --out FILE                the parameter file to write\n"
    "  --template FILE           the parameter file whose structure is used\n"
    "                            (default: Parameters.dat beside the program)\n"
    "  --min-per-transition N    individuals needed on each side of every transition\n"
    "                            (default 20)\n"
    "  --pool-groups             fit a trait that a group cannot determine on all\n"
    "                            groups together, and say so in the report\n"
    "  --report FILE             write the report there (CSV when FILE ends in .csv)\n"
    "                            instead of printing it\n"
    "\n"
    "Nothing is written unless the whole calibration succeeds; Ctrl-C stops it and\n"
    "leaves no file behind.\n"
    "Exit codes: 0 written, 1 template of the wrong version, 2 usage error, 3 the\n"
    "sample or the template cannot be used, 130 stopped.\n";

namespace {

struct CalibrateOptions {
  ReferenceSource source;
  std::string sample;
  std::string out;
  std::string templateFile;
  std::string report;
  calib::CalibrationOptions fit;
};

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) ||
         std::filesystem::weakly_canonical(a, error) == std::filesystem::weakly_canonical(b, error);
}

CalibrateOptions ParseOptions(const std::vector<std::string>& args, const char* argv0) {
  const CliArguments a(args, {"--out", "--template", "--min-per-transition", "--report", "--dir"}, {"--pool-groups"});
  CalibrateOptions o;
  o.source = ReferenceSourceOption(a);
  o.sample = o.source.csv.empty() ? o.source.dir + "TAData.db" : o.source.csv;
  if (!a.Value("--out") || a.Value("--out")->empty()) throw UsageError("--out FILE is needed");
  o.out = *a.Value("--out");
  o.templateFile = a.Value("--template").value_or(ExecutableDirectory(argv0) + "Parameters.dat");
  o.report = a.Value("--report").value_or("");
  o.fit.minPerTransition = static_cast<int>(WholeOption(a, "--min-per-transition", 1, 1000000, 20));
  o.fit.poolGroups = a.Has("--pool-groups");
  if (SameFile(o.out, o.sample)) throw UsageError("--out names the reference sample itself");
  if (!o.report.empty() &&
      (SameFile(o.report, o.out) || SameFile(o.report, o.sample) || SameFile(o.report, o.templateFile)))
    throw UsageError("--report names a file that the calibration reads or writes");
  return o;
}

bool EndsWithCsv(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  return extension == ".csv" || extension == ".CSV";
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* utc = std::gmtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", utc);
  return text;
}

// The written text must read back to the numbers that were fitted.
void CheckReadsBack(const std::string& text, const calib::ParameterStructure& fitted, const std::string& out) {
  const calib::ParameterStructure back = calib::ParameterStructureFromText(text, out);
  bool same = back.complexes.size() == fitted.complexes.size();
  for (std::size_t c = 0; same && c < back.complexes.size(); ++c) {
    const auto& kb = back.complexes[c].components;
    const auto& kf = fitted.complexes[c].components;
    same = kb.size() == kf.size();
    for (std::size_t k = 0; same && k < kb.size(); ++k)
      for (std::size_t r = 0; same && r < kb[k].rows.size(); ++r)
        same = kb[k].rows[r].a == kf[k].rows[r].a && kb[k].rows[r].b == kf[k].rows[r].b;
  }
  if (!same)
    throw std::runtime_error("The parameter file would not read back to the fitted numbers; nothing was written.");
}

}  // namespace

int CalibrateCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  CalibrateOptions o;
  try {
    o = ParseOptions(args, argv0);
  } catch (const UsageError& e) {
    err << "vorla-cli calibrate: " << e.what() << "\n\n" << CalibrateHelp;
    return 2;
  }
  CatchInterrupt();
  ProgressLine progress(err, "calibrate");
  o.fit.progress = &progress.Hooks();
  try {
    // Checked whole before anything is drawn, fitted or allocated for it.
    const auto checked = CheckedParameterFile(o.templateFile, err);
    const calib::ParameterStructure& structure = checked->structure;
    const calib::ReferenceSample sample = ReadReference(o.source, structure, {});
    const calib::CalibrationResult result = calib::Calibrate(structure, sample, o.fit);

    const std::string sampleName = std::filesystem::path(o.sample).filename().string();
    const std::string text = calib::ParameterFileText(
        result.parameters,
        "calibrated on " + sampleName + " (" + std::to_string(result.individuals) + " individuals) on " + UtcNow());
    CheckReadsBack(text, result.parameters, o.out);
    const bool csv = !o.report.empty() && EndsWithCsv(o.report);
    const std::string report =
        csv ? calib::CalibrationReportCsv(result) : calib::CalibrationReportText(result, o.sample, o.templateFile);

    PendingFile parameterFile(o.out);
    parameterFile.Stream() << text;
    std::optional<PendingFile> reportFile;
    if (!o.report.empty()) {
      reportFile.emplace(o.report);
      reportFile->Stream() << report;
    }
    if (InterruptRequested()) throw calib::Interrupted();
    parameterFile.Commit();
    if (reportFile) reportFile->Commit();
    progress.Clear();
    if (o.report.empty()) out << report;
    err << "Wrote " << o.out << ": " << structure.ComponentCount() << " traits, " << structure.groups
        << " groups, calibrated on " << result.individuals << " individuals.\n";
    return 0;
  } catch (const calib::Interrupted&) {
    progress.Clear();
    err << "Stopped; nothing was written.\n";
    return InterruptedExitCode;
  } catch (const ParameterVersionError& version) {
    progress.Clear();
    err << VersionMismatchMessage(o.templateFile, version) << "\n";
    return 1;
  } catch (const calib::CalibrationError& e) {
    progress.Clear();
    err << e.what() << "\n";
    if (e.poolingMayHelp)
      err << "Give --pool-groups to fit such a trait on all groups together, or --min-per-transition to change "
             "the number of individuals needed.\n";
    err << "Nothing was written.\n";
    return 3;
  } catch (const std::exception& e) {
    progress.Clear();
    err << e.what() << "\nNothing was written.\n";
    return 3;
  }
}

}  // namespace vorla::cli
