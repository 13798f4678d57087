// The age answers in words: the ages each probability is about, the
// likelihood ratio said both ways, and the variance factors named only
// when one is not 1.
#include <gtest/gtest.h>

#include "params/AgeQuestionRun.h"

using namespace vorla;

namespace {

RowAgeAnswers Answered(double lr, std::vector<std::pair<std::string, double>> tempered = {}) {
  RowAgeAnswers r;
  r.priorName = "forensic";
  AgeAnswers a;
  a.probabilityAtLeast = {0.97};
  a.probabilityBelow = {0.03};
  a.median = 41.26;
  a.interval = {30.04, 55.96};
  a.likelihoodRatio = lr;
  r.answers = a;
  r.temperedBy = std::move(tempered);
  return r;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace

TEST(AgeQuestionWords, LikelihoodRatioIsSaidInTheDirectionItPoints) {
  AgeQuestionSet q;
  q.thresholds = {18.0};
  q.candidateAge = 34.0;
  const struct {
    double lr;
    const char* words;
  } cases[] = {
      {3.82e-4,
       "LR(age = 34) = 3.82e-04: the scores are about 2600 times less probable for a person of 34 than for "
       "a random death from the forensic population"},
      {0.5, "LR(age = 34) = 0.5: the scores are about 2 times less probable for a person of 34"},
      {5.71, "LR(age = 34) = 5.71: the scores are about 5.7 times more probable for a person of 34 than"},
      {1.0, "LR(age = 34) = 1: the scores are as probable for a person of 34 as for a random death"},
      {0.0, "LR(age = 34) = 0.00e+00: the scores cannot arise at the age of 34"},
      {2.5e7, "about 2.5e+07 times more probable"},
  };
  for (const auto& c : cases) {
    const std::string text = Joined(AnswerSentences(Answered(c.lr), q));
    EXPECT_NE(text.find(c.words), std::string::npos) << c.lr << "\n" << text;
  }
}

TEST(AgeQuestionWords, EveryProbabilitySaysItsAgesAndTheIntervalItsKind) {
  AgeQuestionSet q;
  q.thresholds = {18.0};
  const std::string text = Joined(AnswerSentences(Answered(1.0), q));
  EXPECT_NE(text.find("P(age \u2265 18) = 0.970 under the forensic prior (an age at death from 18 to 110 years)\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("P(age < 18) = 0.030 under the forensic prior (an age at death from 15 to 18 years)\n"),
            std::string::npos);
  EXPECT_NE(text.find("95% shortest single interval = 30.0 to 56.0 years under the forensic prior"), std::string::npos);
  EXPECT_EQ(text.find("LR("), std::string::npos);  // no candidate asked about
}

TEST(AgeQuestionWords, TemperingIsSaidOnlyWhenAFactorIsNotOne) {
  AgeQuestionSet q;
  EXPECT_EQ(Joined(AnswerSentences(Answered(1.0), q)).find("tempered"), std::string::npos);
  const std::string text = Joined(AnswerSentences(Answered(1.0, {{"AURICULAR", 1.6}, {"the whole case", 0.8}}), q));
  EXPECT_NE(text.find("tempered by variance factors other than 1 (AURICULAR 1.6, the whole case 0.8)"),
            std::string::npos)
      << text;
}

TEST(AgeQuestionWords, TimesHaveTwoSignificantDigits) {
  const std::pair<double, const char*> cases[] = {{1.04, "1"},      {2.46, "2.5"},         {12.4, "12"},
                                                  {2618.0, "2600"}, {999499.0, "1000000"}, {3.2e7, "3.2e+07"}};
  for (const auto& [times, text] : cases) EXPECT_EQ(TimesText(times), text) << times;
}
