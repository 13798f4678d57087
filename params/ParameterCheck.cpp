#include "params/ParameterCheck.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/AnalysisTree.h"
#include "params/ParameterErrors.h"
#include "params/ParameterTokens.h"
#include "params/ResultWriteBack.h"

namespace vorla {

namespace {

[[noreturn]] void FailAt(const std::string& file, int line, const std::string& problem) {
  throw ParameterFileError(file + ", line " + std::to_string(line) + ": " + problem);
}

std::string Trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string HeaderComment(const std::string& restOfLine) {
  const std::size_t hash = restOfLine.find('#');
  return hash == std::string::npos ? std::string() : Trim(restOfLine.substr(hash + 1));
}

std::string Number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

class StructureReader {
 public:
  StructureReader(ParameterTokens& tokens, std::string fileName) : t_(tokens), file_(std::move(fileName)) {}

  ParameterStructure Read() {
    ParameterStructure s;
    const double version = t_.ReadReal("the version");
    const int versionLine = t_.Line();
    s.versionNote = Trim(t_.ReadRestOfLine());
    t_.SkipLine();
    if (version != ParameterSetVersion) throw ParameterVersionError(version, versionLine);
    s.groups = t_.ReadInteger("the number of groups");
    s.groupsLine = t_.Line();
    if (s.groups < 1) t_.Fail("the number of groups must be at least 1, not " + std::to_string(s.groups));
    groups_ = s.groups;
    t_.SkipLine();
    s.resvar = t_.ReadPositiveReal("the case variance factor");
    s.resvarLine = t_.Line();
    t_.SkipLine();
    for (;;) {
      const std::int32_t header = t_.ReadInteger("a complex header (or 0, the end of the complex list)");
      if (header <= 0) {
        t_.SkipLine();
        break;
      }
      ComplexStructure complex;
      complex.headerNumber = header;
      complex.line = t_.Line();
      const std::string rest = t_.ReadRestOfLine();
      complex.name = HeaderName(rest);
      complex.comment = HeaderComment(rest);
      if (complex.name.empty()) t_.Fail("a complex header without a name");
      // Two complexes of one name would store their results in the same fields.
      for (const ComplexStructure& earlier : s.complexes)
        if (UpperCase(earlier.name) == UpperCase(complex.name))
          FailAt(file_, complex.line,
                 "the complex " + complex.name + " is listed a second time (first on line " +
                     std::to_string(earlier.line) + "); a set lists each complex once");
      t_.SkipLine();
      complex.resvar = t_.ReadPositiveReal("the variance factor of complex " + complex.name);
      complex.resvarLine = t_.Line();
      t_.SkipLine();
      ReadComponents(complex);
      s.complexes.push_back(std::move(complex));
    }
    const int endLine = t_.Line();
    if (!t_.OnlyCommentsLeft())
      t_.Fail("the complex list ended on line " + std::to_string(endLine) +
              ", but the file goes on (only blank lines and lines beginning with \"#\" may follow)");
    return s;
  }

 private:
  void ReadComponents(ComplexStructure& complex) {
    for (;;) {
      const std::int32_t sides =
          t_.ReadInteger("a component header of complex " + complex.name + " (or 0, the end of its components)");
      if (sides <= 0) {
        t_.SkipLine();
        return;
      }
      ComponentStructure k;
      k.sideCount = sides;
      k.line = t_.Line();
      const std::string rest = t_.ReadRestOfLine();
      k.name = HeaderName(rest);
      k.comment = HeaderComment(rest);
      if (k.name.empty()) t_.Fail("a component header without a name");
      if (sides != 1 && sides != 2)
        FailAt(file_, k.line,
               "component " + k.name + " has the side count " + std::to_string(sides) +
                   "; a trait is scored on 1 side (unpaired) or on 2 (right and left)");
      // A trait listed twice would count twice in every case scored on it.
      const std::string upper = UpperCase(k.name);
      if (const auto earlier = traitLines_.find(upper); earlier != traitLines_.end())
        FailAt(file_, k.line,
               "component " + k.name + " is listed a second time (first on line " + std::to_string(earlier->second) +
                   "); a set lists each trait once");
      traitLines_.emplace(upper, k.line);
      t_.SkipLine();
      k.transitions = t_.ReadTransitionCount();
      for (std::size_t i = 0; i < k.recoding.size(); ++i) {
        std::int32_t& entry = k.recoding[i];
        entry = t_.ReadIntegerInLine("recoding entry " + std::to_string(i + 1) + " of 9 of " + k.name);
        if (entry < 0 || entry > k.transitions + 1)
          t_.Fail("a recoding entry lies between 0 and " + std::to_string(k.transitions + 1) + ", not " +
                  std::to_string(entry));
      }
      t_.SkipLine();
      // The block has one row per line, transition by transition, group by
      // group, and nothing between its lines: the rows of one group are found
      // by counting lines.
      k.blockLine = t_.PositionLine();
      // A row's label is its group, or its number in the block: rows of a
      // block are labelled one way or the other throughout, so a row out of
      // its place shows.
      bool byGroup = true, byRow = true;
      for (std::int32_t tr = 1; tr <= k.transitions; ++tr) {
        for (std::int32_t g = 1; g <= groups_; ++g) {
          const std::string row =
              "the row of transition " + std::to_string(tr) + " for group " + std::to_string(g) + " of " + k.name;
          TransitionRow r;
          r.label = t_.ReadIntegerInLine(row);
          const std::int64_t number = static_cast<std::int64_t>(tr - 1) * groups_ + g;
          const bool fitsGroup = byGroup && r.label == g, fitsRow = byRow && r.label == number;
          if (!fitsGroup && !fitsRow) {
            std::string wanted = byGroup ? std::to_string(g) : std::to_string(number);
            if (byGroup && byRow && number != g)
              wanted += " (its group) or " + std::to_string(number) + " (its row in the block)";
            FailAt(file_, t_.Line(),
                   row + " is labelled " + std::to_string(r.label) + ", but its place calls for " + wanted +
                       " (is a row missing, doubled or out of order?)");
          }
          byGroup = fitsGroup;
          byRow = fitsRow;
          static const char* const names[] = {"a", "b", "c", "d", "e"};
          double* targets[5] = {&r.a, &r.b, &r.c, &r.d, &r.e};
          for (int i = 0; i < 5; ++i)
            *targets[i] = t_.ReadRealInLine("parameter " + std::string(names[i]) + " in " + row);
          t_.SkipLine();
          k.rows.push_back(r);
        }
      }
      complex.components.push_back(std::move(k));
    }
  }

  ParameterTokens& t_;
  std::string file_;
  std::int32_t groups_ = 0;
  std::unordered_map<std::string, int> traitLines_;  // the header line of every trait, by upper-case name
};

void Warn(std::vector<std::string>& warnings, std::size_t& dropped, const std::string& text) {
  constexpr std::size_t MaxWarnings = 20;
  if (warnings.size() < MaxWarnings)
    warnings.push_back(text);
  else
    ++dropped;
}

}  // namespace

std::int32_t ComponentStructure::ScoreOfStage(std::int32_t stage) const {
  for (std::int32_t k = 1; k <= 9; ++k)
    if (recoding[static_cast<std::size_t>(k - 1)] == stage) return k;
  return 0;
}

std::size_t ParameterStructure::ComponentCount() const {
  std::size_t count = 0;
  for (const ComplexStructure& c : complexes) count += c.components.size();
  return count;
}

namespace {

// The file cannot be used as it is: what is wrong with it and, where the
// person can put it right, how.
ParameterFileError FileRefused(const std::string& path, const std::string& what, bool remedy = false) {
  std::string text = "The parameter file \"" + path + "\" " + what + ".";
  if (remedy)
    return ParameterFileError(
        text,
        " The analysis reads the model's parameters from it: put a parameter set (Parameters.dat) into that "
        "folder, or start the program on a folder that holds one (--dir).");
  return ParameterFileError(text);
}

}  // namespace

std::string ReadParameterFileText(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    std::error_code ignored;
    if (fs::is_symlink(fs::symlink_status(path, ignored)))
      throw FileRefused(path, "is a link to a file that does not exist", true);
    throw FileRefused(path, "does not exist", true);
  }
  switch (status.type()) {
    case fs::file_type::regular:
      break;
    case fs::file_type::directory:
      throw FileRefused(path, "is a folder, not a file", true);
    case fs::file_type::character:
    case fs::file_type::block:
      throw FileRefused(path, "is a device, not a file");
    case fs::file_type::fifo:
      throw FileRefused(path, "is a pipe (fifo), not a file");
    case fs::file_type::socket:
      throw FileRefused(path, "is a socket, not a file");
    default:
      throw FileRefused(path, "is not a plain file");
  }
  const auto tooLarge = [&path] {
    return FileRefused(path, "is larger than " + std::to_string(MaxParameterFileBytes / (std::uintmax_t{1024} * 1024)) +
                                 " MB; that is no parameter set");
  };
  const std::uintmax_t size = fs::file_size(path, error);
  if (!error && size > MaxParameterFileBytes) throw tooLarge();

  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileRefused(path, std::string("cannot be opened: ") + std::strerror(errno), true);
  std::string text;
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > MaxParameterFileBytes) throw tooLarge();
  }
  if (in.bad()) throw FileRefused(path, "cannot be read");

  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(nul), '\n'));
    FailAt(path, line, "this is not a text file (it holds a NUL byte)");
  }
  if (Trim(text).empty())
    throw ParameterFileError(path + ", line 1: the file is empty; a parameter file begins with its version, 0.11");
  return text;
}

ParameterStructure ParseParameterText(const std::string& text, const std::string& fileName) {
  ParameterTokens tokens(text, fileName);
  ParameterStructure s = StructureReader(tokens, fileName).Read();
  s.fileName = fileName;
  return s;
}

ParameterStructure ParseParameterFile(const std::string& path) {
  return ParseParameterText(ReadParameterFileText(path), path);
}

std::vector<std::string> ScoreFieldsOf(const std::string& name, bool paired) {
  if (!paired) return {name + "_LOW", name + "_UPPER"};
  return {name + "_R_LOW", name + "_R_UPPER", name + "_L_LOW", name + "_L_UPPER"};
}

namespace {

bool IsColumnName(const std::string& name) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (name.empty() || name.size() > MaxOwnTraitName || !letter(name.front())) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || digit(c) || c == '_'; });
}

}  // namespace

void CheckDeclaredSides(const std::string& fileName, const ComponentStructure& k, const FieldExists& builtInField) {
  const std::vector<std::string> declared = ScoreFieldsOf(k.name, k.Paired());
  if (std::any_of(declared.begin(), declared.end(), builtInField)) return;
  const std::vector<std::string> builtIn = ScoreFieldsOf(k.name, !k.Paired());
  if (!std::all_of(builtIn.begin(), builtIn.end(), builtInField)) return;
  FailAt(
      fileName, k.line,
      "the built-in trait " + k.name + " is scored " +
          (k.Paired() ? "once (fields " + builtIn[0] + " and " + builtIn[1] + "), but the set declares it with 2 sides"
                      : "on both sides (fields " + builtIn[0] + " ... " + builtIn[3] +
                            "), but the set declares it with 1 side") +
          "; declare it with " + (k.Paired() ? "1 side" : "2 sides"));
}

void CheckDeclaredSides(const ParameterStructure& s, const FieldExists& builtInField) {
  for (const ComplexStructure& c : s.complexes)
    for (const ComponentStructure& k : c.components) CheckDeclaredSides(s.fileName, k, builtInField);
}

std::vector<OwnTrait> OwnTraitsOf(const ParameterStructure& s, const FieldExists& builtInField) {
  std::vector<OwnTrait> own;
  for (const ComplexStructure& c : s.complexes)
    for (const ComponentStructure& k : c.components) {
      const std::vector<std::string> fields = ScoreFieldsOf(k.name, k.Paired());
      if (std::any_of(fields.begin(), fields.end(), builtInField)) continue;
      const bool again = std::any_of(own.begin(), own.end(),
                                     [&](const OwnTrait& t) { return UpperCase(t.name) == UpperCase(k.name); });
      if (!again) own.push_back({k.name, k.Paired(), k.transitions + 1, k.recoding, k.comment, c.name, k.line});
    }
  return own;
}

std::vector<OwnTrait> CheckCaseFields(const ParameterStructure& s, const FieldExists& fieldExists,
                                      const FieldExists& isScoreField) {
  std::vector<OwnTrait> own;
  if (!fieldExists) return own;
  // Which trait of one's own takes each field, by upper-case name.
  std::vector<std::pair<std::string, const ComponentStructure*>> taken;
  for (const ComplexStructure& c : s.complexes) {
    if (c.components.empty()) continue;  // an empty complex is never analysed
    for (const std::string& field : ComplexResultFields(c.name))
      if (!fieldExists(field))
        FailAt(s.fileName, c.line,
               "the case table has no field " + field + " for the results of complex " + c.name +
                   " (it keeps the results of SUTURES, PUBIS and AURICULAR)");
    for (const ComponentStructure& k : c.components) {
      const std::vector<std::string> fields = ScoreFieldsOf(k.name, k.Paired());
      const auto present = std::count_if(fields.begin(), fields.end(), fieldExists);
      if (present == static_cast<long>(fields.size())) {
        for (const std::string& field : fields)
          if (isScoreField && !isScoreField(field))
            FailAt(s.fileName, k.line,
                   "the trait name " + k.name + " clashes with the field " + field +
                       " of the case table, which holds no stage score; give the trait another name");
        continue;
      }
      if (present > 0) {
        for (const std::string& field : fields)
          if (!fieldExists(field))
            FailAt(s.fileName, k.line, "the case table has no score field " + field + " for component " + k.name);
      }
      CheckDeclaredSides(s.fileName, k, fieldExists);
      if (!IsColumnName(k.name))
        FailAt(s.fileName, k.line,
               "the trait name \"" + k.name +
                   "\" cannot name fields of the case table: a trait of one's own is named by a letter, then letters, "
                   "digits and underscores, at most " +
                   std::to_string(MaxOwnTraitName) + " characters");
      for (const std::string& field : fields) {
        const std::string upper = UpperCase(field);
        const auto other = std::find_if(taken.begin(), taken.end(), [&](const auto& t) { return t.first == upper; });
        if (other == taken.end()) continue;
        const ComponentStructure& o = *other->second;
        if (UpperCase(o.name) == UpperCase(k.name) && o.Paired() == k.Paired()) break;  // the same trait again
        FailAt(s.fileName, k.line,
               "the score field " + upper + " of trait " + k.name + " is also one of trait " + o.name + " (line " +
                   std::to_string(o.line) + "); give one of them another name");
      }
      const bool again = std::any_of(own.begin(), own.end(),
                                     [&](const OwnTrait& t) { return UpperCase(t.name) == UpperCase(k.name); });
      if (again) continue;
      for (const std::string& field : fields) taken.emplace_back(UpperCase(field), &k);
      own.push_back({k.name, k.Paired(), k.transitions + 1, k.recoding, k.comment, c.name, k.line});
    }
  }
  return own;
}

std::vector<std::string> PlausibilityWarnings(const ParameterStructure& s) {
  std::vector<std::string> warnings;
  std::size_t dropped = 0;
  const auto at = [&s](int line) { return s.fileName + ", line " + std::to_string(line) + ": "; };
  // A factor far below 1 narrows every interval towards nothing, one far above widens it to the whole range.
  const auto outOfRange = [](double factor) -> std::string {
    if (factor > 100) return " is above 100";
    if (factor < 0.01) return " is below 0.01";
    return {};
  };
  if (const std::string odd = outOfRange(s.resvar); !odd.empty())
    Warn(warnings, dropped, at(s.resvarLine) + "the case variance factor " + Number(s.resvar) + odd);
  for (const ComplexStructure& c : s.complexes) {
    if (const std::string odd = outOfRange(c.resvar); !odd.empty())
      Warn(warnings, dropped,
           at(c.resvarLine) + "the variance factor " + Number(c.resvar) + " of complex " + c.name + odd);
    for (const ComponentStructure& k : c.components) {
      for (int g = 1; g <= s.groups; ++g) {
        double previousAge = 0.0;
        bool havePrevious = false;
        for (int t = 0; t < k.transitions; ++t) {
          const TransitionRow& r = k.Row(t, g, s.groups);
          const int line = k.blockLine + t * s.groups + g - 1;
          const std::string where =
              " of " + k.name + ", transition " + std::to_string(t + 1) + ", group " + std::to_string(g);
          if (!(r.b > 0)) {
            Warn(warnings, dropped, at(line) + "the slope b = " + Number(r.b) + where + " is not above 0");
            havePrevious = false;
            continue;
          }
          const double age = -r.a / r.b;
          if (!(age >= 0 && age <= 150))
            Warn(warnings, dropped,
                 at(line) + "the transition age -a/b = " + Number(age) + where + " lies outside 0 to 150 years");
          if (havePrevious && age < previousAge)
            Warn(warnings, dropped,
                 at(line) + "the transition age -a/b = " + Number(age) + where +
                     " is below that of the transition before (" + Number(previousAge) + ")");
          previousAge = age;
          havePrevious = true;
        }
      }
    }
  }
  if (dropped > 0) warnings.push_back(s.fileName + ": and " + std::to_string(dropped) + " more such values");
  return warnings;
}

std::shared_ptr<const CheckedParameters> CheckParameterText(const std::string& text, const std::string& path,
                                                            const FieldExists& fieldExists,
                                                            const FieldExists& isScoreField) {
  auto checked = std::make_shared<CheckedParameters>();
  checked->path = path;
  checked->structure = ParseParameterText(text, path);
  checked->identity = IdentifyParameterSet(path, text);
  const ParameterStructure& s = checked->structure;
  if (s.groups < 4)
    FailAt(path, s.groupsLine,
           "the file has " + std::to_string(s.groups) + " groups; the four sex and ancestry groups need 4");
  checked->ownTraits = CheckCaseFields(s, fieldExists, isScoreField);
  checked->warnings = PlausibilityWarnings(s);
  for (const ComplexStructure& c : s.complexes)
    for (const ComponentStructure& k : c.components) {
      const std::vector<std::string> fields = ScoreFieldsOf(k.name, k.Paired());
      checked->scoreFields.try_emplace(k.name, fields.begin(), fields.end());
    }
  return checked;
}

std::shared_ptr<const CheckedParameters> CheckParameterFile(const std::string& path, const FieldExists& fieldExists,
                                                            const FieldExists& isScoreField) {
  std::error_code ignored;
  const std::uintmax_t size = std::filesystem::file_size(path, ignored);
  const std::filesystem::file_time_type modified = std::filesystem::last_write_time(path, ignored);
  const std::string text = ReadParameterFileText(path);
  auto checked = std::const_pointer_cast<CheckedParameters>(CheckParameterText(text, path, fieldExists, isScoreField));
  // The checksum is that of the file's bytes, a byte-order mark included,
  // so that any other program computes the same.
  std::ifstream head(path, std::ios::binary);
  std::array<char, 3> mark{};
  if (head.read(mark.data(), 3) && std::string_view(mark.data(), 3) == "\xEF\xBB\xBF")
    checked->identity = IdentifyParameterSet(path, "\xEF\xBB\xBF" + text);
  checked->fileSize = size;
  checked->modified = modified;
  return checked;
}

bool ParameterFileChanged(const CheckedParameters& checked) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(checked.path, error);
  if (error) return true;
  const std::filesystem::file_time_type modified = std::filesystem::last_write_time(checked.path, error);
  return error || size != checked.fileSize || modified != checked.modified;
}

namespace {

// A stored score that stands for no stage of its trait (it reached the table
// by a way that did not check it) refuses the case rather than reading as
// missing.
void RefuseScoresWithoutStage(const ComponentStructure& k, const ScorePairs& raw) {
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::int32_t score = raw[i];
    if (score < 1 || score > 9 || k.recoding[static_cast<std::size_t>(score - 1)] != 0) continue;
    std::vector<int> allowed;
    for (int t = 1; t <= 9; ++t)
      if (k.recoding[static_cast<std::size_t>(t - 1)] != 0) allowed.push_back(t);
    std::string range;
    if (allowed.empty())
      range = "none";
    else if (allowed.back() - allowed.front() + 1 == static_cast<int>(allowed.size()))
      range = std::to_string(allowed.front()) + (allowed.size() > 1 ? "-" + std::to_string(allowed.back()) : "");
    else
      for (int t : allowed) range += (range.empty() ? "" : ", ") + std::to_string(t);
    throw AnalysisError("Field " + ScoreFieldsOf(k.name, k.Paired())[i] + " holds the score " + std::to_string(score) +
                        ", which stands for no stage of " + k.name + "; the allowed scores are " + range +
                        " (and -1 to withdraw the side)");
  }
}

}  // namespace

ParameterSet BuildParameterSet(const ParameterStructure& s, int group, const ScoreSource& scores,
                               const ComplexSelection& selection) {
  if (group < 1 || group > s.groups)
    FailAt(s.fileName, s.groupsLine,
           "the file has " + std::to_string(s.groups) + " groups; group " + std::to_string(group) + " is needed");
  ParameterSet set;
  set.Resvar = s.resvar;
  std::unique_ptr<TraitComplex>* complexTail = &set.Complexes;
  for (const ComplexStructure& c : s.complexes) {
    auto complex = std::make_unique<TraitComplex>();
    complex->Complexname = CutText(c.name, NodeNameLength);
    complex->Resvar = c.resvar;
    const std::string& name = complex->Complexname;
    const bool deselected = (name == "SUTURES" && !selection.UseCranialData) ||
                            (name == "PUBIS" && !selection.UsePubicData) ||
                            (name == "AURICULAR" && !selection.UseAuricularData);
    std::unique_ptr<TraitComponent>* tail = &complex->Components;
    for (const ComponentStructure& ks : c.components) {
      const ScorePairs raw = scores(ks.name, ks.sideCount);
      RefuseScoresWithoutStage(ks, raw);
      const bool scored = raw[0] != 0 || raw[2] != 0;
      if (!scored || deselected) continue;

      auto k = std::make_unique<TraitComponent>();
      k->RawScores = raw;
      ScorePairs sc = raw;
      // A trait scored identically on both sides counts once.
      if (sc[0] == sc[2] && sc[1] == sc[3]) sc[2] = sc[3] = 0;
      k->ComponentName = CutText(ks.name, NodeNameLength);
      k->NumStagesOfComponent = ks.transitions;
      std::int32_t* stages[4] = {&k->EnteredRight, &k->NotOutOfRight, &k->EnteredLeft, &k->NotOutOfLeft};
      for (int i = 0; i < 4; ++i) {
        *stages[i] = 0;
        if (sc[i] > 0) {
          if (sc[i] > 9)
            FailAt(s.fileName, ks.line,
                   "component " + ks.name + " has the score " + std::to_string(sc[i]) + "; scores run from 1 to 9");
          *stages[i] = ks.recoding[static_cast<std::size_t>(sc[i] - 1)];
        }
      }
      for (int t = 0; t < ks.transitions; ++t) {
        const TransitionRow& r = ks.Row(t, group, s.groups);
        k->a[t] = r.a;
        k->b[t] = r.b;
        k->c[t] = r.c;
        k->d[t] = r.d;
        k->e[t] = r.e;
      }
      *tail = std::move(k);
      tail = &(*tail)->Next;
    }
    // A complex without kept components is left out.
    if (complex->Components) {
      *complexTail = std::move(complex);
      complexTail = &(*complexTail)->Next;
    }
  }
  return set;
}

}  // namespace vorla
