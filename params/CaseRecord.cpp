#include "params/CaseRecord.h"

#include <algorithm>

#include "engine/AnalysisError.h"
#include "engine/TextCase.h"
#include "params/CaseRun.h"
#include "store/StoreError.h"

namespace vorla {

namespace {

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
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

void SetScore(CaseScore& score, std::int32_t value) {
  score.text = std::to_string(value);
  score.value = value;
  score.tidied = true;
}

void ClearScore(CaseScore& score) {
  score.text.clear();
  score.value = 0;
  score.tidied = true;
}

}  // namespace

CaseLayout::CaseLayout(const CheckedParameters* parameters) {
  static const std::vector<OwnTrait> none;
  const std::vector<OwnTrait>& ownTraits = parameters != nullptr ? parameters->ownTraits : none;
  for (int i = 0; i < 3; ++i)
    for (const std::string& base : ComplexPairBases(i, ownTraits))
      pairs_[static_cast<std::size_t>(i)].push_back({Add(base + "_LOW"), Add(base + "_UPPER")});
  if (parameters == nullptr) return;
  for (const ComplexStructure& c : parameters->structure.complexes)
    for (const ComponentStructure& k : c.components) {
      std::vector<std::size_t> fields;
      for (const std::string& field : ScoreFieldsOf(k.name, k.Paired())) fields.push_back(Add(field));
      components_.try_emplace(k.name, std::move(fields));
    }
}

std::size_t CaseLayout::Add(const std::string& field) {
  const auto [found, added] = index_.try_emplace(LowerCase(field), keys_.size());
  if (added) keys_.emplace_back(field);
  return found->second;
}

const std::vector<std::size_t>* CaseLayout::FieldsOf(const std::string& componentName) const {
  const auto found = components_.find(componentName);
  return found == components_.end() ? nullptr : &found->second;
}

std::optional<std::size_t> CaseLayout::Find(const std::string& field) const {
  const auto found = index_.find(LowerCase(field));
  if (found == index_.end()) return std::nullopt;
  return found->second;
}

const CaseScore& CaseRecord::Score(const std::string& field) const {
  const std::optional<std::size_t> index = layout->Find(field);
  if (!index) throw FieldNotFound(field);
  return scores[*index];
}

bool CaseRecord::AnyTidied() const {
  return std::any_of(scores.begin(), scores.end(), [](const CaseScore& s) { return s.tidied; });
}

CaseRecord ReadCaseRecord(const CaseRow& row, std::shared_ptr<const CaseLayout> layout,
                          const ComplexSelection& requested) {
  CaseRecord record;
  record.id = row.FieldAsInteger(layout->id);
  record.name = row.FieldAsText(layout->name);
  record.sex = row.FieldAsText(layout->sex);
  record.race = row.FieldAsText(layout->race);
  record.model = row.FieldAsText(layout->model);
  record.selection = requested;
  record.scores.resize(layout->Size());
  for (std::size_t i = 0; i < layout->Size(); ++i) {
    const FieldKey& key = layout->Key(i);
    record.scores[i].text = row.FieldAsText(key);
    record.scores[i].value = row.FieldAsInteger(key);
  }
  record.layout = std::move(layout);
  return record;
}

bool ComplexIsEmpty(const CaseRecord& record, int complexIndex) {
  for (const CaseLayout::Pair& pair : record.layout->PairsOf(complexIndex))
    if (!Blank(record.scores[pair.low].text) || !Blank(record.scores[pair.upper].text)) return false;
  return true;
}

std::optional<std::string> MissingChoice(const CaseRecord& record, const OwnMortalityModels* ownModels) {
  const bool modelChosen =
      IsChoice(record.model, ModelChoices) || (ownModels && FindOwnModel(record.model, *ownModels));
  return MissingChoiceMessage(IsChoice(record.race, AncestryChoices), IsChoice(record.sex, SexChoices), modelChosen);
}

void TidyScores(CaseRecord& record) {
  const CaseLayout& layout = *record.layout;
  std::array<bool, 3> empty{};
  for (int i = 0; i < 3; ++i) empty[static_cast<std::size_t>(i)] = ComplexIsEmpty(record, i);

  // Every score is checked before any pair is put in order, so a score that is
  // no stage is reported under its own field and nothing is changed for it.
  for (int i = 0; i < 3; ++i) {
    if (empty[static_cast<std::size_t>(i)]) continue;
    for (const CaseLayout::Pair& pair : layout.PairsOf(i)) {
      CheckScoreText(layout.Key(pair.low).Name(), record.scores[pair.low].text);
      CheckScoreText(layout.Key(pair.upper).Name(), record.scores[pair.upper].text);
    }
  }

  for (int i = 0; i < 3; ++i) {
    if (empty[static_cast<std::size_t>(i)]) {
      SelectionFlag(record.selection, i) = false;
      continue;
    }
    for (const CaseLayout::Pair& pair : layout.PairsOf(i)) {
      CaseScore& low = record.scores[pair.low];
      CaseScore& upper = record.scores[pair.upper];
      const std::string minText = low.text, maxText = upper.text;
      if (maxText.empty()) continue;
      if (minText.empty()) {
        SetScore(low, WholeNumber(maxText));
        ClearScore(upper);
      } else if (minText > maxText) {
        const std::int32_t lowValue = WholeNumber(maxText), upperValue = WholeNumber(minText);
        SetScore(low, lowValue);
        SetScore(upper, upperValue);
      }
    }
  }
}

void WriteTidiedScores(CaseRow& row, const CaseRecord& record) {
  for (std::size_t i = 0; i < record.scores.size(); ++i) {
    const CaseScore& score = record.scores[i];
    if (!score.tidied) continue;
    if (score.text.empty())
      row.SetFieldNull(record.layout->Key(i));
    else
      row.SetFieldInteger(record.layout->Key(i), score.value);
  }
}

}  // namespace vorla
