#pragma once
// One stream of result records handed to several writers, in the order given.

#include <vector>

#include "analysis/result_records.hpp"

namespace stilt::app {

class TeeSink final : public ResultSink {
 public:
  explicit TeeSink(std::vector<ResultSink*> sinks) : sinks_(std::move(sinks)) {}
  void runBegin(const RunBeginRecord& r) override {
    for (ResultSink* s : sinks_) s->runBegin(r);
  }
  void itemBegin(const ItemHeader& r) override {
    for (ResultSink* s : sinks_) s->itemBegin(r);
  }
  void pile(const PileRecord& r) override {
    for (ResultSink* s : sinks_) s->pile(r);
  }
  void itemEnd(const ItemEndRecord& r) override {
    for (ResultSink* s : sinks_) s->itemEnd(r);
  }
  void runEnd(const RunEndRecord& r) override {
    for (ResultSink* s : sinks_) s->runEnd(r);
  }
  void envelope(const EnvelopeRecord& r) override {
    for (ResultSink* s : sinks_) s->envelope(r);
  }
  void printedCurve(const PrintedCurveResult& r) override {
    for (ResultSink* s : sinks_) s->printedCurve(r);
  }
  void meshConvergence(const MeshConvergenceRecord& r) override {
    for (ResultSink* s : sinks_) s->meshConvergence(r);
  }

 private:
  std::vector<ResultSink*> sinks_;
};

}  // namespace stilt::app
