#include "calib/ReferenceSample.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <unordered_map>

#include "engine/PriorModels.h"
#include "params/CaseLoading.h"
#include "params/CaseRun.h"
#include "store/CsvText.h"
#include "store/FieldValue.h"
#include "store/Schema.h"
#include "store/StoreError.h"

namespace vorla::calib {

const std::array<const char*, 4> AgeClassNames = {"15-29", "30-49", "50-69", "70+"};

int AgeClass(double age) {
  if (age < 30.0) return 0;
  if (age < 50.0) return 1;
  if (age < 70.0) return 2;
  return 3;
}

namespace {

constexpr std::size_t MostFaultsListed = 20;

class Faults {
 public:
  explicit Faults(const std::function<std::string(int)>& place) : place_(place) {}
  void Add(int line, const std::string& what) {
    ++count_;
    if (listed_.size() < MostFaultsListed)
      listed_.push_back((place_ ? place_(line) : "line " + std::to_string(line)) + ": " + what);
  }
  bool Any() const { return count_ > 0; }
  [[noreturn]] void Refuse(const std::string& fileName) const {
    std::string message = fileName + " cannot be used:";
    for (const std::string& f : listed_) message += "\n" + f;
    if (count_ > listed_.size()) message += "\n(and " + std::to_string(count_ - listed_.size()) + " more)";
    throw ReferenceSampleError(message);
  }

 private:
  std::function<std::string(int)> place_;
  std::vector<std::string> listed_;
  std::size_t count_ = 0;
};

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

std::string ChoiceList(const std::vector<std::string>& choices) {
  std::string text;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (i > 0) text += i + 1 == choices.size() ? " or " : ", ";
    text += choices[i];
  }
  return text;
}

// The scores that stand for a model stage, as "1 to 5" or "1, 2, 4".
std::string UsableScores(const ComponentStructure& k) {
  std::vector<int> scores;
  for (int s = 1; s <= 9; ++s)
    if (k.recoding[static_cast<std::size_t>(s - 1)] > 0) scores.push_back(s);
  if (scores.empty()) return "none";
  if (scores.back() - scores.front() + 1 == static_cast<int>(scores.size()))
    return std::to_string(scores.front()) + " to " + std::to_string(scores.back());
  std::string text;
  for (int s : scores) text += (text.empty() ? "" : ", ") + std::to_string(s);
  return text;
}

class SampleParser {
 public:
  SampleParser(const std::string& fileName, const ParameterStructure& structure, const ReferenceOptions& options)
      : structure_(structure), options_(options), faults_(options.placeOfLine) {
    sample_.fileName = fileName;
  }

  ReferenceSample Parse(const std::string& text) {
    std::vector<CsvRecord> records;
    try {
      records = ParseCsv(text);
    } catch (const StoreError& error) {
      throw ReferenceSampleError(sample_.fileName + " cannot be used:\n" + error.what());
    }
    if (records.empty()) throw ReferenceSampleError(sample_.fileName + " cannot be used: the file is empty");
    ReadHeader(records.front());
    if (faults_.Any()) faults_.Refuse(sample_.fileName);
    if (records.size() == 1) faults_.Add(records.front().line, "the file holds no individuals, only the header");
    for (std::size_t r = 1; r < records.size(); ++r) ReadRecord(records[r]);
    if (faults_.Any()) faults_.Refuse(sample_.fileName);
    return std::move(sample_);
  }

 private:
  void ReadHeader(const CsvRecord& header) {
    std::set<std::string> scoreFields;
    std::vector<std::string> layoutNames;
    for (const FieldInfo& field : CaseFields()) layoutNames.emplace_back(field.name);
    for (const ComplexStructure& c : structure_.complexes)
      for (const ComponentStructure& k : c.components)
        for (const std::string& f : ScoreFields(k)) {
          scoreFields.insert(UpperAscii(f));
          if (FindCaseField(f) < 0) layoutNames.push_back(f);
        }
    sample_.layout = std::make_shared<const FieldLayout>(layoutNames);

    for (const std::string& cell : header.cells) {
      const std::string name = UpperAscii(TrimBlanks(cell));
      const bool known = name == "AGE" || FindCaseField(name) >= 0 || scoreFields.count(name) > 0;
      if (name.empty())
        faults_.Add(header.line, "a column without a name");
      else if (!known)
        faults_.Add(header.line, "unknown column " + Quoted(std::string(TrimBlanks(cell))) +
                                     " (the columns are fields of the case table and AGE)");
      else if (column_.count(name))
        faults_.Add(header.line, "the column " + name + " appears more than once");
      column_.emplace(name, static_cast<int>(sample_.columns.size()));
      sample_.columns.push_back(name);
    }

    std::vector<std::string> needed = {"AGE", "SEX", "RACE"};
    if (options_.needModel) needed.push_back("HAZARDFUNC");
    for (const ComplexStructure& c : structure_.complexes)
      for (const ComponentStructure& k : c.components)
        for (const std::string& f : ScoreFields(k)) needed.push_back(UpperAscii(f));
    std::string missing;
    std::size_t missingCount = 0;
    for (const std::string& name : needed) {
      if (column_.count(name)) continue;
      if (++missingCount <= 12) missing += (missing.empty() ? "" : ", ") + name;
    }
    if (missingCount > 12) missing += " and " + std::to_string(missingCount - 12) + " more";
    if (missingCount > 0)
      faults_.Add(header.line, "the file lacks the column" + std::string(missingCount > 1 ? "s " : " ") + missing);
  }

  const std::string& CellOf(const CsvRecord& record, const char* column) const {
    return record.cells[static_cast<std::size_t>(column_.at(column))];
  }

  void ReadRecord(const CsvRecord& record) {
    const int line = record.line;
    if (record.cells.size() != sample_.columns.size()) {
      faults_.Add(line, std::to_string(record.cells.size()) + " cells where the header has " +
                            std::to_string(sample_.columns.size()));
      return;
    }
    ReferenceIndividual person;
    person.line = line;
    person.cells = record.cells;
    bool usable = true;

    const std::string ageText(TrimBlanks(CellOf(record, "AGE")));
    const auto age = ParseReal(ageText);
    if (ageText.empty()) {
      faults_.Add(line, "AGE is missing");
      usable = false;
    } else if (!age) {
      faults_.Add(line, "AGE " + Quoted(ageText) + " is not a number");
      usable = false;
    } else if (*age < YoungestAge || *age > OldestAge) {
      faults_.Add(line, "AGE " + ageText + " lies outside 15 to 110 years");
      usable = false;
    } else {
      person.age = *age;
    }

    const std::string sex(TrimBlanks(CellOf(record, "SEX")));
    const std::string race(TrimBlanks(CellOf(record, "RACE")));
    if (!IsChoice(sex, SexChoices)) {
      faults_.Add(line, "SEX " + Quoted(sex) + " is not " + ChoiceList(SexChoices));
      usable = false;
    }
    if (!IsChoice(race, AncestryChoices)) {
      faults_.Add(line, "RACE " + Quoted(race) + " is not " + ChoiceList(AncestryChoices));
      usable = false;
    }
    if (options_.needModel) {
      const std::string model(TrimBlanks(CellOf(record, "HAZARDFUNC")));
      if (!IsChoice(model, ModelChoices)) {
        faults_.Add(line, "HAZARDFUNC " + Quoted(model) + " is not " + ChoiceList(ModelChoices));
        usable = false;
      }
    }
    person.group = SelectGroup(sex, race);
    // The choices as the case table would hold them after an import: without
    // surrounding blanks (the Analyze action compares them whole).
    for (const char* choice : {"SEX", "RACE", "HAZARDFUNC"})
      if (const auto it = column_.find(choice); it != column_.end()) {
        std::string& cell = person.cells[static_cast<std::size_t>(it->second)];
        cell = std::string(TrimBlanks(cell));
      }

    if (!CanonicalScores(person) || !InStageTables(person) || !usable) return;
    ReadStages(person);
    sample_.individuals.push_back(std::move(person));
  }

  // Every score cell becomes a whole number (as the case table keeps it) or empty.
  bool CanonicalScores(ReferenceIndividual& person) {
    bool good = true;
    for (std::size_t c = 0; c < sample_.columns.size(); ++c) {
      const int field = FindCaseField(sample_.columns[c]);
      const bool score =
          field >= 0 ? CaseFields()[static_cast<std::size_t>(field)].is_score : sample_.columns[c] != "AGE";
      if (!score) continue;
      std::string& cell = person.cells[c];
      if (TrimBlanks(cell).empty()) {
        cell.clear();
        continue;
      }
      const auto value = ParseInteger(cell);
      if (!value || *value < -1 || *value > 9) {
        faults_.Add(person.line, "field " + sample_.columns[c] + ": " + Quoted(cell) +
                                     " is not a stage score (a whole number from -1 to 9)");
        good = false;
        continue;
      }
      cell = std::to_string(*value);
    }
    return good;
  }

  // Every score written must stand for a stage of its trait.
  bool InStageTables(const ReferenceIndividual& person) {
    bool good = true;
    for (const ComplexStructure& c : structure_.complexes)
      for (const ComponentStructure& k : c.components)
        for (const std::string& field : ScoreFields(k)) {
          const std::string& cell = person.cells[static_cast<std::size_t>(column_.at(UpperAscii(field)))];
          if (cell.empty()) continue;
          const int score = std::stoi(cell);
          if (score < 1 || k.recoding[static_cast<std::size_t>(score - 1)] != 0) continue;
          faults_.Add(person.line, "field " + UpperAscii(field) + ": the score " + cell +
                                       " is outside the stage table of " + k.name + " (its scores are " +
                                       UsableScores(k) + ")");
          good = false;
        }
    return good;
  }

  // The scores as an analysis takes them: pairs tidied as before every
  // analysis, normalised as the case loading does, identical sides counted
  // once, and recoded to model stages.
  void ReadStages(ReferenceIndividual& person) {
    MemoryRow row = sample_.Row(person, 1);
    for (const ComplexStructure& c : structure_.complexes)
      for (const ComponentStructure& k : c.components) {
        for (const std::string& base : PairBases(k))
          OrderScorePair(row, base, row.FieldAsText(base + "_LOW"), row.FieldAsText(base + "_UPPER"));
        ScorePairs s = ReadCaseScores(row, k.name, k.sideCount);
        if (s[0] == s[2] && s[1] == s[3]) s[2] = s[3] = 0;
        ComponentStages stages;
        for (std::size_t side = 0; side < 2; ++side) {
          const std::int32_t lowScore = s[2 * side], highScore = s[2 * side + 1];
          if (lowScore <= 0 || highScore <= 0) continue;
          const std::int32_t a = k.recoding[static_cast<std::size_t>(lowScore - 1)];
          const std::int32_t b = k.recoding[static_cast<std::size_t>(highScore - 1)];
          stages.low[side] = static_cast<std::int8_t>(std::min(a, b));
          stages.high[side] = static_cast<std::int8_t>(std::max(a, b));
        }
        person.stages.push_back(stages);
      }
  }

  const ParameterStructure& structure_;
  const ReferenceOptions& options_;
  ReferenceSample sample_;
  std::unordered_map<std::string, int> column_;
  Faults faults_;
};

}  // namespace

MemoryRow ReferenceSample::Row(const ReferenceIndividual& individual, std::int32_t id) const {
  MemoryRow row(layout, id);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c] == "AGE" || columns[c] == "SKELETON_ID") continue;
    row.Fill(columns[c], individual.cells[c]);
  }
  return row;
}

std::string ReferenceSample::Cell(const ReferenceIndividual& individual, const std::string& column) const {
  for (std::size_t c = 0; c < columns.size(); ++c)
    if (columns[c] == column) return individual.cells[c];
  return {};
}

ReferenceSample ParseReferenceSample(const std::string& text, const std::string& fileName,
                                     const ParameterStructure& structure, const ReferenceOptions& options) {
  return SampleParser(fileName, structure, options).Parse(text);
}

ReferenceSample ReadReferenceSample(const std::string& path, const ParameterStructure& structure,
                                    const ReferenceOptions& options) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ReferenceSampleError("Cannot open the reference sample \"" + path + "\"");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw ReferenceSampleError("Cannot read the reference sample \"" + path + "\"");
  return ParseReferenceSample(text, path, structure, options);
}

}  // namespace vorla::calib
