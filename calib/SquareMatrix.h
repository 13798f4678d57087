#pragma once
// The small dense algebra of the transition fit: a vector and a symmetric
// matrix of at most MaxParameters parameters (two per transition), indexed by
// int, held in fixed storage, with the Cholesky factor and its solves.
#include <array>
#include <cstddef>

namespace vorla::calib {

inline constexpr int MaxParameters = 20;

class Vector {
 public:
  explicit Vector(int size = 0) : size_(size) { values_.fill(0.0); }
  int Size() const { return size_; }
  double& operator[](int i) { return values_[static_cast<std::size_t>(i)]; }
  double operator[](int i) const { return values_[static_cast<std::size_t>(i)]; }
  double Dot(const Vector& other) const {
    double sum = 0.0;
    for (int i = 0; i < size_; ++i) sum += (*this)[i] * other[i];
    return sum;
  }

 private:
  int size_;
  std::array<double, MaxParameters> values_;
};

class SquareMatrix {
 public:
  explicit SquareMatrix(int size = 0) : size_(size) { values_.fill(0.0); }
  int Size() const { return size_; }
  double& operator()(int row, int column) { return values_[Index(row, column)]; }
  double operator()(int row, int column) const { return values_[Index(row, column)]; }
  SquareMatrix Negated() const {
    SquareMatrix negated(size_);
    for (std::size_t i = 0; i < values_.size(); ++i) negated.values_[i] = -values_[i];
    return negated;
  }

 private:
  static std::size_t Index(int row, int column) {
    return static_cast<std::size_t>(row) * MaxParameters + static_cast<std::size_t>(column);
  }
  int size_;
  std::array<double, MaxParameters * MaxParameters> values_;
};

// Replaces the lower triangle of a symmetric matrix by its Cholesky factor L
// (m = L L'); false when the matrix is not positive definite.
bool CholeskyFactor(SquareMatrix& m);

// Solves L y = b with the factor of CholeskyFactor.
Vector ForwardSolve(const SquareMatrix& L, Vector b);

// Solves L L' x = b with the factor of CholeskyFactor.
Vector CholeskySolve(const SquareMatrix& L, const Vector& b);

}  // namespace vorla::calib
