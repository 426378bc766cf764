#include "soil/sand_py_curves.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace stilt {
namespace {

constexpr double kQuarterPi = 0.78539816339744830962;  // 45 degrees
constexpr double kRestCoefficient = 0.4;               // K0

// Reese, Cox and Koop (1974), against x/b.
constexpr std::array<double, 10> kSandTableAt = {0.0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0};
constexpr std::array<double, 10> kStaticA = {2.83, 2.48, 2.11, 1.76, 1.48,
                                             1.23, 1.06, 0.9,  0.88, 0.88};
constexpr std::array<double, 10> kCyclicA = {0.75, 0.93, 1.07, 1.11, 1.03,
                                             0.98, 0.94, 0.9,  0.88, 0.88};
constexpr std::array<double, 10> kStaticB = {2.14, 1.83, 1.54, 1.27, 1.05,
                                             0.86, 0.71, 0.53, 0.5,  0.5};
constexpr std::array<double, 10> kCyclicB = {0.53, 0.72, 0.83, 0.86, 0.82,
                                             0.77, 0.7,  0.55, 0.55, 0.55};

double ratioOrZero(double x, double b) {
  return b > 0.0 ? x / b : 0.0;
}

// The curve of sand and silt once pu and pm are known: a straight line from (ym, pm) to (yu, pu)
// and a parabola through (ym, pm) with that slope there.
void finishSandCurve(SandCurve& curve, const PyNodeSoil& s, SandCoefficients ab) {
  curve.width = s.b;
  curve.ym = s.b / 60.0;
  curve.yu = 3.0 * s.b / 80.0;
  curve.slope = curve.yu > curve.ym ? (curve.pu - curve.pm) / (curve.yu - curve.ym) : 0.0;
  // n = pm/(m·ym). With yu - ym = b/48 and pm/pu = B/A this is 1.25·B/(A - B) whatever pu is,
  // so the parabola stays defined when pu is 0 (no friction, no depth). A > B in every row of
  // the tables, so n > 1 and the parabola bends over towards the straight segment.
  curve.invN = (ab.a - ab.b) / (1.25 * ab.b);
  curve.kx = s.k * s.x;
  // The parabola meets the initial line where pm·(y/ym)^(1/n) = k·x·y, at
  // yk = ym·(pm/(k·x·ym))^e with e = 1/(1 - 1/n); below yk the line is the lower of the two and
  // is the curve. Most nodes of a pile in sand stay there, so p skips the power below
  // min(yk, ym)·(1 - 1E-6), where the parabola exceeds the line by a relative (1 - 1/n)·1E-6 at
  // least. With 1/n <= 0.99 that is 1E-8 or more, against a few 1E-16 of rounding on either side
  // and at most e·(|ln(pm/(k·x·ym))| + 1)·4.4E-16 < 4E-11 on yk itself: the result is the very
  // number min() would give.
  if (curve.kx > 0.0 && curve.pm > 0.0 && curve.ym > 0.0 && curve.invN <= 0.99) {
    const double yk =
        curve.ym * std::pow(curve.pm / (curve.kx * curve.ym), 1.0 / (1.0 - curve.invN));
    if (std::isfinite(yk)) curve.lineBelow = std::min(yk, curve.ym) * (1.0 - 1.0e-6);
  }
}

constexpr double kFixedLimitMetric = 15.0;   // kN/m
constexpr double kFixedLimitEnglish = 85.0;  // lb/in

}  // namespace

SandCoefficients sandCoefficients(double xOverB, bool cyclic) {
  return {interpolateCoefficient(kSandTableAt, cyclic ? kCyclicA : kStaticA, xOverB),
          interpolateCoefficient(kSandTableAt, cyclic ? kCyclicB : kStaticB, xOverB)};
}

double sandUltimateResistance(double phi, double gamma, double xu, double b) {
  if (!(xu > 0.0) || gamma <= 0.0) return 0.0;
  const double alpha = 0.5 * phi;
  const double beta = kQuarterPi + 0.5 * phi;
  const double ka = std::pow(std::tan(kQuarterPi - 0.5 * phi), 2);
  const double k0 = kRestCoefficient;
  const double tanPhi = std::tan(phi);
  const double tanBeta = std::tan(beta);
  const double tanAlpha = std::tan(alpha);
  const double sinBeta = std::sin(beta);
  const double tanBetaPhi = std::tan(beta - phi);  // tan(45° - φ/2), > 0 below 90°
  const double tb4 = std::pow(tanBeta, 4);
  // Flow of soil around the pile at depth.
  const double flow = ka * b * gamma * xu * (tb4 * tb4 - 1.0) + k0 * b * gamma * xu * tanPhi * tb4;
  if (!(tanBetaPhi > 0.0)) return std::max(flow, 0.0);
  // Passive wedge in front of the pile near the surface.
  const double wedge = gamma * xu *
                       (k0 * xu * tanPhi * sinBeta / (tanBetaPhi * std::cos(alpha)) +
                        tanBeta / tanBetaPhi * (b + xu * tanBeta * tanAlpha) +
                        k0 * xu * tanBeta * (tanPhi * sinBeta - tanAlpha) - ka * b);
  return std::max(std::min(wedge, flow), 0.0);
}

ApiSandCoefficients apiSandCoefficients(double phi) {
  const double pi = 4.0 * std::atan(1.0);
  const double alpha = 0.5 * phi;
  const double beta = 0.25 * pi + 0.5 * phi;
  const double k0 = kRestCoefficient;
  const double ka = std::pow(std::tan(0.25 * pi - 0.5 * phi), 2);
  const double kp = std::pow(std::tan(0.25 * pi + 0.5 * phi), 2);
  const double tanPhi = std::tan(phi);
  const double tanAlpha = std::tan(alpha);
  ApiSandCoefficients c;
  c.c1 =
      std::tan(beta) *
      (k0 * (tanPhi * std::sin(beta) * (1.0 / std::cos(alpha) + 1.0) - tanAlpha) + kp * tanAlpha);
  c.c2 = kp - ka;
  c.c3 = kp * kp * (kp + k0 * tanPhi) - ka;
  return c;
}

// ---------------------------------------------------------------------------------------------
// Sand and silt.

SandCurve makeSand(const PyNodeSoil& s) {
  SandCurve curve;
  const SandCoefficients ab = sandCoefficients(ratioOrZero(s.x, s.b), s.cyclic);
  const double ps = sandUltimateResistance(s.phi, s.gamma, s.xu, s.b);
  curve.pu = ab.a * ps;
  curve.pm = ab.b * ps;
  curve.ultimate = ps;
  finishSandCurve(curve, s, ab);
  return curve;
}

SandCurve makeSilt(const PyNodeSoil& s) {
  SandCurve curve;
  const SandCoefficients ab = sandCoefficients(ratioOrZero(s.x, s.b), s.cyclic);
  const double ps = sandUltimateResistance(s.phi, s.gamma, s.xu, s.b);
  // Cohesive part as for soft clay (Matlock 1970).
  double pc = 0.0;
  if (s.c > 0.0 && s.b > 0.0) {
    pc = std::min(3.0 + s.gamma * s.xu / s.c + 0.5 * s.xu / s.b, 9.0) * s.c * s.b;
  }
  curve.pu = ab.a * ps + pc;
  // Silt keeps the shape of the sand curve (pm/pu = B/A), scaled to its larger ultimate
  // resistance: continuous and never decreasing up to (yu, pu), whatever the share of cohesion.
  curve.pm = ab.b / ab.a * curve.pu;
  curve.ultimate = ps + pc;
  finishSandCurve(curve, s, ab);
  return curve;
}

double SandCurve::p(double y) const {
  if (!(y > 0.0) || pu <= 0.0) return 0.0;
  if (y < lineBelow) return kx * y;
  double p = pu;
  if (y <= ym) {
    p = pm * std::pow(y / ym, invN);
  } else if (y <= yu) {
    p = pm + slope * (y - ym);
  }
  // The initial line k·x·y bounds the curve; the parabola meets it at yk.
  return std::min(p, kx * y);
}

double SandCurve::tangent(double y) const {
  if (!(y > 0.0) || pu <= 0.0) return 0.0;
  if (y < lineBelow) return kx;
  double p = pu;
  double dp = 0.0;
  if (y < ym) {
    p = pm * std::pow(y / ym, invN);
    dp = invN * p / y;  // d/dy of pm·(y/ym)^(1/n)
  } else if (y < yu) {
    p = pm + slope * (y - ym);
    dp = slope;
  }
  return slopeBelowLine(p, dp, kx, y);
}

void SandCurve::deflections(CurveDeflections& y) const {
  for (std::size_t i = 0; i < 13; ++i) y[i] = static_cast<double>(i) * ym / 12.0;
  for (std::size_t i = 0; i < 4; ++i) y[13 + i] = yu + static_cast<double>(i) * width;
}

// ---------------------------------------------------------------------------------------------
// Sand by the API RP 2A criteria.

ApiSandCurve makeApiSand(const PyNodeSoil& s) {
  ApiSandCurve curve;
  curve.width = s.b;
  curve.kx = s.k * s.x;
  const ApiSandCoefficients c = apiSandCoefficients(s.phi);
  double pu = 0.0;
  if (s.xu > 0.0 && s.gamma > 0.0) {
    const double shallow = (c.c1 * s.xu + c.c2 * s.b) * s.gamma * s.xu;
    const double deep = c.c3 * s.b * s.gamma * s.xu;
    pu = c.c1 > 0.0 && s.xu > (c.c3 - c.c2) * s.b / c.c1 ? deep : shallow;
  }
  curve.ultimate = std::max(pu, 0.0);
  const double a =
      s.cyclic ? 0.9 : std::max(3.0 - 0.8 * ratioOrZero(s.x, s.b), 0.9);  // API A factor
  curve.apu = a * curve.ultimate;
  return curve;
}

double ApiSandCurve::p(double y) const {
  if (!(y > 0.0) || apu <= 0.0) return 0.0;
  return apu * std::tanh(kx * y / apu);
}

double ApiSandCurve::tangent(double y) const {
  if (!(y > 0.0) || apu <= 0.0) return 0.0;
  // d/dy of A·pu·tanh(k·x·y/(A·pu)) = k·x/cosh²(...): k·x at the origin, 0 far out.
  const double c = std::cosh(kx * y / apu);
  return kx / (c * c);
}

void ApiSandCurve::deflections(CurveDeflections& y) const {
  const double ym = width / 60.0;
  const double yu = 3.0 * width / 80.0;
  for (std::size_t i = 0; i < 13; ++i) y[i] = static_cast<double>(i) * ym / 12.0;
  for (std::size_t i = 0; i < 4; ++i) y[13 + i] = yu + static_cast<double>(i) * width;
}

// ---------------------------------------------------------------------------------------------
// Liquefied sand, Rollins et al. (2005).

LiquefiedSandCurve makeLiquefiedSand(const PyNodeSoil& s) {
  LiquefiedSandCurve curve;
  const bool english = s.unitsCode == 1;
  const double x = s.x <= 1.0e-7 ? 1.0e-4 : s.x;
  const double stress = s.gamma * x;  // vertical effective stress
  // Depth in metres, plus one, of a soil of 10 kN/m3 (0.036 lb/in3) carrying that stress.
  const double z = english ? stress / 0.036 * 0.0254 + 1.0 : stress / 10.0 + 1.0;
  const double a = 3.0e-7 * std::pow(z, 6.05);
  curve.bCoef = 2.80 * std::pow(z, 0.11);
  curve.exponent = 2.85 * std::pow(z, -0.41);
  const double bMetres = english ? s.b * 0.0254 : s.b;
  // Diameter factor, fitted for 0.3 m to 2.6 m. Below about 0.23 m it would turn negative and
  // push the pile on; it is held at zero there.
  const double pd = bMetres > 0.0 ? std::max(3.81 * std::log(bMetres) + 5.6, 0.0) : 0.0;
  const double force = english ? 5.7143 : 1.0;  // kN/m to lb/in
  curve.toMillimetres = english ? 25.4 : 1000.0;
  curve.coef = pd * a * force;
  curve.pu = curve.coef * std::pow(curve.bCoef * 0.5 * s.b * curve.toMillimetres, curve.exponent);
  curve.cap = std::min(english ? kFixedLimitEnglish : kFixedLimitMetric, curve.pu);
  curve.ultimate = curve.cap;
  return curve;
}

double LiquefiedSandCurve::p(double y) const {
  if (!(y > 0.0) || coef <= 0.0) return 0.0;
  return std::min(coef * std::pow(bCoef * y * toMillimetres, exponent), cap);
}

double LiquefiedSandCurve::tangent(double y) const {
  if (!(y > 0.0) || coef <= 0.0) return 0.0;
  const double p = coef * std::pow(bCoef * y * toMillimetres, exponent);
  return p < cap ? exponent * p / y : 0.0;  // a power law: the exponent times the secant
}

void LiquefiedSandCurve::deflections(CurveDeflections& y) const {
  for (std::size_t i = 0; i < kCurvePointCount; ++i) {
    y[i] = std::pow(10.0, 0.12800537 * static_cast<double>(i + 1)) / toMillimetres;
  }
}

// ---------------------------------------------------------------------------------------------

StatusCode checkFrictionAngle(bool silt, double phi, double groundSlope, Diagnostics& diag) {
  if (phi < 1.0e-10) {
    diag.both("     --------------------WARNING----------------------");
    diag.both(silt ? "     THE FRICTION ANGLE IS 0 FOR SILT ACCORING TO THE INPUT"
                   : "     THE FRICTION ANGLE IS 0 FOR SAND ACCORING TO THE INPUT");
    diag.both("     DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.");
    return silt ? StatusCode::kSiltZeroFrictionAngle : StatusCode::kSandZeroFrictionAngle;
  }
  if (groundSlope > phi) {
    diag.reportOnly("     WARNING-------The Angle of the slope can not");
    diag.reportOnly("     be greater than the internal");
    diag.reportOnly(silt ? "     friction angle of the silt." : "     friction angle of the sand.");
  }
  return StatusCode::kCompleted;
}

}  // namespace stilt
