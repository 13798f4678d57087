#include "calib/ParameterStructure.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "engine/AnalysisTree.h"
#include "params/ParameterErrors.h"
#include "params/ParameterReader.h"
#include "params/ParameterTokens.h"

namespace vorla::calib {

namespace {

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

class StructureReader {
 public:
  explicit StructureReader(ParameterTokens& tokens) : t_(tokens) {}

  ParameterStructure Read() {
    ParameterStructure s;
    const double version = t_.ReadReal("the version");
    s.versionNote = Trim(t_.ReadRestOfLine());
    t_.SkipLine();
    if (version != ParameterSetVersion) throw ParameterVersionError(version);
    s.groups = t_.ReadInteger("the number of groups");
    if (s.groups < 1) t_.Fail("the number of groups must be at least 1, not " + std::to_string(s.groups));
    groups_ = s.groups;
    t_.SkipLine();
    s.resvar = t_.ReadPositiveReal("the case variance factor");
    t_.SkipLine();
    for (;;) {
      const std::int32_t header = t_.ReadInteger("a complex header");
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
      t_.SkipLine();
      complex.resvar = t_.ReadPositiveReal("the complex variance factor");
      t_.SkipLine();
      ReadComponents(complex.components);
      s.complexes.push_back(std::move(complex));
    }
    return s;
  }

 private:
  void ReadComponents(std::vector<ComponentStructure>& components) {
    for (;;) {
      const std::int32_t sides = t_.ReadInteger("a component header");
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
      t_.SkipLine();
      k.transitions = t_.ReadTransitionCount();
      for (std::int32_t& entry : k.recoding) {
        entry = t_.ReadInteger("a recoding entry");
        if (entry < 0 || entry > k.transitions + 1)
          t_.Fail("a recoding entry lies between 0 and " + std::to_string(k.transitions + 1) + ", not " +
                  std::to_string(entry));
      }
      t_.SkipLine();
      k.rows.resize(static_cast<std::size_t>(k.transitions) * static_cast<std::size_t>(groups_));
      for (TransitionRow& row : k.rows) {
        row.label = t_.ReadInteger("a row label");
        for (double* target : {&row.a, &row.b, &row.c, &row.d, &row.e}) *target = t_.ReadReal("a transition parameter");
        t_.SkipLine();
      }
      components.push_back(std::move(k));
    }
  }

  ParameterTokens& t_;
  std::int32_t groups_ = 0;
};

[[noreturn]] void Disagree(const std::string& fileName, const ComponentStructure& k) {
  throw ParameterFileError(fileName + ", line " + std::to_string(k.line) + ": the parameter block of " + k.name +
                           " does not hold exactly one row per line (is there a blank or broken line in it?)");
}

// Reads the text for every group as the analysis does, with every component
// scored, and compares: the structure must hold the numbers the analysis uses.
void CheckAgainstAnalysisReader(const ParameterStructure& s, const std::string& text) {
  const ScoreSource everyComponent = [](const std::string&, std::int32_t) { return ScorePairs{1, 1, 0, 0}; };
  for (int g = 1; g <= s.groups; ++g) {
    ParameterSet set;
    try {
      set = ReadParameterText(text, s.fileName, g, everyComponent, ComplexSelection{});
    } catch (const ParameterFileError& e) {
      throw ParameterFileError(std::string(e.what()) + " (reading the rows of group " + std::to_string(g) +
                               "; is there a blank or broken line in a parameter block?)");
    }
    const TraitComplex* complex = set.Complexes.get();
    for (const ComplexStructure& c : s.complexes) {
      if (c.components.empty()) continue;
      if (!complex || complex->Complexname != CutText(c.name, NodeNameLength) || complex->Resvar != c.resvar)
        Disagree(s.fileName, c.components.front());
      const TraitComponent* k = complex->Components.get();
      for (const ComponentStructure& ks : c.components) {
        if (!k || k->ComponentName != CutText(ks.name, NodeNameLength) || k->NumStagesOfComponent != ks.transitions)
          Disagree(s.fileName, ks);
        for (int t = 0; t < ks.transitions; ++t) {
          const TransitionRow& row = ks.Row(t, g, s.groups);
          if (k->a[t] != row.a || k->b[t] != row.b || k->c[t] != row.c || k->d[t] != row.d || k->e[t] != row.e)
            Disagree(s.fileName, ks);
        }
        k = k->Next.get();
      }
      complex = complex->Next.get();
    }
  }
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

ParameterStructure ParameterStructureFromText(const std::string& text, const std::string& fileName) {
  ParameterTokens tokens(text, fileName);
  ParameterStructure s = StructureReader(tokens).Read();
  s.fileName = fileName;
  CheckAgainstAnalysisReader(s, text);
  return s;
}

ParameterStructure ReadParameterStructure(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ParameterFileError("Cannot open the parameter file \"" + path + "\"");
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw ParameterFileError("Cannot read the parameter file \"" + path + "\"");
  return ParameterStructureFromText(content.str(), path);
}

std::vector<std::string> ScoreFields(const ComponentStructure& component) {
  std::vector<std::string> fields;
  for (const std::string& base : PairBases(component)) {
    fields.push_back(base + "_LOW");
    fields.push_back(base + "_UPPER");
  }
  return fields;
}

std::vector<std::string> PairBases(const ComponentStructure& component) {
  if (!component.Paired()) return {component.name};
  return {component.name + "_R", component.name + "_L"};
}

void RequireFourGroups(const ParameterStructure& structure) {
  if (structure.groups != 4)
    throw ParameterFileError(structure.fileName + ", line 2: the file has " + std::to_string(structure.groups) +
                             " groups; the four sex and ancestry groups need 4");
}

}  // namespace vorla::calib
