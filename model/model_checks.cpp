// Checks that need the whole input data file: every reference between records must name
// something the file defines, so that the analysis never indexes past what was read, and the
// solution control of every item to be analysed must let its run end.

#include <cstdio>
#include <string>

#include "model/input_reader.hpp"

namespace stilt {
namespace {

// A real value as a message shows it: six significant digits, exponent form when needed.
std::string realText(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6G", v);
  return text;
}

class Checker {
 public:
  explicit Checker(const AnalysisModel& m) : m_(m) {}

  ReadResult run() {
    checkPileRows();
    checkSections();
    checkCombinations();
    checkDistributedLoads();
    checkPrintedCurves();
    for (std::size_t c = 0; c < m_.loadCases.size() && !failed(); ++c) {
      const LoadCase& lc = m_.loadCases[c];
      if (!lc.notAnalyzed()) checkSolutionControl(lc, "LOAD CASE " + std::to_string(c + 1), "C");
    }
    for (std::size_t c = 0; c < m_.combinations.size() && !failed(); ++c) {
      const LoadCombination& lc = m_.combinations[c];
      if (!lc.notAnalyzed()) {
        checkSolutionControl(lc, "LOAD COMBINATION " + std::to_string(c + 1), "D");
      }
    }
    return result_;
  }

 private:
  bool failed() const { return !isOk(result_.status); }

  void refuse(StatusCode code, const std::string& where, int line, const std::string& reason) {
    if (failed()) return;
    result_.status = code;
    result_.message = {"     **** INPUT ERROR ****",
                       "     " + where + " (LINE " + std::to_string(line) + "):", "     " + reason};
  }

  // A 1-based reference `ref` to one of `count` items named `item`.
  void reference(const std::string& where, int line, const std::string& what, int ref, int count,
                 const std::string& items) {
    if (ref >= 1 && ref <= count) return;
    refuse(StatusCode::kInputUndefinedReference, where, line,
           what + " " + std::to_string(ref) + " IS NOT DEFINED: THE FILE DEFINES " +
               std::to_string(count) + " " + items);
  }

  // A curve reference of a pile row: positive, a user curve; zero, the curve generated for the
  // pile's own property; negative -k, the curve generated for property k.
  void curveReference(const std::string& where, int line, const std::string& what, int ref,
                      bool userCurvesOn, int userCount, const char* sectionName) {
    const int properties = static_cast<int>(m_.properties.size());
    if (ref > 0) {
      if (!userCurvesOn) {
        refuse(StatusCode::kInputUndefinedReference, where, line,
               what + " " + std::to_string(ref) + " REFERS TO A USER CURVE, BUT THE " +
                   sectionName + " SECTION IS SWITCHED OFF");
        return;
      }
      reference(where, line, what, ref, userCount, "USER CURVES");
    } else if (ref < 0) {
      reference(where, line, what + " (GENERATED FOR PILE PROPERTY)", -ref, properties,
                "PILE PROPERTIES");
    }
  }

  void checkPileRows() {
    const ControlSwitches& s = m_.switches;
    const int properties = static_cast<int>(m_.properties.size());
    for (std::size_t i = 0; i < m_.pileRows.size() && !failed(); ++i) {
      const PileGroupRow& r = m_.pileRows[i];
      const std::string where =
          "RECORD F1 OF " + std::string(m_.is2d() ? "PILE ROW " : "PILE ") + std::to_string(i + 1);
      if (m_.is2d() && r.pilesInRow < 1) {
        refuse(StatusCode::kInputInvalidValue, where, r.line,
               "THE ROW HAS " + std::to_string(r.pilesInRow) + " PILES; IT NEEDS AT LEAST 1");
      }
      reference(where, r.line, "PILE PROPERTY", r.property, properties, "PILE PROPERTIES");
      if (s.userPyCurves() && r.pyCurveSet != 0) {
        reference(where, r.line, "P-Y CURVE SET", r.pyCurveSet,
                  static_cast<int>(m_.userPyCurveSets.size()), "USER P-Y CURVE SETS");
      }
      curveReference(where, r.line, "LOAD-SETTLEMENT CURVE", r.lsCurve, s.userLoadSettlement(),
                     static_cast<int>(m_.userLoadSettlementCurves.size()),
                     "USER LOAD-SETTLEMENT CURVES");
      if (m_.is3d()) {
        curveReference(where, r.line, "TORQUE-ROTATION CURVE", r.trCurve, s.userTorqueRotation(),
                       static_cast<int>(m_.userTorqueRotationCurves.size()),
                       "USER TORQUE-ROTATION CURVES");
      }
      if (s.depthReductionFactors() && r.reductionSet != 0) {
        reference(where, r.line, "REDUCTION-FACTOR SET", r.reductionSet,
                  static_cast<int>(m_.reductionFactorSets.size()), "REDUCTION-FACTOR SETS");
      }
    }
  }

  void checkSections() {
    const int crossSections = static_cast<int>(m_.crossSections.size());
    const int sets = static_cast<int>(m_.momentCurvatureSets.size());
    for (std::size_t p = 0; p < m_.properties.size() && !failed(); ++p) {
      const PileProperty& prop = m_.properties[p];
      for (std::size_t k = 0; k < prop.sections.size() && !failed(); ++k) {
        const PileSection& sec = prop.sections[k];
        const std::string where = "RECORD G3 OF PILE PROPERTY " + std::to_string(p + 1) +
                                  ", SECTION " + std::to_string(k + 1);
        reference(where, sec.line, "CROSS SECTION", sec.crossSection, crossSections,
                  "CROSS SECTIONS");
        if (m_.switches.nonlinearBending()) {
          // Set 0 keeps the elastic stiffness of the section.
          if (sec.nleiY != 0) {
            reference(where, sec.line, "MOMENT-CURVATURE SET", sec.nleiY, sets,
                      "MOMENT-CURVATURE SETS");
          }
          if (sec.nleiZ != 0 && m_.is3d()) {
            reference(where, sec.line, "MOMENT-CURVATURE SET", sec.nleiZ, sets,
                      "MOMENT-CURVATURE SETS");
          }
        }
      }
    }
  }

  void checkCombinations() {
    const int cases = static_cast<int>(m_.loadCases.size());
    for (std::size_t c = 0; c < m_.combinations.size() && !failed(); ++c) {
      const LoadCombination& comb = m_.combinations[c];
      for (std::size_t t = 0; t < comb.terms.size() && !failed(); ++t) {
        const std::string where = "RECORD D9 OF LOAD COMBINATION " + std::to_string(c + 1) +
                                  ", TERM " + std::to_string(t + 1);
        reference(where, comb.terms[t].line, "LOAD CASE", comb.terms[t].loadCase, cases,
                  "LOAD CASES");
      }
    }
  }

  void checkDistributedLoads() {
    const int sets = static_cast<int>(m_.distributedLoadSets.size());
    const int piles = static_cast<int>(m_.pileRows.size());
    for (std::size_t c = 0; c < m_.loadCases.size() && !failed(); ++c) {
      const LoadCase& lc = m_.loadCases[c];
      for (std::size_t k = 0; k < lc.distributedLoads.size() && !failed(); ++k) {
        const DistributedLoad& d = lc.distributedLoads[k];
        const std::string where = "RECORD C10 OF LOAD CASE " + std::to_string(c + 1) +
                                  ", DISTRIBUTED LOAD " + std::to_string(k + 1);
        // A set number of 0 or less means no load in that direction.
        if (d.setY() > 0) {
          reference(where, d.line, "DISTRIBUTED-LOAD SET", d.setY(), sets, "DISTRIBUTED-LOAD SETS");
        }
        if (d.setZ > 0 && m_.is3d()) {
          reference(where, d.line, "DISTRIBUTED-LOAD SET", d.setZ, sets, "DISTRIBUTED-LOAD SETS");
        }
        // Pile numbers below 1 select nothing; beyond the last pile they name no pile.
        for (int pile : {d.firstPile(), d.lastPile()}) {
          if (pile > piles) {
            reference(where, d.line, m_.is2d() ? "PILE ROW" : "PILE", pile, piles,
                      m_.is2d() ? "PILE ROWS" : "PILES");
          }
        }
      }
    }
  }

  void checkPrintedCurves() {
    if (!m_.switches.printedPyCurves()) return;
    const int piles = static_cast<int>(m_.pileRows.size());
    for (std::size_t i = 0; i < m_.printedCurves.size() && !failed(); ++i) {
      const PrintedCurveRequest& q = m_.printedCurves[i];
      reference("RECORD J2 OF PRINTED CURVE " + std::to_string(i + 1), q.line, "PILE GROUP",
                q.pileGroup, piles, m_.is2d() ? "PILE ROWS" : "PILES");
    }
  }

  // The solution control of an item that will be analysed must let its run end: the load step
  // halves only down to a positive minimum, a step of the load is never vanishingly small, and
  // the iteration limits stay within a bound. An item flagged not to be analysed never uses them.
  template <class Item>
  void checkSolutionControl(const Item& c, const std::string& item, const char* prefix) {
    const std::string ints = "RECORD " + std::string(prefix) + "2 OF " + item;
    const std::string reals = "RECORD " + std::string(prefix) + "3 OF " + item;
    const auto limit = [&](int value, const char* what) {
      if (value <= limits::kIterations) return;
      refuse(StatusCode::kInputInvalidValue, ints, c.line,
             std::string(what) + " IS " + std::to_string(value) + "; AT MOST " +
                 std::to_string(limits::kIterations) + " ARE ALLOWED");
    };
    limit(c.maxCapIterations(), "THE MAXIMUM NUMBER OF ITERATIONS FOR THE PILE-CAP ANALYSIS");
    limit(c.maxPileIterations(), "THE MAXIMUM NUMBER OF ITERATIONS FOR THE PILE ANALYSIS");
    const auto tolerance = [&](double value, const char* what) {
      if (value >= 0.0) return;
      refuse(StatusCode::kInputInvalidValue, reals, c.controlLine,
             std::string(what) + " IS " + realText(value) + "; IT CANNOT BE NEGATIVE");
    };
    tolerance(c.capTolerance(), "THE TOLERANCE ON PILE-CAP MOVEMENT");
    tolerance(c.pileTolerance(), "THE TOLERANCE ON PILE DEFLECTIONS");
    // An initial increment of 0 or less applies the whole load in one step.
    const double first = c.loadIncrement();
    if (first > 0.0 && first < limits::kLoadFraction) {
      refuse(StatusCode::kInputInvalidValue, reals, c.controlLine,
             "THE FACTOR TO APPLY THE LOAD IN INCREMENTS IS " + realText(first) +
                 "; IT MUST BE AT LEAST 1.0E-06 (OR 0 TO APPLY THE WHOLE LOAD AT ONCE)");
    }
    if (!(c.minimumIncrement() >= limits::kLoadFraction)) {
      refuse(StatusCode::kInputInvalidValue, reals, c.controlLine,
             "THE MINIMUM FACTOR FOR LOAD INCREMENTS IS " + realText(c.minimumIncrement()) +
                 "; IT MUST BE AT LEAST 1.0E-06, OR THE LOAD STEP COULD BE HALVED WITHOUT END");
    }
  }

  const AnalysisModel& m_;
  ReadResult result_;
};

}  // namespace

ReadResult checkModel(const AnalysisModel& model) {
  return Checker(model).run();
}

}  // namespace stilt
