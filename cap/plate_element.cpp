#include "cap/plate_element.hpp"

#include <cmath>

namespace stilt::cap {
namespace {

constexpr int kNevab = kElementFreedoms;
constexpr int kUX = 0, kUY = 1, kUZ = 2, kRotX = 3, kRotY = 4, kRotZ = 5;

// The 2 x 2 Gauss points in the order of the corners they lie next to; every weight is 1.
const double kGauss = 1.0 / std::sqrt(3.0);
constexpr std::array<double, 4> kCornerXi{-1.0, 1.0, 1.0, -1.0};
constexpr std::array<double, 4> kCornerEta{1.0, 1.0, -1.0, -1.0};

// Shape-function derivatives with respect to the plate coordinates at one point, and the
// Jacobian determinant of the mapping there.
struct PointDerivatives {
  ShapeFunctions shape;
  std::array<double, kElementNodes> dy{};
  std::array<double, kElementNodes> dz{};
  double det = 0.0;
  double y = 0.0;
  double z = 0.0;
};

bool derivativesAt(const ElementCoordinates& c, double xi, double eta, PointDerivatives& p) {
  p.shape = shapeFunctions(xi, eta);
  double j11 = 0.0, j12 = 0.0, j21 = 0.0, j22 = 0.0;
  p.y = 0.0;
  p.z = 0.0;
  for (int a = 0; a < kElementNodes; ++a) {
    j11 += p.shape.dXi[a] * c.y[a];
    j12 += p.shape.dXi[a] * c.z[a];
    j21 += p.shape.dEta[a] * c.y[a];
    j22 += p.shape.dEta[a] * c.z[a];
    p.y += p.shape.n[a] * c.y[a];
    p.z += p.shape.n[a] * c.z[a];
  }
  p.det = j11 * j22 - j12 * j21;
  if (!(p.det > 0.0)) return false;
  for (int a = 0; a < kElementNodes; ++a) {
    p.dy[a] = (j22 * p.shape.dXi[a] - j12 * p.shape.dEta[a]) / p.det;
    p.dz[a] = (-j21 * p.shape.dXi[a] + j11 * p.shape.dEta[a]) / p.det;
  }
  return true;
}

// Rows of the plate strain-displacement matrix of node a on its (UX, ROTY, ROTZ): curvatures
// κ_x = ∂ROTZ/∂y, κ_y = −∂ROTY/∂z, κ_xy = ∂ROTZ/∂z − ∂ROTY/∂y, shear strains
// γ_xz = ∂UX/∂y + ROTZ, γ_yz = ∂UX/∂z − ROTY.
using PlateB = std::array<std::array<double, 3>, 5>;
PlateB plateB(const PointDerivatives& p, int a) {
  const double ya = p.dy[a], za = p.dz[a], na = p.shape.n[a];
  return {{{0.0, 0.0, ya}, {0.0, -za, 0.0}, {0.0, -ya, za}, {ya, 0.0, na}, {za, -na, 0.0}}};
}

constexpr std::array<int, 3> kPlateFreedoms{kUX, kRotY, kRotZ};

}  // namespace

std::array<double, 9> membraneMatrix(double young, double poisson) {
  const double c = young / (1.0 - poisson * poisson);
  return {c, poisson * c, 0.0, poisson * c, c, 0.0, 0.0, 0.0, c * (1.0 - poisson) * 0.5};
}

std::array<double, 25> plateMatrix(double young, double poisson, double thickness) {
  const double db = young * thickness * thickness * thickness / ((1.0 - poisson * poisson) * 12.0);
  const double ds = young * thickness / ((1.0 + poisson) * 2.4);
  std::array<double, 25> d{};
  d[0] = db;
  d[1] = poisson * db;
  d[5] = poisson * db;
  d[6] = db;
  d[12] = db * (1.0 - poisson) * 0.5;
  d[18] = ds;
  d[24] = ds;
  return d;
}

ShapeFunctions shapeFunctions(double xi, double eta) {
  ShapeFunctions s;
  for (int a = 0; a < 4; ++a) {
    const double xa = kNodeXi[a], ea = kNodeEta[a];
    const double p = 1.0 + xi * xa, q = 1.0 + eta * ea, r = xi * xa + eta * ea - 1.0;
    s.n[a] = 0.25 * p * q * r;
    s.dXi[a] = 0.25 * xa * q * (r + p);
    s.dEta[a] = 0.25 * ea * p * (r + q);
  }
  for (int a = 4; a < kElementNodes; ++a) {
    const double xa = kNodeXi[a], ea = kNodeEta[a];
    if (xa == 0.0) {  // on an edge η = ±1
      s.n[a] = 0.5 * (1.0 - xi * xi) * (1.0 + eta * ea);
      s.dXi[a] = -xi * (1.0 + eta * ea);
      s.dEta[a] = 0.5 * ea * (1.0 - xi * xi);
    } else {  // on an edge ξ = ±1
      s.n[a] = 0.5 * (1.0 + xi * xa) * (1.0 - eta * eta);
      s.dXi[a] = 0.5 * xa * (1.0 - eta * eta);
      s.dEta[a] = -eta * (1.0 + xi * xa);
    }
  }
  return s;
}

bool elementStiffness(const ElementCoordinates& c, const PlateMaterial& mat,
                      std::array<double, kElementFreedoms * kElementFreedoms>& k) {
  k.fill(0.0);
  const std::array<double, 9> dm = membraneMatrix(mat.young, mat.poisson);
  const std::array<double, 25> dp = plateMatrix(mat.young, mat.poisson, mat.thickness);
  const double cm = dm[0], nm = dm[1], gm = dm[8];
  double area = 0.0;
  for (int g = 0; g < 4; ++g) {
    PointDerivatives p;
    if (!derivativesAt(c, kCornerXi[g] * kGauss, kCornerEta[g] * kGauss, p)) return false;
    const double dv = p.det;  // Gauss weight 1
    area += dv;
    const double tv = mat.thickness * dv;
    // D·B of the plate for every node, then Bᵀ·(D·B) by node pairs.
    std::array<PlateB, kElementNodes> b{};
    std::array<PlateB, kElementNodes> db{};
    for (int a = 0; a < kElementNodes; ++a) {
      b[a] = plateB(p, a);
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 3; ++j) {
          double s = 0.0;
          for (int m = 0; m < 5; ++m) s += dp[static_cast<std::size_t>(i * 5 + m)] * b[a][m][j];
          db[a][i][j] = s * dv;
        }
    }
    for (int a = 0; a < kElementNodes; ++a) {
      const double ya = p.dy[a], za = p.dz[a];
      for (int bn = 0; bn < kElementNodes; ++bn) {
        const double yb = p.dy[bn], zb = p.dz[bn];
        const auto at = [&](int da, int dbf) -> double& {
          return k[static_cast<std::size_t>((6 * a + da) * kNevab + 6 * bn + dbf)];
        };
        at(kUY, kUY) += (ya * cm * yb + za * gm * zb) * tv;
        at(kUY, kUZ) += (ya * nm * zb + za * gm * yb) * tv;
        at(kUZ, kUY) += (za * nm * yb + ya * gm * zb) * tv;
        at(kUZ, kUZ) += (za * cm * zb + ya * gm * yb) * tv;
        for (int i = 0; i < 3; ++i)
          for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int m = 0; m < 5; ++m) s += b[a][m][i] * db[bn][m][j];
            at(kPlateFreedoms[static_cast<std::size_t>(i)],
               kPlateFreedoms[static_cast<std::size_t>(j)]) += s;
          }
      }
    }
  }
  const double drill = kDrillingFactor * mat.young * mat.thickness * area / kElementNodes;
  for (int a = 0; a < kElementNodes; ++a)
    k[static_cast<std::size_t>((6 * a + kRotX) * kNevab + 6 * a + kRotX)] += drill;
  return true;
}

bool elementResultants(const ElementCoordinates& c, const PlateMaterial& mat,
                       const std::array<double, kElementFreedoms>& u, ElementResultants& out) {
  const std::array<double, 9> dm = membraneMatrix(mat.young, mat.poisson);
  const std::array<double, 25> dp = plateMatrix(mat.young, mat.poisson, mat.thickness);
  for (int g = 0; g < 4; ++g) {
    PointDerivatives p;
    if (!derivativesAt(c, kCornerXi[g] * kGauss, kCornerEta[g] * kGauss, p)) return false;
    std::array<double, 3> em{};
    std::array<double, 5> ep{};
    for (int a = 0; a < kElementNodes; ++a) {
      const auto ua = [&](int d) { return u[static_cast<std::size_t>(6 * a + d)]; };
      em[0] += p.dy[a] * ua(kUY);
      em[1] += p.dz[a] * ua(kUZ);
      em[2] += p.dz[a] * ua(kUY) + p.dy[a] * ua(kUZ);
      const PlateB b = plateB(p, a);
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 3; ++j)
          ep[static_cast<std::size_t>(i)] +=
              b[i][j] * ua(kPlateFreedoms[static_cast<std::size_t>(j)]);
    }
    GaussResultants& r = out[static_cast<std::size_t>(g)];
    r.y = p.y;
    r.z = p.z;
    for (int i = 0; i < 3; ++i) {
      double s = 0.0;
      for (int j = 0; j < 3; ++j) s += dm[static_cast<std::size_t>(i * 3 + j)] * em[j];
      r.values[static_cast<std::size_t>(i)] = s;
    }
    for (int i = 0; i < 5; ++i) {
      double s = 0.0;
      for (int j = 0; j < 5; ++j) s += dp[static_cast<std::size_t>(i * 5 + j)] * ep[j];
      r.values[static_cast<std::size_t>(3 + i)] = s;
    }
  }
  return true;
}

std::array<std::array<double, kStressResultants>, kElementNodes> nodalResultants(
    const ElementResultants& gauss) {
  // A bilinear field through the four Gauss points, evaluated at the nodes: the Gauss points sit
  // at ±1/√3, so a node at (ξ, η) lies at (√3·ξ, √3·η) in the Gauss points' own square.
  const double s3 = std::sqrt(3.0);
  std::array<std::array<double, kStressResultants>, kElementNodes> out{};
  for (int a = 0; a < kElementNodes; ++a) {
    const double s = kNodeXi[a] * s3, t = kNodeEta[a] * s3;
    for (int g = 0; g < 4; ++g) {
      const double w = 0.25 * (1.0 + s * kCornerXi[g]) * (1.0 + t * kCornerEta[g]);
      for (int v = 0; v < kStressResultants; ++v)
        out[a][v] += w * gauss[static_cast<std::size_t>(g)].values[v];
    }
  }
  return out;
}

bool locateInElement(const ElementCoordinates& c, double y, double z, double& xi, double& eta) {
  xi = 0.0;
  eta = 0.0;
  for (int it = 0; it < 30; ++it) {
    const ShapeFunctions s = shapeFunctions(xi, eta);
    double fy = -y, fz = -z, j11 = 0.0, j12 = 0.0, j21 = 0.0, j22 = 0.0;
    for (int a = 0; a < kElementNodes; ++a) {
      fy += s.n[a] * c.y[a];
      fz += s.n[a] * c.z[a];
      j11 += s.dXi[a] * c.y[a];
      j12 += s.dXi[a] * c.z[a];
      j21 += s.dEta[a] * c.y[a];
      j22 += s.dEta[a] * c.z[a];
    }
    const double det = j11 * j22 - j12 * j21;
    if (!(std::abs(det) > 0.0)) return false;
    // (y, z) = Jᵀ·(ξ, η) to first order.
    const double dxi = (j22 * fy - j21 * fz) / det;
    const double deta = (-j12 * fy + j11 * fz) / det;
    xi -= dxi;
    eta -= deta;
    if (!std::isfinite(xi) || !std::isfinite(eta) || std::abs(xi) > 10.0 || std::abs(eta) > 10.0)
      return false;
    if (std::abs(dxi) + std::abs(deta) < 1.0e-13) break;
  }
  constexpr double kOn = 1.0 + 1.0e-9;
  return std::abs(xi) <= kOn && std::abs(eta) <= kOn;
}

}  // namespace stilt::cap
