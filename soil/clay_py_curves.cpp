#include "soil/clay_py_curves.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace stilt {
namespace {

// Reese, Cox and Koop (1975): the empirical coefficients against x/b = 0, 1, 2, ...
constexpr std::array<double, 6> kClayTableAt = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0};
constexpr std::array<double, 6> kStaticAs = {0.223, 0.46, 0.55, 0.59, 0.6, 0.6};
constexpr std::array<double, 4> kCyclicAtXb = {0.0, 1.0, 2.0, 3.0};
constexpr std::array<double, 4> kCyclicAc = {0.2, 0.29, 0.3, 0.3};

double ratioOrZero(double x, double b) {
  return b > 0.0 ? x / b : 0.0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Soft clay, Matlock (1970).

SoftClayCurve makeSoftClay(const PyNodeSoil& s) {
  SoftClayCurve curve;
  curve.cyclic = s.cyclic;
  curve.y50 = 2.5 * s.eps50 * s.b;
  if (s.c > 0.0 && s.b > 0.0) {
    // Np grows from 3 at the surface (wedge failure) to 9 at depth (flow around the pile).
    const double np = std::min(3.0 + s.gamma * s.xu / s.c + 0.5 * s.xu / s.b, 9.0);
    curve.pu = np * s.c * s.b;
  }
  curve.ultimate = curve.pu;
  if (s.cyclic && curve.pu > 0.0) {
    // xr: the depth where Np reaches 9. Above it, cyclic loading leaves a gap and a reduced
    // resistance behind the pile.
    double xr = 6.0 * s.c * s.b / (s.gamma * s.b + 0.5 * s.c);
    if (xr < 1.0e-6) xr = s.b;
    curve.residual = s.xu >= xr ? 0.72 * curve.pu : 0.72 * curve.pu * s.xu / xr;
  }
  return curve;
}

double SoftClayCurve::p(double y) const {
  if (!(y > 0.0) || pu <= 0.0) return 0.0;
  if (!cyclic) {
    if (y >= 8.0 * y50) return pu;
    return 0.5 * pu * std::cbrt(y / y50);
  }
  if (y <= 3.0 * y50) return 0.5 * pu * std::cbrt(y / y50);
  if (y >= 15.0 * y50) return residual;
  const double peak = 0.72 * pu;
  return peak + (residual - peak) * (y - 3.0 * y50) / (12.0 * y50);
}

double SoftClayCurve::tangent(double y) const {
  if (!(y > 0.0) || pu <= 0.0) return 0.0;
  // d/dy of 0.5·pu·(y/y50)^(1/3) is a third of the secant.
  const double rising = 0.5 * pu * std::cbrt(y / y50) / (3.0 * y);
  if (!cyclic) return y >= 8.0 * y50 ? 0.0 : rising;
  if (y < 3.0 * y50) return rising;
  if (y >= 15.0 * y50) return 0.0;
  return (residual - 0.72 * pu) / (12.0 * y50);
}

void SoftClayCurve::deflections(CurveDeflections& y) const {
  y[0] = 0.0;
  y[1] = 0.008 * y50;
  for (std::size_t i = 0; i < 12; ++i) y[2 + i] = 0.25 * static_cast<double>(i + 1) * y50;
  y[14] = 8.0 * y50;
  y[15] = 15.0 * y50;
  y[16] = 20.0 * y50;
}

// ---------------------------------------------------------------------------------------------
// Stiff clay with free water, Reese, Cox and Koop (1975).

double stiffClayStaticCoefficient(double xOverB) {
  return interpolateCoefficient(kClayTableAt, kStaticAs, xOverB);
}
double stiffClayCyclicCoefficient(double xOverB) {
  return interpolateCoefficient(kCyclicAtXb, kCyclicAc, xOverB);
}

StiffClayFreeWaterCurve makeStiffClayFreeWater(const PyNodeSoil& s) {
  StiffClayFreeWaterCurve curve;
  curve.cyclic = s.cyclic;
  // Wedge near the surface, flow around the pile at depth.
  const double pct = 2.0 * s.ca * s.b + s.gamma * s.b * s.xu + 2.83 * s.ca * s.xu;
  const double pcd = 11.0 * s.c * s.b;
  curve.pc = std::max(std::min(pct, pcd), 0.0);
  curve.y50 = s.eps50 * s.b;
  const double xb = ratioOrZero(s.x, s.b);
  curve.coef = s.cyclic ? stiffClayCyclicCoefficient(xb) : stiffClayStaticCoefficient(xb);
  curve.kx = s.k * s.x;
  curve.ultimate = curve.pc;
  return curve;
}

double StiffClayFreeWaterCurve::p(double y) const {
  if (!(y > 0.0) || pc <= 0.0) return 0.0;
  // The curve never rises above the initial straight line k·x·y.
  return std::min(unbounded(y), kx * y);
}

double StiffClayFreeWaterCurve::unbounded(double y) const {
  double p = 0.0;
  if (!cyclic) {
    const double a = coef * y50;  // As·y50
    if (y <= a) {
      p = 0.5 * pc * std::sqrt(y / y50);
    } else if (y <= 6.0 * a) {
      const double r = (y - a) / a;  // r^1.25 = r·r^(1/4)
      p = 0.5 * pc * std::sqrt(y / y50) - 0.055 * pc * r * std::sqrt(std::sqrt(r));
    } else if (y <= 18.0 * a) {
      p = 0.5 * pc * std::sqrt(6.0 * coef) - 0.411 * pc - 0.0625 * pc * (y - 6.0 * a) / y50;
    } else {
      p = pc * (0.5 * std::sqrt(6.0 * coef) - 0.411 - 0.75 * coef);
    }
  } else {
    const double yp = 4.1 * coef * y50;
    if (y <= 0.6 * yp) {
      const double r = std::fabs((y - 0.45 * yp) / (0.45 * yp));
      p = coef * pc * (1.0 - r * r * std::sqrt(r));
    } else if (y <= 1.8 * yp) {
      p = 0.936 * coef * pc - 0.085 * pc * (y - 0.6 * yp) / y50;
    } else {
      // (0.102/y50)·pc·yp with yp/y50 = 4.1·Ac written out, so that y50 = 0 stays finite.
      p = 0.936 * coef * pc - 0.102 * pc * 4.1 * coef;
    }
  }
  return p;
}

double StiffClayFreeWaterCurve::tangent(double y) const {
  if (!(y > 0.0) || pc <= 0.0) return 0.0;
  double dp = 0.0;
  if (!cyclic) {
    const double a = coef * y50;
    if (y < 6.0 * a) {
      dp = 0.25 * pc / std::sqrt(y * y50);  // d/dy of 0.5·pc·(y/y50)^0.5
      if (y >= a) dp -= 0.055 * 1.25 * pc * std::sqrt(std::sqrt((y - a) / a)) / a;
    } else if (y < 18.0 * a) {
      dp = -0.0625 * pc / y50;
    }
  } else {
    const double yp = 4.1 * coef * y50;
    if (y < 0.6 * yp) {
      const double t = (y - 0.45 * yp) / (0.45 * yp);
      const double r = std::fabs(t);
      dp = -coef * pc * 2.5 * r * std::sqrt(r) * (t < 0.0 ? -1.0 : 1.0) / (0.45 * yp);
    } else if (y < 1.8 * yp) {
      dp = -0.085 * pc / y50;
    }
  }
  return slopeBelowLine(unbounded(y), dp, kx, y);
}

void StiffClayFreeWaterCurve::deflections(CurveDeflections& y) const {
  if (!cyclic) {
    const double a = coef * y50;
    for (std::size_t i = 0; i < 13; ++i) y[i] = 0.5 * static_cast<double>(i) * a;
    y[13] = 10.0 * a;
    y[14] = 14.0 * a;
    y[15] = 18.0 * a;
    y[16] = 200.0 * a;
  } else {
    const double yp = 4.1 * coef * y50;
    for (std::size_t i = 0; i < 13; ++i) y[i] = 0.05 * static_cast<double>(i) * yp;
    y[13] = 1.0 * yp;
    y[14] = 1.4 * yp;
    y[15] = 1.8 * yp;
    y[16] = 20.0 * yp;
  }
}

// ---------------------------------------------------------------------------------------------
// Stiff clay without free water, Welch and Reese (1972).

StiffClayNoFreeWaterCurve makeStiffClayNoFreeWater(const PyNodeSoil& s, bool initialK) {
  StiffClayNoFreeWaterCurve curve;
  const double pu =
      std::min(3.0 * s.ca * s.b + s.gamma * s.b * s.xu + 0.5 * s.ca * s.xu, 9.0 * s.c * s.b);
  curve.pu = std::max(pu, 0.0);
  curve.ultimate = curve.pu;
  curve.y50 = 2.5 * s.eps50 * s.b;
  // Fewer than one cycle means a single application of the load: log10 of it would be negative
  // or undefined.
  const double n = s.cyclic ? std::max(static_cast<double>(s.cycles), 1.0) : 1.0;
  const double logN = std::log10(n);
  curve.yScale = curve.y50 * (1.0 + 0.6 * logN);
  curve.bigK = 16.0 + 9.6 * logN;
  curve.initialK = initialK;
  curve.kx = initialK ? s.k * s.x : 0.0;
  return curve;
}

double StiffClayNoFreeWaterCurve::p(double y) const {
  if (!(y > 0.0)) return 0.0;
  // 0.5·pu·(y/y50)^(1/4) reaches pu at 16·y50 (16·yScale under cyclic loading = K·y50).
  double p = y >= 16.0 * yScale ? pu : 0.5 * pu * std::sqrt(std::sqrt(y / yScale));
  if (initialK) p = std::min(p, kx * y);
  return p;
}

double StiffClayNoFreeWaterCurve::tangent(double y) const {
  if (!(y > 0.0)) return 0.0;
  // d/dy of 0.5·pu·(y/y50)^(1/4) is a quarter of the secant.
  const bool rising = y < 16.0 * yScale;
  const double p = rising ? 0.5 * pu * std::sqrt(std::sqrt(y / yScale)) : pu;
  const double dp = rising ? 0.25 * p / y : 0.0;
  return initialK ? slopeBelowLine(p, dp, kx, y) : dp;
}

void StiffClayNoFreeWaterCurve::deflections(CurveDeflections& y) const {
  const double top = bigK * y50;
  for (std::size_t i = 0; i < 16; ++i) y[i] = static_cast<double>(i) * top / 15.0;
  y[16] = 1.25 * top;
}

}  // namespace stilt
