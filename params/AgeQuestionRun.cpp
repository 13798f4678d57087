#include "params/AgeQuestionRun.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/AnalysisError.h"
#include "engine/AnalysisSettings.h"
#include "engine/PriorModels.h"
#include "engine/TextCase.h"

namespace vorla {

namespace {

std::string Fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

}  // namespace

std::string LikelihoodRatioText(double lr) {
  char buffer[64];
  if (lr >= 0.01 && lr < 1e5)
    std::snprintf(buffer, sizeof buffer, "%.3g", lr);
  else
    std::snprintf(buffer, sizeof buffer, "%.2e", lr);
  return buffer;
}

namespace {

void RequireAskable(const AgeQuestionSet& questions) {
  for (double t : questions.thresholds)
    if (!IsAskableAge(t)) throw AnalysisError("The threshold must be an age from 15 to 110 years.");
  if (questions.candidateAge && !IsAskableAge(*questions.candidateAge))
    throw AnalysisError("The candidate age must be an age from 15 to 110 years.");
  if (questions.level != 90 && questions.level != 95 && questions.level != 99)
    throw AnalysisError("The level of the interval must be 90, 95 or 99.");
}

RunSettings SettingsOfQuestions(const std::string& parameterFile, std::shared_ptr<const CheckedParameters> parameters,
                                const AgeQuestionSet& questions) {
  RunSettings settings;
  settings.level = questions.level;
  settings.parameterFile = parameterFile;
  settings.parameters = std::move(parameters);
  settings.keepCase = true;
  return settings;
}

// The run of one record and the answers of its analysed case.
RowAgeAnswers AnswerRecord(CaseRecord record, const RunSettings& settings, const AgeQuestionSet& questions) {
  RowAgeAnswers result;
  std::string failure;
  try {
    std::optional<CaseResults> results;
    const RowResult r = AnalyzeRecord(record, settings, results);
    result.outcome = r.outcome;
    result.message = r.message;
    if (results && results->analysedCase) {
      const TTransisionsAnalyseDataSet& analysed = *results->analysedCase;
      result.priorName = LowerCase(analysed.HazardFunc);
      try {
        // The settings the run chose from the case's own choices.
        const AnalysisSettings analysis = ChooseAnalysisSettings(questions.level, "logit", analysed.HazardFunc,
                                                                 analysed.Sex, analysed.Race, *ModelsOfRun(settings));
        result.answers = AnswerAgeQuestions(
            analysed, analysis.link, [&analysis](double x) { return HazardDensity(analysis.prior, x); }, questions);
        result.corrected = CorrectedEstimate{analysed.Hazard_MLA, analysed.Hazard_CILow, analysed.Hazard_CIHigh};
        for (const TraitComplex* c = analysed.Complexes.get(); c; c = c->Next.get())
          if (c->Resvar != 1.0) result.temperedBy.emplace_back(c->Complexname, c->Resvar);
        if (analysed.Resvar != 1.0) result.temperedBy.emplace_back("the whole case", analysed.Resvar);
      } catch (const AnalysisError& e) {
        failure = e.what();
      }
      FreeAnalysisTree(results->analysedCase);
    }
  } catch (const std::exception& e) {
    result.outcome = RowOutcome::Refused;
    result.message = e.what();
    result.answers.reset();
    result.corrected.reset();
    result.temperedBy.clear();
  }
  if (result.outcome == RowOutcome::Analysed && !result.answers) {
    result.outcome = RowOutcome::Refused;
    result.message = failure.empty() ? "The case gave no answers." : failure;
  }
  return result;
}

}  // namespace

RowAgeAnswers AskAboutRow(const CaseRow& row, const ComplexSelection& selection, const std::string& parameterFile,
                          std::shared_ptr<const CheckedParameters> parameters, const AgeQuestionSet& questions) {
  // Refused before any run, as the answers would be.
  RequireAskable(questions);
  const RunSettings settings = SettingsOfQuestions(parameterFile, std::move(parameters), questions);
  try {
    return AnswerRecord(ReadCaseRecord(row, LayoutOfRun(settings), selection), settings, questions);
  } catch (const std::exception& e) {
    RowAgeAnswers refused;
    refused.outcome = RowOutcome::Refused;
    refused.message = e.what();
    return refused;
  }
}

PriorComparison AskUnderEveryPrior(const CaseRow& row, const ComplexSelection& selection,
                                   const std::string& parameterFile,
                                   std::shared_ptr<const CheckedParameters> parameters,
                                   const AgeQuestionSet& questions) {
  RequireAskable(questions);
  RunSettings settings = SettingsOfQuestions(parameterFile, std::move(parameters), questions);
  PriorComparison comparison;
  try {
    // The set and the models are read once for all the runs.
    settings.parameters = SetOfRun(settings);
    settings.ownModels = ModelsOfRun(settings);
    settings.layout = LayoutOfRun(settings);
    const CaseRecord record = ReadCaseRecord(row, settings.layout, selection);
    std::vector<std::string> names = ModelChoices;
    for (const OwnMortalityModel& m : *settings.ownModels) names.push_back(m.name);
    bool anyAnswered = false;
    for (const std::string& name : names) {
      CaseRecord underThis = record;
      underThis.model = name;
      RowAgeAnswers answers = AnswerRecord(std::move(underThis), settings, questions);
      answers.priorName = name;
      anyAnswered = anyAnswered || answers.answers.has_value();
      comparison.answers.push_back(std::move(answers));
    }
    if (!anyAnswered && !comparison.answers.empty()) {
      // The same refusal under every model: the case's own, once.
      comparison.outcome = comparison.answers.front().outcome;
      comparison.message = comparison.answers.front().message;
      comparison.answers.clear();
    }
  } catch (const std::exception& e) {
    comparison.outcome = RowOutcome::Refused;
    comparison.message = e.what();
    comparison.answers.clear();
  }
  return comparison;
}

std::vector<std::vector<std::string>> PriorComparisonTable(const PriorComparison& comparison, const AgeQuestionSet& q) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> head = {"Prior", "Corrected", std::to_string(q.level) + " % limits"};
  for (double t : q.thresholds) head.push_back("P(age \u2265 " + AgeText(t) + ")");
  head.push_back("Median");
  head.push_back(std::to_string(q.level) + " % shortest single interval");
  if (q.candidateAge) head.push_back("LR(" + AgeText(*q.candidateAge) + ")");
  rows.push_back(head);
  for (const RowAgeAnswers& r : comparison.answers) {
    std::vector<std::string> row = {r.priorName};
    if (!r.answers || !r.corrected) {
      row.push_back(r.message);
      rows.push_back(row);
      continue;
    }
    const AgeAnswers& a = *r.answers;
    row.push_back(Fixed(r.corrected->estimate, 1));
    row.push_back(Fixed(r.corrected->low, 1) + " to " + Fixed(r.corrected->high, 1));
    for (double p : a.probabilityAtLeast) row.push_back(ProbabilityText(p));
    row.push_back(Fixed(a.median, 1));
    row.push_back(Fixed(a.interval.low, 1) + " to " + Fixed(a.interval.high, 1));
    if (q.candidateAge && a.likelihoodRatio) row.push_back(LikelihoodRatioText(*a.likelihoodRatio));
    rows.push_back(row);
  }
  return rows;
}

std::optional<double> ReadAskableAge(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  if (begin == end) return std::nullopt;
  double value = 0.0;
  const auto r = std::from_chars(text.data() + begin, text.data() + end, value, std::chars_format::fixed);
  if (r.ec != std::errc() || r.ptr != text.data() + end || !IsAskableAge(value)) return std::nullopt;
  return value;
}

std::string TimesText(double times) {
  char buffer[64];
  if (!(times >= 10.0)) {
    std::snprintf(buffer, sizeof buffer, "%.2g", times);
  } else if (times < 1e6) {
    const double scale = std::pow(10.0, std::floor(std::log10(times)) - 1.0);
    std::snprintf(buffer, sizeof buffer, "%.0f", std::round(times / scale) * scale);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.1e", times);
  }
  return buffer;
}

std::string ProbabilityText(double p) {
  if (p > 0.999 && p < 1.0) return "> 0.999";
  if (p < 0.001 && p > 0.0) return "< 0.001";
  return Fixed(p, 3);
}

std::vector<std::string> AnswerSentences(const RowAgeAnswers& r, const AgeQuestionSet& q) {
  std::vector<std::string> lines;
  if (!r.answers) {
    lines.push_back(r.message);
    return lines;
  }
  const AgeAnswers& a = *r.answers;
  const std::string under = " under the " + r.priorName + " prior";
  const std::string from = " (an age at death from ";
  for (std::size_t j = 0; j < q.thresholds.size() && j < a.probabilityAtLeast.size(); ++j) {
    const std::string t = AgeText(q.thresholds[j]);
    const double below = j < a.probabilityBelow.size() ? a.probabilityBelow[j] : 1.0 - a.probabilityAtLeast[j];
    lines.push_back("P(age \u2265 " + t + ") = " + ProbabilityText(a.probabilityAtLeast[j]) + under + from + t +
                    " to " + AgeText(AgeGridEnd) + " years)");
    lines.push_back("P(age < " + t + ") = " + ProbabilityText(below) + under + from + AgeText(AgeGridStart) + " to " +
                    t + " years)");
  }
  lines.push_back("Posterior median age = " + Fixed(a.median, 1) + " years" + under);
  lines.push_back(std::to_string(q.level) + "% shortest single interval = " + Fixed(a.interval.low, 1) + " to " +
                  Fixed(a.interval.high, 1) + " years" + under + ": the one shortest range of ages that holds " +
                  std::to_string(q.level) + "% of the probability");
  if (q.candidateAge && a.likelihoodRatio) {
    const double lr = *a.likelihoodRatio;
    const std::string age = AgeText(*q.candidateAge);
    const std::string person = " for a person of " + age,
                      random = " for a random death from the " + r.priorName + " population";
    std::string words;
    if (!(lr > 0.0))
      words = "the scores cannot arise at the age of " + age + " under this parameter set";
    else if (lr < 1.0)
      words = "the scores are about " + TimesText(1.0 / lr) + " times less probable" + person + " than" + random;
    else if (lr > 1.0)
      words = "the scores are about " + TimesText(lr) + " times more probable" + person + " than" + random;
    else
      words = "the scores are as probable" + person + " as" + random;
    lines.push_back("LR(age = " + age + ") = " + LikelihoodRatioText(lr) + ": " + words);
  }
  if (!r.temperedBy.empty()) {
    std::string factors;
    for (const auto& [of, factor] : r.temperedBy) factors += (factors.empty() ? "" : ", ") + of + " " + AgeText(factor);
    lines.push_back("The likelihood is tempered by variance factors other than 1 (" + factors +
                    "): the likelihood of each is raised to the power 1 / its factor; a factor above 1 widens "
                    "these answers, one below 1 narrows them");
  }
  return lines;
}

}  // namespace vorla
