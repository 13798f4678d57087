#pragma once
// Age questions about a stored case, shared by the headless tool and the
// window: the row's case is analysed exactly as the Analyze action would,
// storing nothing, and the answers are computed from the case
// while it is at hand, under the mortality prior the row chose.
#include <optional>
#include <string>
#include <vector>

#include "engine/AgeQuestions.h"
#include "params/CaseRun.h"
#include "store/CaseRow.h"

namespace vorla {

// The corrected estimate of the run and its limits at the level of the
// questions, as the Analyze action stores them (unrounded).
struct CorrectedEstimate {
  double estimate = 0.0;
  double low = 0.0;
  double high = 0.0;
};

struct RowAgeAnswers {
  RowOutcome outcome = RowOutcome::Analysed;
  std::string message;    // why there are no answers
  std::string priorName;  // the row's mortality model, in lower case
  std::optional<AgeAnswers> answers;
  std::optional<CorrectedEstimate> corrected;  // with the answers
  // The variance factors of the run that are not 1, each with what it
  // tempers: a complex by its name, or "the whole case".
  std::vector<std::pair<std::string, double>> temperedBy;
};

// Analyses the current row of `row` without writing it or a trace, and
// answers the questions. A refusal or a failure of the run comes back as its
// message with no answers; questions that cannot be asked throw AnalysisError
// before anything runs.
RowAgeAnswers AskAboutRow(const CaseRow& row, const ComplexSelection& selection, const std::string& parameterFile,
                          std::shared_ptr<const CheckedParameters> parameters, const AgeQuestionSet& questions);

// The same questions under every mortality model the case could choose:
// the built-in ones, then the folder's own (settings.ownModels, or
// Mortality.txt beside the parameter file), each answered as if the row had
// chosen it. The row's own choice plays no part. A case the action refuses
// for every model (no ancestry or sex, nothing to analyse) gives one
// refusal; `priorName` of each entry is the model as the folder names it.
struct PriorComparison {
  RowOutcome outcome = RowOutcome::Analysed;
  std::string message;                 // why there are no answers at all
  std::vector<RowAgeAnswers> answers;  // one per model, in order
};
PriorComparison AskUnderEveryPrior(const CaseRow& row, const ComplexSelection& selection,
                                   const std::string& parameterFile,
                                   std::shared_ptr<const CheckedParameters> parameters,
                                   const AgeQuestionSet& questions);

// The comparison as a table of texts, the head first, then one row per
// model: its name, the corrected estimate, its limits, P(age ≥ t) for each
// threshold, the posterior median, the shortest interval and, with a
// candidate age, the likelihood ratio. A model that gave no answers has its
// name and its message only.
std::vector<std::vector<std::string>> PriorComparisonTable(const PriorComparison& comparison,
                                                           const AgeQuestionSet& questions);

// An age typed by the user: a decimal number from 15 to 110 ("18", "34.5"),
// surrounding blanks allowed; none for anything else.
std::optional<double> ReadAskableAge(const std::string& text);

// The answers in words, one sentence a line, each saying the ages it is
// about and the prior it holds under: "P(age ≥ 18) = 0.970 under the
// forensic prior (an age at death from 18 to 110 years)"; the likelihood
// ratio also in words ("about 2600 times less probable"), and the variance
// factors that temper the likelihood when any is not 1.
std::vector<std::string> AnswerSentences(const RowAgeAnswers& answers, const AgeQuestionSet& questions);

// A likelihood ratio: three significant digits from 0.01 to 100000, in
// exponent form beyond.
std::string LikelihoodRatioText(double lr);

// How many times: two significant digits, as a plain number below a million
// ("2.6", "2600"), in exponent form beyond ("3.2e+07").
std::string TimesText(double times);

// A probability in words: three decimals, "> 0.999" and "< 0.001" near the ends.
std::string ProbabilityText(double p);

}  // namespace vorla
