#include "report/group_factors.hpp"

#include <cmath>

namespace stilt {
namespace {

// The published coefficients are held in single precision, the arithmetic in double.
constexpr double kSideCoefficient = static_cast<double>(0.64f);
constexpr double kSideExponent = static_cast<double>(0.34f);
constexpr double kLeadCoefficient = static_cast<double>(0.70f);
constexpr double kLeadExponent = static_cast<double>(0.26f);
constexpr double kTrailCoefficient = static_cast<double>(0.48f);
constexpr double kTrailExponent = static_cast<double>(0.38f);

double capped(double coefficient, double distance, double exponent) {
  return std::min(1.0, coefficient * std::pow(distance, exponent));
}

}  // namespace

double referenceDiameter(const AnalysisModel& model) {
  if (model.pileRows.empty()) return 0.0;
  const int prop = model.pileRows.front().property;
  if (prop < 1 || prop > static_cast<int>(model.properties.size())) return 0.0;
  const PileProperty& p = model.properties[static_cast<std::size_t>(prop - 1)];
  if (p.sections.empty()) return 0.0;
  const int x = p.sections.front().crossSection;
  if (x < 1 || x > static_cast<int>(model.crossSections.size())) return 0.0;
  return model.crossSections[static_cast<std::size_t>(x - 1)].top[1];
}

GroupFactors initialGroupFactors(const AnalysisModel& model) {
  GroupFactors f;
  const std::size_t n = model.pileRows.size();
  for (auto* v : {&f.pUsed, &f.yUsed, &f.pY, &f.yY, &f.pZ, &f.yZ}) v->assign(n, 1.0);
  for (std::size_t i = 0; i < n; ++i) {
    const PileGroupRow& r = model.pileRows[i];
    f.pUsed[i] = r.pFactorY;
    f.yUsed[i] = r.yFactorY;
    if (model.is3d()) {
      f.pY[i] = r.pFactorY;
      f.yY[i] = r.yFactorY;
      f.pZ[i] = r.pFactorZ;
      f.yZ[i] = r.yFactorZ;
    }
  }
  return f;
}

GroupFactorWorkspace::GroupFactorWorkspace(const AnalysisModel& model)
    : diameter_(referenceDiameter(model)) {
  std::size_t total = 0;
  for (const PileGroupRow& r : model.pileRows) {
    total += static_cast<std::size_t>(model.is2d() ? std::max(r.pilesInRow, 0) : 1);
  }
  rowOfPile_.reserve(total);
  for (std::size_t row = 0; row < model.pileRows.size(); ++row) {
    const int n = model.is2d() ? std::max(model.pileRows[row].pilesInRow, 0) : 1;
    for (int j = 0; j < n; ++j) rowOfPile_.push_back(static_cast<int>(row));
  }
  along_.assign(total, 0.0);
  across_.assign(total, 0.0);
  factor_.assign(total, 1.0);
}

double pairFactor(double da, double db, double sign) {
  const double a = std::fabs(da);
  const double b = std::fabs(db);
  // Far apart in either direction: no interaction (8 diameters in line or skewed, 5 beside).
  if (a > 8.0 || b > 8.0) return 1.0;
  if (a < 1.0e-5) {  // side by side
    if (b > 5.0) return 1.0;
    return capped(kSideCoefficient, b, kSideExponent);
  }
  if (b < 1.0e-6) {  // in line: leading when this pile is ahead in the sense of movement
    if (da * sign > 0.0) return capped(kLeadCoefficient, a, kLeadExponent);
    return capped(kTrailCoefficient, a, kTrailExponent);
  }
  // Skewed: the in-line and side-by-side factors at the centre distance, combined by the skew
  // angle.
  const double d = std::sqrt(a * a + b * b);
  if (d > 8.0) return 1.0;
  const double phi = std::atan(b / a);
  const double side = capped(kSideCoefficient, d, kSideExponent);
  const double inLine = da * sign >= 0.0 ? capped(kLeadCoefficient, d, kLeadExponent)
                                         : capped(kTrailCoefficient, d, kTrailExponent);
  const double c = inLine * std::cos(phi);
  const double s = side * std::sin(phi);
  return std::min(1.0, std::sqrt(c * c + s * s));
}

void estimateGroupFactors(const AnalysisModel& model, GroupDirection direction, double sign,
                          GroupFactorWorkspace& work, GroupFactors& factors) {
  const std::size_t total = work.rowOfPile_.size();
  const double d = work.diameter_ > 0.0 ? work.diameter_ : 1.0;
  const bool planar = model.is2d();
  // Positions of every pile, in diameters: along the movement and across it.
  std::size_t k = 0;
  for (const PileGroupRow& r : model.pileRows) {
    const int n = planar ? std::max(r.pilesInRow, 0) : 1;
    for (int j = 1; j <= n; ++j, ++k) {
      double along = direction == GroupDirection::kY ? r.y : r.z;
      double across = 0.0;
      if (!planar) {
        across = direction == GroupDirection::kY ? r.z : r.y;
      } else {
        // The piles of a two-dimensional row stand side by side across the plane, centred on it:
        // 0, +s, -s, +2s, ... for an odd count; +s/2, -s/2, +1.5s, -1.5s, ... for an even one.
        const double s = r.spacing;
        if (n % 2 == 1) {
          const int t = j / 2;
          across = j == 1 ? 0.0 : (j % 2 == 0 ? t * s : -t * s);
        } else if (j <= 2) {
          across = j == 1 ? 0.5 * s : -0.5 * s;
        } else {
          across = j % 2 == 0 ? -(j / 2.0 - 0.5) * s : (j / 2.0) * s;
        }
        along = r.y;
      }
      work.along_[k] = along / d;
      work.across_[k] = across / d;
    }
  }
  // Each pile's p-multiplier is the product of its pair factors with every other pile.
  for (std::size_t i = 0; i < total; ++i) {
    double product = 1.0;
    const double ai = work.along_[i];
    const double bi = work.across_[i];
    for (std::size_t m = 0; m < total; ++m) {
      if (m == i) continue;
      product *= pairFactor(ai - work.along_[m], bi - work.across_[m], sign);
    }
    work.factor_[i] = product;
  }
  // A row's factor is the mean of its piles'.
  std::vector<double>& p = direction == GroupDirection::kY ? factors.pUsed : factors.pZ;
  std::vector<double>& y = direction == GroupDirection::kY ? factors.yUsed : factors.yZ;
  std::size_t first = 0;
  for (std::size_t row = 0; row < model.pileRows.size(); ++row) {
    const int n = planar ? std::max(model.pileRows[row].pilesInRow, 0) : 1;
    double sum = 0.0;
    for (int j = 0; j < n; ++j) sum += work.factor_[first + static_cast<std::size_t>(j)];
    p[row] = n > 0 ? sum / n : 1.0;
    y[row] = 1.0;
    first += static_cast<std::size_t>(n);
  }
}

void combineGroupFactors(double wy, double wz, GroupFactors& f) {
  const double length = std::sqrt(wy * wy + wz * wz);
  const double cy = length > 0.0 ? wy / length : 1.0;
  const double cz = length > 0.0 ? wz / length : 0.0;
  for (std::size_t i = 0; i < f.pUsed.size(); ++i) {
    f.pY[i] = f.pUsed[i];
    f.yY[i] = f.yUsed[i];
    f.pUsed[i] = std::sqrt((cy * f.pY[i]) * (cy * f.pY[i]) + (cz * f.pZ[i]) * (cz * f.pZ[i]));
    f.yUsed[i] = std::sqrt((cy * f.yY[i]) * (cy * f.yY[i]) + (cz * f.yZ[i]) * (cz * f.yZ[i]));
  }
}

}  // namespace stilt
