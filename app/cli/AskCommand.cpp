// vorla-cli ask: the probability of an age threshold, the posterior median,
// the shortest single interval and the likelihood ratio for a candidate's age,
// from each chosen case's scores, without writing the case.
#include <charconv>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "app/cli/CaseChoice.h"
#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/cli/ResultReport.h"
#include "app/common/ProgramDirectory.h"
#include "engine/AnalysisError.h"
#include "params/AgeQuestionRun.h"
#include "store/CaseTable.h"

namespace vorla::cli {

const char* const AskHelp =
    "Usage: vorla-cli ask [--dir DIR] (--id N | --name NAME | --all) [--at-least T]...\n"
    "                     [--candidate-age A] [--level 90|95|99] [--priors all]\n"
    "                     [--format text|json|csv]\n"
    "\n"
    "Answers forensic questions about stored cases from their scores, exactly as\n"
    "the Analyze action reads them, under the mortality prior each case chose.\n"
    "Nothing is stored and no trace is written.\n"
    "\n"
    "  --dir DIR          the folder holding Parameters.dat and TAData.db\n"
    "                     (default: the folder of the program)\n"
    "  --id N, --name NAME, --all   the cases, as for analyze\n"
    "  --at-least T       the probability that the age at death is T or more\n"
    "                     (and less than T); may be given more than once\n"
    "  --candidate-age A  the likelihood ratio for a candidate of age A: how much\n"
    "                     more probable the scores are for a person of A than for\n"
    "                     a random death from the prior population\n"
    "  --level L          level of the shortest single interval and of the limits of\n"
    "                     the corrected estimate: 90, 95 (default) or 99\n"
    "  --priors all       the answers under every mortality model side by side: the\n"
    "                     built-in ones and the folder's own (Mortality.txt), each\n"
    "                     with its corrected estimate and limits, whatever model the\n"
    "                     case chose\n"
    "  --format F         text (default), json or csv\n"
    "\n"
    "Ages T and A are numbers from 15 to 110. Every case also gets its posterior\n"
    "median age and its shortest single interval. A case the Analyze action would\n"
    "refuse gets its message instead of numbers.\n"
    "Exit codes: 0 every case answered, 1 parameter file of the wrong version,\n"
    "2 usage error, 3 a case could not be answered, or the folder, the parameter\n"
    "file or the case table could not be used.\n";

namespace {

enum class AskFormat { Text, Csv, Json };

struct AskOptions {
  std::string dir;
  CaseChoice cases;
  AgeQuestionSet questions;
  std::vector<std::string> thresholdTexts;  // as given, for the column names
  AskFormat format = AskFormat::Text;
  bool everyPrior = false;
};

double AgeOption(const std::string& option, const std::string& text) {
  const std::optional<double> age = ReadAskableAge(text);
  if (!age) throw UsageError(option + " takes an age from 15 to 110 years, not " + text);
  return *age;
}

AskOptions ReadOptions(const CommandLine& a) {
  AskOptions o;
  for (const std::string& text : a.Values("--at-least")) {
    o.questions.thresholds.push_back(AgeOption("--at-least", text));
    const std::size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    o.thresholdTexts.push_back(text.substr(first, last - first + 1));
  }
  a.NoWords();
  o.dir = a.Value("--dir").value_or("");
  o.cases = ReadCaseChoice(a);
  o.questions.level = a.Level();
  if (const auto candidate = a.Value("--candidate-age"))
    o.questions.candidateAge = AgeOption("--candidate-age", *candidate);
  static const AskFormat formats[] = {AskFormat::Text, AskFormat::Csv, AskFormat::Json};
  o.format = formats[a.Choice("--format", {"text", "csv", "json"}, 0, "--format is text, csv or json")];
  if (a.Has("--priors")) o.everyPrior = a.Choice("--priors", {"all"}, 0, "--priors takes all") == 0;
  return o;
}

struct CaseAnswers {
  std::int32_t id = 0;
  std::string name;
  RowAgeAnswers answers;
  PriorComparison comparison;  // with --priors all
};

std::string Number(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

void PrintText(const std::vector<CaseAnswers>& cases, const AskOptions& o, std::ostream& out) {
  for (const CaseAnswers& c : cases) {
    out << "Case " << c.id << " \"" << c.name << "\":\n";
    for (const std::string& line : AnswerSentences(c.answers, o.questions)) out << "  " << line << "\n";
  }
}

// One table per case: a line per model, the models in the order of the window's list.
void PrintPriorsText(const std::vector<CaseAnswers>& cases, const AskOptions& o, std::ostream& out) {
  const AgeQuestionSet& q = o.questions;
  for (const CaseAnswers& c : cases) {
    out << "Case " << c.id << " \"" << c.name << "\" under each mortality prior:\n";
    if (c.comparison.answers.empty()) {
      out << "  " << c.comparison.message << "\n";
      continue;
    }
    const std::vector<std::vector<std::string>> rows = PriorComparisonTable(c.comparison, q);
    const std::vector<std::string>& head = rows.front();
    // Columns as wide as their widest cell, counted in characters, not bytes.
    const auto shown = [](const std::string& s) {
      std::size_t n = 0;
      for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
      return n;
    };
    std::vector<std::size_t> width(head.size(), 0);
    for (const auto& row : rows)
      for (std::size_t i = 0; i < row.size(); ++i)
        if (row.size() == head.size() || i == 0) width[i] = std::max(width[i], shown(row[i]));
    for (const auto& row : rows) {
      out << " ";
      for (std::size_t i = 0; i < row.size(); ++i) {
        out << " " << row[i];
        if (i + 1 < row.size()) out << std::string(width[i] - shown(row[i]) + 1, ' ');
      }
      out << "\n";
    }
  }
}

void PrintCsv(const std::vector<CaseAnswers>& cases, const AskOptions& o, std::ostream& out) {
  out << "SKELETON_ID,SKELETON_NAME";
  for (const std::string& t : o.thresholdTexts) out << "," << CsvCell("P_AT_LEAST_" + t);
  out << ",POSTERIOR_MEDIAN,HDI_LOW,HDI_HIGH";
  if (o.questions.candidateAge) out << ",LR_CANDIDATE";
  out << ",MESSAGE\n";
  for (const CaseAnswers& c : cases) {
    const std::optional<AgeAnswers>& a = c.answers.answers;
    out << c.id << "," << CsvCell(c.name);
    for (std::size_t j = 0; j < o.thresholdTexts.size(); ++j) out << "," << (a ? Number(a->probabilityAtLeast[j]) : "");
    out << "," << (a ? Number(a->median) : "") << "," << (a ? Number(a->interval.low) : "") << ","
        << (a ? Number(a->interval.high) : "");
    if (o.questions.candidateAge) out << "," << (a && a->likelihoodRatio ? Number(*a->likelihoodRatio) : "");
    out << "," << CsvCell(a ? "" : c.answers.message) << "\n";
  }
}

// One line per case and model; a case refused under every model gets one line with its message.
void PrintPriorsCsv(const std::vector<CaseAnswers>& cases, const AskOptions& o, std::ostream& out) {
  out << "SKELETON_ID,SKELETON_NAME,PRIOR,CORRECTED,CORRECTED_LOW,CORRECTED_HIGH";
  for (const std::string& t : o.thresholdTexts) out << "," << CsvCell("P_AT_LEAST_" + t);
  out << ",POSTERIOR_MEDIAN,HDI_LOW,HDI_HIGH";
  if (o.questions.candidateAge) out << ",LR_CANDIDATE";
  out << ",MESSAGE\n";
  // The number cells after PRIOR.
  const std::size_t empties = 6 + o.thresholdTexts.size() + (o.questions.candidateAge ? 1 : 0);
  for (const CaseAnswers& c : cases) {
    if (c.comparison.answers.empty()) {
      out << c.id << "," << CsvCell(c.name) << ",," << std::string(empties, ',') << CsvCell(c.comparison.message)
          << "\n";
      continue;
    }
    for (const RowAgeAnswers& r : c.comparison.answers) {
      const bool have = r.answers && r.corrected;
      out << c.id << "," << CsvCell(c.name) << "," << CsvCell(r.priorName);
      if (!have) {
        out << std::string(empties, ',') << "," << CsvCell(r.message) << "\n";
        continue;
      }
      const AgeAnswers& a = *r.answers;
      out << "," << Number(r.corrected->estimate) << "," << Number(r.corrected->low) << ","
          << Number(r.corrected->high);
      for (double p : a.probabilityAtLeast) out << "," << Number(p);
      out << "," << Number(a.median) << "," << Number(a.interval.low) << "," << Number(a.interval.high);
      if (o.questions.candidateAge) out << "," << (a.likelihoodRatio ? Number(*a.likelihoodRatio) : "");
      out << ",\n";
    }
  }
}

void PrintPriorsJson(const std::vector<CaseAnswers>& cases, const AskOptions& o, std::ostream& out) {
  out << "[";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const CaseAnswers& c = cases[i];
    out << (i ? ",\n " : "\n ") << "{\"SKELETON_ID\": " << c.id << ", \"SKELETON_NAME\": " << JsonString(c.name);
    if (c.comparison.answers.empty()) {
      out << ", \"message\": " << JsonString(c.comparison.message) << "}";
      continue;
    }
    out << ", \"hdi_level\": " << o.questions.level << ", \"priors\": [";
    for (std::size_t k = 0; k < c.comparison.answers.size(); ++k) {
      const RowAgeAnswers& r = c.comparison.answers[k];
      out << (k ? ",\n   " : "\n   ") << "{\"prior\": " << JsonString(r.priorName);
      if (!r.answers || !r.corrected) {
        out << ", \"message\": " << JsonString(r.message) << "}";
        continue;
      }
      const AgeAnswers& a = *r.answers;
      out << ", \"corrected\": " << Number(r.corrected->estimate) << ", \"corrected_low\": " << Number(r.corrected->low)
          << ", \"corrected_high\": " << Number(r.corrected->high) << ", \"at_least\": [";
      for (std::size_t j = 0; j < o.questions.thresholds.size(); ++j)
        out << (j ? ", " : "") << "{\"age\": " << Number(o.questions.thresholds[j])
            << ", \"probability\": " << Number(a.probabilityAtLeast[j]) << "}";
      out << "], \"posterior_median\": " << Number(a.median) << ", \"hdi_low\": " << Number(a.interval.low)
          << ", \"hdi_high\": " << Number(a.interval.high);
      if (o.questions.candidateAge && a.likelihoodRatio)
        out << ", \"candidate_age\": " << Number(*o.questions.candidateAge)
            << ", \"lr_candidate\": " << Number(*a.likelihoodRatio);
      out << "}";
    }
    out << "]}";
  }
  out << "\n]\n";
}

void PrintJson(const std::vector<CaseAnswers>& cases, const AskOptions& o, std::ostream& out) {
  out << "[";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const CaseAnswers& c = cases[i];
    const std::optional<AgeAnswers>& a = c.answers.answers;
    out << (i ? ",\n " : "\n ") << "{\"SKELETON_ID\": " << c.id << ", \"SKELETON_NAME\": " << JsonString(c.name);
    if (!a) {
      out << ", \"message\": " << JsonString(c.answers.message) << "}";
      continue;
    }
    out << ", \"prior\": " << JsonString(c.answers.priorName) << ", \"at_least\": [";
    for (std::size_t j = 0; j < o.questions.thresholds.size(); ++j)
      out << (j ? ", " : "") << "{\"age\": " << Number(o.questions.thresholds[j])
          << ", \"probability\": " << Number(a->probabilityAtLeast[j]) << "}";
    out << "], \"posterior_median\": " << Number(a->median) << ", \"hdi_level\": " << o.questions.level
        << ", \"hdi_low\": " << Number(a->interval.low) << ", \"hdi_high\": " << Number(a->interval.high);
    if (o.questions.candidateAge && a->likelihoodRatio)
      out << ", \"candidate_age\": " << Number(*o.questions.candidateAge)
          << ", \"lr_candidate\": " << Number(*a->likelihoodRatio);
    out << "}";
  }
  out << "\n]\n";
}

class Ask final : public Command {
 public:
  Ask()
      : Command("ask", AskHelp,
                {{"--dir", "--id", "--name", "--level", "--format", "--candidate-age", "--priors"},
                 {"--all"},
                 {"--at-least"}}) {}

 private:
  void Read(const CommandLine& line) override { options_ = ReadOptions(line); }
  int Execute() override;

  AskOptions options_;
};

int Ask::Execute() {
  const AskOptions& o = options_;
  std::ostream& out = Out();
  std::ostream& err = Err();
  const std::string dir = WorkingDirectory(o.dir, Argv0());
  if (!std::filesystem::is_directory(dir)) {
    err << "The folder " << dir << " does not exist.\n";
    return 3;
  }
  const std::string parameterFile = dir + "Parameters.dat";
  FailureNote = "No case was answered.\n";
  const std::shared_ptr<const CheckedParameters> parameters = Parameters(parameterFile);
  FailureNote.clear();
  NoteDemonstrationSet(*parameters, err);

  std::vector<CaseAnswers> cases;
  {
    CaseTable table;
    table.Open(dir);
    for (std::int32_t id : SelectRows(table, o.cases)) {
      table.LocateId(id);
      CaseAnswers c{id, table.FieldAsText("SKELETON_NAME"), {}, {}};
      if (o.everyPrior)
        c.comparison = AskUnderEveryPrior(table, ComplexSelection{}, parameterFile, parameters, o.questions);
      else
        c.answers = AskAboutRow(table, ComplexSelection{}, parameterFile, parameters, o.questions);
      cases.push_back(std::move(c));
    }
  }
  if (o.everyPrior) {
    if (o.format == AskFormat::Csv)
      PrintPriorsCsv(cases, o, out);
    else if (o.format == AskFormat::Json)
      PrintPriorsJson(cases, o, out);
    else
      PrintPriorsText(cases, o, out);
    bool allAnswered = true;
    for (const CaseAnswers& c : cases) {
      if (c.comparison.answers.empty()) {
        allAnswered = false;
        err << "Case " << c.id << " \"" << c.name << "\": " << c.comparison.message << "\n";
      }
      for (const RowAgeAnswers& r : c.comparison.answers)
        if (!r.answers) {
          allAnswered = false;
          err << "Case " << c.id << " \"" << c.name << "\" under " << r.priorName << ": " << r.message << "\n";
        }
    }
    return allAnswered ? 0 : 3;
  }
  if (o.format == AskFormat::Csv)
    PrintCsv(cases, o, out);
  else if (o.format == AskFormat::Json)
    PrintJson(cases, o, out);
  else
    PrintText(cases, o, out);
  bool allAnswered = true;
  for (const CaseAnswers& c : cases)
    if (!c.answers.answers) {
      allAnswered = false;
      err << "Case " << c.id << " \"" << c.name << "\": " << c.answers.message << "\n";
    }
  return allAnswered ? 0 : 3;
}

}  // namespace

int AskCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Ask().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
