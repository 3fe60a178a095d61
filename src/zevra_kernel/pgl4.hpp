#pragma once
// Projective transformations of real projective 3-space as 4x4 f64 matrices.
// Storage is column-major: row i, column j at data[j * 4 + i], so the matrix
// acts on column vectors and a translation sits in data[12..14]. Every
// non-zero multiple denotes the same transformation; nothing rescales a
// matrix behind the caller's back.

#include <array>
#include <cstddef>
#include <cstdint>

#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/rounded.hpp"

namespace zevra_kernel {

// Four rows of four f64, m[row][col].
using Rows4 = std::array<std::array<double, 4>, 4>;

struct PGL4 {
  std::array<double, 16> data;

  static constexpr PGL4 identity() {
    return {{1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0}};
  }

  // Sixteen values in column-major order (column 0 first).
  static constexpr PGL4 init(double d0, double d1, double d2, double d3, double d4, double d5,
                             double d6, double d7, double d8, double d9, double d10, double d11,
                             double d12, double d13, double d14, double d15) {
    return {{d0, d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15}};
  }

  // Rows first, as matrices are written on paper.
  static constexpr PGL4 fromRowMajor(const Rows4& m) {
    PGL4 r{};
    for (std::size_t col = 0; col < 4; ++col)
      for (std::size_t row = 0; row < 4; ++row) r.data[col * 4 + row] = m[row][col];
    return r;
  }

  // Indices must lie in 0..3.
  constexpr double get(std::size_t row, std::size_t col) const { return data[col * 4 + row]; }
  constexpr void set(std::size_t row, std::size_t col, double v) { data[col * 4 + row] = v; }

  // The image of v as a column vector; neither normalised nor dehomogenised.
  constexpr HomVec4 apply(HomVec4 v) const {
    const std::array<double, 4> in{v.x, v.y, v.z, v.w};
    std::array<double, 4> acc{0.0, 0.0, 0.0, 0.0};
    for (std::size_t row = 0; row < 4; ++row)
      for (std::size_t col = 0; col < 4; ++col)
        acc[row] = acc[row] + rounded(get(row, col) * in[col]);
    return HomVec4::init(acc[0], acc[1], acc[2], acc[3]);
  }

  // The ordinary product a * b: applied to a point, b acts first.
  static constexpr PGL4 mul(PGL4 a, PGL4 b) {
    PGL4 r{};
    for (std::size_t col = 0; col < 4; ++col)
      for (std::size_t row = 0; row < 4; ++row) {
        double sum = 0.0;
        for (std::size_t k = 0; k < 4; ++k) sum = sum + rounded(a.get(row, k) * b.get(k, col));
        r.set(row, col, sum);
      }
    return r;
  }

  // Entrywise arithmetic, each entry computed and rounded on its own: the
  // iterations and operators of this module are written with these.
  friend constexpr PGL4 operator+(const PGL4& a, const PGL4& b) {
    return zip(a, b, [](double x, double y) { return x + y; });
  }
  friend constexpr PGL4 operator-(const PGL4& a, const PGL4& b) {
    return zip(a, b, [](double x, double y) { return x - y; });
  }
  friend constexpr PGL4 operator*(double s, const PGL4& m) {
    return zip(m, m, [s](double x, double) { return rounded(s * x); });
  }
  friend constexpr PGL4 operator*(const PGL4& m, double s) {
    return zip(m, m, [s](double x, double) { return rounded(x * s); });
  }
  friend constexpr PGL4 operator/(const PGL4& m, double s) {
    return zip(m, m, [s](double x, double) { return x / s; });
  }
  // The entrywise (Hadamard) product.
  static constexpr PGL4 hadamard(const PGL4& a, const PGL4& b) {
    return zip(a, b, [](double x, double y) { return rounded(x * y); });
  }
  // self + delta I: only the diagonal is touched, so the other entries keep
  // their bits (a -0.0 included).
  constexpr PGL4 shiftDiagonal(double delta) const {
    PGL4 r = *this;
    for (std::size_t i = 0; i < 4; ++i) r.set(i, i, get(i, i) + delta);
    return r;
  }

  constexpr PGL4 transpose() const {
    PGL4 r{};
    for (std::size_t col = 0; col < 4; ++col)
      for (std::size_t row = 0; row < 4; ++row) r.set(row, col, get(col, row));
    return r;
  }

  // Laplace expansion along row 0 with four fixed 3x3 cofactors; no pivoting,
  // so a singular matrix gives 0 up to rounding.
  constexpr double det() const {
    return ((rounded(get(0, 0) * minor(0, 0)) - rounded(get(0, 1) * minor(0, 1))) +
            rounded(get(0, 2) * minor(0, 2))) -
           rounded(get(0, 3) * minor(0, 3));
  }

  // The representative with |det| = 1 (the sign of det is kept); a matrix
  // with |det| < 1e-15 is returned unchanged.
  PGL4 normalizeDet() const;

  // Approximate inverse of self + delta * I by at most max_iter Newton-Schulz
  // iterations, without pivoting or division by the determinant. A singular
  // matrix yields an approximation of its pseudo-inverse; max_iter = 0
  // returns the starting guess. See inverse.hpp.
  PGL4 inverse(double delta, std::uint32_t max_iter) const;

 private:
  template <typename F>
  static constexpr PGL4 zip(const PGL4& a, const PGL4& b, F f) {
    PGL4 r{};
    for (std::size_t i = 0; i < 16; ++i) r.data[i] = f(a.data[i], b.data[i]);
    return r;
  }

  // Determinant of the 3x3 matrix left after deleting row r and column c.
  constexpr double minor(std::size_t r, std::size_t c) const {
    double s[3][3]{};
    std::size_t si = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      if (i == r) continue;
      std::size_t sj = 0;
      for (std::size_t j = 0; j < 4; ++j) {
        if (j == c) continue;
        s[si][sj] = get(i, j);
        ++sj;
      }
      ++si;
    }
    // p * q - u * v, both products rounded.
    const auto det2 = [](double p, double q, double u, double v) {
      return rounded(p * q) - rounded(u * v);
    };
    return (rounded(s[0][0] * det2(s[1][1], s[2][2], s[1][2], s[2][1])) -
            rounded(s[0][1] * det2(s[1][0], s[2][2], s[1][2], s[2][0]))) +
           rounded(s[0][2] * det2(s[1][0], s[2][1], s[1][1], s[2][0]));
  }
};

// Reached only while building a program that hands pglFromHomogeneous a
// singular constant: the compiler names this function in its error.
void singularMatrixGivenToPglFromHomogeneous();

// A matrix from constant rows, checked for invertibility when the program is
// built: a constant with |det| < 1e-15 (or NaN) does not compile.
consteval PGL4 pglFromHomogeneous(const Rows4& m) {
  const PGL4 r = PGL4::fromRowMajor(m);
  const double d = r.det();
  if (!(d >= 1e-15 || d <= -1e-15)) {
    singularMatrixGivenToPglFromHomogeneous();  // the constant rows are singular: no inverse
  }
  return r;
}

}  // namespace zevra_kernel
