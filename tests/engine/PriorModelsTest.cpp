#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "engine/AnalysisError.h"
#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTree.h"
#include "engine/PriorModels.h"

using namespace vorla;

TEST(PriorModels, DensitiesAtFifteen) {
  EXPECT_NEAR(HazardDensity(ForensicHazard, 15), 0.03142 * std::exp(0.01618 * 15) / 0.04006, 1e-14);
  EXPECT_NEAR(HazardDensity(ArcheologicalHazard, 15), (0.01273 + 2.478e-05 * std::exp(1.59)) / 0.02003, 1e-14);
}

TEST(PriorModels, DividedDensityPeaksNearOne) {
  for (const HazardTableType* table : {&ArcheologicalHazard, &ForensicHazard}) {
    double peak = 0;
    for (int i = 0; i < AgeGridSize; ++i) peak = std::max(peak, HazardDensity(*table, GridAge(i)));
    EXPECT_NEAR(peak, 1.0, 0.02) << (*table)[2];
  }
  EXPECT_EQ(FlatPrior(73.25), 1.0);
}

TEST(PriorModels, ModelNamesIgnoreCaseAndOthersAreRefused) {
  for (const char* name : {"Archeological", "ARCHEOLOGICAL", "archeological"})
    EXPECT_EQ(&HazardTableNamed(name), &ArcheologicalHazard) << name;
  EXPECT_EQ(&HazardTableNamed("Forensic"), &ForensicHazard);
  try {
    HazardTableNamed("Archaeological");
    FAIL();
  } catch (const AnalysisError& e) {
    EXPECT_STREQ(e.what(), "illegal hazardfunction parameter: HF = Archaeological");
  }
  EXPECT_THROW(HazardTableNamed(""), AnalysisError);
}

TEST(PriorModels, Groups) {
  EXPECT_EQ(SelectGroup("Unknown", "Unknown"), 1);
  EXPECT_EQ(SelectGroup("Female", "White"), 1);
  EXPECT_EQ(SelectGroup("Male", "White"), 2);
  EXPECT_EQ(SelectGroup("female", "BLACK"), 3);
  EXPECT_EQ(SelectGroup("MALE", "Black"), 4);
  EXPECT_EQ(SelectGroup(" male", "black "), 1);  // only the exact words count
}

// The densities at grid ages are kept per thread for the table last asked
// for; asking for another table gives that table's.
TEST(PriorModels, GridDensitiesFollowTheTableAskedFor) {
  const auto atGridAges = [](const HazardTableType& table) {
    std::vector<double> values;
    for (int i = 0; i < AgeGridSize; i += 20) values.push_back(HazardDensity(table, GridAge(i)));
    return values;
  };
  const std::vector<double> archeological = atGridAges(ArcheologicalHazard);
  const std::vector<double> forensic = atGridAges(ForensicHazard);
  EXPECT_NE(archeological, forensic);
  EXPECT_EQ(atGridAges(ArcheologicalHazard), archeological);
  // A grid age and the ages just beside it lie on one smooth curve.
  const double x = GridAge(123), h = 1e-7;
  const auto f = [](double age) { return HazardDensity(ArcheologicalHazard, age); };
  EXPECT_NEAR(f(x), (f(x - h) + f(x + h)) / 2, 1e-9 * f(x));
}

// A folder's own model is found by its name in any letter case; the
// built-in names keep their tables whatever the folder holds; a name the
// folder does not define is refused as an unknown built-in name is. The
// model's divisor makes its prior peak at exactly 1 on the grid.
TEST(PriorModels, OwnModelsByNameWithTheirPeakAtOne) {
  const OwnMortalityModels own = {{"Cemetery1", 0.0094, 2.5e-05, 0.099}, {"forensic", 0.5, 0.5, 0.5}};
  const HazardTableType table = HazardTableNamed("CEMETERY1", own);
  EXPECT_EQ(table[2], 0.0094);
  EXPECT_EQ(table[3], 2.5e-05);
  EXPECT_EQ(table[4], 0.099);
  double peak = 0;
  for (int i = 0; i < AgeGridSize; ++i) peak = std::max(peak, HazardDensity(table, GridAge(i)));
  EXPECT_NEAR(peak, 1.0, 1e-15);
  EXPECT_EQ(HazardTableNamed("Forensic", own), ForensicHazard);
  EXPECT_EQ(HazardTableNamed("archeological", own), ArcheologicalHazard);
  try {
    HazardTableNamed("Cemetery2", own);
    FAIL();
  } catch (const AnalysisError& e) {
    EXPECT_STREQ(e.what(), "illegal hazardfunction parameter: HF = Cemetery2");
  }
  EXPECT_EQ(ChooseAnalysisSettings(95, "logit", "cemetery1", "", "", own).prior, table);
  EXPECT_THROW(ChooseAnalysisSettings(95, "logit", "cemetery1", "", ""), AnalysisError);
}
