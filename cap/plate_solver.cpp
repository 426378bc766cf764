#include "cap/plate_solver.hpp"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <limits>

#include "cap/fixed_fields.hpp"
#include "cap/frontal_solver.hpp"
#include "cap/plate_checks.hpp"

namespace stilt::cap {
namespace {

constexpr std::size_t kN = kNodeFreedoms;
// Error measures below this count as zero.
constexpr double kNegligibleError = 1.0e-10;
// No increment is halved below this fraction of the pseudo-time span.
constexpr double kSmallestIncrement = 1.0e-10;

double norm(const std::vector<double>& v) {
  double s = 0.0;
  for (double x : v) s += x * x;
  return std::sqrt(s);
}

std::string e12(double v) {
  return fieldE(v, 12, 4);
}

void writeLines(std::ostream& os, const std::vector<std::string>& lines) {
  for (const std::string& l : lines) os << l << '\n';
}

void dump(std::ostream& listing, const std::vector<std::string>* lines) {
  listing << "\n NOW FOLLOWING A LISTING OF POST-DISASTER DATA CARDS\n\n";
  if (lines != nullptr)
    for (const std::string& l : *lines) listing << l << '\n';
}

void writeStepListings(const PlateModel& m, const PlateSolution& s, std::ostream& os) {
  os << fmt::format("\n DISPLACEMENTS     STEP ={:>5}     TIME ={}\n\n", s.step,
                    fieldF(s.time, 10, 4));
  os << "    NODE      X-DISP      Y-DISP      Z-DISP     XZ-ROT.     YZ-ROT.       Z-ROT\n";
  for (std::size_t n = 0; n < m.nodes.size(); ++n) {
    os << fieldI(m.nodes[n].number, 8);
    for (std::size_t d = 0; d < kN; ++d) os << e12(s.displacement[n * kN + d]);
    os << '\n';
  }
  os << "\n REACTIONS\n\n";
  os << "    NODE     X-FORCE     Y-FORCE     Z-FORCE   XZ-MOMENT   YZ-MOMENT    Z-MOMENT\n";
  for (std::size_t n = 0; n < m.nodes.size(); ++n) {
    const auto first = s.reactions.begin() + static_cast<std::ptrdiff_t>(n * kN);
    if (std::all_of(first, first + kN, [](double r) { return r == 0.0; })) continue;
    os << fieldI(m.nodes[n].number, 8);
    for (std::size_t d = 0; d < kN; ++d) os << e12(s.reactions[n * kN + d]);
    os << '\n';
  }
  os << "\n STRESS RESULTANTS AT THE GAUSS POINTS\n";
  for (std::size_t e = 0; e < m.elements.size(); ++e) {
    os << fmt::format("\n ELEMENT NO.={:>6}\n", m.elements[e].number);
    os << "    X-COORD.    Y-COORD.    SIGMA_XX    SIGMA_YY    SIGMA_XY    X-MOMENT    Y-MOMENT"
          "   XY-MOMENT  XZ-S,FORCE  YZ-S,FORCE\n";
    for (const GaussResultants& g : s.gauss[e]) {
      os << e12(g.y) << e12(g.z);
      for (double v : g.values) os << e12(v);
      os << '\n';
    }
  }
}

void writeStepBlock(const PlateModel& m, const PlateSolution& s, std::ostream& os) {
  os << "STEP_DATA" << fieldI(14, 8) << '\n';
  os << "UX UY UZ ROTX ROTY ROTZ SXX SYY SXY MOM_X MOM_Y MOM_XY SH_XZ SH_YZ\n";
  os << "STEP" << fieldI(s.step, 8) << '\n';
  for (std::size_t n = 0; n < m.nodes.size(); ++n) {
    os << fieldI(m.nodes[n].number, 5);
    for (std::size_t d = 0; d < kN; ++d) os << e12(s.displacement[n * kN + d]);
    for (double v : s.nodal[n]) os << e12(v);
    os << '\n';
  }
  os << "END_STEP_DATA\n";
}

}  // namespace

bool LinearSupports::respond(std::size_t index, const std::array<double, 6>& u,
                             std::array<double, 6>& resistance, std::array<double, 36>& tangent,
                             std::string& message) {
  if (index >= stiffness_.size()) {
    message = fmt::format("NO STIFFNESS GIVEN FOR SUPPORT {}", index + 1);
    return false;
  }
  tangent = stiffness_[index];
  for (std::size_t i = 0; i < 6; ++i) {
    double s = 0.0;
    for (std::size_t j = 0; j < 6; ++j) s += tangent[i * 6 + j] * u[j];
    resistance[i] = s;
  }
  return true;
}

SupportResponse CapSupports::respondAll(const SupportRequest& /*request*/,
                                        const std::vector<std::array<double, 6>>& u,
                                        std::vector<std::array<double, 6>>& resistance,
                                        std::vector<std::array<double, 36>>& tangent,
                                        std::string& message) {
  resistance.resize(u.size());
  tangent.resize(u.size());
  for (std::size_t s = 0; s < u.size(); ++s)
    if (!respond(s, u[s], resistance[s], tangent[s], message)) return SupportResponse::kFailed;
  return SupportResponse::kGiven;
}

bool couplePoint(const PlateModel& m, const std::vector<ElementCoordinates>& coords, double x,
                 double y, double z, bool extrapolate, PointCoupling& c) {
  bool found = false;
  for (std::size_t e = 0; e < coords.size() && e < m.elements.size() && !found; ++e) {
    const ElementCoordinates& ec = coords[e];
    const auto [ylo, yhi] = std::minmax_element(ec.y.begin(), ec.y.end());
    const auto [zlo, zhi] = std::minmax_element(ec.z.begin(), ec.z.end());
    const double tol = 1.0e-9 * (1.0 + std::abs(*yhi - *ylo) + std::abs(*zhi - *zlo));
    if (y < *ylo - tol || y > *yhi + tol || z < *zlo - tol || z > *zhi + tol) continue;
    if (locateInElement(ec, y, z, c.xi, c.eta)) {
      c.element = e;
      found = true;
    }
  }
  c.inside = found;
  if (!found) {
    if (!extrapolate || coords.empty()) return false;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t e = 0; e < coords.size(); ++e) {
      double cy = 0.0, cz = 0.0;
      for (std::size_t a = 0; a < 4; ++a) {
        cy += 0.25 * coords[e].y[a];
        cz += 0.25 * coords[e].z[a];
      }
      const double d = std::hypot(cy - y, cz - z);
      if (d < best) {
        best = d;
        c.element = e;
      }
    }
    // The parent coordinates beyond ±1: the Newton iteration of the mapping still finds them.
    (void)locateInElement(coords[c.element], y, z, c.xi, c.eta);
    if (!std::isfinite(c.xi) || !std::isfinite(c.eta)) return false;
  }
  const ElementCoordinates& ec = coords[c.element];
  const ShapeFunctions sf = shapeFunctions(c.xi, c.eta);
  double j11 = 0.0, j12 = 0.0, j21 = 0.0, j22 = 0.0;
  for (std::size_t a = 0; a < kElementNodes; ++a) {
    j11 += sf.dXi[a] * ec.y[a];
    j12 += sf.dXi[a] * ec.z[a];
    j21 += sf.dEta[a] * ec.y[a];
    j22 += sf.dEta[a] * ec.z[a];
  }
  const double det = j11 * j22 - j12 * j21;
  if (!(std::abs(det) > 0.0)) return false;
  c.t.fill(0.0);
  const auto put = [&c](std::size_t row, std::size_t col, double v) {
    c.t[row * kElementFreedoms + col] += v;
  };
  for (std::size_t a = 0; a < kElementNodes; ++a) {
    const double n = sf.n[a];
    // Derivatives by Y and Z: the inverse Jacobian on those by ξ and η.
    const double dy = (j22 * sf.dXi[a] - j12 * sf.dEta[a]) / det;
    const double dz = (-j21 * sf.dXi[a] + j11 * sf.dEta[a]) / det;
    const std::size_t c0 = a * kN;
    put(0, c0 + 0, n);
    put(1, c0 + 1, n);
    put(1, c0 + 5, x * n);
    put(2, c0 + 2, n);
    put(2, c0 + 4, -x * n);
    put(3, c0 + 2, 0.5 * dy);
    put(3, c0 + 1, -0.5 * dz);
    put(4, c0 + 4, n);
    put(5, c0 + 5, n);
  }
  return true;
}

std::array<double, 6> coupledDisplacement(const PlateModel& m, const PointCoupling& c,
                                          const std::vector<double>& u) {
  std::array<double, 6> out{};
  const PlateElement& el = m.elements[c.element];
  for (std::size_t a = 0; a < kElementNodes; ++a) {
    const std::size_t g0 = static_cast<std::size_t>(el.nodes[a] - 1) * kN;
    for (std::size_t d = 0; d < kN; ++d) {
      const double v = u[g0 + d];
      if (v == 0.0) continue;
      for (std::size_t r = 0; r < 6; ++r) out[r] += c.t[r * kElementFreedoms + a * kN + d] * v;
    }
  }
  return out;
}

std::vector<ElementCoordinates> elementCoordinates(const PlateModel& m) {
  std::vector<ElementCoordinates> c(m.elements.size());
  for (std::size_t e = 0; e < m.elements.size(); ++e)
    for (std::size_t a = 0; a < kElementNodes; ++a) {
      const PlateNode& n = m.nodes[static_cast<std::size_t>(m.elements[e].nodes[a] - 1)];
      c[e].y[a] = n.y;
      c[e].z[a] = n.z;
    }
  return c;
}

int nearestNode(const PlateModel& m, double y, double z) {
  int best = 0;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (std::size_t n = 0; n < m.nodes.size(); ++n) {
    const double d = std::hypot(m.nodes[n].y - y, m.nodes[n].z - z);
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(n) + 1;
    }
  }
  return best;
}

std::vector<double> nodalLoads(const PlateModel& m, const std::vector<ElementCoordinates>& coords) {
  std::vector<double> f(m.nodes.size() * kN, 0.0);
  for (const PlateLoad& load : m.loads) {
    bool placed = false;
    for (std::size_t e = 0; e < m.elements.size() && !placed; ++e) {
      const ElementCoordinates& c = coords[e];
      const auto [ylo, yhi] = std::minmax_element(c.y.begin(), c.y.end());
      const auto [zlo, zhi] = std::minmax_element(c.z.begin(), c.z.end());
      const double tol = 1.0e-9 * (1.0 + std::abs(*yhi - *ylo) + std::abs(*zhi - *zlo));
      if (load.y < *ylo - tol || load.y > *yhi + tol || load.z < *zlo - tol || load.z > *zhi + tol)
        continue;
      double xi = 0.0, eta = 0.0;
      if (!locateInElement(c, load.y, load.z, xi, eta)) continue;
      const ShapeFunctions s = shapeFunctions(xi, eta);
      for (std::size_t a = 0; a < kElementNodes; ++a) {
        const std::size_t g0 = static_cast<std::size_t>(m.elements[e].nodes[a] - 1) * kN;
        for (std::size_t d = 0; d < kN; ++d) f[g0 + d] += s.n[a] * load.forces[d];
      }
      placed = true;
    }
    if (placed) continue;
    // Beyond the plate the load moves with the nearest element, its shape functions extended:
    // they reproduce linear fields, so the load keeps its resultant and its moment about every
    // axis, and nothing reaches the drilling freedom, which only a numerical spring holds.
    PointCoupling c;
    if (!couplePoint(m, coords, 0.0, load.y, load.z, true, c)) continue;
    const ShapeFunctions s = shapeFunctions(c.xi, c.eta);
    for (std::size_t a = 0; a < kElementNodes; ++a) {
      const std::size_t g0 = static_cast<std::size_t>(m.elements[c.element].nodes[a] - 1) * kN;
      for (std::size_t d = 0; d < kN; ++d) f[g0 + d] += s.n[a] * load.forces[d];
    }
  }
  return f;
}

void writeModelEcho(const PlateModel& m, std::ostream& os) {
  const PlateControl& c = m.control;
  os << ' ' << m.title << "\n\n";
  const std::pair<const char*, int> counts[] = {
      {"NPOIN", c.npoin}, {"NELEM", c.nelem}, {"NVFIX", c.nvfix}, {"NCASE", c.ncase},
      {"NTYPE", c.ntype}, {"NNODE", c.nnode}, {"NDOFN", c.ndofn}, {"NMATS", c.nmats},
      {"NPROP", c.nprop}, {"NGAUS", c.ngaus}, {"NDIME", c.ndime}, {"NSTRE", c.nstre},
      {"NEVAB", c.nevab}, {"NNLOD", c.nnlod}, {"NNSTI", c.nnsti}, {"NDLOD", c.ndlod},
      {"NDSTI", c.ndsti}, {"NCLOD", c.nclod}, {"NCSTI", c.ncsti}, {"NCTSTI", c.nctsti}};
  for (const auto& [name, value] : counts) os << fmt::format(" {:<8}={}\n", name, fieldI(value, 8));
  const PlateStepping& t = m.stepping;
  os << fmt::format(" {:<8}={}\n {:<8}={}\n {:<8}={}\n {:<8}={}\n {:<8}={}\n", "DT",
                    fieldF(t.dt, 10, 4), "TINI", fieldF(t.tini, 10, 4), "TEND",
                    fieldF(t.tend, 10, 4), "DTMIN", fieldF(t.dtmin, 10, 4), "MAXITER",
                    fieldI(t.maxiter, 10));
  os << "\n ELEMENT PROPERTY     NODE NUMBERS\n";
  for (const PlateElement& e : m.elements) {
    os << fieldI(e.number, 8) << fieldI(e.material, 9) << "    ";
    for (int n : e.nodes) os << fieldI(n, 6);
    os << '\n';
  }
  os << "\n NODAL POINT COORDINATES\n\n    NODE           X           Y           Z\n";
  for (const PlateNode& n : m.nodes)
    os << fieldI(n.number, 8) << fieldF(n.x, 12, 4) << fieldF(n.y, 12, 4) << fieldF(n.z, 12, 4)
       << '\n';
  os << "\n MATERIAL PROPERTIES\n\n  NUMBER YOUNG MODULUS POISSON RATIO   THICKNESS\n";
  for (std::size_t i = 0; i < m.materials.size(); ++i)
    os << fieldI(static_cast<long long>(i + 1), 8) << fieldE(m.materials[i].young, 14, 5)
       << fieldE(m.materials[i].poisson, 14, 5) << fieldE(m.materials[i].thickness, 12, 4) << '\n';
  if (!m.restraints.empty()) {
    os << "\n RESTRAINED NODES   FIXED VALUES\n\n    NODE    CODE\n";
    for (const PlateRestraint& r : m.restraints) {
      os << fieldI(r.node, 8) << "  ";
      for (int code : r.codes) os << (code != 0 ? '1' : '0');
      for (double v : r.values) os << e12(v);
      os << '\n';
    }
  }
  os << "\n NODAL LOADS\n\n           Y           Z     X-FORCE     Y-FORCE     Z-FORCE   XZ-MOMENT"
        "   YZ-MOMENT    Z-MOMENT\n";
  for (const PlateLoad& l : m.loads) {
    os << e12(l.y) << e12(l.z);
    for (double v : l.forces) os << e12(v);
    os << '\n';
  }
  os << "\n NODAL STIFFNESSES\n\n           X           Y           Z       DIR-1       DIR-2"
        "       DIR-3      FLAG-1      FLAG-2      FLAG-3\n";
  for (const PlateSpring& s : m.springs) {
    os << e12(s.x) << e12(s.y) << e12(s.z);
    for (double v : s.direction) os << e12(v);
    for (double v : s.flags) os << e12(v);
    os << '\n';
  }
}

PlateStatus runPlateAnalysis(const PlateModel& m, CapSupports* supports,
                             const std::vector<std::string>* dumpLines, PlateOutputs& out,
                             PlateSolution& solution) {
  std::ostream& listing = *out.listing;
  writeModelEcho(m, listing);

  PlateCheck check;
  checkControl(m.control, check);
  if (check.check1Failed()) {
    const std::vector<std::string> lines = check1Lines(check);
    writeLines(listing, lines);
    out.messages.insert(out.messages.end(), lines.begin(), lines.end());
    dump(listing, dumpLines);
    return PlateStatus::kCheck1Failed;
  }
  // The checks of the mesh work on what was read; counts that disagree with it are refused too.
  checkMesh(m, check);
  {
    const std::vector<std::string> lines = check2Lines(check);
    writeLines(listing, lines);
    if (check.check2Failed()) {
      out.messages.insert(out.messages.end(), lines.begin() + 1, lines.end());
      dump(listing, dumpLines);
      return PlateStatus::kCheck2Failed;
    }
  }
  if (m.materials.empty()) return PlateStatus::kCheck1Failed;  // CHECK1 error 8 covers it

  const std::size_t npoin = m.nodes.size();
  const std::size_t nfree = npoin * kN;
  const std::vector<ElementCoordinates> coords = elementCoordinates(m);
  const std::vector<double> fullLoad = nodalLoads(m, coords);
  const std::vector<int> last = lastAppearances(m);

  std::vector<char> restrained(nfree, 0);
  std::vector<double> prescribedTotal(nfree, 0.0);
  for (const PlateRestraint& r : m.restraints)
    for (std::size_t d = 0; d < kN; ++d)
      if (r.codes[d] != 0) {
        restrained[static_cast<std::size_t>(r.node - 1) * kN + d] = 1;
        prescribedTotal[static_cast<std::size_t>(r.node - 1) * kN + d] = r.values[d];
      }
  // Every support is tied to the element that holds its point; one outside the plate is refused.
  solution.supportNode.clear();
  solution.supportElement.clear();
  std::vector<PointCoupling> couplings(m.springs.size());
  for (std::size_t s = 0; s < m.springs.size(); ++s) {
    const PlateSpring& sp = m.springs[s];
    solution.supportNode.push_back(nearestNode(m, sp.y, sp.z));
    if (!couplePoint(m, coords, sp.x, sp.y, sp.z, false, couplings[s])) {
      const std::string line =
          fmt::format(" PILE-SPRING RECORD{:>6} AT Y ={} Z ={} LIES OUTSIDE THE PLATE", s + 1,
                      e12(sp.y), e12(sp.z));
      listing << line << '\n';
      out.messages.push_back(line);
      return PlateStatus::kBadSupport;
    }
    solution.supportElement.push_back(m.elements[couplings[s].element].number);
  }
  if (!m.springs.empty() && supports == nullptr) return PlateStatus::kBadSupport;

  std::vector<double> u(nfree, 0.0), converged(nfree, 0.0), du, reactions, rhs(nfree),
      prescribed(nfree, 0.0);
  std::vector<char> hasStiffness(npoin, 0);
  std::vector<std::array<double, 36>> nodeStiffness(npoin);
  std::vector<std::array<double, 6>> resistance(m.springs.size()), at(m.springs.size());
  std::vector<std::array<double, 36>> tangents(m.springs.size());
  std::vector<std::vector<double>> elementExtra(m.elements.size());
  FrontalWorkspace ws;
  FrontalInput in;
  in.model = &m;
  in.coordinates = &coords;
  in.lastAppearance = &last;
  in.frontSize = check.frontSize;
  in.nodalRhs = &rhs;
  in.restrained = &restrained;
  in.prescribed = &prescribed;
  in.displacement = &u;
  in.hasNodeStiffness = &hasStiffness;
  in.nodeStiffness = &nodeStiffness;
  in.elementExtra = &elementExtra;

  // The supports' response at the displacements u: each at its point, T·u_e; its stiffness
  // Tᵀ·k·T joins its element.
  std::array<double, 6 * kElementFreedoms> kt{};
  const auto evaluateSupports = [&](const SupportRequest& request,
                                    std::string& message) -> SupportResponse {
    for (std::vector<double>& x : elementExtra) x.clear();
    if (m.springs.empty()) return SupportResponse::kGiven;
    for (std::size_t s = 0; s < m.springs.size(); ++s)
      at[s] = coupledDisplacement(m, couplings[s], u);
    const SupportResponse r = supports->respondAll(request, at, resistance, tangents, message);
    if (r != SupportResponse::kGiven || !request.tangent) return r;
    for (std::size_t s = 0; s < m.springs.size(); ++s) {
      const PointCoupling& c = couplings[s];
      std::vector<double>& extra = elementExtra[c.element];
      if (extra.empty()) extra.assign(kElementFreedoms * kElementFreedoms, 0.0);
      for (std::size_t i = 0; i < 6; ++i)  // k·T
        for (std::size_t j = 0; j < kElementFreedoms; ++j) {
          double v = 0.0;
          for (std::size_t q = 0; q < 6; ++q)
            v += tangents[s][i * 6 + q] * c.t[q * kElementFreedoms + j];
          kt[i * kElementFreedoms + j] = v;
        }
      for (std::size_t i = 0; i < kElementFreedoms; ++i)  // Tᵀ·(k·T)
        for (std::size_t q = 0; q < 6; ++q) {
          const double ti = c.t[q * kElementFreedoms + i];
          if (ti == 0.0) continue;
          double* row = extra.data() + i * kElementFreedoms;
          const double* ktq = kt.data() + q * kElementFreedoms;
          for (std::size_t j = 0; j < kElementFreedoms; ++j) row[j] += ti * ktq[j];
        }
    }
    return SupportResponse::kGiven;
  };
  // Adds −Tᵀ·resistance, the supports' forces on the plate, to a vector per freedom.
  const auto addSupportForces = [&](std::vector<double>& f) {
    for (std::size_t s = 0; s < m.springs.size(); ++s) {
      const PointCoupling& c = couplings[s];
      const PlateElement& el = m.elements[c.element];
      for (std::size_t a = 0; a < kElementNodes; ++a) {
        const std::size_t g0 = static_cast<std::size_t>(el.nodes[a] - 1) * kN;
        for (std::size_t d = 0; d < kN; ++d) {
          double v = 0.0;
          for (std::size_t q = 0; q < 6; ++q)
            v += c.t[q * kElementFreedoms + a * kN + d] * resistance[s][q];
          f[g0 + d] -= v;
        }
      }
    }
  };

  const PlateStepping& t = m.stepping;
  const double span = t.tend - t.tini;
  // An increment of zero or less (or one the card rounds to zero) applies the load in one step.
  double dt = t.dt > 0.0 ? t.dt : span;
  double tcur = t.tini;
  int step = 0;
  PlateStatus status = PlateStatus::kCompleted;
  bool pivotFailure = false;  // the last attempt of a step met a zero or negative pivot
  const double endTolerance = 1.0e-12 * std::max(1.0, std::abs(t.tend));
  while (tcur < t.tend - endTolerance) {
    const double tnew = std::min(tcur + dt, t.tend);
    const double lambda = span > 0.0 ? (tnew - t.tini) / span : 1.0;
    out.messages.push_back(fmt::format(" STEP{:>6}   TCUR   ={}   DT ={}", step + 1,
                                       fieldE(tnew, 12, 4), fieldE(tnew - tcur, 12, 4)));
    const double loadNorm = lambda * norm(fullLoad);
    bool done = false;
    bool retry = false;  // a support could not find its state: a smaller step
    pivotFailure = false;
    int iterations = 0;
    for (int iter = 1; iter <= t.maxiter; ++iter) {
      std::string message;
      const SupportResponse response =
          evaluateSupports(SupportRequest{step + 1, lambda, iter, true}, message);
      if (response == SupportResponse::kFailed) {
        out.messages.push_back(" " + message);
        listing << ' ' << message << '\n';
        return PlateStatus::kSupportFailed;
      }
      if (response == SupportResponse::kNotConverged) {
        retry = true;
        break;
      }
      for (std::size_t g = 0; g < nfree; ++g) {
        rhs[g] = lambda * fullLoad[g];
        prescribed[g] = restrained[g] ? lambda * prescribedTotal[g] - u[g] : 0.0;
      }
      addSupportForces(rhs);
      const FrontalOutcome o = solveFrontal(in, ws, du, reactions);
      if (o.kind == FrontalOutcome::Kind::kNonPositiveJacobian) {
        const std::vector<std::string> lines = {" PROGRAM HALTED IN SUBROUTINE JACOB2",
                                                " ZERO OR NEGATIVE AREA",
                                                fmt::format(" ELEMENT NUMBER{:>8}", o.element)};
        writeLines(listing, lines);
        out.messages.insert(out.messages.end(), lines.begin(), lines.end());
        return PlateStatus::kNonPositiveJacobian;
      }
      if (o.kind == FrontalOutcome::Kind::kFrontTooSmall) {  // CHECK2 sizes the front first
        const std::string line = " *** DIAGNOSIS BY CHECK2, ERROR   21";
        listing << line << '\n';
        out.messages.push_back(line);
        return PlateStatus::kCheck2Failed;
      }
      if (o.kind != FrontalOutcome::Kind::kSolved) {
        const std::string line =
            fmt::format(" NEGATIVE OR ZERO PIVOT ENCOUNTERED FOR VARIABLE NO.{:>8} OF VALUE{}",
                        o.freedom, fieldE(o.pivot, 14, 6));
        listing << line << '\n';
        out.messages.push_back(line);
        // As with a step that does not converge, a smaller step may pass where the tangent of a
        // softening support left the system without a positive pivot.
        pivotFailure = true;
        break;
      }
      double residual = 0.0;
      for (std::size_t g = 0; g < nfree; ++g)
        if (!restrained[g]) residual += ws.residual[g] * ws.residual[g];
      residual = std::sqrt(residual);
      for (std::size_t g = 0; g < nfree; ++g) u[g] += du[g];
      const double dsdis = norm(du);
      double tsdis = 0.0, asdis = 0.0;
      for (std::size_t g = 0; g < nfree; ++g) {
        tsdis += (u[g] - converged[g]) * (u[g] - converged[g]);
        asdis += converged[g] * converged[g];
      }
      tsdis = std::sqrt(tsdis);
      asdis = std::sqrt(asdis);
      double err1 = asdis + tsdis > 0.0 ? dsdis / (asdis + tsdis) : 0.0;
      double err2 = loadNorm > 0.0 ? residual / loadNorm : residual;
      if (err1 < kNegligibleError) err1 = 0.0;
      if (err2 < kNegligibleError) err2 = 0.0;
      out.messages.push_back(fmt::format(" DSDIS ={}   TSDIS ={}   ASDIS + TSDIS ={}",
                                         fieldE(dsdis, 12, 4), fieldE(tsdis, 12, 4),
                                         fieldE(asdis + tsdis, 12, 4)));
      out.messages.push_back(fmt::format(" ITER ={:>5}   ERR1 ={}   ERR2 ={}", iter,
                                         fieldE(err1, 12, 4), fieldE(err2, 12, 4)));
      if (err1 <= t.tolerance && err2 <= t.tolerance) {
        done = true;
        iterations = iter;
        break;
      }
    }
    // The supports' forces at the converged displacements.
    if (done) {
      std::string message;
      const SupportResponse response =
          evaluateSupports(SupportRequest{step + 1, lambda, 0, false}, message);
      if (response == SupportResponse::kFailed) {
        out.messages.push_back(" " + message);
        listing << ' ' << message << '\n';
        return PlateStatus::kSupportFailed;
      }
      if (response == SupportResponse::kNotConverged) retry = true;
    }
    if (!done || retry) {
      u = converged;
      dt *= 0.5;
      // A minimum of zero (or one the card rounds to zero) still ends the halving.
      if (dt < t.dtmin || dt < kSmallestIncrement * std::max(1.0, span)) {
        const std::string line = " error, REQUIRED INCREMENT LESS THAN MINIMUM SPECIFIED";
        out.messages.push_back(line);
        listing << line << '\n';
        status = pivotFailure ? PlateStatus::kZeroPivot : PlateStatus::kMinimumIncrement;
        break;
      }
      continue;
    }
    tcur = tnew;
    converged = u;
    ++step;

    // Results of the converged step: the supports' forces, the reactions and the stress
    // resultants.
    solution.step = step;
    solution.time = tcur;
    solution.iterations = iterations;
    solution.displacement = u;
    solution.reactions = reactions;
    solution.supportForces = resistance;
    solution.supportDisplacement = at;
    addSupportForces(solution.reactions);
    solution.gauss.assign(m.elements.size(), ElementResultants{});
    solution.nodal.assign(npoin, std::array<double, kStressResultants>{});
    std::vector<int> shares(npoin, 0);
    for (std::size_t e = 0; e < m.elements.size(); ++e) {
      std::array<double, kElementFreedoms> ue{};
      for (std::size_t a = 0; a < kElementNodes; ++a)
        for (std::size_t d = 0; d < kN; ++d)
          ue[a * kN + d] = u[static_cast<std::size_t>(m.elements[e].nodes[a] - 1) * kN + d];
      if (!elementResultants(coords[e],
                             m.materials[static_cast<std::size_t>(m.elements[e].material - 1)], ue,
                             solution.gauss[e]))
        return PlateStatus::kNonPositiveJacobian;  // already refused by the assembly
      const auto nodal = nodalResultants(solution.gauss[e]);
      for (std::size_t a = 0; a < kElementNodes; ++a) {
        const std::size_t n = static_cast<std::size_t>(m.elements[e].nodes[a] - 1);
        ++shares[n];
        for (std::size_t v = 0; v < kStressResultants; ++v) solution.nodal[n][v] += nodal[a][v];
      }
    }
    for (std::size_t n = 0; n < npoin; ++n)
      if (shares[n] > 1)
        for (double& v : solution.nodal[n]) v /= shares[n];
    writeStepListings(m, solution, listing);
    if (out.steps != nullptr) writeStepBlock(m, solution, *out.steps);
  }
  return status;
}

}  // namespace stilt::cap
