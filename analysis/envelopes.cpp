#include "analysis/envelopes.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "analysis/cap_solver.hpp"

namespace stilt {
namespace {

constexpr const char* kIndent = "     ";
constexpr std::size_t kQuantities = static_cast<std::size_t>(kResultQuantities);

void widen(Vector6& lo, Vector6& hi, const Vector6& v, bool first) {
  for (std::size_t k = 0; k < 6; ++k) {
    lo[k] = first ? v[k] : std::min(lo[k], v[k]);
    hi[k] = first ? v[k] : std::max(hi[k], v[k]);
  }
}

const EnvelopeSettings& settingsOf(const AnalysisModel& m, bool combinations) {
  return combinations ? m.combinationEnvelope : m.caseEnvelope;
}

}  // namespace

void EnvelopeStore::clear(int piles) {
  analysed_ = 0;
  capLoad_ = {};
  capDisplacement_ = {};
  computed_ = {};
  stagedCount_ = 0;
  piles_.assign(static_cast<std::size_t>(std::max(piles, 0)), PileEnvelope{});
  for (std::size_t i = 0; i < piles_.size(); ++i) {
    piles_[i].number = static_cast<int>(i) + 1;
    // A pile no counted item reaches keeps a head node of zeros, which its bounds print.
    for (PileResults& bound : piles_[i].along) bound.resize(0);
  }
  staged_.reserve(piles_.size());
}

void EnvelopeStore::stage(const PileRecord& pile) {
  if (pile.along == nullptr || pile.number < 1) return;
  if (stagedCount_ == staged_.size()) staged_.emplace_back();
  Staged& s = staged_[stagedCount_++];
  s.record = pile;
  s.record.along = nullptr;
  // Only the nodes of the pile: the rest of the arrays is never read.
  const PileResults& from = *pile.along;
  s.along.increments = from.increments;
  s.along.increment = from.increment;
  const std::size_t nodes = static_cast<std::size_t>(from.increments + 1);
  for (std::size_t q = 1; q <= kQuantities; ++q) {
    s.along.values[q].reserveAtLeast(nodes);
    std::copy_n(from.values[q].begin(), std::min(nodes, from.values[q].size()),
                s.along.values[q].begin());
  }
}

void EnvelopeStore::endItem(const ItemEndRecord& item) {
  const std::size_t count = stagedCount_;
  stagedCount_ = 0;
  if (!item.analysed || !item.hasResults) return;
  const bool first = analysed_ == 0;
  ++analysed_;
  widen(capLoad_[kMinimum], capLoad_[kMaximum], item.capLoad, first);
  widen(capDisplacement_[kMinimum], capDisplacement_[kMaximum], item.capDisplacement, first);
  for (std::size_t i = 0; i < count; ++i) {
    const Staged& s = staged_[i];
    const PileRecord& r = s.record;
    const std::size_t index = static_cast<std::size_t>(r.number - 1);
    if (index >= piles_.size()) {
      const std::size_t from = piles_.size();
      piles_.resize(index + 1);
      for (std::size_t k = from; k < piles_.size(); ++k) {
        piles_[k].number = static_cast<int>(k) + 1;
        for (PileResults& bound : piles_[k].along) bound.resize(0);
      }
    }
    PileEnvelope& e = piles_[index];
    const bool set = !e.set;
    e.set = true;
    e.headDepth = r.headDepth;
    HeadBounds& lo = e.head[kMinimum];
    HeadBounds& hi = e.head[kMaximum];
    widen(lo.displacementGlobal, hi.displacementGlobal, r.headDisplacementGlobal, set);
    widen(lo.forceGlobal, hi.forceGlobal, r.headForceGlobal, set);
    widen(lo.displacementLocal, hi.displacementLocal, r.headDisplacementLocal, set);
    widen(lo.forceLocal, hi.forceLocal, r.headForceLocal, set);
    lo.stress = set ? r.maxStress : std::min(lo.stress, r.maxStress);
    hi.stress = set ? r.maxStress : std::max(hi.stress, r.maxStress);
    for (std::size_t q = 1; q <= kQuantities; ++q) computed_[q] = computed_[q] || r.computed[q];

    // Node by node. The nodes of a pile are the same in every item; should an item reach further,
    // its extra nodes set their bounds.
    PileResults& amin = e.along[kMinimum];
    PileResults& amax = e.along[kMaximum];
    const int known = set ? -1 : amin.increments;
    const int n = s.along.increments;
    if (n > amin.increments || set) {
      amin.increments = amax.increments = set ? n : std::max(n, amin.increments);
      amin.increment = amax.increment = s.along.increment;
    }
    for (std::size_t q = 1; q <= kQuantities; ++q) {
      amin.values[q].reserveAtLeast(realNodeCount(amin.increments));
      amax.values[q].reserveAtLeast(realNodeCount(amax.increments));
      const double* v = s.along.values[q].data();
      double* a = amin.values[q].data();
      double* b = amax.values[q].data();
      for (int m = 0; m <= n; ++m) {
        const std::size_t j = static_cast<std::size_t>(m);
        if (m > known) {
          a[j] = b[j] = v[j];
        } else {
          a[j] = std::min(a[j], v[j]);
          b[j] = std::max(b[j], v[j]);
        }
      }
    }
  }
}

EnvelopeColumns envelopeColumns(const AnalysisModel& model, const EnvelopeStore& store,
                                bool combinations) {
  const EnvelopeSettings& s = settingsOf(model, combinations);
  QuantitySelection own{}, all{};
  for (std::size_t q = 1; q <= kQuantities; ++q) {
    own[q] = s.flags[q] != 0;
    all[q] = true;
  }
  EnvelopeColumns c;
  if (store.analysedItems() == 0) {
    c.listing = reduceSelection(all, model.is2d(), false, true, combinations);
  } else {
    c.listing = store.computed();
    c.listing[0] = false;
  }
  for (std::size_t q = 1; q <= kQuantities; ++q) c.printed[q] = own[q] && c.listing[q];
  return c;
}

void printEnvelope(const AnalysisModel& model, FileSet& files, const EnvelopeStore& store,
                   bool combinations, EnvelopeBound bound, int refine) {
  const EnvelopeSettings& settings = settingsOf(model, combinations);
  const int digit = bound == kMinimum ? 1 : 2;
  const char* name = bound == kMinimum ? "MINIMUM ENVELOPE" : "MAXIMUM ENVELOPE";
  const std::string label =
      fmt::format("{}{:5d}", combinations ? "LOAD COMB. ENV : " : "LOAD CASE ENV : ", digit);

  // Headings.
  for (Channel c : {Channel::kReport, Channel::kSummary}) {
    TextFile& f = files[c];
    for (int k = 0; k < 3; ++k) f.line();
    f.line(kIndent + label);
    f.line(fmt::format("{}{}{}", kIndent,
                       combinations ? "COMB. NAME     : " : "CASE NAME     : ", name));
  }
  files[Channel::kCapResults].line(label);
  TextFile& convergence = files[Channel::kConvergence];
  convergence.line(label);
  convergence.line(std::string(6, ' ') + name);
  convergence.line("    1 CALCULATED AND PRINTED");

  // The cap, as an item prints it (without an iteration count: no solution of its own).
  const Vector6& fv = store.capLoad(bound);
  const Vector6& dv = store.capDisplacement(bound);
  const UnitLabels u = unitLabels(model.switches.unitsCode());
  const bool planar = model.is2d();
  for (Channel c : {Channel::kReport, Channel::kSummary}) {
    TextFile& f = files[c];
    f.line();
    writeCapTableL(f, fv, dv, u, planar);
  }
  const std::vector<std::size_t> comps =
      planar ? std::vector<std::size_t>{0, 1, 5} : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
  const auto values = [&comps](const Vector6& v) {
    std::string s;
    for (std::size_t k : comps) s += formatRealCell(17, 8, v[k]);
    return s;
  };
  TextFile& cap = files[Channel::kCapResults];
  cap.line("* TABLE L *   COMPUTATION ON PILE CAP");
  cap.line("* EQUIVALENT CONC. LOAD AT ORIGIN *");
  cap.line(values(fv));
  cap.line("* DISPLACEMENT OF PILE CAP AT ORIGIN *");
  cap.line(values(dv));

  for (Channel c : {Channel::kReport, Channel::kSummary}) {
    files[c].line();
    files[c].line("     * TABLE M *   COMPUTATION ON INDIVIDUAL PILE");
  }
  cap.line("* TABLE M *   COMPUTATION ON INDIVIDUAL PILE");

  // Every pile as the printing pass writes it, then the summary tables from its records.
  const EnvelopeColumns columns = envelopeColumns(model, store, combinations);
  PrintSettings print;
  print.printOption = settings.printOption;
  print.nodeInterval = std::max(settings.nodeInterval, 1) * std::max(refine, 1);
  // The node listing of the pile-cap results file holds the envelope of the selected quantities
  // only, as its switch record says.
  print.selection = columns.printed;
  print.listing = columns.printed;
  PileResultsPrinter printer(model, files, print);
  (void)files.open(Channel::kPileResultsWork, TextFile::Mode::kWrite);
  for (const PileEnvelope& e : store.piles()) {
    const HeadBounds& h = e.head[bound];
    PileSummaryRecord r;
    r.pile = e.number;
    r.displacementGlobal = h.displacementGlobal;
    r.reactionGlobal = h.forceGlobal;
    r.displacementLocal = h.displacementLocal;
    r.reactionLocal = h.forceLocal;
    r.stress = h.stress;
    printer.envelopePile(r, e.along[bound]);
  }
  files.close(Channel::kPileResultsWork);
  printer.summary();
}

EnvelopeRecord envelopeRecord(const AnalysisModel& model, const EnvelopeStore& store,
                              bool combinations) {
  const EnvelopeColumns columns = envelopeColumns(model, store, combinations);
  EnvelopeRecord record;
  record.block = combinations ? ItemKind::kCombination : ItemKind::kCase;
  record.analysedItems = store.analysedItems();
  for (EnvelopeBound b : {kMinimum, kMaximum}) {
    EnvelopeBoundRecord& out = b == kMinimum ? record.minimum : record.maximum;
    out.capLoad = store.capLoad(b);
    out.capDisplacement = store.capDisplacement(b);
    out.piles.reserve(store.piles().size());
    for (const PileEnvelope& e : store.piles()) {
      PileRecord p;
      p.number = e.number;
      p.headDisplacementGlobal = e.head[b].displacementGlobal;
      p.headForceGlobal = e.head[b].forceGlobal;
      p.headDisplacementLocal = e.head[b].displacementLocal;
      p.headForceLocal = e.head[b].forceLocal;
      p.maxStress = e.head[b].stress;
      p.along = &e.along[b];
      p.headDepth = e.headDepth;
      p.computed = columns.listing;
      p.printed = columns.printed;
      out.piles.push_back(p);
    }
  }
  return record;
}

EnvelopeCollector::EnvelopeCollector(const AnalysisModel& model, ResultSink* next,
                                     ResultLevel level, int refine)
    : model_(model), next_(next), level_(level), refine_(refine) {
  clearFor(false);
}

// The store is sized for the group only when the coming block's envelope is asked for.
void EnvelopeCollector::clearFor(bool combinations) {
  const bool on = settingsOf(model_, combinations).on();
  store_.clear(on ? static_cast<int>(model_.pileRows.size()) : 0);
}

void EnvelopeCollector::runBegin(const RunBeginRecord& run) {
  if (next_ != nullptr) next_->runBegin(run);
}

void EnvelopeCollector::itemBegin(const ItemHeader& item) {
  collecting_ = settingsOf(model_, item.kind == ItemKind::kCombination).on();
  if (next_ != nullptr) next_->itemBegin(item);
}

void EnvelopeCollector::pile(const PileRecord& pile) {
  if (collecting_) store_.stage(pile);
  if (next_ == nullptr) return;
  if (level_ == ResultLevel::kFull) {
    next_->pile(pile);
    return;
  }
  PileRecord heads = pile;
  heads.along = nullptr;
  next_->pile(heads);
}

void EnvelopeCollector::itemEnd(const ItemEndRecord& item) {
  if (collecting_) store_.endItem(item);
  if (next_ != nullptr) next_->itemEnd(item);
}

void EnvelopeCollector::runEnd(const RunEndRecord& run) {
  if (next_ != nullptr) next_->runEnd(run);
}

void EnvelopeCollector::envelope(const EnvelopeRecord& e) {
  if (next_ != nullptr) next_->envelope(e);
}

void EnvelopeCollector::printedCurve(const PrintedCurveResult& curve) {
  if (next_ != nullptr) next_->printedCurve(curve);
}

void EnvelopeCollector::afterBlock(int block, FileSet& files) {
  const bool combinations = block == 2;
  const std::size_t items = combinations ? model_.combinations.size() : model_.loadCases.size();
  if (items > 0 && settingsOf(model_, combinations).on()) {
    printEnvelope(model_, files, store_, combinations, kMinimum, refine_);
    printEnvelope(model_, files, store_, combinations, kMaximum, refine_);
    if (next_ != nullptr) next_->envelope(envelopeRecord(model_, store_, combinations));
  }
  collecting_ = false;
  if (combinations) {
    store_.clear(0);
  } else {
    clearFor(true);
  }
}

}  // namespace stilt
