#include "analysis/mesh_convergence.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "report/cells.hpp"

namespace stilt {
namespace {

// The largest resultant bending moment along a pile (0 without the arrays along it).
double largestMoment(const PileRecord& pile) {
  if (pile.along == nullptr) return 0.0;
  const PileResults& r = *pile.along;
  const RealNodeArray& m = r.values[quantity::kMomentYZ];
  double largest = 0.0;
  for (int k = 0; k <= r.increments && static_cast<std::size_t>(k) < m.size(); ++k) {
    largest = std::max(largest, std::fabs(m[static_cast<std::size_t>(k)]));
  }
  return largest;
}

const MeshSnapshot::Item* findItem(const MeshSnapshot& s, const ItemHeader& h) {
  for (const MeshSnapshot::Item& i : s.items) {
    if (i.header.kind == h.kind && i.header.number == h.number) return &i;
  }
  return nullptr;
}

const MeshSnapshot::Pile* findPile(const MeshSnapshot::Item& item, int number) {
  // Piles arrive in order; the index is the usual place.
  const std::size_t guess = static_cast<std::size_t>(std::max(number - 1, 0));
  if (guess < item.piles.size() && item.piles[guess].number == number) return &item.piles[guess];
  for (const MeshSnapshot::Pile& p : item.piles) {
    if (p.number == number) return &p;
  }
  return nullptr;
}

// Relative difference of a and b on the scale of their kind.
double relative(double a, double b, double own, double kindLargest) {
  const double scale = std::max(std::fabs(own), kMeshScaleFloor * kindLargest);
  return scale > 0.0 ? std::fabs(a - b) / scale : 0.0;
}

// Fills the extrapolated value of `v` (values coarsest first).
void extrapolate(MeshValue& v) {
  const std::size_t n = v.values.size();
  const double fine = v.values[n - 1];
  const double coarse = v.values[n - 2];
  v.extrapolated = (4.0 * fine - coarse) / 3.0;
}

// Change and K = 1 error of `v` on the scale of its kind; widens the item's largest values.
void measure(MeshValue& v, double kindLargest, MeshItemRecord& item) {
  const std::size_t n = v.values.size();
  v.change = relative(v.values[n - 1], v.values[n - 2], v.extrapolated, kindLargest);
  v.coarseError = relative(v.values[0], v.extrapolated, v.extrapolated, kindLargest);
  item.largestChange = std::max(item.largestChange, v.change);
  item.largestCoarseError = std::max(item.largestCoarseError, v.coarseError);
}

// The components a run has: X, Y and RZ in the plane, all six in space.
std::vector<std::size_t> componentsOf(bool planar) {
  if (planar) return {0, 1, 5};
  return {0, 1, 2, 3, 4, 5};
}

std::string percent(double fraction) {
  return fmt::format("{:.2f} %", 100.0 * fraction);
}

}  // namespace

void MeshSnapshotSink::runBegin(const RunBeginRecord& run) {
  if (next_ != nullptr) next_->runBegin(run);
}

void MeshSnapshotSink::itemBegin(const ItemHeader& item) {
  current_ = MeshSnapshot::Item{};
  current_.header = item;
  if (next_ != nullptr) next_->itemBegin(item);
}

void MeshSnapshotSink::pile(const PileRecord& pile) {
  current_.piles.push_back({pile.number, pile.headForceLocal, largestMoment(pile)});
  if (next_ != nullptr) next_->pile(pile);
}

void MeshSnapshotSink::itemEnd(const ItemEndRecord& item) {
  current_.header = item.header;
  current_.hasResults = item.analysed && item.hasResults;
  current_.capDisplacement = item.capDisplacement;
  if (!current_.hasResults) current_.piles.clear();
  into_.items.push_back(std::move(current_));
  current_ = MeshSnapshot::Item{};
  if (next_ != nullptr) next_->itemEnd(item);
}

void MeshSnapshotSink::runEnd(const RunEndRecord& run) {
  if (next_ != nullptr) next_->runEnd(run);
}

void MeshSnapshotSink::envelope(const EnvelopeRecord& e) {
  if (next_ != nullptr) next_->envelope(e);
}

void MeshSnapshotSink::printedCurve(const PrintedCurveResult& curve) {
  if (next_ != nullptr) next_->printedCurve(curve);
}

double largestMeshChange(const MeshSnapshot& coarse, const MeshSnapshot& fine) {
  const MeshConvergenceRecord r = compareMeshes({coarse, fine});
  return r.largestChange;
}

MeshConvergenceRecord compareMeshes(const std::vector<MeshSnapshot>& runs) {
  MeshConvergenceRecord out;
  if (runs.size() < 2) return out;
  for (const MeshSnapshot& s : runs) out.factors.push_back(s.refine);
  out.finalFactor = runs.back().refine;
  out.planar = runs.back().planar;
  const std::size_t meshes = runs.size();
  for (const MeshSnapshot::Item& last : runs.back().items) {
    MeshItemRecord item;
    item.header = last.header;
    std::vector<const MeshSnapshot::Item*> each;
    for (const MeshSnapshot& s : runs) {
      const MeshSnapshot::Item* i = findItem(s, last.header);
      if (i == nullptr || !i->hasResults) break;
      each.push_back(i);
    }
    item.compared = each.size() == meshes;
    if (!item.compared) {
      out.items.push_back(std::move(item));
      continue;
    }
    // Values over the meshes, then the scales of their kinds, then the measures.
    for (std::size_t c = 0; c < 6; ++c) {
      MeshValue& v = item.capDisplacement[c];
      for (const MeshSnapshot::Item* i : each) v.values.push_back(i->capDisplacement[c]);
      extrapolate(v);
    }
    for (const MeshSnapshot::Pile& pile : last.piles) {
      MeshPileRecord p;
      p.number = pile.number;
      bool complete = true;
      std::vector<const MeshSnapshot::Pile*> of;
      for (const MeshSnapshot::Item* i : each) {
        const MeshSnapshot::Pile* q = findPile(*i, pile.number);
        if (q == nullptr) {
          complete = false;
          break;
        }
        of.push_back(q);
      }
      if (!complete) continue;
      for (std::size_t c = 0; c < 6; ++c) {
        for (const MeshSnapshot::Pile* q : of)
          p.headForce[c].values.push_back(q->headForceLocal[c]);
        extrapolate(p.headForce[c]);
      }
      for (const MeshSnapshot::Pile* q : of) p.maxMoment.values.push_back(q->maxMoment);
      extrapolate(p.maxMoment);
      item.piles.push_back(std::move(p));
    }
    double translations = 0.0, rotations = 0.0, forces = 0.0, moments = 0.0;
    for (std::size_t c = 0; c < 6; ++c) {
      double& kind = c < 3 ? translations : rotations;
      kind = std::max(kind, std::fabs(item.capDisplacement[c].extrapolated));
    }
    for (const MeshPileRecord& p : item.piles) {
      for (std::size_t c = 0; c < 6; ++c) {
        double& kind = c < 3 ? forces : moments;
        kind = std::max(kind, std::fabs(p.headForce[c].extrapolated));
      }
      moments = std::max(moments, std::fabs(p.maxMoment.extrapolated));
    }
    for (std::size_t c : componentsOf(out.planar)) {
      measure(item.capDisplacement[c], c < 3 ? translations : rotations, item);
    }
    for (MeshPileRecord& p : item.piles) {
      for (std::size_t c : componentsOf(out.planar)) {
        measure(p.headForce[c], c < 3 ? forces : moments, item);
      }
      measure(p.maxMoment, moments, item);
    }
    out.largestChange = std::max(out.largestChange, item.largestChange);
    out.largestCoarseError = std::max(out.largestCoarseError, item.largestCoarseError);
    out.items.push_back(std::move(item));
  }
  return out;
}

std::string meshConvergenceSentence(const MeshConvergenceRecord& r) {
  std::string factors;
  for (std::size_t k = 0; k < r.factors.size(); ++k) {
    factors += (k == 0 ? "" : ", ") + std::to_string(r.factors[k]);
  }
  const std::string head =
      fmt::format("mesh convergence: K = {}; largest change {} between the two finest; ", factors,
                  percent(r.largestChange));
  if (r.coarseOff()) {
    return head + fmt::format(
                      "the unrefined mesh (K = 1) is {} from the extrapolated answer, more "
                      "than {:.0f} %: use the refined results (K = {})",
                      percent(r.largestCoarseError), 100.0 * r.coarseLimit, r.finalFactor);
  }
  return head + fmt::format("the unrefined mesh (K = 1) is within {} of the extrapolated answer",
                            percent(r.largestCoarseError));
}

namespace {

constexpr int kLabelWidth = 22;
constexpr std::array<const char*, 6> kCapLabels = {"CAP DISP. X", "CAP DISP. Y", "CAP DISP. Z",
                                                   "CAP ROT. X",  "CAP ROT. Y",  "CAP ROT. Z"};
constexpr std::array<const char*, 6> kHeadLabels = {"AXIAL",   "SHEAR y",  "SHEAR z",
                                                    "TORSION", "MOMENT y", "MOMENT z"};

void valueRow(TextFile& f, const std::string& label, const MeshValue& v, std::size_t meshes) {
  writeText(f, fmt::format("     {:<{}}", label, kLabelWidth));
  for (std::size_t k = 0; k < meshes; ++k) {
    writeRealCell(f, 13, 5, k < v.values.size() ? v.values[k] : 0.0);
  }
  writeRealCell(f, 13, 5, v.extrapolated);
  writeRealCell(f, 10, 3, 100.0 * v.change);
  writeRealCell(f, 10, 3, 100.0 * v.coarseError);
  endLine(f);
}

// For the value of the item that changed most between the two finest meshes: the change between
// the two coarsest over that between the two finest. A scheme of order p gives 2^p per halving of
// h: 4 for the second order of smooth ground, nearer 2 where the soil modulus jumps at a node
// (a layer boundary, or ground that resists from the surface on).
double successiveChangeRatio(const MeshItemRecord& item, const std::vector<std::size_t>& comps) {
  const MeshValue* most = nullptr;
  const auto consider = [&most](const MeshValue& v) {
    if (v.values.size() >= 3 && (most == nullptr || v.change > most->change)) most = &v;
  };
  for (std::size_t c : comps) consider(item.capDisplacement[c]);
  for (const MeshPileRecord& p : item.piles) {
    for (std::size_t c : comps) consider(p.headForce[c]);
    consider(p.maxMoment);
  }
  if (most == nullptr) return 0.0;
  const std::size_t n = most->values.size();
  const double fine = most->values[n - 1] - most->values[n - 2];
  const double coarse = most->values[n - 2] - most->values[n - 3];
  return fine != 0.0 ? std::fabs(coarse / fine) : 0.0;
}

}  // namespace

void writeMeshConvergence(TextFile& f, const MeshConvergenceRecord& r) {
  const std::size_t meshes = r.factors.size();
  for (int i = 0; i < 4; ++i) f.line();
  f.line(std::string(17, ' ') + "*****     MESH CONVERGENCE OF THE PILES     *****");
  f.line();
  std::string factors;
  for (int k : r.factors) factors += fmt::format("{:4d}", k);
  f.line("     MESH REFINEMENT FACTORS K ANALYSED    :" + factors);
  f.line(fmt::format("     FILES AND RESULTS ARE THOSE OF K      :{:4d}", r.finalFactor));
  f.line("     EXTRAPOLATED = (4 x F(h/2) - F(h)) / 3 FROM THE TWO FINEST MESHES (RICHARDSON)");
  f.line("     CHANGE % BETWEEN THE TWO FINEST; K=1 OFF %: K = 1 AGAINST THE EXTRAPOLATED VALUE");
  f.line("     HEAD FORCES IN PILE AXES; MAX. MOMENT: LARGEST BENDING MOMENT ALONG THE PILE");
  const std::vector<std::size_t> components = componentsOf(r.planar);
  for (const MeshItemRecord& item : r.items) {
    f.line();
    f.line(fmt::format("     {}{:5d}",
                       item.header.kind == ItemKind::kCase ? "LOAD CASE : " : "LOAD COMB. : ",
                       item.header.number));
    if (!item.compared) {
      f.line("     NOT COMPARED: THE ITEM HAS NO RESULTS ON EVERY MESH");
      continue;
    }
    writeText(f, fmt::format("     {:<{}}", "VALUE", kLabelWidth));
    for (int k : r.factors) writeText(f, fmt::format("{:>13}", fmt::format("K = {}", k)));
    writeText(f, fmt::format("{:>13}{:>10}{:>10}", "EXTRAPOLATED", "CHANGE %", "K=1 OFF %"));
    endLine(f);
    for (std::size_t c : components) valueRow(f, kCapLabels[c], item.capDisplacement[c], meshes);
    for (const MeshPileRecord& p : item.piles) {
      for (std::size_t c : components) {
        valueRow(f, fmt::format("PILE{:5d} {}", p.number, kHeadLabels[c]), p.headForce[c], meshes);
      }
      valueRow(f, fmt::format("PILE{:5d} MAX. MOMENT", p.number), p.maxMoment, meshes);
    }
    f.line(fmt::format("     LARGEST CHANGE{:9.3f} %   K = 1 OFF BY UP TO{:9.3f} %",
                       100.0 * item.largestChange, 100.0 * item.largestCoarseError));
    if (meshes >= 3) {
      const double ratio = successiveChangeRatio(item, components);
      if (ratio > 0.0) {
        f.line(fmt::format(
            "     RATIO OF SUCCESSIVE CHANGES OF THAT VALUE{:8.2f} (4: SECOND ORDER, 2: "
            "FIRST ORDER)",
            ratio));
        if (ratio < 3.0) {
          f.line("     ** NOTE **  CONVERGENCE SLOWER THAN SECOND ORDER: THE EXTRAPOLATED VALUES");
          f.line("     UNDERSTATE THE REMAINING CHANGE");
        }
      }
    }
  }
  f.line();
  if (r.coarseOff()) {
    f.line(fmt::format("     ** WARNING **  THE UNREFINED MESH (K = 1) IS{:8.2f} % FROM THE",
                       100.0 * r.largestCoarseError));
    f.line(fmt::format(
        "     EXTRAPOLATED ANSWER, MORE THAN {:.0f} %: USE THE REFINED RESULTS (K ={:3d})",
        100.0 * r.coarseLimit, r.finalFactor));
  } else {
    f.line(
        fmt::format("     THE UNREFINED MESH (K = 1) IS WITHIN{:8.2f} % OF THE EXTRAPOLATED ANSWER",
                    100.0 * r.largestCoarseError));
  }
}

}  // namespace stilt
