#include "model/input_reader.hpp"

#include <array>
#include <cstdio>
#include <string>

#include "model/input_cursor.hpp"

namespace stilt {
namespace {

constexpr std::array<const char*, 17> kSwitchNames = {"",
                                                      "THE UNITS SYSTEM",
                                                      "THE ANALYSIS TYPE",
                                                      "THE CAP OPTION",
                                                      "THE FLEXIBLE-CAP SWITCH",
                                                      "THE USER P-Y CURVES SWITCH",
                                                      "THE USER LOAD-SETTLEMENT CURVES SWITCH",
                                                      "THE USER TORQUE-ROTATION CURVES SWITCH",
                                                      "THE GROUP-REDUCTION OPTION",
                                                      "THE NONLINEAR BENDING STIFFNESS SWITCH",
                                                      "THE AXIAL-LOAD FACTOR SWITCH",
                                                      "THE PRINTED P-Y CURVES SWITCH",
                                                      "CONTROL SWITCH 12",
                                                      "THE REDUCTION FACTORS ALONG DEPTH SWITCH",
                                                      "THE SOIL MOVEMENT SWITCH",
                                                      "THE CURVE EXPORT SWITCH",
                                                      "THE CURVE FILE FORM"};

// A real value as a message shows it: six significant digits, exponent form when needed.
std::string realText(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6G", v);
  return text;
}

std::string numbered(std::string_view what, std::size_t index) {
  return std::string(what) + " " + std::to_string(index + 1);
}

// One reading pass over the input data file. Each section has its own function, called in file
// order; each stops as soon as the cursor holds an error.
class Reader {
 public:
  Reader(std::string_view text, AnalysisModel& model, const ReaderCallbacks& callbacks)
      : in_(text), m_(model), cb_(callbacks) {}

  ReadResult run() {
    readTitle();
    readControl();
    readPileCap();
    readLoadCases();
    readCombinations();
    readDistributedLoadSets();
    readPileGroups();
    readPileProperties();
    readCrossSections();
    readSoilLayers();
    const ControlSwitches& s = m_.switches;
    if (s.printedPyCurves()) readPrintedCurves();
    if (s.userPyCurves()) readUserPyCurves();
    if (s.userLoadSettlement()) readUserCurves("L", m_.userLoadSettlementCurves, "AXIAL LOAD");
    if (s.userTorqueRotation()) readUserCurves("M", m_.userTorqueRotationCurves, "TORQUE");
    if (s.nonlinearBending()) readMomentCurvatureSets();
    if (s.depthReductionFactors()) readReductionFactors();
    if (s.soilMovement()) readSoilMovement();
    if (s.curveExport()) readCurveExport();
    in_.endRecord();
    if (!isOk(controlStatus_)) return {controlStatus_, controlMessage_};
    if (!in_.ok()) return {in_.status(), in_.message()};
    return checkModel(m_);
  }

 private:
  void echo(std::string_view line) {
    if (cb_.echo) cb_.echo(line);
  }

  // A section header line: not interpreted, echoed to the runtime file.
  void readHeader(std::string_view section) {
    std::string header;
    in_.readTextLine(header, "HEADER", {}, "THE HEADER LINE OF THE " + std::string(section));
    if (!in_.ok()) return;
    m_.sectionHeaders.push_back(header);
    m_.sectionHeaderLines.push_back({std::string(section), in_.recordLine()});
    echo("     READING " + header);
  }

  void readTitle() {
    in_.readTextLine(m_.title[0], "T1", {}, "THE FIRST TITLE LINE");
    in_.readTextLine(m_.title[1], "T2", {}, "THE SECOND TITLE LINE");
    if (!in_.ok()) return;
    echo("");
    echo("            " + m_.title[0]);
    echo("");
    echo("     READING * TITLE AND VERSION");
  }

  void readControl() {
    readHeader("CONTROL PARAMETERS");
    in_.beginRecord("A2", "CONTROL PARAMETERS");
    for (int i = 1; i <= 16; ++i)
      in_.read(m_.switches.values[static_cast<std::size_t>(i)],
               kSwitchNames[static_cast<std::size_t>(i)]);
    if (!in_.ok()) return;
    const int type = m_.switches.analysisType();
    if (type != 2 && type != 3) {
      // Neither row layout would be read and the analysis could not run; refuse it here rather
      // than misread every record that follows.
      in_.refuse(StatusCode::kInputInvalidValue,
                 "THE ANALYSIS TYPE IS " + std::to_string(type) +
                     "; IT MUST BE 2 (TWO-DIMENSIONAL) OR 3 (THREE-DIMENSIONAL)");
      return;
    }
    if (m_.switches.groupReductionOption() == 3) {
      in_.beginRecord("A3", "CONTROL PARAMETERS");
      in_.read(m_.movementFactorY, "THE PREDEFINED MOVEMENT ALONG Y");
      in_.read(m_.movementFactorZ, "THE PREDEFINED MOVEMENT ALONG Z");
    }
    in_.endRecord();
    if (!in_.ok()) return;
    if (cb_.onControlRecord) {
      controlStatus_ = cb_.onControlRecord(m_.switches, controlMessage_);
      if (!isOk(controlStatus_)) {
        // Stop reading: an unusable curve work file ends the run like any file error.
        in_.refuse(controlStatus_, "THE CURVE WORK FILE CANNOT BE OPENED");
      }
    }
  }

  void readPileCap() {
    if (!in_.ok()) return;
    readHeader("PILE CAP");
    in_.beginRecord("B1", "PILE CAP");
    in_.read(m_.cap.length, "THE CAP LENGTH ALONG Y");
    in_.read(m_.cap.width, "THE CAP WIDTH ALONG Z");
    in_.read(m_.cap.thickness, "THE CAP THICKNESS ALONG X");
    if (m_.switches.readsPassiveMethod()) {
      CapPassiveMethod& p = m_.passiveMethod;
      in_.beginRecord("B1a", "PILE CAP");
      in_.read(p.lateralModel, "THE LATERAL MODEL OF PASSIVE RESISTANCE");
      in_.read(p.soilModel, "THE SOIL MODEL OF PASSIVE RESISTANCE");
      in_.read(p.increments, "THE NUMBER OF INCREMENTS");
      in_.read(p.k50, "K50");
      in_.read(p.fUlt, "F ULT");
      in_.read(p.yMax, "Y MAX");
    }
    if (m_.switches.readsFlexibleCap()) {
      FlexibleCapMesh& f = m_.flexibleCap;
      in_.beginRecord("B2", "FLEXIBLE CAP");
      in_.read(f.offsetY, "THE MESH OFFSET ALONG Y");
      in_.read(f.offsetZ, "THE MESH OFFSET ALONG Z");
      in_.read(f.elementsY, "THE NUMBER OF PLATE ELEMENTS ALONG Y");
      in_.read(f.elementsZ, "THE NUMBER OF PLATE ELEMENTS ALONG Z");
      in_.read(f.material1, "THE FIRST PLATE MATERIAL VALUE");
      in_.read(f.material2, "THE SECOND PLATE MATERIAL VALUE");
    }
    in_.endRecord();
  }

  // Records C1/D1 and their envelope flags C1a/D1a. Returns the item count.
  int readBlockHeader(std::string_view id, std::string_view flagsId, std::string_view what,
                      EnvelopeSettings& env, int capacity) {
    int count = 0;
    in_.beginRecord(id, {});
    in_.read(count, "THE NUMBER OF " + std::string(what));
    in_.read(env.enabled, "THE ENVELOPE SWITCH");
    in_.read(env.printOption, "THE ENVELOPE PRINT OPTION");
    in_.read(env.nodeInterval, "THE ENVELOPE NODE INTERVAL");
    in_.read(env.fifth, "THE FIFTH ENVELOPE VALUE");
    in_.endRecord();
    if (!in_.checkCount(count, capacity, "THE NUMBER OF " + std::string(what))) return 0;
    if (env.on()) {
      in_.beginRecord(flagsId, "ENVELOPE");
      for (int q = 1; q <= 25; ++q) {
        in_.read(env.flags[static_cast<std::size_t>(q)],
                 "OUTPUT-SELECTION FLAG " + std::to_string(q));
      }
      in_.endRecord();
    }
    return in_.ok() ? count : 0;
  }

  void readIntRange(std::string_view id, const std::string& context, int* ints, int from, int to,
                    std::string_view what) {
    in_.beginRecord(id, context);
    for (int i = from; i <= to; ++i) in_.read(ints[i], std::string(what) + " " + std::to_string(i));
  }

  void readLoadCases() {
    if (!in_.ok()) return;
    readHeader("LOAD CASES");
    const int count =
        readBlockHeader("C1", "C1a", "LOAD CASES", m_.caseEnvelope, capacity::kLoadCases);
    for (int i = 0; i < count && in_.ok(); ++i) {
      LoadCase& c = m_.loadCases.emplace_back();
      const std::string ctx = numbered("LOAD CASE", static_cast<std::size_t>(i));
      int* ints = c.ints.data();
      double* reals = c.reals.data();
      readIntRange("C2", ctx, ints, 1, 7, "LOAD-CASE INTEGER");
      c.line = in_.recordLine();
      in_.beginRecord("C3", ctx);
      in_.read(reals[1], "THE TOLERANCE ON PILE-CAP MOVEMENT");
      in_.read(reals[2], "THE TOLERANCE ON PILE DEFLECTIONS");
      in_.read(reals[3], "THE FACTOR TO APPLY THE LOAD IN INCREMENTS");
      in_.read(reals[4], "THE MINIMUM FACTOR FOR LOAD INCREMENTS");
      c.controlLine = in_.recordLine();
      in_.readTextLine(c.name, "C4", ctx, "THE CASE NAME");
      readIntRange("C5", ctx, ints, 8, 14, "LOAD-CASE INTEGER");
      in_.beginRecord("C6", ctx);
      in_.read(ints[18], "THE PRINT OPTION");
      in_.read(ints[19], "THE NODE INTERVAL OF THE PRINTOUT");
      in_.read(reals[5], "THE SCALE FACTOR");
      in_.read(ints[20], "THE ALTERNATE TOLERANCES SWITCH");
      in_.read(reals[6], "THE ALTERNATE TOLERANCE ON CAP DEFLECTION");
      in_.read(reals[7], "THE ALTERNATE TOLERANCE ON CAP ROTATION");
      in_.read(ints[21], "THE AXIAL LOAD VARIATION SWITCH");
      in_.read(ints[22], "THE NOT-TO-BE-ANALYZED FLAG");
      readIntRange("C7", ctx, ints, 23, 23, "LOAD-CASE INTEGER");
      in_.beginRecord("C8", ctx);
      for (int q = 1; q <= 25; ++q)
        in_.read(ints[25 + q], "OUTPUT-SELECTION FLAG " + std::to_string(q));
      readConcentratedLoads(c, ctx);
      readDistributedLoads(c, ctx);
      readStiffnessData(c, ctx);
    }
  }

  void readConcentratedLoads(LoadCase& c, const std::string& ctx) {
    in_.beginRecord("C9", ctx);
    in_.read(c.ints[15], "THE NUMBER OF CONCENTRATED LOADS");
    in_.endRecord();
    if (!in_.checkCount(c.ints[15], capacity::kLoadsPerCase, "THE NUMBER OF CONCENTRATED LOADS")) {
      return;
    }
    for (int k = 0; k < c.ints[15] && in_.ok(); ++k) {
      ConcentratedLoad& p = c.concentratedLoads.emplace_back();
      in_.beginRecord("C9",
                      ctx + ", " + numbered("CONCENTRATED LOAD", static_cast<std::size_t>(k)));
      in_.read(p.px, "PX");
      in_.read(p.py, "PY");
      in_.read(p.mz, "MZ");
      in_.read(p.pz, "PZ");
      in_.read(p.my, "MY");
      in_.read(p.mx, "MX");
      in_.read(p.x, "THE X COORDINATE");
      in_.read(p.y, "THE Y COORDINATE");
      in_.read(p.z, "THE Z COORDINATE");
    }
  }

  void readDistributedLoads(LoadCase& c, const std::string& ctx) {
    in_.beginRecord("C10", ctx);
    in_.read(c.ints[16], "THE NUMBER OF DISTRIBUTED LOADS");
    in_.endRecord();
    if (!in_.checkCount(c.ints[16], capacity::kLoadsPerCase, "THE NUMBER OF DISTRIBUTED LOADS")) {
      return;
    }
    for (int k = 0; k < c.ints[16] && in_.ok(); ++k) {
      DistributedLoad& d = c.distributedLoads.emplace_back();
      in_.beginRecord("C10",
                      ctx + ", " + numbered("DISTRIBUTED LOAD", static_cast<std::size_t>(k)));
      d.line = in_.recordLine();
      in_.read(d.ints[1], "THE FIRST INTEGER");
      in_.read(d.ints[2], "THE AXIS CODE");
      in_.read(d.ints[3], "THE FIRST PILE");
      in_.read(d.ints[4], "THE LAST PILE");
      in_.read(d.ints[5], "THE PILE INCREMENT");
      in_.read(d.ints[6], "THE LOAD SET FOR Y");
      in_.read(d.factorY, "THE FACTOR FOR Y");
      in_.read(d.setZ, "THE LOAD SET FOR Z");
      in_.read(d.factorZ, "THE FACTOR FOR Z");
    }
  }

  void readStiffnessData(LoadCase& c, const std::string& ctx) {
    in_.beginRecord("C11", ctx);
    in_.read(c.ints[17], "THE NUMBER OF FOUNDATION-STIFFNESS VALUES");
    in_.endRecord();
    const int n = c.ints[17];
    if (!in_.checkCount(n, capacity::kStiffnessValues,
                        "THE NUMBER OF FOUNDATION-STIFFNESS VALUES")) {
      return;
    }
    // Up to 12 values are the levels alone; from 13 on, the levels are followed by the 12
    // option values (the report and the estimation read the list alike).
    c.stiffnessData.assign(static_cast<std::size_t>(n), 0.0);
    for (int k = 0; k < n && in_.ok(); ++k) {
      in_.beginRecord("C11", ctx);
      in_.read(c.stiffnessData[static_cast<std::size_t>(k)],
               numbered("FOUNDATION-STIFFNESS VALUE", static_cast<std::size_t>(k)));
    }
  }

  void readCombinations() {
    if (!in_.ok()) return;
    readHeader("LOAD COMBINATIONS");
    const int count = readBlockHeader("D1", "D1a", "LOAD COMBINATIONS", m_.combinationEnvelope,
                                      capacity::kCombinations);
    for (int i = 0; i < count && in_.ok(); ++i) {
      LoadCombination& c = m_.combinations.emplace_back();
      const std::string ctx = numbered("LOAD COMBINATION", static_cast<std::size_t>(i));
      int* ints = c.ints.data();
      double* reals = c.reals.data();
      readIntRange("D2", ctx, ints, 1, 7, "COMBINATION INTEGER");
      c.line = in_.recordLine();
      in_.beginRecord("D3", ctx);
      in_.read(reals[1], "THE TOLERANCE ON PILE-CAP MOVEMENT");
      in_.read(reals[2], "THE TOLERANCE ON PILE DEFLECTIONS");
      in_.read(reals[3], "THE FACTOR TO APPLY THE LOAD IN INCREMENTS");
      in_.read(reals[4], "THE MINIMUM FACTOR FOR LOAD INCREMENTS");
      c.controlLine = in_.recordLine();
      in_.readTextLine(c.name, "D4", ctx, "THE COMBINATION NAME");
      in_.beginRecord("D5", ctx);
      in_.read(reals[5], "THE BENDING RESISTANCE FACTOR");
      in_.read(reals[6], "THE SHEAR RESISTANCE FACTOR");
      in_.read(ints[8], "COMBINATION INTEGER 8");
      in_.beginRecord("D6", ctx);
      in_.read(ints[9], "THE PRINT OPTION");
      in_.read(ints[10], "THE NODE INTERVAL OF THE PRINTOUT");
      in_.read(ints[11], "THE ALTERNATE TOLERANCES SWITCH");
      in_.read(reals[7], "THE ALTERNATE TOLERANCE ON CAP DEFLECTION");
      in_.read(reals[8], "THE ALTERNATE TOLERANCE ON CAP ROTATION");
      in_.read(ints[12], "COMBINATION INTEGER 12");
      in_.read(ints[13], "THE NOT-TO-BE-ANALYZED FLAG");
      readIntRange("D7", ctx, ints, 14, 14, "COMBINATION INTEGER");
      in_.beginRecord("D8", ctx);
      for (int q = 1; q <= 25; ++q)
        in_.read(ints[15 + q], "OUTPUT-SELECTION FLAG " + std::to_string(q));
      in_.beginRecord("D9", ctx);
      in_.read(ints[8], "THE NUMBER OF COMBINATION TERMS");
      in_.endRecord();
      if (!in_.checkCount(ints[8], capacity::kCombinationTerms,
                          "THE NUMBER OF COMBINATION TERMS")) {
        return;
      }
      for (int k = 0; k < ints[8] && in_.ok(); ++k) {
        CombinationTerm& t = c.terms.emplace_back();
        in_.beginRecord("D9", ctx + ", " + numbered("TERM", static_cast<std::size_t>(k)));
        t.line = in_.recordLine();
        in_.read(t.loadCase, "THE LOAD CASE NUMBER");
        in_.read(t.factor, "THE LOAD FACTOR");
      }
    }
  }

  void readDistributedLoadSets() {
    if (!in_.ok()) return;
    readHeader("DISTRIBUTED-LOAD SETS");
    int count = 0;
    in_.beginRecord("E1", {});
    in_.read(count, "THE NUMBER OF DISTRIBUTED-LOAD SETS");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kDistributedLoadSets,
                        "THE NUMBER OF DISTRIBUTED-LOAD SETS")) {
      return;
    }
    for (int i = 0; i < count && in_.ok(); ++i) {
      DistributedLoadSet& set = m_.distributedLoadSets.emplace_back();
      const std::string ctx = numbered("DISTRIBUTED-LOAD SET", static_cast<std::size_t>(i));
      int points = 0;
      in_.beginRecord("E1", ctx);
      in_.read(points, "THE NUMBER OF POINTS");
      in_.endRecord();
      if (!in_.checkCount(points, capacity::kPointsPerLoadSet, "THE NUMBER OF POINTS")) return;
      for (int k = 0; k < points && in_.ok(); ++k) {
        DepthValue& p = set.points.emplace_back();
        in_.beginRecord("E1", ctx + ", " + numbered("POINT", static_cast<std::size_t>(k)));
        in_.read(p.depth, "THE DEPTH");
        in_.read(p.value, "THE LOAD");
      }
    }
  }

  void readPileGroups() {
    if (!in_.ok()) return;
    readHeader("PILE GROUPS");
    const bool planar = m_.switches.is2d();
    int count = 0;
    in_.beginRecord("F1", {});
    in_.read(count, planar ? "THE NUMBER OF PILE ROWS" : "THE NUMBER OF PILES");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kPileRows,
                        planar ? "THE NUMBER OF PILE ROWS" : "THE NUMBER OF PILES")) {
      return;
    }
    for (int i = 0; i < count && in_.ok(); ++i) {
      PileGroupRow& r = m_.pileRows.emplace_back();
      if (planar) {
        r.pilesInRow = 0;
        const std::string ctx = numbered("PILE ROW", static_cast<std::size_t>(i));
        in_.beginRecord("F1", ctx);
        r.line = in_.recordLine();
        in_.read(r.connectY, "CONNECT");
        in_.read(r.pilesInRow, "NO OF PILE");
        in_.read(r.property, "PILE PROP");
        in_.read(r.pyCurveSet, "P-Y CURVE");
        in_.read(r.lsCurve, "L-S CURVE");
        in_.read(r.reductionSet, "R-F-L SET");
        in_.beginRecord("F1", ctx);
        in_.read(r.springY, "SPRING");
        in_.read(r.spacing, "THE SPACING");
        in_.read(r.pFactorY, "THE P-FACTOR");
        in_.read(r.yFactorY, "THE Y-FACTOR");
        in_.read(r.axialLoadFactor, "FACT. AXIAL LOAD");
        in_.beginRecord("F1", ctx);
        in_.read(r.x, "VERT");
        in_.read(r.y, "HOR");
        in_.read(r.batter, "SLOPE");
        in_.read(r.ground, "GROUND");
        r.connectZ = r.connectY;
      } else {
        const std::string ctx = numbered("PILE", static_cast<std::size_t>(i));
        in_.beginRecord("F1", ctx);
        r.line = in_.recordLine();
        in_.read(r.connectY, "CONNECTY");
        in_.read(r.connectZ, "CONNECTZ");
        in_.read(r.property, "PILE PROP");
        in_.read(r.pyCurveSet, "P-Y CURVE");
        in_.read(r.lsCurve, "L-S CURVE");
        in_.read(r.trCurve, "T-R CURVE");
        in_.read(r.reductionSet, "R-F-L SET");
        in_.read(r.keptValue, "PILE INTEGER 8");
        in_.beginRecord("F1", ctx);
        in_.read(r.springY, "SPY");
        in_.read(r.springZ, "SPZ");
        in_.read(r.pFactorY, "THE P-FACTOR ALONG Y");
        in_.read(r.yFactorY, "THE Y-FACTOR ALONG Y");
        in_.read(r.pFactorZ, "THE P-FACTOR ALONG Z");
        in_.read(r.yFactorZ, "THE Y-FACTOR ALONG Z");
        in_.read(r.axialLoadFactor, "FACT.AX.LD");
        in_.beginRecord("F1", ctx);
        in_.read(r.x, "CORX");
        in_.read(r.y, "CORY");
        in_.read(r.z, "CORZ");
        in_.read(r.alpha, "ALPHA");
        in_.read(r.beta, "BETA");
        in_.read(r.ground, "GROUND");
      }
    }
  }

  void readPileProperties() {
    if (!in_.ok()) return;
    readHeader("PILE PROPERTIES");
    int count = 0;
    in_.beginRecord("G1", {});
    in_.read(count, "THE NUMBER OF PILE PROPERTIES");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kPileProperties, "THE NUMBER OF PILE PROPERTIES")) return;
    for (int i = 0; i < count && in_.ok(); ++i) {
      PileProperty& p = m_.properties.emplace_back();
      const std::string ctx = numbered("PILE PROPERTY", static_cast<std::size_t>(i));
      int sections = 0;
      in_.beginRecord("G2a", ctx);
      p.line = in_.recordLine();
      in_.read(p.number, "THE PROPERTY NUMBER");
      in_.read(sections, "THE NUMBER OF SECTIONS");
      in_.endRecord();
      if (!in_.checkCount(sections, capacity::kSectionsPerProperty, "THE NUMBER OF SECTIONS")) {
        return;
      }
      if (sections == 0) {
        in_.refuse(StatusCode::kInputInvalidValue,
                   "THE PILE PROPERTY HAS NO SECTIONS; IT NEEDS AT LEAST ONE");
        return;
      }
      in_.beginRecord("G2b", ctx);
      in_.read(p.increments, "THE NUMBER OF INCREMENTS");
      in_.read(p.length, "THE PILE LENGTH");
      in_.read(p.pileType, "THE PILE TYPE");
      in_.endRecord();
      if (!in_.ok()) return;
      if (p.increments < 1) {
        in_.refuse(StatusCode::kInputInvalidValue, "THE NUMBER OF INCREMENTS IS " +
                                                       std::to_string(p.increments) +
                                                       "; A PILE NEEDS AT LEAST 1");
        return;
      }
      if (!in_.checkCount(p.increments, capacity::kIncrements, "THE NUMBER OF INCREMENTS")) return;
      if (!(p.length > 0.0)) {
        in_.refuse(StatusCode::kInputInvalidValue, "THE PILE LENGTH MUST BE GREATER THAN ZERO");
        return;
      }
      for (int k = 0; k < sections && in_.ok(); ++k) {
        PileSection& s = p.sections.emplace_back();
        in_.beginRecord("G3", ctx + ", " + numbered("SECTION", static_cast<std::size_t>(k)));
        s.line = in_.recordLine();
        in_.read(s.from, "FROM");
        in_.read(s.to, "TO");
        in_.read(s.crossSection, "CROSS SECT");
        in_.read(s.elasticModulus, "E");
        in_.read(s.nleiY, "SET NLEIY");
        in_.read(s.nleiZ, "SET NLEIZ");
      }
    }
  }

  void readCrossSections() {
    if (!in_.ok()) return;
    readHeader("CROSS SECTIONS");
    int count = 0;
    in_.beginRecord("H1", {});
    in_.read(count, "THE NUMBER OF CROSS SECTIONS");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kCrossSections, "THE NUMBER OF CROSS SECTIONS")) return;
    for (int i = 0; i < count && in_.ok(); ++i) {
      CrossSection& x = m_.crossSections.emplace_back();
      const std::string ctx = numbered("CROSS SECTION", static_cast<std::size_t>(i));
      int ignored = 0;
      in_.beginRecord("H2", ctx);
      x.line = in_.recordLine();
      in_.read(ignored, "THE SECTION NUMBER");
      in_.read(x.keptValue, "THE SECOND INTEGER");
      in_.read(x.typeCode, "THE CROSS-SECTION TYPE");
      in_.beginRecord("H3", ctx);
      in_.readName(x.name, "THE SECTION NAME", capacity::kTextLength);
      in_.beginRecord("H4", ctx);
      for (int v = 1; v <= 8; ++v)
        in_.read(x.top[static_cast<std::size_t>(v)], "SECTION VALUE " + std::to_string(v));
      in_.beginRecord("H5", ctx);
      for (int v = 9; v <= 17; ++v)
        in_.read(x.top[static_cast<std::size_t>(v)], "SECTION VALUE " + std::to_string(v));
      in_.read(x.taper, "THE TAPER FLAG");
      if (x.tapered()) {
        in_.beginRecord("H6", ctx);
        for (int v = 1; v <= 8; ++v)
          in_.read(x.bottom[static_cast<std::size_t>(v)],
                   "BOTTOM SECTION VALUE " + std::to_string(v));
        in_.beginRecord("H7", ctx);
        for (int v = 9; v <= 18; ++v)
          in_.read(x.bottom[static_cast<std::size_t>(v)],
                   "BOTTOM SECTION VALUE " + std::to_string(v));
      } else {
        x.bottom = x.top;
      }
    }
  }

  void readSoilLayers() {
    if (!in_.ok()) return;
    readHeader("SOIL LAYERS");
    int count = 0;
    in_.beginRecord("I1", {});
    in_.read(count, "THE NUMBER OF SOIL LAYERS");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kSoilLayers, "THE NUMBER OF SOIL LAYERS")) return;
    for (int i = 0; i < count && in_.ok(); ++i) {
      SoilLayer& l = m_.soilLayers.emplace_back();
      const std::string ctx = numbered("SOIL LAYER", static_cast<std::size_t>(i));
      in_.beginRecord("I2", ctx);
      l.line = in_.recordLine();
      in_.read(l.soilType, "THE SOIL TYPE");
      in_.read(l.keptValue, "THE SECOND INTEGER");
      in_.beginRecord("I3", ctx);
      in_.read(l.top, "THE TOP OF THE LAYER");
      in_.read(l.bottom, "THE BOTTOM OF THE LAYER");
      in_.endRecord();
      if (in_.ok() && l.bottom < l.top) {
        in_.refuse(StatusCode::kInputInvalidValue, "THE BOTTOM OF THE LAYER LIES ABOVE ITS TOP");
        return;
      }
      // The profile is read from the ground down: a layer that starts above the bottom of the
      // one before would make every property two-valued there.
      if (in_.ok() && i > 0 &&
          l.top < m_.soilLayers[static_cast<std::size_t>(i) - 1].bottom - 1.0e-6) {
        in_.refuse(StatusCode::kInputInvalidValue,
                   "THE LAYER STARTS ABOVE THE BOTTOM OF LAYER " + std::to_string(i) +
                       "; LAYERS MUST BE GIVEN FROM THE TOP DOWN WITHOUT OVERLAP");
        return;
      }
      in_.beginRecord("I4", ctx);
      in_.read(l.rows, "THE NUMBER OF PARAMETER ROWS");
      in_.read(l.values, "THE NUMBER OF VALUES PER ROW");
      in_.endRecord();
      const int values = l.values < 0 ? 0 : l.values;  // a negative count reads as none
      if (!in_.checkCount(l.rows, capacity::kSoilRows, "THE NUMBER OF PARAMETER ROWS") ||
          !in_.checkCount(values, capacity::kSoilValues, "THE NUMBER OF VALUES PER ROW")) {
        return;
      }
      for (int r = 0; r < l.rows && in_.ok(); ++r) {
        in_.beginRecord("I4", ctx + (r == 0 ? ", TOP ROW" : ", BOTTOM ROW"));
        for (int v = 1; v <= values; ++v) {
          in_.read(l.parameters[static_cast<std::size_t>(r)][static_cast<std::size_t>(v)],
                   "SOIL PARAMETER " + std::to_string(v));
        }
        in_.endRecord();
        if (in_.ok()) checkSoilRow(l, l.parameters[static_cast<std::size_t>(r)], values);
      }
    }
  }

  // A parameter row of a layer may not hold a value its soil family uses and cannot take: a
  // negative unit weight, strength, strain or subgrade modulus, or a friction angle below 0 or
  // from 90 degrees up. Values the family does not use are set to zero later and pass. A zero
  // friction angle or strength keeps its own status from the curve that needs it, and a zero
  // subgrade modulus takes the default of the initial moduli.
  void checkSoilRow(const SoilLayer& l, const std::array<double, 11>& row, int values) {
    const int t = l.soilType < 1 || l.soilType > 11 ? 1 : l.soilType;  // unknown: soft clay
    const auto in = [t](std::initializer_list<int> codes) {
      for (int c : codes) {
        if (c == t) return true;
      }
      return false;
    };
    struct Rule {
      int value;
      bool used;
      const char* name;
    };
    const Rule rules[] = {
        {1, true, "THE EFFECTIVE UNIT WEIGHT"},
        {2, in({1, 2, 3, 6, 7, 9, 10}), "THE STRENGTH (COHESION OR COMPRESSIVE STRENGTH)"},
        {4, in({2, 4, 7, 8, 10}), "THE P-Y SUBGRADE MODULUS K"},
        {6, in({1, 2, 3, 9, 10}), t == 9 ? "KRM" : "THE STRAIN AT 50% STRESS"},
    };
    for (const Rule& rule : rules) {
      if (!rule.used || rule.value > values) continue;
      const double v = row[static_cast<std::size_t>(rule.value)];
      if (v < 0.0) {
        in_.refuse(StatusCode::kInputInvalidValue, "SOIL PARAMETER " + std::to_string(rule.value) +
                                                       ", " + rule.name + ", IS " + realText(v) +
                                                       "; IT CANNOT BE NEGATIVE");
        return;
      }
    }
    if (in({4, 7, 8}) && values >= 3) {
      const double phi = row[3];
      if (phi < 0.0 || phi >= 90.0) {
        in_.refuse(StatusCode::kInputInvalidValue,
                   "SOIL PARAMETER 3, THE FRICTION ANGLE, IS " + realText(phi) +
                       " DEGREES; IT MUST LIE FROM 0 UP TO BELOW 90 DEGREES");
      }
    }
  }

  void readPrintedCurves() {
    if (!in_.ok()) return;
    readHeader("PRINTED P-Y CURVES");
    int count = 0;
    in_.beginRecord("J1", {});
    in_.read(count, "THE NUMBER OF CURVES TO PRINT");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kPrintedCurves, "THE NUMBER OF CURVES TO PRINT")) return;
    for (int i = 0; i < count && in_.ok(); ++i) {
      PrintedCurveRequest& q = m_.printedCurves.emplace_back();
      const std::string ctx = numbered("PRINTED CURVE", static_cast<std::size_t>(i));
      in_.beginRecord("J2", ctx);
      q.line = in_.recordLine();
      in_.read(q.pileGroup, "THE PILE GROUP");
      in_.read(q.depth, "THE DEPTH");
      int n = 0;
      in_.beginRecord("J3", ctx);
      in_.read(n, "THE NUMBER OF VALUES");
      in_.endRecord();
      if (!in_.checkCount(n, capacity::kPrintedCurveValues, "THE NUMBER OF VALUES")) return;
      q.deflections.assign(static_cast<std::size_t>(n), 0.0);
      in_.beginRecord("J3", ctx);
      for (int k = 0; k < n; ++k) {
        in_.read(q.deflections[static_cast<std::size_t>(k)],
                 numbered("VALUE", static_cast<std::size_t>(k)));
      }
    }
  }

  void readUserPyCurves() {
    if (!in_.ok()) return;
    readHeader("USER P-Y CURVES");
    int count = 0;
    in_.beginRecord("K1", {});
    in_.read(count, "THE NUMBER OF P-Y CURVE SETS");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kPyCurveSets, "THE NUMBER OF P-Y CURVE SETS")) return;
    for (int i = 0; i < count && in_.ok(); ++i) {
      UserPyCurveSet& set = m_.userPyCurveSets.emplace_back();
      const std::string ctx = numbered("P-Y CURVE SET", static_cast<std::size_t>(i));
      int curves = 0;
      in_.beginRecord("K2", ctx);
      in_.read(set.setCode, "THE SET CODE");
      in_.read(curves, "THE NUMBER OF CURVES");
      in_.endRecord();
      if (!in_.checkCount(curves, capacity::kCurvesPerSet, "THE NUMBER OF CURVES")) return;
      for (int c = 0; c < curves && in_.ok(); ++c) {
        UserPyCurve& curve = set.curves.emplace_back();
        const std::string cctx = ctx + ", " + numbered("CURVE", static_cast<std::size_t>(c));
        in_.beginRecord("K3", cctx);
        in_.read(curve.depth, "THE DEPTH OF THE CURVE");
        int points = 0;
        in_.beginRecord("K4", cctx);
        in_.read(points, "THE NUMBER OF POINTS");
        in_.endRecord();
        if (!in_.checkCount(points, capacity::kPointsPerPyCurve, "THE NUMBER OF POINTS")) return;
        for (int k = 0; k < points && in_.ok(); ++k) {
          PyPoint& p = curve.points.emplace_back();
          in_.beginRecord("K4", cctx + ", " + numbered("POINT", static_cast<std::size_t>(k)));
          in_.read(p.p, "THE SOIL RESISTANCE P");
          in_.read(p.y, "THE DEFLECTION Y");
        }
      }
    }
  }

  void readUserCurves(std::string_view section, std::vector<UserCurve>& curves,
                      std::string_view forceName) {
    if (!in_.ok()) return;
    const bool axial = section == "L";
    readHeader(axial ? "USER LOAD-SETTLEMENT CURVES" : "USER TORQUE-ROTATION CURVES");
    const std::string first = std::string(section) + "1";
    const std::string second = std::string(section) + "2";
    int count = 0;
    in_.beginRecord(first, {});
    in_.read(count, "THE NUMBER OF CURVES");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kUserCurves, "THE NUMBER OF CURVES")) return;
    for (int i = 0; i < count && in_.ok(); ++i) {
      UserCurve& curve = curves.emplace_back();
      const std::string ctx = numbered(axial ? "LOAD-SETTLEMENT CURVE" : "TORQUE-ROTATION CURVE",
                                       static_cast<std::size_t>(i));
      int points = 0;
      in_.beginRecord(second, ctx);
      in_.read(curve.number, "THE CURVE NUMBER");
      in_.read(points, "THE NUMBER OF POINTS");
      in_.endRecord();
      if (!in_.checkCount(points, capacity::kPointsPerUserCurve, "THE NUMBER OF POINTS")) return;
      for (int k = 0; k < points && in_.ok(); ++k) {
        ForceDisplacement& p = curve.points.emplace_back();
        in_.beginRecord(second, ctx + ", " + numbered("POINT", static_cast<std::size_t>(k)));
        in_.read(p.force, "THE " + std::string(forceName));
        in_.read(p.displacement, axial ? "THE DISPLACEMENT" : "THE ROTATION");
      }
    }
  }

  void readMomentCurvatureSets() {
    if (!in_.ok()) return;
    readHeader("MOMENT-CURVATURE SETS");
    int count = 0;
    in_.beginRecord("N1", {});
    in_.read(count, "THE NUMBER OF MOMENT-CURVATURE SETS");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kMomentCurvatureSets,
                        "THE NUMBER OF MOMENT-CURVATURE SETS")) {
      return;
    }
    for (int i = 0; i < count && in_.ok(); ++i) {
      MomentCurvatureSet& set = m_.momentCurvatureSets.emplace_back();
      const std::string ctx = numbered("MOMENT-CURVATURE SET", static_cast<std::size_t>(i));
      int curves = 0;
      in_.beginRecord("N2", ctx);
      in_.read(set.number, "THE SET NUMBER");
      in_.read(curves, "THE NUMBER OF CURVES");
      in_.endRecord();
      if (!in_.checkCount(curves, capacity::kCurvesPerSet, "THE NUMBER OF CURVES")) return;
      for (int c = 0; c < curves && in_.ok(); ++c) {
        MomentCurvatureCurve& curve = set.curves.emplace_back();
        const std::string cctx = ctx + ", " + numbered("CURVE", static_cast<std::size_t>(c));
        in_.beginRecord("N3", cctx);
        in_.read(curve.axialLoad, "THE AXIAL LOAD OF THE CURVE");
        int ignored = 0;
        int points = 0;
        in_.beginRecord("N4", cctx);
        in_.read(ignored, "THE CURVE NUMBER");
        in_.read(points, "THE NUMBER OF POINTS");
        in_.endRecord();
        if (!in_.checkCount(points, capacity::kPointsPerMomentCurve, "THE NUMBER OF POINTS"))
          return;
        for (int k = 0; k < points && in_.ok(); ++k) {
          MomentCurvaturePoint& p = curve.points.emplace_back();
          in_.beginRecord("N4", cctx + ", " + numbered("POINT", static_cast<std::size_t>(k)));
          in_.read(p.moment, "THE MOMENT");
          in_.read(p.curvature, "THE CURVATURE");
        }
      }
    }
  }

  void readReductionFactors() {
    if (!in_.ok()) return;
    readHeader("REDUCTION FACTORS ALONG DEPTH");
    int count = 0;
    in_.beginRecord("O1", {});
    in_.read(count, "THE NUMBER OF REDUCTION-FACTOR SETS");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kReductionFactorSets,
                        "THE NUMBER OF REDUCTION-FACTOR SETS")) {
      return;
    }
    for (int i = 0; i < count && in_.ok(); ++i) {
      DepthReductionFactorSet& set = m_.reductionFactorSets.emplace_back();
      const std::string ctx = numbered("REDUCTION-FACTOR SET", static_cast<std::size_t>(i));
      int points = 0;
      in_.beginRecord("O2", ctx);
      in_.read(set.number, "THE SET NUMBER");
      in_.read(points, "THE NUMBER OF POINTS");
      in_.endRecord();
      if (!in_.checkCount(points, capacity::kPointsPerReductionSet, "THE NUMBER OF POINTS")) return;
      for (int k = 0; k < points && in_.ok(); ++k) {
        ReductionPoint& p = set.points.emplace_back();
        in_.beginRecord("O2", ctx + ", " + numbered("POINT", static_cast<std::size_t>(k)));
        in_.read(p.depth, "THE DEPTH");
        in_.read(p.pFactor, "THE P-FACTOR");
        in_.read(p.yFactor, "THE Y-FACTOR");
      }
    }
  }

  void readSoilMovement() {
    if (!in_.ok()) return;
    readHeader("SOIL MOVEMENT");
    int count = 0;
    in_.beginRecord("P1", {});
    in_.read(count, "THE NUMBER OF SOIL MOVEMENT POINTS");
    in_.endRecord();
    if (!in_.checkCount(count, capacity::kSoilMovementPoints,
                        "THE NUMBER OF SOIL MOVEMENT POINTS")) {
      return;
    }
    for (int k = 0; k < count && in_.ok(); ++k) {
      SoilMovementPoint& p = m_.soilMovement.emplace_back();
      in_.beginRecord("P1", numbered("SOIL MOVEMENT POINT", static_cast<std::size_t>(k)));
      in_.read(p.depth, "THE DEPTH");
      in_.read(p.moveY, "THE MOVEMENT IN Y");
      in_.read(p.moveZ, "THE MOVEMENT IN Z");
    }
  }

  void readDepthList(std::string_view id, std::vector<double>& list) {
    int n = 0;
    in_.beginRecord(id, "CURVE EXPORT");
    in_.read(n, "THE NUMBER OF DEPTHS");
    in_.endRecord();
    if (!in_.checkCount(n, capacity::kExportDepths, "THE NUMBER OF DEPTHS")) return;
    list.assign(static_cast<std::size_t>(n), 0.0);
    for (int k = 0; k < n && in_.ok(); ++k) {
      in_.beginRecord(id, "CURVE EXPORT");
      in_.read(list[static_cast<std::size_t>(k)], numbered("DEPTH", static_cast<std::size_t>(k)));
    }
  }

  void readCurveExport() {
    if (!in_.ok()) return;
    readHeader("CURVE EXPORT");
    CurveExportRequest& q = m_.curveExport;
    in_.beginRecord("Q1", "CURVE EXPORT");
    in_.read(q.count, "THE NUMBER OF CURVES TO EXPORT");
    in_.read(q.switchA, "THE FIRST LIST SWITCH");
    in_.read(q.switchB, "THE SECOND LIST SWITCH");
    in_.endRecord();
    if (q.switchA == 1) readDepthList("Q2", q.depthsA);
    if (q.switchB == 1) readDepthList("Q3", q.depthsB);
  }

  InputCursor in_;
  AnalysisModel& m_;
  const ReaderCallbacks& cb_;
  StatusCode controlStatus_ = StatusCode::kCompleted;
  std::vector<std::string> controlMessage_;
};

}  // namespace

ReadResult readInputDataFile(std::string_view text, AnalysisModel& model,
                             const ReaderCallbacks& callbacks) {
  Reader reader(text, model, callbacks);
  return reader.run();
}

}  // namespace stilt
