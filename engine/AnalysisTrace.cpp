#include "engine/AnalysisTrace.h"

#include "engine/TraceFormat.h"

namespace vorla {

namespace {

class TraceBuilder {
 public:
  std::string text;

  void Line(const std::string& line = {}) {
    text += line;
    text += "\r\n";
  }

  // A line of numbers, each followed by ", ".
  template <class Values>
  void NumberLine(const char* label, const Values& values, int decimals, int width) {
    text += label;
    char buffer[420];
    for (double v : values) {
      char* end = FormatTraceFixed(buffer, v, decimals, width);
      *end++ = ',';
      *end++ = ' ';
      text.append(buffer, end);
    }
    Line();
  }

  void Profile(const AgeProfile& profile) {
    std::array<double, AgeGridSize> ages, liks;
    bool onGrid = true;
    for (int i = 0; i < AgeGridSize; ++i) {
      ages[i] = profile[i].Age;
      liks[i] = profile[i].Lik;
      onGrid = onGrid && ages[i] == GridAge(i);
    }
    if (onGrid) {
      // Every analysed profile lies on the grid: its age line is always the same.
      static const std::string gridAges = [] {
        TraceBuilder once;
        std::array<double, AgeGridSize> grid;
        for (int i = 0; i < AgeGridSize; ++i) grid[i] = GridAge(i);
        once.NumberLine("Age :", grid, 5, 9);
        return once.text;
      }();
      text += gridAges;
    } else {
      NumberLine("Age :", ages, 5, 9);
    }
    NumberLine("Lik :", liks, 5, 9);
  }

  void Parameters(const char* label, const TransitionParameters& values) { NumberLine(label, values, 2, 6); }

  void Component(const TraitComponent& k) {
    const auto stage = [](std::int32_t stageValue, std::int32_t score) {
      return std::to_string(stageValue) + "     " + std::to_string(score);
    };
    Line();
    Line("      Component name            = " + k.ComponentName);
    Line("      Entered, right            = " + stage(k.EnteredRight, k.RawScores[0]));
    Line("      NotOutOf, right           = " + stage(k.NotOutOfRight, k.RawScores[1]));
    Line("      Entered, left             = " + stage(k.EnteredLeft, k.RawScores[2]));
    Line("      NotOutOf, left            = " + stage(k.NotOutOfLeft, k.RawScores[3]));
    Line("      NumStagesOfComponent      = " + std::to_string(k.NumStagesOfComponent));
    Line("      ComponentNormalizingConst = " + TraceReal(k.ComponentNormalizingConst));
    Line("      MLA                       = " + TraceReal(k.MLA));
    Parameters("a = ", k.a);
    Parameters("b = ", k.b);
    Parameters("c = ", k.c);
    Parameters("d = ", k.d);
    Parameters("e = ", k.e);
    Profile(k.Profile);
    Line("^");
  }

  void Complex(const TraitComplex& c) {
    for (const TraitComponent* k = c.Components.get(); k; k = k->Next.get()) Component(*k);
    Line();
    Line("   Complexname  = " + c.Complexname);
    Line("   Resvar       = " + TraceReal(c.Resvar));
    Line("   MLA          = " + TraceReal(c.MLA));
    Line("   ML           = " + TraceReal(c.ML));
    Line("   CILow        = " + TraceReal(c.CILow));
    Line("   CIHigh       = " + TraceReal(c.CIHigh));
    Line("   DF           = " + std::to_string(c.DF));
    Line("   SE           = " + TraceReal(c.SE));
    Line("   Consistensy  = " + TraceReal(c.Consistensy));
    Line("   PConsistensy = " + TraceReal(c.PConsistensy));
    Profile(c.Profile);
    Line("***");
  }
};

}  // namespace

namespace {

void BuildTrace(TraceBuilder& t, const TTransisionsAnalyseDataSet& s) {
  t.Line("Name          = " + s.Name);
  t.Line("Sex           = " + s.Sex);
  t.Line("Race          = " + s.Race);
  t.Line("HazardFunc    = " + s.HazardFunc);
  if (!s.HazardModel.empty()) t.Line("HazardModel   = " + s.HazardModel);
  for (const TraitComplex* c = s.Complexes.get(); c; c = c->Next.get()) t.Complex(*c);
  t.Line("Likelihood:");
  t.Profile(s.Likelihood);
  t.Line("HazardFunc:");
  t.Profile(s.HazardLikelihood);
  t.Line();
  t.Line();
  t.Line("Resvar        = " + TraceReal(s.Resvar));
  t.Line("MLA           = " + TraceReal(s.MLA));
  t.Line("ML            = " + TraceReal(s.ML));
  t.Line("CILow         = " + TraceReal(s.CILow));
  t.Line("CIHigh        = " + TraceReal(s.CIHigh));
  t.Line("DF            = " + std::to_string(s.DF));
  t.Line("SE            = " + TraceReal(s.SE));
  t.Line("Consistensy   = " + TraceReal(s.Consistensy));
  t.Line("PConsistensy  = " + TraceReal(s.PConsistensy));
  t.Line("CL            = " + TraceReal(s.CL));
  t.Line("Hazard_MLA    = " + TraceReal(s.Hazard_MLA));
  t.Line("Hazard_ML     = " + TraceReal(s.Hazard_ML));
  t.Line("Hazard_SE     = " + TraceReal(s.Hazard_SE));
  t.Line("Hazard_CIHigh = " + TraceReal(s.Hazard_CIHigh));
  t.Line("Hazard_CILow  = " + TraceReal(s.Hazard_CILow));
  t.Line("Corrected graph values:");
}

}  // namespace

std::string AnalysisTraceText(const TTransisionsAnalyseDataSet& s) {
  TraceBuilder t;
  BuildTrace(t, s);
  return t.text;
}

void BuildAnalysisTrace(const TTransisionsAnalyseDataSet& record, std::string& text) {
  TraceBuilder t;
  t.text.swap(text);
  t.text.clear();
  BuildTrace(t, record);
  text.swap(t.text);
}

}  // namespace vorla
