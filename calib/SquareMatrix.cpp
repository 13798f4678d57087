#include "calib/SquareMatrix.h"

#include <cmath>

namespace vorla::calib {

bool CholeskyFactor(SquareMatrix& m) {
  const int n = m.Size();
  for (int j = 0; j < n; ++j) {
    double d = m(j, j);
    for (int k = 0; k < j; ++k) d -= m(j, k) * m(j, k);
    if (!(d > 0.0) || !std::isfinite(d)) return false;
    d = std::sqrt(d);
    m(j, j) = d;
    for (int i = j + 1; i < n; ++i) {
      double s = m(i, j);
      for (int k = 0; k < j; ++k) s -= m(i, k) * m(j, k);
      m(i, j) = s / d;
    }
  }
  return true;
}

Vector ForwardSolve(const SquareMatrix& L, Vector b) {
  for (int i = 0; i < L.Size(); ++i) {
    for (int k = 0; k < i; ++k) b[i] -= L(i, k) * b[k];
    b[i] /= L(i, i);
  }
  return b;
}

Vector CholeskySolve(const SquareMatrix& L, const Vector& b) {
  Vector x = ForwardSolve(L, b);
  for (int i = L.Size() - 1; i >= 0; --i) {
    for (int k = i + 1; k < L.Size(); ++k) x[i] -= L(k, i) * x[k];
    x[i] /= L(i, i);
  }
  return x;
}

}  // namespace vorla::calib
