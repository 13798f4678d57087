// The case's uncorrected likelihood on the grid, taken without the searches,
// is the profile Analyse leaves in the case up to a constant factor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "TreeBuilders.h"
#include "engine/Analysis.h"
#include "engine/CaseProfile.h"
#include "engine/StageLikelihood.h"

using namespace vorla;
using test::MakeCase;
using test::MakeComplex;
using test::RealisticComponent;

// Three complexes with variance factors 1, 1.3 and 0.8 and a case factor
// of 1.2; the components disagree a little, so no complex peaks where another does.
TEST(UncorrectedCaseProfile, IsAnalysesProfileScaledToOne) {
  AnalysisTreePtr s = MakeCase({
      MakeComplex("PUBIS", 1.0, {RealisticComponent("PUB_A", 2).release(), RealisticComponent("PUB_B", 3, 4).release()})
          .release(),
      MakeComplex("SUTURES", 1.3, {RealisticComponent("CRA_A", 3, -5).release()}).release(),
      MakeComplex("AURICULAR", 0.8,
                  {RealisticComponent("AUR_A", 2, 2).release(), RealisticComponent("AUR_B", 3).release(),
                   RealisticComponent("AUR_C", 2, -3).release()})
          .release(),
  });
  s->Resvar = 1.2;
  const GridValuesOfCase profile = UncorrectedCaseProfile(*s, &Logit);
  Analyse(s.get(), ChooseAnalysisSettings(95, "logit", "archeological", "", ""));
  double largest = 0.0;
  for (const AgePoint& p : s->Likelihood) largest = std::max(largest, p.Lik);
  ASSERT_GT(largest, 0.0);
  EXPECT_DOUBLE_EQ(*std::max_element(profile.begin(), profile.end()), 1.0);
  for (int i = 0; i < AgeGridSize; ++i) {
    if (s->Likelihood[i].Lik < 1e-250) continue;
    EXPECT_NEAR(profile[i], s->Likelihood[i].Lik / largest, 1e-12 + 1e-10 * profile[i]) << GridAge(i);
  }
}
