#include "params/CaseRun.h"

#include "engine/Analysis.h"
#include "engine/AnalysisError.h"
#include "engine/AnalysisTrace.h"
#include "engine/EngineSettings.h"
#include "engine/TextCase.h"
#include "params/CaseLoading.h"
#include "params/ResultWriteBack.h"

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

void OrderScorePair(CaseRow& row, const std::string& base, const std::string& minText, const std::string& maxText) {
  if (maxText.empty()) return;
  if (minText.empty()) {
    row.Edit();
    row.SetFieldInteger(base + "_LOW", WholeNumber(maxText));
    row.SetFieldNull(base + "_UPPER");
  } else if (minText > maxText) {
    row.Edit();
    const std::int32_t low = WholeNumber(maxText), upper = WholeNumber(minText);
    row.SetFieldInteger(base + "_LOW", low);
    row.SetFieldInteger(base + "_UPPER", upper);
  }
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

bool ComplexIsEmpty(const CaseRow& row, int complexIndex, const CheckedParameters* parameters) {
  for (const std::string& base : ComplexPairBases(complexIndex, parameters))
    for (const char* end : {"_LOW", "_UPPER"})
      if (!Trimmed(row.FieldAsText(base + end)).empty()) return false;
  return true;
}

void CorrectProbabilities(CaseRow& row, const ComplexSelection& selection) {
  if (!row.FieldIsNull("RES_ALL_CHI2_P") && row.FieldAsFloat("RES_ALL_CHI2_P") == -1.0) {
    row.Edit();
    row.SetFieldNull("RES_ALL_CHI2_P");
    row.Post();
  }
  for (int i = 0; i < 3; ++i) {
    const std::string prefix = KnownComplexes()[i].resultPrefix;
    if (!SelectionFlag(selection, i) || row.FieldIsNull(prefix + "MAX_LIKELIHOOD")) continue;
    if (row.FieldIsNull(prefix + "CHI2_P")) {
      row.Edit();
      row.SetFieldFloat(prefix + "CHI2_P", 1.0);
      row.Post();
    }
  }
}

void WriteTraceQuietly(const TTransisionsAnalyseDataSet* record, const std::string& tracePath) {
  try {
    if (!tracePath.empty()) WriteAnalysisTrace(record, tracePath);
  } catch (const std::exception&) {
    // The trace is a record for the curious; the results stand without it.
  }
}

bool RunAnalysisOnRow(std::int32_t skeletonId, CaseRow& row, const ComplexSelection& selection,
                      const RunSettings& settings) {
  CriticalValue = CriticalValueForLevel(settings.level);
  CaseRecord record = settings.parameters
                          ? PrepareAnalysis(skeletonId, row, *settings.parameters, row.FieldAsText("Sex"),
                                            row.FieldAsText("Race"), "logit", row.FieldAsText("HazardFunc"), selection)
                          : PrepareAnalysis(skeletonId, row, settings.parameterFile, row.FieldAsText("Sex"),
                                            row.FieldAsText("Race"), "logit", row.FieldAsText("HazardFunc"), selection);
  Analyse(record.get());
  // The level goes into the row with the results it belongs to, in one post.
  row.Edit();
  if (record)
    row.SetFieldInteger(ResultLevelField, settings.level);
  else
    row.SetFieldNull(ResultLevelField);
  StoreResults(skeletonId, row, record.get());
  if (settings.onAnalysed) settings.onAnalysed(record.get());
  if (!record) return false;
  if (settings.keepAnalysed) {
    settings.keepAnalysed(std::move(record));
  } else {
    WriteTraceQuietly(record.get(), settings.tracePath);
    FreeAnalysisTree(record);
  }
  CorrectProbabilities(row, selection);
  return true;
}

RowResult AnalyzeRow(CaseRow& row, const ComplexSelection& requested, const RunSettings& settings) {
  const auto missing = MissingChoiceMessage(IsChoice(row.FieldAsText("RACE"), AncestryChoices),
                                            IsChoice(row.FieldAsText("SEX"), SexChoices),
                                            IsChoice(row.FieldAsText("HAZARDFUNC"), ModelChoices));
  if (missing) return {RowOutcome::Refused, *missing, requested};

  // Every score is checked before any pair is put in order, so a score that is
  // no stage is reported under its own field and nothing is written for it.
  const CheckedParameters* parameters = settings.parameters.get();
  for (int i = 0; i < 3; ++i) {
    if (ComplexIsEmpty(row, i, parameters)) continue;
    for (const std::string& base : ComplexPairBases(i, parameters))
      for (const char* end : {"_LOW", "_UPPER"}) CheckScoreText(base + end, row.FieldAsText(base + end));
  }

  ComplexSelection selection = requested;
  for (int i = 0; i < 3; ++i) {
    if (ComplexIsEmpty(row, i, parameters)) {
      SelectionFlag(selection, i) = false;
      continue;
    }
    for (const std::string& base : ComplexPairBases(i, parameters))
      OrderScorePair(row, base, row.FieldAsText(base + "_LOW"), row.FieldAsText(base + "_UPPER"));
  }
  if (!selection.UseCranialData && !selection.UsePubicData && !selection.UseAuricularData)
    return {RowOutcome::Refused, NoDataTypesMessage, selection};

  const std::int32_t id = row.FieldAsInteger("SKELETON_ID");
  if (!RunAnalysisOnRow(id, row, selection, settings)) return {RowOutcome::NoData, NoDataMessage, selection};
  return {RowOutcome::Analysed, {}, selection};
}

}  // namespace vorla
