#include "params/CaseRun.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "engine/Analysis.h"
#include "engine/AnalysisError.h"
#include "engine/EngineSettings.h"
#include "engine/TextCase.h"
#include "params/CaseLoading.h"
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

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
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

// A stored score is empty, a stage from 1 to 9, 0 (not scored) or -1 (the side withdrawn).
void CheckScoreText(const std::string& field, const std::string& text) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return;
  std::int32_t score = 0;
  try {
    score = WholeNumber(trimmed);
  } catch (const AnalysisError&) {
    throw AnalysisError("Field " + field + " holds '" + trimmed + "', which is not a whole number");
  }
  if (score < -1 || score > 9)
    throw AnalysisError("Field " + field + " holds the score " + std::to_string(score) +
                        "; a score is a stage from 1 to 9, or -1 to withdraw the side");
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

ComplexPairKeys::ComplexPairKeys(int complexIndex, const CheckedParameters* parameters) {
  static const std::array<std::vector<ScorePairKeys>, 3> builtIn = [] {
    std::array<std::vector<ScorePairKeys>, 3> keys;
    for (std::size_t i = 0; i < keys.size(); ++i)
      for (const std::string& base : KnownComplexes()[i].pairBases) keys[i].emplace_back(base);
    return keys;
  }();
  builtIn_ = &builtIn[static_cast<std::size_t>(complexIndex)];
  if (parameters == nullptr) return;
  const std::vector<std::string> bases = ComplexPairBases(complexIndex, parameters->ownTraits);
  for (std::size_t i = builtIn_->size(); i < bases.size(); ++i) own_.emplace_back(bases[i]);
}

bool ComplexIsEmpty(const CaseRow& row, int complexIndex, const CheckedParameters* parameters) {
  bool empty = true;
  ComplexPairKeys(complexIndex, parameters).ForEach([&](const ScorePairKeys& pair) {
    for (const FieldKey* field : {&pair.low, &pair.upper})
      if (!Trimmed(row.FieldAsText(*field)).empty()) empty = false;
  });
  return empty;
}

void CorrectProbabilities(CaseRow& row, const ComplexSelection& selection, bool post) {
  static const FieldKey combinedP("RES_ALL_CHI2_P");
  static const std::array<std::pair<FieldKey, FieldKey>, 3> complexFields = [] {
    const auto fields = [](int i) {
      const std::string prefix = KnownComplexes()[static_cast<std::size_t>(i)].resultPrefix;
      return std::pair<FieldKey, FieldKey>(prefix + "MAX_LIKELIHOOD", prefix + "CHI2_P");
    };
    return std::array<std::pair<FieldKey, FieldKey>, 3>{fields(0), fields(1), fields(2)};
  }();
  if (!row.FieldIsNull(combinedP) && row.FieldAsFloat(combinedP) == -1.0) {
    row.Edit();
    row.SetFieldNull(combinedP);
    if (post) row.Post();
  }
  for (int i = 0; i < 3; ++i) {
    const auto& [estimate, probability] = complexFields[static_cast<std::size_t>(i)];
    if (!SelectionFlag(selection, i) || row.FieldIsNull(estimate)) continue;
    if (row.FieldIsNull(probability)) {
      row.Edit();
      row.SetFieldFloat(probability, 1.0);
      if (post) row.Post();
    }
  }
}

namespace {

// The set a run uses: the one checked before the run, or the file as it is.
ParameterIdentity SetOfRun(const RunSettings& settings) {
  if (settings.parameters) return settings.parameters->identity;
  std::ifstream in(settings.parameterFile, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return IdentifyParameterSet(settings.parameterFile, bytes);
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

bool RunAnalysisOnRow(std::int32_t skeletonId, CaseRow& row, const ComplexSelection& selection,
                      const RunSettings& settings) {
  static const FieldKey sexField("Sex"), raceField("Race"), modelField("HazardFunc"), levelField(ResultLevelField),
      setField(ResultSetField), demonstrationField(ResultDemonstrationField);
  CriticalValue = CriticalValueForLevel(settings.level);
  const std::string sex = row.FieldAsText(sexField), race = row.FieldAsText(raceField),
                    model = row.FieldAsText(modelField);
  AnalysisTreePtr record =
      settings.parameters
          ? PrepareAnalysis(skeletonId, row, *settings.parameters, sex, race, "logit", model, selection)
          : PrepareAnalysis(skeletonId, row, settings.parameterFile, sex, race, "logit", model, selection);
  Analyse(record.get());
  // The level, the set, the results and the summary's corrections go into
  // the row in one post, so that the case's history has the analysis as one
  // entry. What was written into the row before (the score pairs put in
  // order) is posted on its own when the row is located.
  row.LocateId(skeletonId);
  row.Edit();
  if (record) {
    const ParameterIdentity identity = SetOfRun(settings);
    row.SetFieldInteger(levelField, settings.level);
    row.SetFieldText(setField, identity.sha256);
    row.SetFieldInteger(demonstrationField, identity.demonstration ? 1 : 0);
  } else {
    for (const FieldKey* key : {&levelField, &setField, &demonstrationField}) row.SetFieldNull(*key);
  }
  WriteResults(row, record.get());
  if (record) CorrectProbabilities(row, selection, false);
  row.Post();
  if (settings.onAnalysed) settings.onAnalysed(record.get());
  if (!record) return false;
  if (settings.keepAnalysed) {
    settings.keepAnalysed(std::move(record));
  } else {
    WriteTrace(record.get(), settings);
    FreeAnalysisTree(record);
  }
  return true;
}

RowResult AnalyzeRow(CaseRow& row, const ComplexSelection& requested, const RunSettings& settings) {
  static const FieldKey raceField("RACE"), sexField("SEX"), modelField("HAZARDFUNC"), idField("SKELETON_ID");
  const auto missing = MissingChoiceMessage(IsChoice(row.FieldAsText(raceField), AncestryChoices),
                                            IsChoice(row.FieldAsText(sexField), SexChoices),
                                            IsChoice(row.FieldAsText(modelField), ModelChoices));
  if (missing) return {RowOutcome::Refused, *missing, requested};

  // The texts of every score pair, read once.
  struct PairTexts {
    const ScorePairKeys* pair;
    std::string low, upper;
  };
  const CheckedParameters* parameters = settings.parameters.get();
  const std::array<ComplexPairKeys, 3> complexes = {ComplexPairKeys(0, parameters), ComplexPairKeys(1, parameters),
                                                    ComplexPairKeys(2, parameters)};
  std::array<std::vector<PairTexts>, 3> texts;
  std::array<bool, 3> empty{};
  for (std::size_t i = 0; i < 3; ++i) {
    complexes[i].ForEach([&](const ScorePairKeys& pair) {
      texts[i].push_back({&pair, row.FieldAsText(pair.low), row.FieldAsText(pair.upper)});
    });
    empty[i] = std::all_of(texts[i].begin(), texts[i].end(),
                           [](const PairTexts& t) { return Trimmed(t.low).empty() && Trimmed(t.upper).empty(); });
  }

  // Every score is checked before any pair is put in order, so a score that is
  // no stage is reported under its own field and nothing is written for it.
  for (std::size_t i = 0; i < 3; ++i) {
    if (empty[i]) continue;
    for (const PairTexts& t : texts[i]) {
      CheckScoreText(t.pair->low.Name(), t.low);
      CheckScoreText(t.pair->upper.Name(), t.upper);
    }
  }

  ComplexSelection selection = requested;
  for (std::size_t i = 0; i < 3; ++i) {
    if (empty[i]) {
      SelectionFlag(selection, static_cast<int>(i)) = false;
      continue;
    }
    for (const PairTexts& t : texts[i]) OrderScorePair(row, *t.pair, t.low, t.upper);
  }
  if (!selection.UseCranialData && !selection.UsePubicData && !selection.UseAuricularData)
    return {RowOutcome::Refused, NoDataTypesMessage, selection};

  const std::int32_t id = row.FieldAsInteger(idField);
  if (!RunAnalysisOnRow(id, row, selection, settings)) return {RowOutcome::NoData, NoDataMessage, selection};
  return {RowOutcome::Analysed, {}, selection};
}

}  // namespace vorla
