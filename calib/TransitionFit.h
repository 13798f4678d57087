#pragma once
// Maximum likelihood fit of the transitions of one trait component: the
// a and b of all its transitions jointly, from individuals of documented age,
// under the very likelihood the analysis evaluates for a scored component
// (the stage-reached probabilities of the logit link, both sides multiplied,
// interval scores as the probability of the whole interval).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorla::calib {

// One individual's scores of the component as model stages (see ComponentStages).
struct FitObservation {
  double age = 0.0;
  std::array<std::int8_t, 2> low{};
  std::array<std::int8_t, 2> high{};
};

// What the data say about one transition (j, from stage j + 1 to stage j + 2):
// individuals seen exactly in stage j + 1 (not yet past it) and individuals
// seen beyond it, with the age ranges of both.
struct TransitionSides {
  int before = 0;
  int after = 0;
  int atRisk = 0;  // individuals known to have reached stage j + 1: those whose scores bear on the transition
  double youngestBefore = 0.0, oldestBefore = 0.0;
  double youngestAfter = 0.0, oldestAfter = 0.0;
};

std::vector<TransitionSides> CountTransitionSides(int transitions, const std::vector<FitObservation>& observations);

// Individuals seen in each stage (1 to transitions + 1) on an informative side
// whose scores allow that stage alone; an individual whose sides differ counts
// in both stages.
std::vector<int> CountStages(int transitions, const std::vector<FitObservation>& observations);

struct TransitionEstimate {
  double a = 0.0;
  double b = 0.0;
  double age = 0.0;    // -a / b, where the transition is half made
  double ageSE = 0.0;  // from the inverse observed information (delta method); NaN when it is singular
};

enum class FitStatus { Converged, TooFew, Separated, NotConverged };

struct ComponentFit {
  FitStatus status = FitStatus::Converged;
  int problemTransition = -1;         // the first transition that cannot be determined (from 0)
  std::string problem;                // why, in words (the first of the problems)
  std::vector<std::string> problems;  // every transition that cannot be determined, one sentence each
  std::vector<int> stageCounts;       // CountStages of the observations
  std::vector<TransitionEstimate> transitions;
  std::vector<TransitionSides> sides;
  int individuals = 0;  // individuals with at least one informative side
  double logLikelihood = 0.0;
  int iterations = 0;
};

// Fits all transitions of the component jointly by Newton's method with a
// line search (the Hessian is shifted towards the gradient direction where
// it is not negative definite, so every step raises the likelihood). Every
// transition with fewer than minPerSide individuals before or after it, or
// whose two sides are separated by age, is listed in problems, and the fit
// stops before it starts.
ComponentFit FitComponent(int transitions, const std::vector<FitObservation>& observations, int minPerSide);

// Sum over the observations of the log of the component likelihood at their
// ages with these parameters (-inf where a likelihood is exactly 0).
double ComponentLogLikelihood(int transitions, const std::vector<FitObservation>& observations,
                              const std::vector<double>& a, const std::vector<double>& b);

// "transition 2 (stage 2 to 3)" for j = 1.
std::string TransitionName(int j);

}  // namespace vorla::calib
