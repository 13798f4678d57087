#include "engine/CaseProfile.h"

#include <algorithm>
#include <cmath>

#include "engine/StageLikelihood.h"

namespace vorla {

GridValuesOfCase UncorrectedCaseProfile(const TTransisionsAnalyseDataSet& record, LinkFunctionType link) {
  GridValuesOfCase logCase{};
  GridValuesOfCase component, product;
  // A component's likelihood lies between 1e-40 and 1, so the product of
  // seven stays far above the least double: the logarithm is taken of
  // every seven at once.
  constexpr int InOneProduct = 7;
  for (const TraitComplex* c = record.Complexes.get(); c; c = c->Next.get()) {
    const double power = 1.0 / (c->Resvar * record.Resvar);
    int multiplied = 0;
    product.fill(1.0);
    for (const TraitComponent* k = c->Components.get(); k; k = k->Next.get()) {
      ComponentLikelihoodOnGrid(*k, link, component);
      for (int i = 0; i < AgeGridSize; ++i) product[i] *= component[i];
      if (++multiplied == InOneProduct || !k->Next) {
        for (int i = 0; i < AgeGridSize; ++i) logCase[i] += power * std::log(product[i]);
        product.fill(1.0);
        multiplied = 0;
      }
    }
  }
  const double largest = *std::max_element(logCase.begin(), logCase.end());
  for (double& v : logCase) v = std::exp(v - largest);
  return logCase;
}

}  // namespace vorla
