#include "cap/plate_checks.hpp"

#include <fmt/format.h>
#include <algorithm>
#include <utility>

namespace stilt::cap {

bool PlateCheck::check1Failed() const {
  return std::any_of(errors.begin() + 1, errors.begin() + 13, [](int e) { return e != 0; });
}
bool PlateCheck::check2Failed() const {
  return std::any_of(errors.begin() + 13, errors.end(), [](int e) { return e != 0; });
}

void checkControl(const PlateControl& c, PlateCheck& out) {
  std::array<int, 25>& e = out.errors;
  e[1] = c.npoin < 1;
  e[2] = static_cast<long long>(c.nnode) * c.nelem < c.npoin;
  e[3] = c.nvfix < 0 || c.nvfix > c.npoin;
  e[4] = c.ncase < 1;
  e[5] = c.ntype < 0 || c.ntype > 2;
  e[6] = c.nnode < 3 || c.nnode > 9;
  e[7] = c.ndofn < 2 || c.ndofn > 6;
  e[8] = c.nmats < 1 || c.nmats > c.nelem;
  e[9] = c.nprop < 3 || c.nprop > 5;
  e[10] = c.ngaus < 1 || c.ngaus > 3;
  e[11] = c.ndime < 1 || c.ndime > 3;
  e[12] = c.nstre < 2 || c.nstre > 8;
}

std::vector<int> lastAppearances(const PlateModel& m) {
  std::vector<int> last(m.nodes.size(), -1);
  for (std::size_t e = 0; e < m.elements.size(); ++e)
    for (int n : m.elements[e].nodes)
      if (n >= 1 && static_cast<std::size_t>(n) <= last.size())
        last[static_cast<std::size_t>(n - 1)] = static_cast<int>(e);
  return last;
}

void checkMesh(const PlateModel& m, PlateCheck& out) {
  std::array<int, 25>& e = out.errors;
  const int npoin = static_cast<int>(m.nodes.size());

  // 13: pairs of nodes at the same point of the plate.
  std::vector<std::pair<double, double>> points;
  points.reserve(m.nodes.size());
  for (const PlateNode& n : m.nodes) points.emplace_back(n.y, n.z);
  std::sort(points.begin(), points.end());
  for (std::size_t i = 0; i < points.size();) {
    std::size_t j = i + 1;
    while (j < points.size() && points[j] == points[i]) ++j;
    const long long run = static_cast<long long>(j - i);
    e[13] += static_cast<int>(run * (run - 1) / 2);
    i = j;
  }

  // 14 to 17: materials and connectivity (a material must also have been given).
  const int nmats = std::min(m.control.nmats, static_cast<int>(m.materials.size()));
  std::vector<char> appears(m.nodes.size(), 0);
  for (const PlateElement& el : m.elements) {
    if (el.material < 1 || el.material > nmats) ++e[14];
    for (std::size_t a = 0; a < el.nodes.size(); ++a) {
      const int n = el.nodes[a];
      if (n == 0) ++e[15];
      if (n < 0 || n > npoin) {
        ++e[16];
        continue;
      }
      if (n >= 1) appears[static_cast<std::size_t>(n - 1)] = 1;
      for (std::size_t b = 0; b < a; ++b)
        if (n != 0 && el.nodes[b] == n) ++e[17];
    }
  }

  // 18 to 20: nodes that belong to no element.
  std::vector<char> restrained(m.nodes.size(), 0);
  for (const PlateRestraint& r : m.restraints)
    if (r.node >= 1 && r.node <= npoin) restrained[static_cast<std::size_t>(r.node - 1)] = 1;
  out.orphanNodes.clear();
  for (int n = 1; n <= npoin; ++n) {
    const std::size_t i = static_cast<std::size_t>(n - 1);
    if (appears[i]) continue;
    ++e[18];
    out.orphanNodes.push_back(n);
    if (m.nodes[i].y != 0.0 || m.nodes[i].z != 0.0) ++e[19];
    if (restrained[i]) ++e[20];
  }

  // The front: a node joins it with the first element that contains it and leaves it after the
  // last one.
  const std::vector<int> last = lastAppearances(m);
  std::vector<char> active(m.nodes.size(), 0);
  int activeNodes = 0;
  out.maxFront = 0;
  for (std::size_t el = 0; el < m.elements.size(); ++el) {
    for (int n : m.elements[el].nodes) {
      if (n < 1 || n > npoin || active[static_cast<std::size_t>(n - 1)]) continue;
      active[static_cast<std::size_t>(n - 1)] = 1;
      ++activeNodes;
    }
    out.maxFront = std::max(out.maxFront, activeNodes * m.control.ndofn);
    for (int n : m.elements[el].nodes) {
      if (n < 1 || n > npoin) continue;
      const std::size_t i = static_cast<std::size_t>(n - 1);
      if (active[i] == 1 && last[i] == static_cast<int>(el)) {
        active[i] = 2;  // eliminated
        --activeNodes;
      }
    }
  }
  out.frontSize = std::max(kMinimumFrontSize, out.maxFront + 1);
  if (out.maxFront > out.frontSize) ++e[21];  // cannot happen: the front size is raised first

  // 22 to 24: the restraints.
  std::vector<int> seen(m.nodes.size(), 0);
  for (const PlateRestraint& r : m.restraints) {
    if (r.node < 1 || r.node > npoin) {
      ++e[22];
      continue;
    }
    if (std::none_of(r.codes.begin(), r.codes.end(), [](int c) { return c != 0; })) ++e[23];
    if (seen[static_cast<std::size_t>(r.node - 1)]++ >= 1) ++e[24];
  }
}

std::vector<std::string> check1Lines(const PlateCheck& c) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 12; ++i)
    if (c.errors[static_cast<std::size_t>(i)] != 0)
      lines.push_back(fmt::format(" *** DIAGNOSIS BY CHECK1, ERROR{:>5}", i));
  return lines;
}

std::vector<std::string> check2Lines(const PlateCheck& c) {
  std::vector<std::string> lines;
  lines.push_back(fmt::format(" MAXIMUM FRONTWIDTH ENCOUNTERED ={:>8}", c.maxFront));
  for (int n : c.orphanNodes) lines.push_back(fmt::format(" CHECK WHY NODE{:>8} NEVER APPEARS", n));
  for (int i = 13; i <= 24; ++i) {
    const int count = c.errors[static_cast<std::size_t>(i)];
    if (count != 0)
      lines.push_back(
          fmt::format(" *** DIAGNOSIS BY CHECK2, ERROR{:>5}    ASSOCIATED NUMBER{:>8}", i, count));
  }
  return lines;
}

}  // namespace stilt::cap
