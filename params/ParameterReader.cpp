#include "params/ParameterReader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "params/ParameterErrors.h"
#include "params/ParameterTokens.h"

namespace vorla {

namespace {

bool IsBlankOrControl(char ch) { return static_cast<unsigned char>(ch) <= ' ' || ch == 127; }

class Reader {
 public:
  Reader(ParameterTokens& tokens, int group, const ScoreSource& scores, const ComplexSelection& selection)
      : t_(tokens), group_(group), scores_(scores), selection_(selection) {}

  ParameterSet Read() {
    ParameterSet set;
    const double version = t_.ReadReal("the version");
    t_.SkipLine();
    if (version != ParameterSetVersion) throw ParameterVersionError(version);
    groups_ = t_.ReadInteger("the number of groups");
    if (groups_ < 1) t_.Fail("the number of groups must be at least 1, not " + std::to_string(groups_));
    if (group_ < 1 || group_ > groups_)
      t_.Fail("the file has " + std::to_string(groups_) + " groups; group " + std::to_string(group_) + " is needed");
    t_.SkipLine();
    set.Resvar = t_.ReadPositiveReal("the case variance factor");
    t_.SkipLine();
    ReadComplexList(set.Complexes);
    return set;
  }

 private:
  void ReadComplexList(std::unique_ptr<TraitComplex>& head) {
    std::unique_ptr<TraitComplex>* tail = &head;
    for (;;) {
      if (t_.ReadInteger("a complex header") <= 0) {
        t_.SkipLine();
        return;
      }
      auto complex = std::make_unique<TraitComplex>();
      const std::string name = HeaderName(t_.ReadRestOfLine());
      t_.SkipLine();
      complex->Complexname = CutText(name, NodeNameLength);
      complexName_ = complex->Complexname;
      complex->Resvar = t_.ReadPositiveReal("the complex variance factor");
      t_.SkipLine();
      ReadComponentList(complex->Components);
      // A complex without kept components is left out.
      if (complex->Components) {
        *tail = std::move(complex);
        tail = &(*tail)->Next;
      }
    }
  }

  bool Deselected() const {
    return (complexName_ == "SUTURES" && !selection_.UseCranialData) ||
           (complexName_ == "PUBIS" && !selection_.UsePubicData) ||
           (complexName_ == "AURICULAR" && !selection_.UseAuricularData);
  }

  void SkipLines(long long count) {
    for (long long i = 0; i < count && !t_.AtEnd(); ++i) t_.SkipLine();
  }

  void ReadComponentList(std::unique_ptr<TraitComponent>& head) {
    std::unique_ptr<TraitComponent>* tail = &head;
    for (;;) {
      const std::int32_t sides = t_.ReadInteger("a component header");
      if (sides <= 0) {
        t_.SkipLine();
        return;
      }
      const std::string name = HeaderName(t_.ReadRestOfLine());
      t_.SkipLine();
      const ScorePairs raw = scores_(name, sides);
      const bool scored = raw[0] != 0 || raw[2] != 0;
      if (!scored || Deselected()) {
        const std::int32_t n = t_.ReadTransitionCount();
        t_.SkipLine();
        SkipLines(static_cast<long long>(n) * groups_);
        continue;
      }
      *tail = ReadUsedComponent(name, raw);
      tail = &(*tail)->Next;
    }
  }

  std::unique_ptr<TraitComponent> ReadUsedComponent(const std::string& name, const ScorePairs& raw) {
    auto k = std::make_unique<TraitComponent>();
    k->RawScores = raw;
    ScorePairs s = raw;
    // A trait scored identically on both sides counts once.
    if (s[0] == s[2] && s[1] == s[3]) s[2] = s[3] = 0;

    const std::int32_t n = t_.ReadTransitionCount();
    std::array<std::int32_t, 9> recoding{};
    for (std::int32_t& entry : recoding) {
      entry = t_.ReadInteger("a recoding entry");
      if (entry < 0 || entry > n + 1)
        t_.Fail("a recoding entry lies between 0 and " + std::to_string(n + 1) + ", not " + std::to_string(entry));
    }
    t_.SkipLine();
    k->ComponentName = CutText(name, NodeNameLength);
    k->NumStagesOfComponent = n;

    std::int32_t* stages[4] = {&k->EnteredRight, &k->NotOutOfRight, &k->EnteredLeft, &k->NotOutOfLeft};
    for (int i = 0; i < 4; ++i) {
      *stages[i] = 0;
      if (s[i] > 0) {
        if (s[i] > 9) t_.Fail("component " + name + " has the score " + std::to_string(s[i]) + "; scores run from 1 to 9");
        *stages[i] = recoding[s[i] - 1];
      }
    }

    for (int j = 0; j < n; ++j) {
      SkipLines(group_ - 1);
      t_.ReadInteger("a row label");
      double* targets[5] = {&k->a[j], &k->b[j], &k->c[j], &k->d[j], &k->e[j]};
      for (double* target : targets) *target = t_.ReadReal("a transition parameter");
      t_.SkipLine();
      SkipLines(groups_ - group_);
    }
    return k;
  }

  ParameterTokens& t_;
  int group_;
  const ScoreSource& scores_;
  const ComplexSelection& selection_;
  std::int32_t groups_ = 0;
  std::string complexName_;
};

}  // namespace

std::string HeaderName(const std::string& restOfLine) {
  std::string name = restOfLine.substr(0, restOfLine.find('#'));
  std::size_t begin = 0, end = name.size();
  while (begin < end && IsBlankOrControl(name[begin])) ++begin;
  while (end > begin && IsBlankOrControl(name[end - 1])) --end;
  return name.substr(begin, end - begin);
}

ParameterSet ReadParameterText(const std::string& text, const std::string& fileName, int group,
                               const ScoreSource& scores, const ComplexSelection& selection) {
  ParameterTokens tokens(text, fileName);
  return Reader(tokens, group, scores, selection).Read();
}

std::string ParameterFileProblem(const std::string& path) {
  const std::string what = "The parameter file \"" + path + "\" ";
  const std::string remedy =
      " The analysis reads the model's parameters from it: put a parameter set (Parameters.dat) into that "
      "folder, or start the program on a folder that holds one (--dir).";
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return what + "does not exist." + remedy;
  if (status.type() == std::filesystem::file_type::directory) return what + "is a folder, not a file." + remedy;
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int cause = errno;
    return what + "cannot be opened" + (cause != 0 ? std::string(": ") + std::strerror(cause) : std::string()) +
           "." + remedy;
  }
  return {};
}

ParameterSet ReadParameterSet(const std::string& path, int group, const ScoreSource& scores,
                              const ComplexSelection& selection) {
  if (std::string problem = ParameterFileProblem(path); !problem.empty()) throw ParameterFileError(problem);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ParameterFileError("Cannot open the parameter file \"" + path + "\"");
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw ParameterFileError("Cannot read the parameter file \"" + path + "\"");
  return ReadParameterText(content.str(), path, group, scores, selection);
}

}  // namespace vorla
