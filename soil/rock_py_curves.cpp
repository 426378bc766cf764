#include "soil/rock_py_curves.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace stilt {
namespace {

constexpr std::array<double, kCurvePointCount> kWeakRockPoints = {
    0.0005, 0.001, 0.003, 0.006, 0.009, 0.02, 0.04, 0.06, 0.08,
    0.1,    0.25,  0.5,   0.75,  1.0,   4.0,  8.0,  12.0};

}  // namespace

double weakRockStrengthReduction(double rqd) {
  return 1.0 - (2.0 / 3.0) * rqd / 100.0;
}

WeakRockCurve makeWeakRock(const PyNodeSoil& s) {
  WeakRockCurve curve;
  if (!(s.b > 0.0)) return curve;
  const double alpha = weakRockStrengthReduction(s.rqd);
  // Upper zone down to 3b below the top of the rock (xr taken 1.0E-8 deeper, so that xr = 3b
  // falls in the lower zone; both expressions give 5.2·αr·qur·b there).
  const bool upper = 3.0 * s.b >= s.xr + 1.0e-8;
  curve.pur = upper ? alpha * s.ca * s.b * (1.0 + 1.4 * s.xr / s.b) : 5.2 * alpha * s.ca * s.b;
  curve.pur = std::max(curve.pur, 0.0);
  const double kir = upper ? 100.0 + 400.0 * s.xr / (3.0 * s.b) : 500.0;
  curve.kir = kir * s.rockModulus;
  curve.yrm = s.eps50 * s.b;
  curve.ultimate = curve.pur;
  if (!(curve.kir > 0.0)) {
    curve.ya = std::numeric_limits<double>::infinity();  // no stiffness: p = 0 throughout
  } else if (!(curve.yrm > 0.0)) {
    curve.ya = curve.pur / curve.kir;  // the power branch is pur at once
  } else {
    curve.ya = std::pow(curve.pur / (2.0 * std::sqrt(std::sqrt(curve.yrm)) * curve.kir), 4.0 / 3.0);
  }
  return curve;
}

double WeakRockCurve::p(double y) const {
  if (!(y > 0.0) || pur <= 0.0) return 0.0;
  double p = 0.0;
  if (y <= ya) {
    p = kir * y;
  } else {
    p = yrm > 0.0 ? 0.5 * pur * std::sqrt(std::sqrt(y / yrm)) : pur;
  }
  // pur bounds the whole curve: with a soft rock mass the initial line alone could pass it.
  return std::min(p, pur);
}

double WeakRockCurve::tangent(double y) const {
  if (!(y > 0.0) || pur <= 0.0) return 0.0;
  double p = pur;
  double dp = 0.0;
  if (y < ya) {
    p = kir * y;
    dp = kir;
  } else if (yrm > 0.0) {
    p = 0.5 * pur * std::sqrt(std::sqrt(y / yrm));
    dp = 0.25 * p / y;  // d/dy of 0.5·pur·(y/yrm)^(1/4)
  }
  return p < pur ? dp : 0.0;
}

void WeakRockCurve::deflections(CurveDeflections& y) const {
  for (std::size_t i = 0; i < kCurvePointCount; ++i) y[i] = kWeakRockPoints[i] * yrm;
}

StatusCode checkWeakRockStrength(double qu, Diagnostics& diag) {
  if (0.5 * qu > 1.0e-10) return StatusCode::kCompleted;
  diag.both("     --------------------WARNING----------------------");
  diag.both("     THE UNIAXIAL COMPRESION STRENGTH IS 0 FOR WEAK ROCK");
  diag.both("     ACCORDING TO THE INPUT DATA.");
  diag.both("     PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.");
  return StatusCode::kWeakRockZeroStrength;
}

VuggyLimestoneCurve makeVuggyLimestone(const PyNodeSoil& s) {
  VuggyLimestoneCurve curve;
  curve.su = std::max(0.5 * s.c, 0.0);
  curve.b = std::max(s.b, 0.0);
  curve.ultimate = curve.su * curve.b;
  return curve;
}

double VuggyLimestoneCurve::p(double y) const {
  if (!(y > 0.0)) return 0.0;
  const double y1 = 0.0004 * b;
  const double y2 = 0.0024 * b;  // y1 + (su·b - 0.8·su·b)/(100·su)
  if (y <= y1) return 2000.0 * su * y;
  if (y <= y2) return 0.8 * su * b + 100.0 * su * (y - y1);
  // Beyond y2 the rock holds the su·b the two lines lead up to.
  return su * b;
}

double VuggyLimestoneCurve::tangent(double y) const {
  if (!(y > 0.0)) return 0.0;
  if (y < 0.0004 * b) return 2000.0 * su;
  if (y < 0.0024 * b) return 100.0 * su;
  return 0.0;
}

void VuggyLimestoneCurve::deflections(CurveDeflections& y) const {
  const double y2 = 0.0024 * b;
  for (std::size_t i = 0; i < kCurvePointCount; ++i) {
    y[i] = static_cast<double>(i) * y2 / 15.0;
  }
}

}  // namespace stilt
