#include "params/CaseLoading.h"

#include "params/ParameterErrors.h"
#include "store/StoreError.h"

namespace vorla {

namespace {

std::int32_t ReadScore(const CaseRow& row, const FieldKey& field) {
  const std::int32_t score = row.FieldAsInteger(field);
  if (score < -1 || score > 9)
    throw AnalysisError("Field " + field.Name() + " holds the score " + std::to_string(score) +
                        "; a score is a stage from 1 to 9, or -1 to withdraw the side");
  return score;
}

void Normalise(std::int32_t& low, std::int32_t& upper) {
  if (low == -1 || upper == -1) low = upper = 0;
  if (upper == 0) upper = low;
}

}  // namespace

ScorePairs ReadCaseScores(const CaseRow& row, const std::vector<FieldKey>& fields) {
  ScorePairs s{};
  for (std::size_t i = 0; i < fields.size() && i < s.size(); ++i) s[i] = ReadScore(row, fields[i]);
  Normalise(s[0], s[1]);
  Normalise(s[2], s[3]);
  return s;
}

ScorePairs ReadCaseScores(const CaseRow& row, const std::string& name, std::int32_t sideCount) {
  const std::vector<std::string> names = ScoreFieldsOf(name, sideCount != 1);
  return ReadCaseScores(row, std::vector<FieldKey>(names.begin(), names.end()));
}

namespace {

std::int32_t ScoreOf(const CaseRecord& record, std::size_t index) {
  const std::int32_t score = record.Score(index).value;
  if (score < -1 || score > 9)
    throw AnalysisError("Field " + record.layout->Key(index).Name() + " holds the score " + std::to_string(score) +
                        "; a score is a stage from 1 to 9, or -1 to withdraw the side");
  return score;
}

}  // namespace

AnalysisTreePtr LoadCase(const CaseRecord& record, const CheckedParameters& parameters, int group) {
  const ScoreSource scores = [&record](const std::string& name, std::int32_t sides) {
    std::vector<std::size_t> found;
    const std::vector<std::size_t>* fields = record.layout->FieldsOf(name);
    if (fields == nullptr) {
      // A layout of the built-in fields only: the component's fields by name.
      for (const std::string& field : ScoreFieldsOf(name, sides != 1)) {
        const std::optional<std::size_t> index = record.layout->Find(field);
        if (!index) throw FieldNotFound(field);
        found.push_back(*index);
      }
      fields = &found;
    }
    ScorePairs s{};
    for (std::size_t i = 0; i < fields->size() && i < s.size(); ++i) s[i] = ScoreOf(record, (*fields)[i]);
    Normalise(s[0], s[1]);
    Normalise(s[2], s[3]);
    return s;
  };
  ParameterSet set = BuildParameterSet(parameters.structure, group, scores, record.selection);
  if (!set.Complexes) return nullptr;

  auto analysed = std::make_unique<TTransisionsAnalyseDataSet>();
  analysed->Complexes = std::move(set.Complexes);
  analysed->Name = CutText(record.name, CaseNameLength);
  analysed->Sex = CutText(record.sex, ChoiceTextLength);
  analysed->Race = CutText(record.race, ChoiceTextLength);
  analysed->HazardFunc = CutText(record.model, ChoiceTextLength);
  analysed->ParameterFile = parameters.path;
  analysed->Group = group;
  analysed->Resvar = set.Resvar;
  return analysed;
}

}  // namespace vorla
