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

struct RowAgeAnswers {
  RowOutcome outcome = RowOutcome::Analysed;
  std::string message;    // why there are no answers
  std::string priorName;  // the row's mortality model, in lower case
  std::optional<AgeAnswers> answers;
};

// Analyses the current row of `row` without writing it or a trace, and
// answers the questions. A refusal or a failure of the run comes back as its
// message with no answers; questions that cannot be asked throw AnalysisError
// before anything runs.
RowAgeAnswers AskAboutRow(const CaseRow& row, const ComplexSelection& selection, const std::string& parameterFile,
                          std::shared_ptr<const CheckedParameters> parameters, const AgeQuestionSet& questions);

// An age typed by the user: a decimal number from 15 to 110 ("18", "34.5"),
// surrounding blanks allowed; none for anything else.
std::optional<double> ReadAskableAge(const std::string& text);

// The answers in words, one sentence a line:
// "P(age ≥ 18) = 0.970 under the forensic prior".
std::vector<std::string> AnswerSentences(const RowAgeAnswers& answers, const AgeQuestionSet& questions);

// A probability in words: three decimals, "> 0.999" and "< 0.001" near the ends.
std::string ProbabilityText(double p);

}  // namespace vorla
