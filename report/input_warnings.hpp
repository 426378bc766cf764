#pragma once
// Warnings about input the analysis will not honour as written: requested analyses this version
// does not carry out, and soil codes it does not know. Each goes to the output report and the
// runtime file, so that no request is dropped without a word.

#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"

namespace stilt {

// One "** WARNING **" block for every switch of the input that asks for an analysis this version
// does not carry out (envelopes, printed p-y curves, curve export, foundation stiffness, passive
// resistance of the cap, flexible cap), naming the switch and, where it is per item, the case.
// When an analysis is built, its entry leaves this list.
[[nodiscard]] Diagnostics unbuiltAnalysisWarnings(const AnalysisModel& model);

// One "** WARNING **" block for every soil layer whose soil-type code is not one of 1 to 11: the
// layer is analysed as a soft clay.
[[nodiscard]] Diagnostics unknownSoilCodeWarnings(const AnalysisModel& model);

}  // namespace stilt
