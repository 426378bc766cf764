#include "report/input_report.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "report/input_warnings.hpp"

namespace stilt {
namespace {

constexpr const char* kIndent = "     ";
constexpr std::array<const char*, 6> kComponents = {
    "DISPLACEMENT X =", "DISPLACEMENT Y =", "DISPLACEMENT Z =",
    "ROTATION X     =", "ROTATION Y     =", "ROTATION Z     ="};

std::string real(int width, int digits, double v) {
  return formatRealCell(width, digits, v);
}
std::string integer(int width, long long v) {
  return formatIntegerCell(width, v);
}
// The indent and the number of the row k (0-based) of a list, right-aligned in two columns.
std::string rowNumber(std::size_t k) {
  return std::string(4, ' ') + formatIntegerCell(3, static_cast<long long>(k + 1));
}

// A label padded to `width`, then a value.
std::string labelled(std::string_view label, std::size_t width, const std::string& value) {
  return fmt::format("{}{:<{}}{}", kIndent, label, width, value);
}

std::string withUnit(std::string_view label, std::string_view unit) {
  return std::string(label) + std::string(unit) + ")";
}

const char* sectionTypeName(int code) {
  switch (code) {
    case 0:
      return "GENERAL SECTION";
    case 1:
      return "CIRCULAR PIPE";
    case 2:
      return "RECTANGULAR PIPE";
    case 3:
      return "I SECTION";
    default:
      return "H SECTION";
  }
}

bool usesType(int code, std::initializer_list<int> codes) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

class ReportWriter {
 public:
  ReportWriter(const AnalysisModel& m, TextFile& out, const PreparedRun& prepared)
      : m_(m), out_(out), p_(prepared), u_(prepared.units) {}

  void write() {
    head();
    tableB();
    tableC();
    tableD();
    tableE();
    tableF();
    printedCurveRequests();
    tableG();
    tableH();
    tableI();
    tableJ();
    tableJ1();
    tableJ2();
    if (m_.switches.groupReductionOption() != 0) printGroupFactors(m_, p_, out_);
  }

 private:
  void line(const std::string& text = {}) { out_.line(text); }
  void heading(const std::string& text) {
    line();
    line();
    line(kIndent + text);
    line();
  }

  void head() {
    line();
    line();
    line(fmt::format("{}{}*****{}INPUT INFORMATION{}*****", kIndent, std::string(12, ' '),
                     std::string(5, ' '), std::string(5, ' ')));
    line();
    line(kIndent + m_.title[0]);
    line();
    line(fmt::format("{}ANALYSIS TYPE = {}D ANALYSIS", kIndent, m_.switches.analysisType()));
    line(fmt::format("{}UNITS SYSTEM  = {}", kIndent, u_.system));
  }

  void tableB() {
    const PileCap& cap = m_.cap;
    const int option = m_.switches.capOption();
    if (option < 1 && cap.length + cap.width + cap.thickness <= 0.0) return;
    heading("* TABLE B *  PILE CAP OPTIONS");
    line(labelled(withUnit("LENGTH,YY    (", u_.length), 20, real(12, 4, cap.length)));
    line(labelled(withUnit("WIDTH, ZZ    (", u_.length), 20, real(12, 4, cap.width)));
    line(labelled(withUnit("THICKNESS,XX (", u_.length), 20, real(12, 4, cap.thickness)));
    line();
    if (option < 1) {
      line(kIndent + std::string("* PILE CAP DIMENSIONS ARE NOT CONSIDERED"));
      line(kIndent + std::string("  FOR THE PILE GROUP ANALYSIS"));
      return;
    }
    line(kIndent + std::string("* PILE CAP IS EMBEDDED AND PASSIVE EARTH"));
    if (capPassiveModel(m_) == CapPassiveModel::kNone) {
      // A planar analysis with a cap option other than 1: requested, but not computed.
      line(kIndent + std::string("  RESISTANCE IN FRONT OF PILE CAP IS REQUESTED,"));
      line(kIndent + std::string("  BUT IT IS NOT CONSIDERED IN THIS VERSION"));
    } else {
      line(kIndent + std::string("  RESISTANCE IN FRONT OF PILE CAP WILL BE CONSIDERED"));
    }
    if (option != 2) return;
    const CapPassiveMethod& pm = m_.passiveMethod;
    line(kIndent + std::string(pm.lateralModel == 0 ? "- USING EQUIVALENT LATERAL LOAD"
                                                    : "- USING EQUIVALENT LATERAL SPRINGS"));
    if (pm.lateralModel != 0) line(labelled("  INCREMENTS =", 16, integer(6, pm.increments)));
    if (pm.soilModel == 0) {
      line(kIndent + std::string("- USE SOIL MODEL FROM SOIL DATA"));
    } else if (pm.soilModel == 1) {
      line(kIndent + std::string("- USE FHD MODEL BASED ON SOIL DATA"));
    } else {
      line(kIndent + std::string("- USE FHD MODEL, PARAMETERS:"));
      line(labelled(withUnit("  K50    (", u_.forcePerLength + "/" +
                                               u_.length.substr(u_.length.find_first_not_of(' '))),
                    24, real(12, 4, pm.k50)));
      line(labelled(withUnit("  F ULT  (", u_.force), 24, real(12, 4, pm.fUlt)));
      line(labelled(withUnit("  Y MAX  (", u_.length), 24, real(12, 4, pm.yMax)));
    }
  }

  void controlBlock(bool isStatic, int cycles, double tolCap, double tolPile, int maxCap,
                    int maxPile, double increment, double minIncrement, bool alternate,
                    double altDeflection, double altRotation, bool axialVariation, int printOption,
                    int interval) {
    line();
    if (isStatic) {
      line(kIndent + std::string("* THE LOADING IS STATIC *"));
    } else {
      line(kIndent + std::string("* THE LOADING IS CYCLIC *"));
      line(labelled("  NO. OF CYCLES =", 18, integer(6, cycles)));
    }
    line();
    line(kIndent + std::string("* CONTROL PARAMETERS *"));
    const std::size_t w = 56;
    line(labelled("  TOLERANCE ON CONVERGENCE OF PILE CAP MOVEMENT", w, real(12, 4, tolCap)));
    if (alternate) {
      line(labelled("  ALTER. TOLERANCE CONVERGENCE PILE CAP DEFLECTION", w,
                    real(12, 4, altDeflection)));
      line(labelled("  ALTER. TOLERANCE CONVERGENCE PILE CAP ROTATION", w,
                    real(12, 4, altRotation)));
    }
    line(labelled("  TOLERANCE ON DETERMINATION OF PILE DEFLECTIONS", w, real(12, 4, tolPile)));
    line(labelled("  MAX NO OF ITERATIONS ALLOWED FOR FOUNDATION ANALYSIS =", w,
                  integer(12, maxCap)));
    line(labelled("  MAXIMUM NO OF ITERATIONS ALLOWED FOR PILE ANALYSIS   =", w,
                  integer(12, maxPile)));
    line(labelled("  FACTOR TO APPLY THE LOAD IN INCREMENTS", w, real(12, 4, increment)));
    line(labelled("  MINIMUM FACTOR FOR LOAD INCREMENTS", w, real(12, 4, minIncrement)));
    if (axialVariation) {
      line(kIndent + std::string("  INCLUDE VARIATION OF AXIAL LOAD AT PILES"));
      line(kIndent + std::string("  * NOT FOR USER DEFINED LOAD SETTL. CURVE"));
    }
    line();
    printOptionLines(printOption, interval);
  }

  void printOptionLines(int option, int interval) {
    if (option <= 0) {
      line(kIndent + std::string("PRINT RESULTS ONLY AT PILE CAP"));
    } else if (option == 1) {
      line(kIndent + std::string("PRINT RESULTS AT PILE CAP AND PILE HEADS"));
    } else {
      line(kIndent + std::string("PRINT RESULTS AT PILE CAP, PILE HEADS AND"));
      line(kIndent + std::string("ALONG PILES"));
      line(fmt::format("{}PRINT RESULTS EVERY{} NODE(S)", kIndent, integer(4, interval)));
    }
  }

  void equivalentLoad(const LoadVector& v) {
    line();
    line(kIndent + std::string("* EQUIVALENT CONC. LOAD AT ORIGIN *"));
    const auto cell = [](std::string_view label, double value, std::string_view unit) {
      return fmt::format("{:<13}{} {:<7}", label, formatRealCell(12, 4, value), unit);
    };
    if (m_.is3d()) {
      line(kIndent + cell("VER.LOAD X,", v[0], u_.force) + cell("HOR.LOAD Y,", v[1], u_.force) +
           cell("HOR.LOAD Z,", v[2], u_.force));
      line(kIndent + cell("MOMENT X,", v[3], u_.moment) + cell("MOMENT Y,", v[4], u_.moment) +
           cell("MOMENT Z,", v[5], u_.moment));
    } else {
      line(kIndent + cell("VER.LOAD X,", v[0], u_.force) + cell("HOR.LOAD Y,", v[1], u_.force) +
           cell("MOMENT,", v[5], u_.moment));
    }
  }

  void concentratedLoads(const LoadCase& c) {
    line();
    line(kIndent + std::string("* CONCENTRATED LOADS *"));
    if (m_.is3d()) {
      line(fmt::format("{}NL  {}{}{}", kIndent, "VERT.LOAD HR.LOAD Y HR.LOAD Z ",
                       "MOMENT X  MOMENT Y  MOMENT Z  ", "COORD X   COORD Y   COORD Z"));
      for (std::size_t k = 0; k < c.concentratedLoads.size(); ++k) {
        const ConcentratedLoad& p = c.concentratedLoads[k];
        std::string row = kIndent + integer(3, static_cast<long long>(k + 1));
        for (double v : {p.px, p.py, p.pz, p.mx, p.my, p.mz, p.x, p.y, p.z}) row += real(10, 3, v);
        line(row);
      }
    } else {
      line(kIndent + std::string("NL     VERT.LOAD     HOR.LOAD      MOMENT") +
           "      COORD X      COORD Y");
      for (std::size_t k = 0; k < c.concentratedLoads.size(); ++k) {
        const ConcentratedLoad& p = c.concentratedLoads[k];
        std::string row = kIndent + integer(3, static_cast<long long>(k + 1));
        for (double v : {p.px, p.py, p.mz, p.x, p.y}) row += real(13, 4, v);
        line(row);
      }
    }
  }

  void distributedLoads(const LoadCase& c) {
    if (c.distributedLoads.empty()) return;
    line();
    line(kIndent + std::string("* DISTRIBUTED LOADS *"));
    if (m_.is3d()) {
      line(kIndent + std::string("NL    AXIS    INI_PILE  END_PILE  INC_PILE    SET_Y") +
           "  FACTOR_Y     SET_Z    FACTOR_Z");
    } else {
      line(kIndent + std::string("NL    AXIS    INI_PILE  END_PILE  INC_PILE    SET_Y  FACTOR_Y"));
    }
    bool global = false;
    for (std::size_t k = 0; k < c.distributedLoads.size(); ++k) {
      const DistributedLoad& d = c.distributedLoads[k];
      global = global || d.isGlobal();
      std::string row =
          fmt::format("{}  {:<6}{}{}{}{}{}", rowNumber(k), d.isGlobal() ? "GLOBAL" : "LOCAL",
                      integer(10, d.firstPile()), integer(10, d.lastPile()),
                      integer(10, d.pileIncrement()), integer(9, d.setY()), real(10, 3, d.factorY));
      if (m_.is3d()) row += integer(10, d.setZ) + real(12, 3, d.factorZ);
      line(row);
    }
    if (global && c.axialOfGlobalLoadsAtHead()) {
      line(kIndent + std::string("NOTE: FOR GLOBAL LOADING, AXIAL"));
      line(kIndent + std::string("      COMPONENT IS CONSIDERED AS"));
      line(kIndent + std::string("      CONCENTRATED LOAD AT PILE HEAD"));
    }
  }

  void stiffnessData(const LoadCase& c, const std::vector<double>& list) {
    if (list.empty()) return;
    line();
    line(kIndent + std::string("* DATA FOR FOUNDATION STIFFNESS *"));
    const std::size_t total = list.size();
    // The twelve option values follow the levels only in a list of at least 13 values.
    if (total <= 12) {
      line(kIndent + std::string("COMPUTED FOR EQUIVALENT CONC. LOAD AT ORIGIN"));
      levels(list, total, "* FOUNDATION STIFFNESS LOAD LEVELS *", "NL       LOAD LEVEL");
      return;
    }
    // Levels first, then the twelve option values.
    const std::size_t n = total - 12;
    const auto option = [&](std::size_t k) { return list[n + k - 1]; };
    if (option(11) != 0.0) line(kIndent + std::string("- CONSIDER AXIAL LOADS IN PILES"));
    const bool target = option(1) != 0.0;
    if (!target) {
      line(kIndent + std::string("- BASED ON TOTAL APPLIED LOAD"));
    } else {
      line(kIndent + std::string("- BASED ON TARGET DEFLECTION"));
      int dof = static_cast<int>(std::lround(option(2)));
      if (m_.is2d() && dof == 6) dof = 3;
      if (dof >= 1 && dof <= 6) {
        line(labelled(std::string("  ") + kComponents[static_cast<std::size_t>(dof - 1)], 20,
                      real(12, 4, option(2 + static_cast<std::size_t>(dof)))));
      }
      line(labelled("  TOLERANCE (%)  =", 20, real(12, 4, option(9))));
      line(labelled("  ITERATIONS     =", 20, integer(6, std::lround(option(10)))));
    }
    (void)c;
    if (target) {
      levels(list, n, "* FOUNDATION STIFFNESS DISPLACEMENT LEVELS *", "NL       DISP. LEVEL");
    } else {
      levels(list, n, "* FOUNDATION STIFFNESS LOAD LEVELS *", "NL       LOAD LEVEL");
    }
  }

  void levels(const std::vector<double>& list, std::size_t n, const char* title,
              const char* header) {
    line();
    line(kIndent + std::string(title));
    line(kIndent + std::string(header));
    for (std::size_t k = 0; k < n; ++k) {
      line(rowNumber(k) + real(18, 4, list[k]));
    }
  }

  void tableC() {
    heading("* TABLE C *  LOAD AND CONTROL PARAMETERS");
    const int cases = static_cast<int>(m_.loadCases.size());
    if (cases >= 1) {
      line(kIndent + std::string("** LOAD CASES **"));
      line();
      line(labelled("NUMBER OF LOAD CASES :", 22, integer(5, cases)));
    }
    for (std::size_t i = 0; i < m_.loadCases.size(); ++i) {
      const LoadCase& c = m_.loadCases[i];
      line();
      line(labelled("LOAD CASE    :", 15, integer(5, static_cast<long long>(i + 1))));
      line(labelled("CASE NAME    :", 15, c.name));
      line(labelled("LOAD TYPE    :", 15, fmt::format("{:<32}", loadTypeName(c.loadType()))));
      line(labelled("SCALE FACTOR :", 15, real(12, 4, c.scaleFactor())));
      if (c.notAnalyzed()) line(kIndent + std::string("NOTE: LOAD CASE WILL NOT BE ANALYZED"));
      concentratedLoads(c);
      equivalentLoad(p_.caseLoads[i]);
      distributedLoads(c);
      stiffnessData(c, p_.stiffnessLists[i]);
      controlBlock(c.isStatic(), c.cycles(), c.capTolerance(), c.pileTolerance(),
                   c.maxCapIterations(), c.maxPileIterations(), c.loadIncrement(),
                   c.minimumIncrement(), c.alternateTolerances(), c.alternateDeflectionTolerance(),
                   c.alternateRotationTolerance(), c.axialLoadDistribution(), c.printOption(),
                   c.printNodeInterval());
    }
    if (m_.caseEnvelope.on()) {
      line();
      line(kIndent + std::string("** LOAD CASES ENVELOPES **"));
      printOptionLines(m_.caseEnvelope.printOption, m_.caseEnvelope.nodeInterval);
    }
    const int combinations = static_cast<int>(m_.combinations.size());
    if (combinations >= 1) {
      line();
      line(kIndent + std::string("** LOAD COMBINATIONS **"));
      line();
      line(labelled("NUMBER OF LOAD COMB. :", 22, integer(5, combinations)));
    }
    for (std::size_t i = 0; i < m_.combinations.size(); ++i) {
      const LoadCombination& c = m_.combinations[i];
      line();
      line(labelled("LOAD COMB. :", 13, integer(5, static_cast<long long>(i + 1))));
      line(labelled("COMB. NAME :", 13, c.name));
      if (c.notAnalyzed()) line(kIndent + std::string("NOTE: LOAD COMB. WILL NOT BE ANALYZED"));
      line(labelled("BENDING RF :", 13, real(12, 4, c.bendingResistanceFactor())));
      line(labelled("SHEAR RF   :", 13, real(12, 4, c.shearResistanceFactor())));
      line();
      line(kIndent + std::string("NL     LOAD NUMBER         LOAD NAME") + std::string(46, ' ') +
           "LOAD FACTOR");
      for (std::size_t k = 0; k < c.terms.size(); ++k) {
        const CombinationTerm& t = c.terms[k];
        const std::string name =
            t.loadCase >= 1 && t.loadCase <= static_cast<int>(m_.loadCases.size())
                ? m_.loadCases[static_cast<std::size_t>(t.loadCase - 1)].name
                : std::string();
        line(fmt::format("{}{}         {:<60}{}", rowNumber(k), integer(12, t.loadCase),
                         name.substr(0, 60), real(12, 4, t.factor)));
      }
      controlBlock(c.isStatic(), c.cycles(), c.capTolerance(), c.pileTolerance(),
                   c.maxCapIterations(), c.maxPileIterations(), c.loadIncrement(),
                   c.minimumIncrement(), c.alternateTolerances(), c.alternateDeflectionTolerance(),
                   c.alternateRotationTolerance(), false, c.printOption(), c.printNodeInterval());
    }
    if (m_.combinationEnvelope.on()) {
      line();
      line(kIndent + std::string("** LOAD COMBINATION ENVELOPES **"));
      printOptionLines(m_.combinationEnvelope.printOption, m_.combinationEnvelope.nodeInterval);
    }
    line();
    line(kIndent + std::string("** SETS OF DISTRIBUTED LOAD **"));
    line();
    line(labelled("NUMBER OF SETS :", 17,
                  integer(5, static_cast<long long>(m_.distributedLoadSets.size()))));
    for (std::size_t i = 0; i < m_.distributedLoadSets.size(); ++i) {
      line();
      line(labelled("DIST. LOAD SET :", 17, integer(5, static_cast<long long>(i + 1))));
      line(kIndent + std::string("NL           DEPTH         LOAD"));
      const DistributedLoadSet& set = m_.distributedLoadSets[i];
      for (std::size_t k = 0; k < set.points.size(); ++k) {
        line(rowNumber(k) + real(16, 4, set.points[k].depth) + real(13, 4, set.points[k].value));
      }
    }
  }

  void tableD() {
    heading("* TABLE D *   ARRANGEMENT OF PILE GROUPS");
    const bool factor = m_.switches.axialLoadFactor();
    if (m_.is3d()) {
      line(kIndent + std::string("GROUP  CONNECTY   CONNECTZ   PILE PROP  ") +
           "P-Y CURVE  L-S CURVE  T-R CURVE  R-F-L SET" + (factor ? "  FACT.AX.LD" : ""));
      for (std::size_t i = 0; i < m_.pileRows.size(); ++i) {
        const PileGroupRow& r = m_.pileRows[i];
        std::string row = fmt::format(
            "{}{}{:>10}{:>11}{}{}{}{}{}", kIndent, integer(5, static_cast<long long>(i + 1)),
            connectionText(r.connectY), connectionText(r.connectZ), integer(11, r.property),
            integer(11, r.pyCurveSet), integer(11, r.lsCurve), integer(11, r.trCurve),
            integer(11, r.reductionSet));
        if (factor) row += real(12, 4, r.axialLoadFactor);
        line(row);
      }
      line();
      const auto col = [](std::string_view label, std::string_view unit) {
        return fmt::format("{:>12}", std::string(label) + std::string(unit));
      };
      const std::string len = u_.length.substr(u_.length.find_first_not_of(' '));
      line(kIndent + std::string("GROUP") + col("CorX,", len) + col("CorY,", len) +
           col("CorZ,", len) + col("ALPHA,", "DEG") + col("BETA,", "DEG") + col("GROUND,", len) +
           col("SPy,", "") + col("SPz,", ""));
      for (std::size_t i = 0; i < m_.pileRows.size(); ++i) {
        const PileGroupRow& r = m_.pileRows[i];
        std::string row = kIndent + integer(5, static_cast<long long>(i + 1));
        for (double v : {r.x, r.y, r.z, r.alpha, r.beta, r.ground, r.springY, r.springZ}) {
          row += real(12, 4, v);
        }
        line(row);
      }
      return;
    }
    line(kIndent + std::string("GROUP   CONNECT   NO OF PILE   PILE PROP   ") +
         "P-Y CURVE    L-S CURVE    R-F-L SET" + (factor ? "  FACT. AXIAL LOAD" : ""));
    for (std::size_t i = 0; i < m_.pileRows.size(); ++i) {
      const PileGroupRow& r = m_.pileRows[i];
      std::string row = fmt::format(
          "{}{}{:>10}{}{}{}{}{}", kIndent, integer(5, static_cast<long long>(i + 1)),
          connectionText(r.connectY), integer(13, r.pilesInRow), integer(12, r.property),
          integer(12, r.pyCurveSet), integer(13, r.lsCurve), integer(13, r.reductionSet));
      if (factor) row += real(18, 4, r.axialLoadFactor);
      line(row);
    }
    line();
    const std::string len = u_.length.substr(u_.length.find_first_not_of(' '));
    line(fmt::format("{}GROUP{:>12}{:>12}{:>12}{:>12}{:>12}", kIndent, "VERT," + len, "HOR," + len,
                     "SLOPE,DEG", "GROUND," + len, "SPRING,"));
    for (std::size_t i = 0; i < m_.pileRows.size(); ++i) {
      const PileGroupRow& r = m_.pileRows[i];
      std::string row = kIndent + integer(5, static_cast<long long>(i + 1));
      for (double v : {r.x, r.y, r.batter, r.ground, r.springY}) row += real(12, 4, v);
      line(row);
    }
  }

  void tableE() {
    heading("* TABLE E *   PILE GEOMETRY AND PROPERTIES");
    line(kIndent + std::string("PILE TYPE = 1 - DRIVEN PILE"));
    line(kIndent + std::string("          = 2 - DRILLED SHAFT"));
    line();
    const std::string len = u_.length.substr(u_.length.find_first_not_of(' '));
    line(fmt::format("{}{:>5}{:>7}{:>6}{:>11}{:>14}", kIndent, "PROP", "SECTS", "INC", "PILE TYPE",
                     "LENGTH," + len));
    for (std::size_t i = 0; i < m_.properties.size(); ++i) {
      const PileProperty& p = m_.properties[i];
      line(kIndent + integer(5, static_cast<long long>(i + 1)) +
           integer(7, static_cast<long long>(p.sections.size())) + integer(6, p.increments) +
           integer(11, p.pileType) + real(14, 4, p.length));
    }
    line();
    line(kIndent + std::string("* PILE SECTIONS *"));
    const bool nonlinear = m_.switches.nonlinearBending();
    std::string head = fmt::format("{}{:>5}{:>6}{:>12}{:>12}{:>12}{:>13}", kIndent, "PROP", "SECT",
                                   "FROM," + len, "TO," + len, "CROSS SECT", "E," + u_.stress);
    if (nonlinear)
      head += m_.is3d() ? fmt::format("{:>11}{:>11}", "SET NLEIy", "SET NLEIz")
                        : fmt::format("{:>11}", "SET_NLEI");
    line(head);
    for (std::size_t i = 0; i < m_.properties.size(); ++i) {
      const PileProperty& p = m_.properties[i];
      for (std::size_t k = 0; k < p.sections.size(); ++k) {
        const PileSection& s = p.sections[k];
        std::string row = kIndent + integer(5, static_cast<long long>(i + 1)) +
                          integer(6, static_cast<long long>(k + 1)) + real(12, 4, s.from) +
                          real(12, 4, s.to) + integer(12, s.crossSection) +
                          real(13, 4, s.elasticModulus);
        if (nonlinear) row += integer(11, s.nleiY) + (m_.is3d() ? integer(11, s.nleiZ) : "");
        line(row);
      }
    }
    line();
    line(kIndent + std::string("* PILE CROSS SECTIONS *"));
    for (std::size_t i = 0; i < m_.crossSections.size(); ++i) crossSection(i);
    line();
    std::string props = fmt::format("{}{:>5}{:>8}{:>13}{:>13}", kIndent, "SECT", "", "DIAM," + len,
                                    "AREA," + len + "2");
    if (m_.is3d()) {
      props +=
          fmt::format("{:>13}{:>13}{:>13}", "Iz," + len + "4", "Iy," + len + "4",
                      "GJ," + u_.force.substr(u_.force.find_first_not_of(' ')) + "-" + len + "2");
    }
    props += fmt::format("{:>13}{:>13}", "Mn," + u_.moment,
                         "Vn," + u_.force.substr(u_.force.find_first_not_of(' ')));
    line(props);
    for (std::size_t i = 0; i < m_.crossSections.size(); ++i) {
      const CrossSection& x = m_.crossSections[i];
      const auto row = [&](const std::array<double, 19>& v, const char* mark) {
        std::string r = kIndent + integer(5, static_cast<long long>(i + 1)) +
                        fmt::format("{:>8}", mark) + real(13, 4, v[1]) + real(13, 4, v[10]);
        if (m_.is3d()) r += real(13, 4, v[11]) + real(13, 4, v[12]) + real(13, 4, v[14]);
        r += real(13, 4, v[15]) + real(13, 4, v[16]);
        line(r);
      };
      row(x.top, x.tapered() ? "TOP" : "");
      if (x.tapered()) row(x.bottom, "BOT");
    }
  }

  void crossSection(std::size_t i) {
    const CrossSection& x = m_.crossSections[i];
    line();
    line(labelled("CROSS SECTION       :", 22, integer(5, static_cast<long long>(i + 1))));
    line(labelled("SECTION NAME        :", 22, x.name));
    line(labelled("CROSS SECTION TYPE  :", 22, sectionTypeName(x.typeCode)));
    std::vector<std::pair<const char*, int>> dims;
    switch (x.typeCode) {
      case 0:
        dims = {{"EQUIVALENT DIAMETER", 1}};
        break;
      case 1:
        dims = {{"EXTERNAL DIAMETER", 1}, {"INTERNAL DIAMETER", 2}};
        break;
      case 2:
        dims = {{"EQUIVALENT DIAMETER", 1},
                {"EXTERNAL WIDTH", 3},
                {"EXTERNAL DEPTH", 4},
                {"INTERNAL WIDTH", 5},
                {"INTERNAL DEPTH", 6}};
        break;
      case 3:
        dims = {{"EQUIVALENT DIAMETER", 1},
                {"EXTERNAL WIDTH", 3},
                {"EXTERNAL DEPTH", 4},
                {"FLANGE THICKNESS", 7},
                {"WEB THICKNESS", 8}};
        break;
      default:
        // H sections print their web thickness from the same value as I sections.
        dims = {{"EQUIVALENT DIAMETER", 1}, {"EXTERNAL WIDTH", 3}, {"EXTERNAL DEPTH", 4},
                {"FLANGE THICKNESS", 7},    {"WEB THICKNESS", 8},  {"SHEAR MODULUS", 9}};
        break;
    }
    if (x.tapered()) {
      line(kIndent + std::string("TAPERED SECTION") + std::string(22, ' ') + "      TOP   BOTTOM");
    }
    for (const auto& [label, k] : dims) {
      std::string row = labelled(label, 32, real(12, 4, x.top[static_cast<std::size_t>(k)]));
      if (x.tapered()) row += real(12, 4, x.bottom[static_cast<std::size_t>(k)]);
      line(row);
    }
  }

  void tableF() {
    heading("* TABLE F *   SOIL DATA");
    line(kIndent + std::string("SOILS INFORMATION"));
    line();
    line(labelled("GROUND SURFACE          =", 26, real(12, 4, 0.0)));
    const std::vector<ProfileLayer>& layers = p_.profile.layers();
    if (layers.empty()) {
      line(kIndent + std::string("NO SOIL LAYERS DEFINED"));
      return;
    }
    line(fmt::format("{}{} LAYER(S) OF SOIL", kIndent,
                     integer(3, static_cast<long long>(layers.size()))));
    bool anyEstimate = false;
    bool driven = false;
    bool drilled = false;
    for (const PileProperty& p : m_.properties) {
      driven = driven || p.pileType != 2;
      drilled = drilled || p.pileType == 2;
    }
    const double toDegrees = 180.0 / (4.0 * std::atan(1.0));
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const ProfileLayer& l = layers[i];
      const int code = l.code;
      line();
      line(fmt::format("{}LAYER{}", kIndent, integer(4, static_cast<long long>(i + 1))));
      for (const std::string& s : soilSentence(code)) line(kIndent + s);
      line(fmt::format("{}{:<40}{:>15}{:>17}", kIndent, "", "TOP OF LAYER", "BOTTOM OF LAYER"));
      const auto row = [&](const std::string& label, double top, double bottom) {
        line(fmt::format("{}{:<40}{}{}", kIndent, label, real(15, 4, top), real(17, 4, bottom)));
      };
      const auto param = [&](SoilParameter p) {
        return std::pair{l.value(p, false), l.value(p, true)};
      };
      using P = SoilParameter;
      row("X COORDINATE", l.top, l.bottom);
      auto [g0, g1] = param(P::kUnitWeight);
      row("EFFECTIVE UNIT WEIGHT", g0, g1);
      if (usesType(code, {1, 2, 3, 7, 10})) {
        auto [a, b] = param(P::kCohesion);
        row("UNDRAINED COHESION, C", a, b);
      }
      if (usesType(code, {6, 9})) {
        auto [a, b] = param(P::kCohesion);
        row("UNIAXIAL COMPRESSIVE STRENGTH", a, b);
      }
      if (usesType(code, {4, 7, 8})) {
        auto [a, b] = param(P::kFrictionAngle);
        row("FRICTION ANGLE (DEGREES)", a * toDegrees, b * toDegrees);
      }
      if (usesType(code, {2, 4, 7, 8, 10})) {
        auto [a, b] = param(P::kSubgradeModulus);
        row("P-Y SUBGRADE MODULUS", a, b);
      }
      if (usesType(code, {9})) {
        auto [a, b] = param(P::kRockModulus);
        row("YOUNG MODULUS,ER", a, b);
      }
      if (usesType(code, {1, 2, 3, 7, 10})) {
        auto [a, b] = param(P::kStrain50);
        row("STRAIN AT 50% STRESS", a, b);
      }
      if (usesType(code, {9})) {
        auto [a, b] = param(P::kStrain50);
        row("KRM", a, b);
        auto [c, d] = param(P::kRqd);
        row("RQD (%)", c, d);
      }
      anyEstimate = resistanceRows(l, driven, drilled) || anyEstimate;
    }
    if (anyEstimate) {
      line();
      line(kIndent + std::string("Notes :  Program estimated values for"));
      line(kIndent + std::string("         ULTIMATE UNIT SIDE FRICTION  and"));
      line(kIndent + std::string("         ULTIMATE UNIT TIP RESISTANCE"));
      line(kIndent + std::string("         if zero input values were entered."));
      line(kIndent + std::string("         (P) Driven Piles, (S) Drilled Shafts"));
    }
  }

  // The side friction and tip resistance rows of a layer; estimated values carry (P) or (S).
  bool resistanceRows(const ProfileLayer& l, bool driven, bool drilled) {
    bool estimated = false;
    for (bool tip : {false, true}) {
      const SoilParameter p = tip ? SoilParameter::kTipResistance : SoilParameter::kSideFriction;
      const char* label = tip ? "ULTIMATE UNIT TIP RESISTANCE" : "ULTIMATE UNIT SIDE FRICTION";
      const double given[2] = {l.value(p, false), l.value(p, true)};
      UnitResistanceEstimates e[2];
      for (int end = 0; end < 2; ++end) {
        if (given[end] != 0.0) continue;
        // Estimates the profile cannot give (a depth beyond a property curve) stay unmarked.
        Diagnostics ignored;
        const bool bottom = end == 1;
        if (!isOk(estimateUnitResistances(
                p_.profile, m_.switches.unitsCode(), l.code, bottom ? l.bottom : l.top,
                l.value(SoilParameter::kSideFriction, bottom),
                l.value(SoilParameter::kTipResistance, bottom), e[end], ignored))) {
          e[end] = UnitResistanceEstimates{};
        }
      }
      const bool any = tip ? (e[0].tipEstimated || e[1].tipEstimated)
                           : (e[0].sideEstimated || e[1].sideEstimated);
      if (!any) {
        line(fmt::format("{}{:<40}{}{}", kIndent, label, real(15, 4, given[0]),
                         real(17, 4, given[1])));
        continue;
      }
      estimated = true;
      const auto value = [&](int end, bool drivenPile) {
        const UnitResistanceEstimates& x = e[end];
        const bool has = tip ? x.tipEstimated : x.sideEstimated;
        if (!has) return given[end];
        if (tip) return drivenPile ? x.tipDriven : x.tipDrilled;
        return drivenPile ? x.sideDriven : x.sideDrilled;
      };
      for (bool drivenPile : {true, false}) {
        if (drivenPile ? !driven : !drilled) continue;
        const char* mark = drivenPile ? "(P)" : "(S)";
        line(fmt::format("{}{:<40}{}{}{}{}", kIndent, label, real(12, 4, value(0, drivenPile)),
                         mark, real(14, 4, value(1, drivenPile)), mark));
      }
    }
    return estimated;
  }

  void printedCurveRequests() {
    if (!m_.switches.printedPyCurves()) return;
    heading("* DATA TO PRINT GENERATED P-Y CURVES *");
    line(labelled("NUMBER OF CURVES TO PRINT :", 28,
                  integer(5, static_cast<long long>(m_.printedCurves.size()))));
    line();
    line(fmt::format("{}{:>12}{:>12}{:>14}", kIndent, "CURVE NUMBER", "PILE GROUP",
                     "DEPTH (" + u_.length.substr(u_.length.find_first_not_of(' ')) + ")"));
    for (std::size_t i = 0; i < m_.printedCurves.size(); ++i) {
      const PrintedCurveRequest& q = m_.printedCurves[i];
      line(kIndent + integer(12, static_cast<long long>(i + 1)) + integer(12, q.pileGroup) +
           real(14, 4, q.depth));
    }
  }

  void tableG() {
    if (!m_.switches.userPyCurves()) return;
    heading("* TABLE G *   INPUT P-Y CURVES");
    for (std::size_t s = 0; s < m_.userPyCurveSets.size(); ++s) {
      const UserPyCurveSet& set = m_.userPyCurveSets[s];
      line();
      line(fmt::format("{}P-Y CURVE SET{}   SET CODE{}   NUMBER OF CURVES{}", kIndent,
                       integer(5, static_cast<long long>(s + 1)), integer(5, set.setCode),
                       integer(5, static_cast<long long>(set.curves.size()))));
      for (std::size_t c = 0; c < set.curves.size(); ++c) {
        const UserPyCurve& curve = set.curves[c];
        line();
        line(fmt::format("{}CURVE{}   DEPTH{}", kIndent, integer(4, static_cast<long long>(c + 1)),
                         real(14, 4, curve.depth)));
        line(fmt::format("{}{:>5}{:>14}{:>14}", kIndent, "POINT", "P", "Y"));
        for (std::size_t k = 0; k < curve.points.size(); ++k) {
          line(kIndent + integer(5, static_cast<long long>(k + 1)) +
               real(14, 4, curve.points[k].p) + real(14, 4, curve.points[k].y));
        }
      }
    }
  }

  // The force column is 18 wide: its longest heading, "TORS.MOMEN,LBS-IN", has 17 characters
  // and must stay apart from the movement heading.
  void curveTable(const char* movementLabel, const char* forceLabel, const HeadCurve& points) {
    line(fmt::format("{}{:>5}{:>16}{:>18}", kIndent, "POINT", movementLabel, forceLabel));
    for (std::size_t k = 0; k < points.size(); ++k) {
      line(kIndent + integer(5, static_cast<long long>(k + 1)) + real(16, 4, points[k].movement) +
           real(18, 4, points[k].force));
    }
  }

  void userCurves(const std::vector<UserCurve>& curves, const char* movement, const char* force) {
    for (std::size_t i = 0; i < curves.size(); ++i) {
      line();
      line(fmt::format("{}CURVE{}", kIndent, integer(5, static_cast<long long>(i + 1))));
      HeadCurve points;
      for (const ForceDisplacement& p : curves[i].points)
        points.push_back({p.displacement, p.force});
      curveTable(movement, force, points);
    }
  }

  void generatedCurves(const std::vector<HeadCurve>& curves, const char* movement,
                       const char* force) {
    line(kIndent + std::string("GENERATED INTERNALLY"));
    for (std::size_t i = 0; i < curves.size(); ++i) {
      if (curves[i].empty()) continue;
      line();
      line(fmt::format("{}PILE PROPERTY{}", kIndent, integer(5, static_cast<long long>(i + 1))));
      curveTable(movement, force, curves[i]);
    }
  }

  void tableH() {
    heading("* TABLE H *   AXIAL LOAD VS DISPLACEMENT");
    const std::string len = u_.length.substr(u_.length.find_first_not_of(' '));
    const std::string force = u_.force.substr(u_.force.find_first_not_of(' '));
    const std::string movement = "DISPLACEMENT," + len;
    const std::string load = "AXIAL LOAD," + force;
    if (m_.switches.userLoadSettlement()) {
      line(kIndent + std::string("USER DEFINED"));
      line(kIndent + std::string("AXIAL LOAD-DISPLACEMENT CURVES"));
      userCurves(m_.userLoadSettlementCurves, movement.c_str(), load.c_str());
      line();
    }
    generatedCurves(p_.loadSettlement, movement.c_str(), load.c_str());
  }

  void tableI() {
    if (!m_.is3d()) return;
    heading("* TABLE I *   TORS. MOM. VS ANGLE ROT.");
    const std::string movement = "ROT. ANGLE,RAD";
    const std::string torque = "TORS.MOMEN," + u_.moment;
    if (m_.switches.userTorqueRotation()) {
      line(kIndent + std::string("USER DEFINED TORQUE-ROTATION CURVE"));
      userCurves(m_.userTorqueRotationCurves, movement.c_str(), torque.c_str());
      line();
    }
    generatedCurves(p_.torqueRotation, movement.c_str(), torque.c_str());
  }

  void tableJ() {
    if (!m_.switches.nonlinearBending()) return;
    heading("* TABLE J *   MOMENT CURVATURE SETS");
    for (std::size_t s = 0; s < m_.momentCurvatureSets.size(); ++s) {
      const MomentCurvatureSet& set = m_.momentCurvatureSets[s];
      line();
      line(fmt::format("{}CURVE SET{}   NUM OF CURVES{}", kIndent,
                       integer(5, static_cast<long long>(s + 1)),
                       integer(5, static_cast<long long>(set.curves.size()))));
      for (std::size_t c = 0; c < set.curves.size(); ++c) {
        const MomentCurvatureCurve& curve = set.curves[c];
        line();
        line(fmt::format("{}CURVE{}   AXIAL LOAD{}", kIndent,
                         integer(4, static_cast<long long>(c + 1)), real(14, 4, curve.axialLoad)));
        line(fmt::format("{}{:>5}{:>14}{:>14}", kIndent, "POINT", "MOMENT", "CURVATURE"));
        for (std::size_t k = 0; k < curve.points.size(); ++k) {
          line(kIndent + integer(5, static_cast<long long>(k + 1)) +
               real(14, 4, curve.points[k].moment) + real(14, 4, curve.points[k].curvature));
        }
      }
    }
  }

  void tableJ1() {
    if (!m_.switches.depthReductionFactors()) return;
    heading("* TABLE J1 *  REDUCTION FACTORS ALONG DEPTH");
    line(labelled("NUM OF SETS :", 14,
                  integer(5, static_cast<long long>(m_.reductionFactorSets.size()))));
    const std::string len = u_.length.substr(u_.length.find_first_not_of(' '));
    for (std::size_t s = 0; s < m_.reductionFactorSets.size(); ++s) {
      const DepthReductionFactorSet& set = m_.reductionFactorSets[s];
      line();
      line(fmt::format("{}SET{}   NUM OF POINTS{}", kIndent,
                       integer(5, static_cast<long long>(s + 1)),
                       integer(5, static_cast<long long>(set.points.size()))));
      line(fmt::format("{}{:>14}{:>14}{:>14}", kIndent, "DEPTH," + len, "P-FACTOR", "Y-FACTOR"));
      for (const ReductionPoint& p : set.points) {
        line(kIndent + real(14, 4, p.depth) + real(14, 4, p.pFactor) + real(14, 4, p.yFactor));
      }
    }
  }

  void tableJ2() {
    if (!m_.switches.soilMovement()) return;
    heading("* TABLE J2 *  SOIL MOVEMENT DATA");
    const std::string len = u_.length.substr(u_.length.find_first_not_of(' '));
    std::string head = fmt::format("{}{:>5}{:>14}{:>14}", kIndent, "POINT", "DEPTH", "MOVE Y-DIR");
    if (m_.is3d()) head += fmt::format("{:>14}", "MOVE Z-DIR");
    line(head);
    line(fmt::format("{}{:>5}{:>14}{:>14}{}", kIndent, "", "(" + len + ")", "(" + len + ")",
                     m_.is3d() ? fmt::format("{:>14}", "(" + len + ")") : ""));
    for (std::size_t k = 0; k < m_.soilMovement.size(); ++k) {
      const SoilMovementPoint& p = m_.soilMovement[k];
      std::string row = kIndent + integer(5, static_cast<long long>(k + 1)) + real(14, 4, p.depth) +
                        real(14, 4, p.moveY);
      if (m_.is3d()) row += real(14, 4, p.moveZ);
      line(row);
    }
  }

  const AnalysisModel& m_;
  TextFile& out_;
  const PreparedRun& p_;
  const UnitLabels& u_;
};

// The senses and weights of the first estimate of the group factors.
void estimateInitialFactors(const AnalysisModel& m, PreparedRun& p) {
  const int option = m.switches.groupReductionOption();
  if (option != 1 && option != 3) return;
  double wy = 1.0;
  double wz = 1.0;
  if (option == 1) {
    const LoadVector load = p.caseLoads.empty() ? LoadVector{} : p.caseLoads.front();
    p.groupSignY = load[1] >= 0.0 ? 1.0 : -1.0;
    p.groupSignZ = load[2] >= 0.0 ? 1.0 : -1.0;
    wy = std::fabs(load[1]);
    wz = std::fabs(load[2]);
    if (wy == 0.0 && wz == 0.0) {
      wy = std::fabs(load[5]);
      wz = std::fabs(load[4]);
    }
  } else {
    p.groupSignY = m.movementFactorY >= 0.0 ? 1.0 : -1.0;
    p.groupSignZ = m.movementFactorZ >= 0.0 ? 1.0 : -1.0;
    wy = std::fabs(m.movementFactorY);
    wz = std::fabs(m.movementFactorZ);
  }
  if (wy == 0.0 && wz == 0.0) wy = wz = 1.0;
  GroupFactorWorkspace work(m);
  estimateGroupFactors(m, GroupDirection::kY, p.groupSignY, work, p.factors);
  if (m.is3d()) {
    estimateGroupFactors(m, GroupDirection::kZ, p.groupSignZ, work, p.factors);
    combineGroupFactors(wy, wz, p.factors);
  }
}

}  // namespace

// The report sentence of a soil-type code (the one of code 10 takes two lines).
std::vector<std::string> soilSentence(int code) {
  switch (code) {
    case 1:
      return {"THE SOIL IS A SOFT CLAY"};
    case 2:
      return {"THE SOIL IS A STIFF CLAY WITH FREE WATER"};
    case 3:
      return {"THE SOIL IS A STIFF CLAY WITHOUT FREE WATER"};
    case 4:
      return {"THE SOIL IS A SAND"};
    case 5:
      return {"THE SOIL-RESISTANCE CURVES SPECIFIED BY THE USER"};
    case 6:
      return {"THE LAYER IS A VUGGY LIMESTONE"};
    case 7:
      return {"THE SOIL IS A SILT"};
    case 8:
      return {"THE SOIL IS A SAND USING API CRITERIA"};
    case 9:
      return {"THE LAYER IS A WEAK ROCK"};
    case 10:
      return {"THE SOIL IS A STIFF CLAYWITHOUT FREE WATER,", "USING INITIAL K VALUE"};
    case 11:
      return {"THE SOIL IS A LIQUEFIED SAND"};
    default:
      return {"THE SOIL IS A SOFT CLAY"};
  }
}

std::vector<double> defaultStiffnessLevels() {
  std::vector<double> levels{0.1};
  for (int k = 2; k <= 10; ++k) levels.push_back(std::log10(static_cast<double>(k)));
  return levels;
}

PreparedRun prepareRun(const AnalysisModel& m) {
  PreparedRun p;
  p.units = unitLabels(m.switches.unitsCode());
  p.profile = buildSoilProfile(m);
  p.layout = buildPileLayout(m);
  p.capLength = m.cap.length;
  p.capWidth = m.cap.width;
  p.capThickness = m.cap.thickness;
  if (m.is3d()) {
    // The cap's plan diagonal stands for its width in the three-dimensional analysis.
    p.capWidth = std::sqrt(m.cap.length * m.cap.length + m.cap.width * m.cap.width);
    double lowest = 0.0;
    for (std::size_t i = 0; i < m.pileRows.size(); ++i) {
      lowest = i == 0 ? m.pileRows[i].x : std::min(lowest, m.pileRows[i].x);
    }
    p.capReferenceLevel = lowest - m.cap.thickness;
  }
  p.smallestIncrements = 0;
  for (const PileProperty& prop : m.properties) {
    if (p.smallestIncrements == 0 || prop.increments < p.smallestIncrements) {
      p.smallestIncrements = prop.increments;
    }
  }
  for (std::size_t i = 0; i < m.loadCases.size(); ++i) {
    p.caseLoads.push_back(equivalentLoadOfCase(m, static_cast<int>(i)));
    const LoadCase& c = m.loadCases[i];
    // A case that asks for the foundation stiffness without levels of its own gets the defaults.
    if (c.stiffnessSwitch() >= 1 && c.stiffnessData.empty()) {
      p.stiffnessLists.push_back(defaultStiffnessLevels());
    } else {
      p.stiffnessLists.push_back(c.stiffnessData);
    }
  }
  p.factors = initialGroupFactors(m);
  estimateInitialFactors(m, p);
  p.printedPyCurves = m.switches.printedPyCurves();
  p.loadSettlement.assign(m.properties.size(), HeadCurve{});
  p.torqueRotation.assign(m.properties.size(), HeadCurve{});
  return p;
}

void printGroupFactors(const AnalysisModel& m, const PreparedRun& p, TextFile& out) {
  const int option = m.switches.groupReductionOption();
  if (option == 0) return;
  const std::string indent = kIndent;
  out.line();
  out.line();
  out.line(indent + "* TABLE K *   REDUCTION FACTORS");
  const bool estimated = option == 1 || option == 3;
  if (estimated) {
    out.line();
    out.line(indent + "DIAMETER = " + formatRealCell(12, 4, referenceDiameter(m)) + " " +
             p.units.length);
  }
  const auto block = [&](bool alongY, const std::vector<double>& pf, const std::vector<double>& yf,
                         bool planar) {
    out.line();
    out.line(indent + "REDUCTION FACTORS FOR CLOSELY-SPACED PILE GROUPS");
    if (!planar) out.line(indent + (alongY ? "ALONG Y-DIRECTION" : "ALONG Z-DIRECTION"));
    const double sign = alongY ? p.groupSignY : p.groupSignZ;
    const char* sense = sign >= 0.0 ? "(+)" : "(-)";
    if (option == 1) {
      out.line(indent + "ESTIMATED ASSUMING MOVEMENT IN");
      out.line(indent + (alongY ? "THE DIRECTION OF Y-FORCE " : "THE DIRECTION OF Z-FORCE ") +
               sense);
    } else if (option == 3) {
      out.line(indent + "ESTIMATED BASED ON DEFINED MOVEMENT IN");
      out.line(indent + (alongY ? "THE Y-DIRECTION OF " : "THE Z-DIRECTION OF ") + sense);
    }
    out.line();
    out.line(indent + "GROUP NO     P-FACTOR     Y-FACTOR");
    for (std::size_t i = 0; i < pf.size(); ++i) {
      out.line(indent + formatIntegerCell(8, static_cast<long long>(i + 1)) +
               formatRealCell(13, 4, pf[i]) + formatRealCell(13, 4, yf[i]));
    }
  };
  if (m.is2d()) {
    block(true, p.factors.pUsed, p.factors.yUsed, true);
    return;
  }
  block(true, p.factors.pY, p.factors.yY, false);
  block(false, p.factors.pZ, p.factors.yZ, false);
}

StatusCode generateCurves(const AnalysisModel& model, PreparedRun& prepared,
                          CurveListings* listings, Diagnostics& diag) {
  std::vector<CurveRequest> requests(model.properties.size());
  std::vector<bool> seen(model.properties.size(), false);
  for (const PileGroupRow& r : model.pileRows) {
    const std::size_t k = static_cast<std::size_t>(r.property - 1);
    if (r.property < 1 || k >= requests.size() || seen[k]) continue;
    seen[k] = true;
    requests[k].headDepth = r.x - r.ground;
    requests[k].torqueRotation = model.is3d();
  }
  const StatusCode status = buildCurveStore(model, prepared.profile, model.switches.unitsCode(),
                                            requests, prepared.curves, listings, diag);
  if (!isOk(status)) return status;
  for (std::size_t k = 0; k < prepared.curves.properties.size(); ++k) {
    const PropertyCurves& c = prepared.curves.properties[k];
    HeadCurve& ls = prepared.loadSettlement[k];
    ls.clear();
    for (int i = 0; i < c.loadSettlement.pointCount; ++i) {
      const CurvePoint& pt = c.loadSettlement.joined[static_cast<std::size_t>(i)];
      ls.push_back({pt.movement, pt.load});
    }
    HeadCurve& tr = prepared.torqueRotation[k];
    tr.clear();
    if (!c.hasTorqueRotation) continue;
    for (int i = 0; i < c.torqueRotation.pointCount; ++i) {
      const CurvePoint& pt = c.torqueRotation.joined[static_cast<std::size_t>(i)];
      tr.push_back({pt.movement, pt.load});
    }
  }
  return StatusCode::kCompleted;
}

StatusCode writeInputReport(const AnalysisModel& model, FileSet& files, PreparedRun& prepared) {
  prepared = prepareRun(model);
  CurveListings listings;
  Diagnostics diag;
  const StatusCode status = generateCurves(model, prepared, &listings, diag);
  for (const std::string& l : listings.tzListing) files[Channel::kTzListing].line(l);
  for (const std::string& l : listings.transferTrace) files[Channel::kAxialCurves].line(l);
  ReportWriter(model, files[Channel::kReport], prepared).write();
  for (const Diagnostics& w : {unknownSoilCodeWarnings(model), unbuiltAnalysisWarnings(model)}) {
    for (const std::string& l : w.report) files[Channel::kReport].line(l);
    for (const std::string& l : w.runtime) files[Channel::kRuntime].line(l);
  }
  for (const std::string& l : diag.report) files[Channel::kReport].line(l);
  for (const std::string& l : diag.runtime) files[Channel::kRuntime].line(l);
  // The joined head curves, for graphing.
  TextFile& plot = files[Channel::kPlot];
  for (std::size_t k = 0; k < prepared.loadSettlement.size(); ++k) {
    for (int kind = 0; kind < 2; ++kind) {
      const HeadCurve& curve = kind == 0 ? prepared.loadSettlement[k] : prepared.torqueRotation[k];
      if (curve.empty()) continue;
      plot.line(fmt::format("{} CURVE, PILE PROPERTY:{:5d}  NPOINTS={:5d}",
                            kind == 0 ? "LOAD-SETTLEMENT" : "TORQUE-ROTATION", k + 1,
                            curve.size()));
      for (const HeadCurvePoint& pt : curve) {
        plot.line(formatRealCell(18, 8, pt.movement) + formatRealCell(18, 8, pt.force));
      }
    }
  }
  return status;
}

}  // namespace stilt
