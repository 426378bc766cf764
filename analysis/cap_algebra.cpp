#include "analysis/cap_algebra.hpp"

#include <cmath>
#include <utility>

namespace stilt {

Matrix6 identity6() {
  Matrix6 m{};
  for (std::size_t i = 0; i < 6; ++i) m[i][i] = 1.0;
  return m;
}

Matrix6 transferMatrix(double x, double y, double z) {
  Matrix6 a = identity6();
  a[0][4] = z;
  a[0][5] = -y;
  a[1][3] = -z;
  a[1][5] = x;
  a[2][3] = y;
  a[2][4] = -x;
  return a;
}

Matrix6 rotationMatrix(const PileGeometry& g) {
  const double block[3][3] = {{g.sinB, g.cosA * g.cosB, g.sinA * g.cosB},
                              {-g.cosB, g.cosA * g.sinB, g.sinA * g.sinB},
                              {0.0, -g.sinA, g.cosA}};
  Matrix6 r{};
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      r[i][j] = block[i][j];
      r[i + 3][j + 3] = block[i][j];
    }
  }
  return r;
}

Vector6 multiply(const Matrix6& m, const Vector6& v) {
  Vector6 out{};
  for (std::size_t i = 0; i < 6; ++i) {
    double s = 0.0;
    for (std::size_t j = 0; j < 6; ++j) s += m[i][j] * v[j];
    out[i] = s;
  }
  return out;
}

Vector6 multiplyTransposed(const Matrix6& m, const Vector6& v) {
  Vector6 out{};
  for (std::size_t j = 0; j < 6; ++j) {
    double s = 0.0;
    for (std::size_t i = 0; i < 6; ++i) s += m[i][j] * v[i];
    out[j] = s;
  }
  return out;
}

Matrix6 multiply(const Matrix6& a, const Matrix6& b) {
  Matrix6 out{};
  for (std::size_t i = 0; i < 6; ++i) {
    for (std::size_t k = 0; k < 6; ++k) {
      const double aik = a[i][k];
      if (aik == 0.0) continue;
      for (std::size_t j = 0; j < 6; ++j) out[i][j] += aik * b[k][j];
    }
  }
  return out;
}

Matrix6 transpose(const Matrix6& m) {
  Matrix6 t{};
  for (std::size_t i = 0; i < 6; ++i) {
    for (std::size_t j = 0; j < 6; ++j) t[j][i] = m[i][j];
  }
  return t;
}

bool invertInPlace(Matrix6& a, int order) {
  const std::size_t n = static_cast<std::size_t>(order);
  std::array<int, 6> pivoted{};
  std::array<std::size_t, 6> rowOf{};
  std::array<std::size_t, 6> colOf{};
  for (std::size_t i = 0; i < n; ++i) {
    double big = 0.0;
    std::size_t row = 0;
    std::size_t col = 0;
    for (std::size_t j = 0; j < n; ++j) {
      if (pivoted[j] == 1) continue;
      for (std::size_t k = 0; k < n; ++k) {
        if (pivoted[k] == 0) {
          if (std::fabs(a[j][k]) >= big) {
            big = std::fabs(a[j][k]);
            row = j;
            col = k;
          }
        } else if (pivoted[k] > 1) {
          return false;
        }
      }
    }
    if (++pivoted[col] > 1) return false;
    if (row != col) std::swap(a[row], a[col]);
    rowOf[i] = row;
    colOf[i] = col;
    if (a[col][col] == 0.0) return false;
    const double inverse = 1.0 / a[col][col];
    a[col][col] = 1.0;
    for (std::size_t k = 0; k < n; ++k) a[col][k] *= inverse;
    for (std::size_t r = 0; r < n; ++r) {
      if (r == col) continue;
      const double factor = a[r][col];
      a[r][col] = 0.0;
      for (std::size_t k = 0; k < n; ++k) a[r][k] -= a[col][k] * factor;
    }
  }
  // Undo the column interchanges in reverse order.
  for (std::size_t i = n; i-- > 0;) {
    if (rowOf[i] == colOf[i]) continue;
    for (std::size_t k = 0; k < n; ++k) std::swap(a[k][rowOf[i]], a[k][colOf[i]]);
  }
  return true;
}

}  // namespace stilt
