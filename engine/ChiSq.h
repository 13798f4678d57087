#pragma once
// Upper-tail probability of the chi-square distribution, through the
// logarithm of the gamma function and the regularised incomplete gamma function.

namespace vorla {

// ln Γ(x) for x > 0.
double LnGamma(double x);
// P(a, x), given lnGammaOfA = ln Γ(a); 0 for x ≤ 0.
double IncompleteGammaP(double a, double x, double lnGammaOfA);
// Probability that a chi-square variable with df degrees of freedom exceeds x.
double Chi2(double df, double x);

}  // namespace vorla
