#include "params/CaseRun.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/Analysis.h"
#include "engine/AnalysisError.h"
#include "engine/AnalysisSettings.h"
#include "engine/PriorModels.h"
#include "engine/TextCase.h"
#include "engine/TraceFormat.h"
#include "params/CaseLoading.h"
#include "params/MortalityModelFile.h"
#include "params/ResultWriteBack.h"
#include "params/TraceFile.h"

namespace vorla {

const char* const NoAncestryMessage = "You must choose an ancestry-specific mortality profile, or unknown ancestry.";
const char* const NoSexMessage = "You must choose a sex-specific mortality profile, or unknown sex.";
const char* const NoModelMessage = "You must choose a prior mortality distribution to use.";
const char* const NoDataTypesMessage = "You must choose the data types to analyze.";
const char* const NoDataMessage = "No data to analyze.";

const std::vector<std::string> SexChoices = {"Female", "Male", "Unknown"};
const std::vector<std::string> AncestryChoices = {"White", "Black", "Unknown"};
const std::vector<std::string> ModelChoices = {"Archeological", "Forensic"};

namespace {

std::vector<std::string> Sided(const std::vector<std::string>& stems) {
  std::vector<std::string> bases;
  for (const char* side : {"_L", "_R"})
    for (const std::string& stem : stems) bases.push_back(stem + side);
  return bases;
}

std::int32_t WholeNumber(const std::string& text) {
  try {
    std::size_t used = 0;
    const long value = std::stol(text, &used);
    if (used == text.size() && value >= INT32_MIN && value <= INT32_MAX) return static_cast<std::int32_t>(value);
  } catch (const std::exception&) {
  }
  throw AnalysisError("'" + text + "' is not a valid integer value");
}

}  // namespace

const std::array<ComplexPairs, 3>& KnownComplexes() {
  static const std::array<ComplexPairs, 3> complexes = {{
      {"SUTURES",
       "Cranial Sutures",
       "RES_CRA_",
       {"CRA_PTERICA", "CRA_SAGITTAL", "CRA_LAMDOID", "CRA_INTERPL", "CRA_MAXILARE"}},
      {"PUBIS", "Pubic Symphysis", "RES_PUB_",
       Sided({"PUB_RELIEF", "PUB_TEXTURE", "PUB_OSSICLE", "PUB_VENTRALM", "PUB_DORSALM"})},
      {"AURICULAR", "Auricular Area", "RES_AUR_",
       Sided({"AUR_TOPOSUP", "AUR_TOPOINF", "AUR_MORSUP", "AUR_MORAPIC", "AUR_MORINF", "AUR_TEXINF", "AUR_EXOSUP",
              "AUR_EXOINF", "AUR_SPICUL"})},
  }};
  return complexes;
}

bool& SelectionFlag(ComplexSelection& selection, int complexIndex) {
  return complexIndex == 0   ? selection.UseCranialData
         : complexIndex == 1 ? selection.UsePubicData
                             : selection.UseAuricularData;
}

bool SelectionFlag(const ComplexSelection& selection, int complexIndex) {
  return SelectionFlag(const_cast<ComplexSelection&>(selection), complexIndex);
}

bool IsChoice(const std::string& text, const std::vector<std::string>& choices) {
  const std::string lower = LowerCase(text);
  for (const std::string& choice : choices)
    if (LowerCase(choice) == lower) return true;
  return false;
}

std::optional<std::string> MissingChoiceMessage(bool ancestryChosen, bool sexChosen, bool modelChosen) {
  if (!ancestryChosen) return NoAncestryMessage;
  if (!sexChosen) return NoSexMessage;
  if (!modelChosen) return NoModelMessage;
  return std::nullopt;
}

ScorePairKeys::ScorePairKeys(const std::string& pairBase)
    : base(pairBase), low(base + "_LOW"), upper(base + "_UPPER") {}

void OrderScorePair(CaseRow& row, const ScorePairKeys& pair, const std::string& minText, const std::string& maxText) {
  if (maxText.empty()) return;
  if (minText.empty()) {
    row.Edit();
    row.SetFieldInteger(pair.low, WholeNumber(maxText));
    row.SetFieldNull(pair.upper);
  } else if (minText > maxText) {
    row.Edit();
    const std::int32_t low = WholeNumber(maxText), upper = WholeNumber(minText);
    row.SetFieldInteger(pair.low, low);
    row.SetFieldInteger(pair.upper, upper);
  }
}

void OrderScorePair(CaseRow& row, const std::string& base, const std::string& minText, const std::string& maxText) {
  OrderScorePair(row, ScorePairKeys(base), minText, maxText);
}

std::vector<std::string> ComplexPairBases(int complexIndex, const CheckedParameters* parameters) {
  if (parameters == nullptr) return KnownComplexes()[static_cast<std::size_t>(complexIndex)].pairBases;
  return ComplexPairBases(complexIndex, parameters->ownTraits);
}

std::vector<std::string> ComplexPairBases(int complexIndex, const std::vector<OwnTrait>& ownTraits) {
  const ComplexPairs& known = KnownComplexes()[static_cast<std::size_t>(complexIndex)];
  std::vector<std::string> bases = known.pairBases;
  for (const OwnTrait& trait : ownTraits) {
    if (trait.complex != known.complexName) continue;
    if (!trait.paired) {
      bases.push_back(trait.name);
      continue;
    }
    bases.push_back(trait.name + "_R");
    bases.push_back(trait.name + "_L");
  }
  return bases;
}

// The set a run uses: the one checked before the run, or the file as it is.
std::shared_ptr<const CheckedParameters> SetOfRun(const RunSettings& settings) {
  if (settings.parameters) return settings.parameters;
  return CheckParameterFile(settings.parameterFile, {});
}

std::shared_ptr<const OwnMortalityModels> ModelsOfRun(const RunSettings& settings) {
  if (settings.ownModels) return settings.ownModels;
  const std::filesystem::path folder = std::filesystem::path(settings.parameterFile).parent_path();
  return std::make_shared<const OwnMortalityModels>(ReadMortalityModels((folder / MortalityModelFileName).string()));
}

std::shared_ptr<const CaseLayout> LayoutOfRun(const RunSettings& settings) {
  if (settings.layout) return settings.layout;
  return std::make_shared<const CaseLayout>(settings.parameters.get());
}

namespace {

// The settings with the layout made, once for the case.
RunSettings Resolved(const RunSettings& settings) {
  RunSettings resolved = settings;
  resolved.layout = LayoutOfRun(settings);
  return resolved;
}

}  // namespace

void WriteTrace(const TTransisionsAnalyseDataSet* record, const RunSettings& settings) {
  try {
    if (!settings.tracePath.empty()) WriteAnalysisTrace(record, settings.tracePath);
  } catch (const std::exception& e) {
    // The results stand without the trace; the failure is said.
    if (settings.onTraceFailed) settings.onTraceFailed(e.what());
  }
}

CaseResults AnalyzeCase(const CaseRecord& record, const RunSettings& settings) {
  const std::shared_ptr<const CheckedParameters> parameters = SetOfRun(settings);
  const std::shared_ptr<const OwnMortalityModels> models = ModelsOfRun(settings);
  const AnalysisSettings analysis =
      ChooseAnalysisSettings(settings.level, "logit", record.model, record.sex, record.race, *models);
  AnalysisTreePtr analysed = LoadCase(record, *parameters, analysis.group);
  if (analysed && !IsBuiltInModelName(record.model)) {
    const HazardTableType& p = analysis.prior;
    analysed->HazardModel = "A " + TraceReal(p[2]) + ", B " + TraceReal(p[3]) + ", C " + TraceReal(p[4]) + ", D " +
                            TraceReal(p[8]) + " (" + FindOwnModel(record.model, *models)->name + ", " +
                            MortalityModelFileName + ")";
  }
  Analyse(analysed.get(), analysis);
  CaseResults results =
      ResultsOfCase(record.id, analysed.get(), settings.level, parameters->identity, record.selection);
  if (settings.keepCase)
    results.analysedCase = std::move(analysed);
  else
    FreeAnalysisTree(analysed);
  return results;
}

RowResult AnalyzeRecord(CaseRecord& record, const RunSettings& settings, std::optional<CaseResults>& results) {
  results.reset();
  if (const auto missing = MissingChoice(record, ModelsOfRun(settings).get()))
    return {RowOutcome::Refused, *missing, record.selection};
  TidyScores(record);
  const ComplexSelection& selection = record.selection;
  if (!selection.UseCranialData && !selection.UsePubicData && !selection.UseAuricularData)
    return {RowOutcome::Refused, NoDataTypesMessage, selection};
  results = AnalyzeCase(record, settings);
  if (!results->analysed) return {RowOutcome::NoData, NoDataMessage, selection};
  return {RowOutcome::Analysed, {}, selection};
}

void StoreCase(CaseRow& row, const CaseRecord& record, const std::optional<CaseResults>& results) {
  if (results) {
    StoreCaseResults(row, *results, &record);
  } else if (record.AnyTidied()) {
    row.Edit();
    WriteTidiedScores(row, record);
    row.Post();
  }
}

RowResult AnalyzeRow(CaseRow& row, const ComplexSelection& requested, const RunSettings& shared) {
  RunSettings settings = Resolved(shared);
  settings.keepCase = settings.keepCase || !settings.tracePath.empty();
  CaseRecord record = ReadCaseRecord(row, settings.layout, requested);
  std::optional<CaseResults> results;
  RowResult outcome;
  try {
    outcome = AnalyzeRecord(record, settings, results);
  } catch (...) {
    // What the tidying changed stays with the row, as typed into it.
    if (record.AnyTidied()) {
      row.Edit();
      WriteTidiedScores(row, record);
    }
    throw;
  }
  StoreCase(row, record, results);
  if (results && results->analysedCase) {
    WriteTrace(results->analysedCase.get(), settings);
    FreeAnalysisTree(results->analysedCase);
  }
  return outcome;
}

}  // namespace vorla
