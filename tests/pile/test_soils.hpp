#pragma once
// Small lateral soils for exercising the laterally loaded pile solver without the p-y families:
// closed-form moduli (constant, linear in depth) and two nonlinear curves shaped like soft clay
// (Matlock 1970) and sand (the hyperbolic-tangent form of API RP 2A). Node m lies at depth
// m·h - groundDepth below the ground surface; nodes above it get no soil.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

#include "soil/lateral_soil.hpp"

namespace stilt::testing {

// Shared geometry of a test soil: node count and depth of every node below the ground.
class NodeDepths : public LateralSoil {
 public:
  NodeDepths(int increments, double increment, double groundDepth)
      : n_(increments), h_(increment), ground_(groundDepth) {}
  int nodeCount() const override { return n_ + 1; }
  double depth(std::size_t m) const { return static_cast<double>(m) * h_ - ground_; }

 private:
  int n_;
  double h_;
  double ground_;
};

// Es = k at every node below the ground: Hetenyi's beam on an elastic foundation.
class ConstantModulusSoil final : public NodeDepths {
 public:
  ConstantModulusSoil(int n, double h, double k, double groundDepth = 0.0)
      : NodeDepths(n, h, groundDepth), k_(k) {}
  StatusCode initialModuli(std::span<double> es, Diagnostics&) const override {
    for (std::size_t m = 0; m < es.size(); ++m) es[m] = depth(m) >= 0.0 ? k_ : 0.0;
    return StatusCode::kCompleted;
  }
  StatusCode secantModuli(std::span<const double>, PyMultipliers, std::span<double> es,
                          Diagnostics& d) const override {
    return initialModuli(es, d);
  }

 private:
  double k_;
};

// Es = k·x: Matlock and Reese's soil modulus growing linearly with depth.
class LinearModulusSoil final : public NodeDepths {
 public:
  LinearModulusSoil(int n, double h, double k, double groundDepth = 0.0)
      : NodeDepths(n, h, groundDepth), k_(k) {}
  StatusCode initialModuli(std::span<double> es, Diagnostics&) const override {
    for (std::size_t m = 0; m < es.size(); ++m) es[m] = std::max(0.0, k_ * depth(m));
    return StatusCode::kCompleted;
  }
  StatusCode secantModuli(std::span<const double>, PyMultipliers, std::span<double> es,
                          Diagnostics& d) const override {
    return initialModuli(es, d);
  }

 private:
  double k_;
};

// A nonlinear soil given by p(y, x); the secant Es = p/y, at y = 1.0E-14 for smaller
// deflections, with the curve scaled by the multipliers to (y·ym, p·pm).
class CurveSoil : public NodeDepths {
 public:
  CurveSoil(int n, double h, double initialK, double groundDepth)
      : NodeDepths(n, h, groundDepth), initialK_(initialK) {}
  StatusCode initialModuli(std::span<double> es, Diagnostics&) const override {
    for (std::size_t m = 0; m < es.size(); ++m) es[m] = std::max(0.0, initialK_ * depth(m));
    return StatusCode::kCompleted;
  }
  StatusCode secantModuli(std::span<const double> y, PyMultipliers mult, std::span<double> es,
                          Diagnostics&) const override {
    for (std::size_t m = 0; m < es.size(); ++m) {
      const double x = depth(m);
      if (x < 1.0e-6) {
        es[m] = 0.0;
        continue;
      }
      const double yy = std::max(y[m], 1.0e-14);
      es[m] = mult.p * resistance(yy / mult.y, x) / yy;
    }
    return StatusCode::kCompleted;
  }
  // Soil resistance per unit length at deflection y and depth x (x > 0).
  virtual double resistance(double y, double x) const = 0;

 private:
  double initialK_;
};

// Soft-clay-like: p = 0.5·pu·(y/y50)^(1/3), capped at pu (Matlock 1970), with
// pu = min(3 + γ'x/c + 0.5x/b, 9)·c·b and y50 = 2.5·ε50·b.
class SoftClayLikeSoil final : public CurveSoil {
 public:
  SoftClayLikeSoil(int n, double h, double cohesion, double unitWeight, double diameter, double e50,
                   double initialK, double groundDepth = 0.0)
      : CurveSoil(n, h, initialK, groundDepth),
        c_(cohesion),
        gamma_(unitWeight),
        b_(diameter),
        y50_(2.5 * e50 * diameter) {}
  double ultimate(double x) const {
    return std::min(3.0 + gamma_ * x / c_ + 0.5 * x / b_, 9.0) * c_ * b_;
  }
  double resistance(double y, double x) const override {
    const double pu = ultimate(x);
    return std::min(0.5 * pu * std::cbrt(y / y50_), pu);
  }

 private:
  double c_, gamma_, b_, y50_;
};

// Sand-like: p = pu·tanh(k·x·y/pu) with pu = γ'·x·(C1·x + C2·b) (API RP 2A form, A = 1).
class SandLikeSoil final : public CurveSoil {
 public:
  SandLikeSoil(int n, double h, double k, double unitWeight, double diameter, double c1, double c2,
               double groundDepth = 0.0)
      : CurveSoil(n, h, k, groundDepth),
        k_(k),
        gamma_(unitWeight),
        b_(diameter),
        c1_(c1),
        c2_(c2) {}
  double ultimate(double x) const { return gamma_ * x * (c1_ * x + c2_ * b_); }
  double resistance(double y, double x) const override {
    const double pu = ultimate(x);
    return pu * std::tanh(k_ * x * y / pu);
  }

 private:
  double k_, gamma_, b_, c1_, c2_;
};

}  // namespace stilt::testing
