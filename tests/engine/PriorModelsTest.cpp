#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "engine/AnalysisError.h"
#include "engine/AnalysisTree.h"
#include "engine/EngineSettings.h"
#include "engine/PriorModels.h"

using namespace vorla;

TEST(PriorModels, DensitiesAtFifteen) {
  SelectHazardModel("forensic");
  EXPECT_NEAR(HazardDensity(15), 0.03142 * std::exp(0.01618 * 15) / 0.04006, 1e-14);
  SelectHazardModel("archeological");
  EXPECT_NEAR(HazardDensity(15), (0.01273 + 2.478e-05 * std::exp(1.59)) / 0.02003, 1e-14);
}

TEST(PriorModels, DividedDensityPeaksNearOne) {
  for (const char* model : {"archeological", "forensic"}) {
    SelectHazardModel(model);
    double peak = 0;
    for (int i = 0; i < AgeGridSize; ++i) peak = std::max(peak, HazardDensity(GridAge(i)));
    EXPECT_NEAR(peak, 1.0, 0.02) << model;
  }
  EXPECT_EQ(FlatPrior(73.25), 1.0);
}

TEST(PriorModels, ModelNamesIgnoreCase) {
  for (const char* name : {"Archeological", "ARCHEOLOGICAL", "archeological"}) {
    HazardTable = {};
    SelectHazardModel(name);
    EXPECT_EQ(HazardTable, ArcheologicalHazard) << name;
  }
}

TEST(PriorModels, UnknownModelIsRefusedAndTableKept) {
  SelectHazardModel("Forensic");
  try {
    SelectHazardModel("Archaeological");
    FAIL();
  } catch (const AnalysisError& e) {
    EXPECT_STREQ(e.what(), "illegal hazardfunction parameter: HF = Archaeological");
  }
  EXPECT_EQ(HazardTable, ForensicHazard);
  EXPECT_THROW(SelectHazardModel(""), AnalysisError);
}

TEST(PriorModels, Groups) {
  EXPECT_EQ(SelectGroup("Unknown", "Unknown"), 1);
  EXPECT_EQ(SelectGroup("Female", "White"), 1);
  EXPECT_EQ(SelectGroup("Male", "White"), 2);
  EXPECT_EQ(SelectGroup("female", "BLACK"), 3);
  EXPECT_EQ(SelectGroup("MALE", "Black"), 4);
  EXPECT_EQ(SelectGroup(" male", "black "), 1);  // only the exact words count
}

// The densities at grid ages are kept per thread for the table last used;
// switching the model switches them.
TEST(PriorModels, GridDensitiesFollowTheChosenModel) {
  const auto atGridAges = [] {
    std::vector<double> values;
    for (int i = 0; i < AgeGridSize; i += 20) values.push_back(HazardDensity(GridAge(i)));
    return values;
  };
  SelectHazardModel("Archeological");
  const std::vector<double> archeological = atGridAges();
  SelectHazardModel("Forensic");
  const std::vector<double> forensic = atGridAges();
  EXPECT_NE(archeological, forensic);
  SelectHazardModel("archeological");
  EXPECT_EQ(atGridAges(), archeological);
  // A grid age and the ages just beside it lie on one smooth curve.
  const double x = GridAge(123), h = 1e-7;
  EXPECT_NEAR(HazardDensity(x), (HazardDensity(x - h) + HazardDensity(x + h)) / 2, 1e-9 * HazardDensity(x));
}
