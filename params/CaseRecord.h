#pragma once
// A case as the analysis takes it: what a row of the case table holds of
// it, read once, in one place. The steps before a run (the choice checks,
// the tidying of score pairs, the choice of complexes) work on this value;
// a row is written only when results are stored.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/PriorModels.h"
#include "params/ParameterCheck.h"
#include "store/CaseRow.h"

namespace vorla {

// The fields a case of one parameter set is read from: the key, the case
// number and the model choices, the score pairs of the three known
// complexes (the built-in ones, then those of the set's own traits) in the
// order the checks visit them, then any other field a component of the set
// is scored in. Made once for a run; the table remembers the columns of its keys.
class CaseLayout {
 public:
  struct Pair {
    std::size_t low, upper;  // indices of base + "_LOW" and base + "_UPPER"
  };
  // Without a set: the built-in pairs only.
  explicit CaseLayout(const CheckedParameters* parameters);

  std::size_t Size() const { return keys_.size(); }
  const FieldKey& Key(std::size_t index) const { return keys_[index]; }
  const std::vector<Pair>& PairsOf(int complexIndex) const { return pairs_[static_cast<std::size_t>(complexIndex)]; }
  // The indices of a component's score fields (ScoreFieldsOf); null when the
  // set has no such component.
  const std::vector<std::size_t>* FieldsOf(const std::string& componentName) const;
  // The index of a field by name, without regard to case.
  std::optional<std::size_t> Find(const std::string& field) const;

  const FieldKey id{"SKELETON_ID"}, name{"SKELETON_NAME"}, sex{"SEX"}, race{"RACE"}, model{"HAZARDFUNC"};

 private:
  std::size_t Add(const std::string& field);
  std::vector<FieldKey> keys_;
  std::unordered_map<std::string, std::size_t> index_;  // upper-case name -> index
  std::array<std::vector<Pair>, 3> pairs_;
  std::unordered_map<std::string, std::vector<std::size_t>> components_;
};

// One score field: its text as the row gives it, and its whole number (0 when empty).
struct CaseScore {
  std::string text;
  std::int32_t value = 0;
  bool tidied = false;  // changed by the tidying, to be stored with the results
};

struct CaseRecord {
  std::int32_t id = 0;  // SKELETON_ID
  std::string name;     // SKELETON_NAME
  std::string sex, race, model;
  ComplexSelection selection;  // the complexes the run takes
  std::shared_ptr<const CaseLayout> layout;
  std::vector<CaseScore> scores;  // by the layout's index

  const CaseScore& Score(std::size_t index) const { return scores[index]; }
  // A score by field name; throws FieldNotFound for a field the layout lacks.
  const CaseScore& Score(const std::string& field) const;
  bool AnyTidied() const;
};

// Reads the case from the current row of `row`, with the complexes asked for.
CaseRecord ReadCaseRecord(const CaseRow& row, std::shared_ptr<const CaseLayout> layout,
                          const ComplexSelection& requested = {});

// Whether every score field of the complex is empty (blank text).
bool ComplexIsEmpty(const CaseRecord& record, int complexIndex);

// The first model choice (ancestry, sex, mortality model) the case lacks, as its message.
// A mortality model of the folder's own (ownModels) counts as chosen.
std::optional<std::string> MissingChoice(const CaseRecord& record, const OwnMortalityModels* ownModels = nullptr);

// Checks every score of the complexes that have one (a score that is no
// stage throws, naming its field, and nothing is tidied), puts each pair in
// order (a lone maximum moves to the minimum, a reversed pair is swapped)
// and leaves the complexes without scores out of the selection.
void TidyScores(CaseRecord& record);

// Writes the tidied score fields into the row being edited.
void WriteTidiedScores(CaseRow& row, const CaseRecord& record);

}  // namespace vorla
