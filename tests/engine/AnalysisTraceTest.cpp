#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "TreeBuilders.h"
#include "engine/Analysis.h"
#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTrace.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"
#include "engine/TraceFormat.h"

using namespace vorla;
namespace fs = std::filesystem;

TEST(TraceFormat, Reals) {
  EXPECT_EQ(TraceReal(1.0), " 1.00000000000000E+0000");
  EXPECT_EQ(TraceReal(-1.0), "-1.00000000000000E+0000");
  EXPECT_EQ(TraceReal(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(TraceReal(-0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(TraceReal(0.999999383988753), " 9.99999383988753E-0001");
  EXPECT_EQ(TraceReal(110.0), " 1.10000000000000E+0002");
  EXPECT_EQ(TraceReal(2.45708160834620e-300), " 2.45708160834620E-0300");
  EXPECT_EQ(TraceReal(1.0 / 3.0).size(), 23u);
  // Rounded to 15 significant digits.
  EXPECT_EQ(TraceReal(0.1234567890123456789), " 1.23456789012346E-0001");
}

TEST(TraceFormat, FixedNumbers) {
  EXPECT_EQ(TraceFixed(15, 5, 9), " 15.00000");
  EXPECT_EQ(TraceFixed(110, 5, 9), "110.00000");
  EXPECT_EQ(TraceFixed(1, 5, 9), "  1.00000");
  EXPECT_EQ(TraceFixed(-3.25, 2, 6), " -3.25");
  EXPECT_EQ(TraceFixed(0.1, 2, 6), "  0.10");
  EXPECT_EQ(TraceFixed(-1234.5, 2, 6), "-1234.50");  // wider when needed
}

TEST(TraceFormat, FastFixedAgreesWithCorrectRounding) {
  // The trace formats profile and parameter numbers by scaled integers; they
  // must read exactly as a correctly rounded decimal conversion.
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> likelihood(0.0, 1.0), age(15.0, 110.0), parameter(-30.0, 30.0);
  char buffer[64];
  const auto reference = [&](double v, int decimals, int width) {
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    std::string text(buffer, r.ptr);
    return std::string(std::max(0, width - static_cast<int>(text.size())), ' ') + text;
  };
  for (int i = 0; i < 200000; ++i) {
    const double lik = likelihood(random) * std::pow(10.0, -static_cast<int>(random() % 8));
    ASSERT_EQ(TraceFixed(lik, 5, 9), reference(lik, 5, 9)) << lik;
    const double a = age(random);
    ASSERT_EQ(TraceFixed(a, 5, 9), reference(a, 5, 9)) << a;
    const double p = parameter(random);
    ASSERT_EQ(TraceFixed(p, 2, 6), reference(p, 2, 6)) << p;
  }
  for (double tie : {0.015625, 0.125, 2.5e-6, 1.0 / 1024, 0.005, 0.015, -0.125}) {
    EXPECT_EQ(TraceFixed(tie, 5, 9), reference(tie, 5, 9)) << tie;
    EXPECT_EQ(TraceFixed(tie, 2, 6), reference(tie, 2, 6)) << tie;
  }
  EXPECT_EQ(TraceFixed(-0.001, 2, 6), reference(-0.001, 2, 6));
  EXPECT_EQ(TraceFixed(1e15, 5, 9), reference(1e15, 5, 9));
}

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0, end;
  while ((end = text.find("\r\n", start)) != std::string::npos) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

AnalysisTreePtr TwoByTwo() {
  auto paired = test::RealisticComponent("PUB_RELIEF", 2);
  test::SetStages(*paired, 2, 3, 2, 2);
  AnalysisTreePtr s = test::MakeCase(
      {test::MakeComplex("PUBIS", 1.0, {paired.release(), test::RealisticComponent("PUB_TEXTURE", 3).release()})
           .release(),
       test::MakeComplex("SUTURES", 1.0,
                         {test::RealisticComponent("CRA_SAGITTAL", 2).release(),
                          test::RealisticComponent("CRA_LAMDOID", 4).release()})
           .release()});
  s->Name = "Case 7";
  s->Sex = "Male";
  s->Race = "White";
  s->HazardFunc = "Forensic";
  Analyse(s.get(), ChooseAnalysisSettings(95, "logit", "forensic", "", ""));
  return s;
}

}  // namespace

TEST(AnalysisTrace, StructureOfTwoComplexesOfTwoComponents) {
  const std::vector<std::string> lines = Lines(AnalysisTraceText(*TwoByTwo()));
  // 4 header lines, 4 component blocks of 17, 2 complex tails of 14, the two
  // case profiles with their captions (6), two empty lines and 16 result lines.
  ASSERT_EQ(lines.size(), 4u + 4 * 17 + 2 * 14 + 6 + 2 + 16);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "^"), 4);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "***"), 2);
  EXPECT_EQ(lines[0], "Name          = Case 7");
  EXPECT_EQ(lines[3], "HazardFunc    = Forensic");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "      Component name            = PUB_RELIEF");
  EXPECT_EQ(lines[6], "      Entered, right            = 2     2");
  EXPECT_EQ(lines[9], "      NotOutOf, left            = 2     2");
  EXPECT_EQ(lines[10], "      NumStagesOfComponent      = 4");
  EXPECT_EQ(lines[13].substr(0, 18), "a =  -3.00,  -4.07");
  EXPECT_EQ(lines[17], "e =   0.00,   0.00,   0.00,   0.00,   0.00,   0.00,   0.00,   0.00,   0.00,   0.00, ");
  EXPECT_EQ(lines[18].substr(0, 38), "Age : 15.00000,  15.25000,  15.50000, ");
  EXPECT_EQ(lines[18].substr(lines[18].size() - 11), "110.00000, ");
  EXPECT_EQ(lines[19].substr(0, 5), "Lik :");
  // The first complex's tail follows its two component blocks.
  EXPECT_EQ(lines[4 + 2 * 17 + 1], "   Complexname  = PUBIS");
  EXPECT_EQ(lines[4 + 2 * 17 + 7], "   DF           = 1");
  const std::size_t tail = lines.size() - 16;
  EXPECT_EQ(lines[tail - 8], "Likelihood:");
  EXPECT_EQ(lines[tail - 5], "HazardFunc:");
  EXPECT_EQ(lines[tail - 2], "");
  EXPECT_EQ(lines[tail - 1], "");
  EXPECT_EQ(lines[tail].substr(0, 16), "Resvar        = ");
  EXPECT_EQ(lines[tail + 5], "DF            = 1");
  EXPECT_EQ(lines[tail + 9], "CL            =  0.00000000000000E+0000");
  EXPECT_EQ(lines[tail + 13].substr(0, 16), "Hazard_CIHigh = ");
  EXPECT_EQ(lines[tail + 14].substr(0, 16), "Hazard_CILow  = ");
  EXPECT_EQ(lines.back(), "Corrected graph values:");
}

TEST(AnalysisTrace, UnpairedTraitShowsZerosOnTheLeft) {
  const std::string text = AnalysisTraceText(*TwoByTwo());
  const std::size_t at = text.find("CRA_SAGITTAL");
  EXPECT_NE(text.find("      Entered, left             = 0     0\r\n", at), std::string::npos);
  EXPECT_NE(text.find("      NotOutOf, left            = 0     0\r\n", at), std::string::npos);
}

TEST(AnalysisTrace, ABufferUsedAgainHoldsOnlyTheNewTrace) {
  std::string text = "an earlier and much longer trace than any header line could ever be";
  AnalysisTreePtr s = TwoByTwo();
  BuildAnalysisTrace(*s, text);
  EXPECT_EQ(text, AnalysisTraceText(*s));
}
