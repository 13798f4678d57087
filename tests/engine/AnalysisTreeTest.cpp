#include <gtest/gtest.h>

#include "TreeBuilders.h"
#include "engine/AnalysisTree.h"

using namespace vorla;

TEST(AnalysisTree, TextsAreCut) {
  const std::string forty(40, 'N'), seventy(70, 'S');
  EXPECT_EQ(CutText(forty, NodeNameLength), std::string(31, 'N'));
  EXPECT_EQ(CutText(seventy, CaseNameLength), std::string(63, 'S'));
  EXPECT_EQ(CutText("Unknown", ChoiceTextLength), "Unknown");
}

TEST(AnalysisTree, NewRecordHasDefinedValues) {
  TTransisionsAnalyseDataSet s;
  EXPECT_EQ(s.CL, 0.0);
  EXPECT_EQ(s.Complexes, nullptr);
}

TEST(AnalysisTree, FreeReleasesTheWholeTree) {
  // Leaks would show under the sanitizer build; here the shape and the reset.
  auto make = [] {
    auto c = std::make_unique<TraitComplex>();
    std::unique_ptr<TraitComponent>* tail = &c->Components;
    for (int i = 0; i < 4; ++i) {
      *tail = std::make_unique<TraitComponent>();
      tail = &(*tail)->Next;
    }
    return c.release();
  };
  AnalysisTreePtr s = test::MakeCase({make(), make(), make()});
  EXPECT_EQ(CountComplexes(*s), 3);
  EXPECT_EQ(CountComponents(*s->Complexes), 4);
  FreeAnalysisTree(s);
  EXPECT_EQ(s, nullptr);
  FreeAnalysisTree(s);  // none: harmless
  EXPECT_EQ(s, nullptr);
}
