// Variance factors fitted from the sample: the coverage they are chosen by is
// the coverage the analysis gives, and a sample more varied than the model
// gets wider intervals that cover as asked.
#include <gtest/gtest.h>

#include <cmath>

#include "CalibTestSupport.h"
#include "calib/ParameterWriter.h"
#include "calib/Validation.h"
#include "calib/VarianceFit.h"

using namespace vorla::calib;

namespace {

// The small test set and a complex of three traits, whose likelihoods
// multiply within the complex.
ParameterStructure ThreeComplexes() {
  std::string text = test::SmallParameterText;
  text.erase(text.size() - 2);  // the closing 0
  text +=
      "3 AURICULAR   # three traits, right and left\n"
      "1.0\n"
      "2 AUR_TOPOSUP\n"
      "2 1 2 3 0 0 0 0 0 0\n"
      "1 -4.200 0.1500 0 0 0\n"
      "2 -4.173 0.1470 0 0 0\n"
      "3 -4.150 0.1455 0 0 0\n"
      "4 -4.120 0.1425 0 0 0\n"
      "1 -4.400 0.0800 0 0 0\n"
      "2 -4.406 0.0784 0 0 0\n"
      "3 -4.392 0.0776 0 0 0\n"
      "4 -4.393 0.0760 0 0 0\n"
      "2 AUR_TOPOINF\n"
      "2 1 2 3 0 0 0 0 0 0\n"
      "1 -4.200 0.1400 0 0 0\n"
      "2 -4.178 0.1372 0 0 0\n"
      "3 -4.155 0.1358 0 0 0\n"
      "4 -4.130 0.1330 0 0 0\n"
      "1 -4.640 0.0800 0 0 0\n"
      "2 -4.648 0.0784 0 0 0\n"
      "3 -4.634 0.0776 0 0 0\n"
      "4 -4.637 0.0760 0 0 0\n"
      "2 AUR_TEXINF\n"
      "2 1 2 3 0 0 0 0 0 0\n"
      "1 -4.160 0.1600 0 0 0\n"
      "2 -4.129 0.1568 0 0 0\n"
      "3 -4.103 0.1552 0 0 0\n"
      "4 -4.069 0.1520 0 0 0\n"
      "1 -4.320 0.0900 0 0 0\n"
      "2 -4.321 0.0882 0 0 0\n"
      "3 -4.306 0.0873 0 0 0\n"
      "4 -4.302 0.0855 0 0 0\n"
      "0\n";
  return ParameterStructureFromText(text + "0\n", "three.dat");
}

// The structure with every transition moved by this many years.
ParameterStructure Shifted(ParameterStructure s, double years) {
  for (ComplexStructure& c : s.complexes)
    for (ComponentStructure& k : c.components)
      for (TransitionRow& row : k.rows) row.a -= row.b * years;
  return s;
}

// Skeletons that age at two paces, half of them 9 years ahead of the model
// and half 9 years behind, in every trait alike: the traits of a skeleton
// agree more than the model, which takes them as independent at a given
// age, says.
ReferenceSample Varied(const ParameterStructure& s, std::size_t count, std::uint64_t seed) {
  ReferenceSample sample = test::SimulatedSample(Shifted(s, -9.0), count / 2, seed);
  const ReferenceSample behind = test::SimulatedSample(Shifted(s, 9.0), count / 2, seed + 1000);
  sample.individuals.insert(sample.individuals.end(), behind.individuals.begin(), behind.individuals.end());
  return sample;
}

// The cross-validated coverage of the analysis itself, with the folds and
// minimum that the variance fit uses.
double AnalysedCoverage(const ParameterStructure& templ, const ReferenceSample& sample, int minimum) {
  const std::vector<IndividualEstimate> estimates =
      CrossValidate(templ, sample, VarianceFolds, {minimum, Pooling::None, DefaultMostAgeSE, nullptr}, {});
  return Summarise(estimates, 95).overall.coverage;
}

}  // namespace

TEST(VarianceFit, ItsCoverageAtTheTemplatesFactorsIsTheAnalysisCoverage) {
  const ParameterStructure templ = ThreeComplexes();
  const ReferenceSample sample = test::SimulatedSample(templ, 1000, 21);
  const VarianceFitResult fit = FitVarianceFactors(templ, sample, {10, Pooling::None, DefaultMostAgeSE, nullptr});
  ASSERT_EQ(fit.complexes.size(), 3u);
  EXPECT_EQ(fit.individuals, 1000u);
  // The folds need 8 on each side (four fifths of 10), as a validation with --min-per-transition 8.
  EXPECT_NEAR(fit.overallBefore, AnalysedCoverage(templ, sample, 8), 1.5 / 1000.0);
  for (std::size_t c = 0; c < fit.complexes.size(); ++c) {
    const ComplexVariance& v = fit.complexes[c];
    EXPECT_TRUE(v.fitted);
    EXPECT_EQ(v.templateFactor, templ.complexes[c].resvar);
    EXPECT_GE(v.coverageAfter, 0.95);
    EXPECT_LT(v.coverageAfter, 0.95 + 2.0 / 1000.0);  // the smallest factor that reaches it
    // A sample drawn from the model needs about the model's factor.
    EXPECT_NEAR(v.fittedFactor, 1.0, 0.35) << v.complexName;
  }
}

TEST(VarianceFit, AVariedSampleGetsWiderIntervalsThatCoverAsAsked) {
  const ParameterStructure templ = ThreeComplexes();
  const ReferenceSample sample = Varied(templ, 800, 5);
  const VarianceFitResult fit = FitVarianceFactors(templ, sample, {10, Pooling::None, DefaultMostAgeSE, nullptr});
  // The complex of three traits is too sure of itself; each single trait's
  // fit takes up the spread in its slope.
  const ComplexVariance& auricular = fit.complexes[2];
  EXPECT_LT(auricular.coverageBefore, 0.93);
  EXPECT_GT(auricular.fittedFactor, 1.2);
  for (const ComplexVariance& v : fit.complexes) EXPECT_GE(v.coverageAfter, 0.95) << v.complexName;
  EXPECT_LT(fit.overallBefore, 0.93);
  EXPECT_GT(fit.fittedCaseFactor, 1.3);
  EXPECT_GE(fit.overallAfter, 0.95);

  // The analysis with the fitted factors covers as the fit said.
  ParameterStructure widened = templ;
  ApplyVarianceFactors(fit, widened);
  EXPECT_EQ(widened.complexes[0].resvar, fit.complexes[0].fittedFactor);
  EXPECT_EQ(widened.resvar, fit.fittedCaseFactor);
  const ParameterStructure readBack = ParameterStructureFromText(ParameterFileText(widened, ""), "widened.dat");
  EXPECT_NEAR(AnalysedCoverage(readBack, sample, 8), fit.overallAfter, 1.5 / 800.0);

  const std::string text = VarianceFitText(fit);
  EXPECT_NE(text.find("SUTURES          800      1.000"), std::string::npos) << text;
  EXPECT_NE(text.find("All together     800      1.000"), std::string::npos) << text;
}
