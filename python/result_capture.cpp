#include "python/result_capture.hpp"

#include <algorithm>
#include <new>

namespace stilt::python {

namespace {

// Sink callbacks must not throw into the engine: a capture that runs out of memory marks itself
// failed and the binding reports it once the run is over.
template <class Body>
void guarded(bool& failed, Body&& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    failed = true;
  }
}

}  // namespace

void ResultCapture::runBegin(const RunBeginRecord& run) {
  guarded(failed, [&] {
    title = run.title;
    analysisType = run.analysisType;
    unitsCode = run.unitsCode;
    planar = run.planar;
    inputRead = run.inputRead;
    rows = run.piles;
    refine = run.refine;
  });
}

void ResultCapture::itemBegin(const ItemHeader& item) {
  guarded(failed, [&] {
    CapturedItem& c = items.emplace_back();
    c.combination = item.kind == ItemKind::kCombination;
    c.number = item.number;
    c.name = item.name;
  });
}

void ResultCapture::pile(const PileRecord& p) {
  if (items.empty()) return;
  guarded(failed, [&] {
    CapturedPile& c = items.back().piles.emplace_back();
    c.number = p.number;
    const std::array<const Vector6*, 4> heads = {&p.headDisplacementGlobal, &p.headForceGlobal,
                                                 &p.headDisplacementLocal, &p.headForceLocal};
    for (std::size_t v = 0; v < heads.size(); ++v) {
      std::copy(heads[v]->begin(), heads[v]->end(), c.head.begin() + static_cast<long>(6 * v));
    }
    c.maxStress = p.maxStress;
    c.headDepth = p.headDepth;
    for (std::size_t q = 0; q < c.computed.size(); ++q) c.computed[q] = p.computed[q + 1];
    if (p.along != nullptr) {
      const PileResults& r = *p.along;
      c.nodes = r.increments + 1;
      c.increment = r.increment;
      c.along.resize(static_cast<std::size_t>(c.nodes) * kResultQuantities);
      for (int m = 0; m < c.nodes; ++m) {
        for (int q = 1; q <= kResultQuantities; ++q) {
          c.along[static_cast<std::size_t>(m * kResultQuantities + q - 1)] = r.at(q, m);
        }
      }
    }
  });
}

void ResultCapture::itemEnd(const ItemEndRecord& e) {
  if (items.empty()) return;
  CapturedItem& c = items.back();
  guarded(failed, [&] {
    c.ended = true;
    c.analysed = e.analysed;
    c.resultCode = e.resultCode;
    c.resultText = e.resultText;
    c.hasResults = e.hasResults;
    c.convergedFraction = e.convergedFraction;
    c.iterations = e.iterations;
    c.capLoad = e.capLoad;
    c.capDisplacement = e.capDisplacement;
    c.passiveForce = e.passiveForce;
  });
}

void ResultCapture::meshConvergence(const MeshConvergenceRecord& record) {
  guarded(failed, [&] { mesh = record; });
}

void ResultCapture::runEnd(const RunEndRecord& run) {
  status = static_cast<int>(run.status);
  guarded(failed, [&] { message = run.message; });
}

void ResultCapture::printedCurve(const PrintedCurveResult& r) {
  guarded(failed, [&] {
    CapturedCurve& c = curves.emplace_back();
    c.number = r.number;
    c.pile = r.pileGroup;
    c.depth = r.depth;
    c.generated = r.generated;
    c.soilCode = r.soilCode;
    c.y = r.curve.y;
    c.p = r.curve.p;
    c.message = r.message;
  });
}

}  // namespace stilt::python
