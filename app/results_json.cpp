#include "app/results_json.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <span>

#include "analysis/pile_report.hpp"
#include "analysis/printed_curves.hpp"
#include "app/host.hpp"
#include "report/cells.hpp"

namespace stilt::app {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kQuantityNames = {"axial_displacement",
                                                 "deflection_y",
                                                 "deflection_z",
                                                 "deflection_yz",
                                                 "displacement_x_global",
                                                 "displacement_y_global",
                                                 "displacement_z_global",
                                                 "displacement_yz_global",
                                                 "moment_z",
                                                 "moment_y",
                                                 "moment_yz",
                                                 "shear_y",
                                                 "shear_z",
                                                 "shear_yz",
                                                 "soil_reaction_y",
                                                 "soil_reaction_z",
                                                 "soil_reaction_yz",
                                                 "axial_force",
                                                 "total_stress",
                                                 "bending_stiffness_z",
                                                 "bending_stiffness_y",
                                                 "distributed_load_y",
                                                 "distributed_load_z",
                                                 "moment_demand_capacity",
                                                 "shear_demand_capacity"};

// Bytes gathered before they go to the file: large enough that writes are few, small enough
// that the writer's memory does not depend on the run.
constexpr std::size_t kDrainSize = 1 << 18;

std::string trim(std::string_view s) {
  const std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string_view::npos) return {};
  const std::size_t b = s.find_last_not_of(" \t");
  return std::string(s.substr(a, b - a + 1));
}

std::string ioError(int error) {
  return error == 0 ? std::string("write error") : std::string(std::strerror(error));
}

// The components of the cap and of a pile head that an analysis has: all six in space, X, Y and
// RZ in the plane.
constexpr std::array<std::size_t, 6> kSpace = {0, 1, 2, 3, 4, 5};
constexpr std::array<std::size_t, 3> kPlane = {0, 1, 5};
constexpr std::array<const char*, 6> kComponentNames = {"X", "Y", "Z", "RX", "RY", "RZ"};

std::span<const std::size_t> componentsOf(bool planar) {
  return planar ? std::span<const std::size_t>(kPlane) : std::span<const std::size_t>(kSpace);
}

// The unit of a quantity as its report heading gives it, without the brackets and blanks.
std::string quantityUnit(int q, bool planar, const UnitLabels& units) {
  std::string unit = trim(quantityHeading(q, planar, units).unit);
  if (unit.size() >= 2 && unit.front() == '(' && unit.back() == ')') {
    unit = unit.substr(1, unit.size() - 2);
  }
  return unit;
}

}  // namespace

const std::vector<std::string>& quantityNames() {
  return kQuantityNames;
}

std::string quantityUnit(int q, bool planar, int unitsCode) {
  return quantityUnit(q, planar, unitLabels(unitsCode));
}

ResultsJsonWriter::ResultsJsonWriter(fs::path folder, ResultsContent content)
    : folder_(std::move(folder)), content_(content) {
  if (content_ == ResultsContent::kNone) return;
  const fs::path temp = folder_ / kResultsTempFile;
  std::error_code ec;
  // A fresh file under the temporary name ("x": never through a file or link left there).
  fs::remove(temp, ec);
  out_ = std::fopen(temp.c_str(), "wbx");
  if (out_ == nullptr) failure_ = errno == 0 ? EIO : errno;
  raw("{");
}

ResultsJsonWriter::~ResultsJsonWriter() {
  if (out_ != nullptr) std::fclose(out_);
  if (spill_ != nullptr) std::fclose(spill_);
  if (content_ != ResultsContent::kNone && !finished_) {
    std::error_code ec;
    fs::remove(folder_ / kResultsTempFile, ec);
  }
}

std::string ResultsJsonWriter::lengthUnit() const {
  return trim(unitLabels(unitsCode_).length);
}

void ResultsJsonWriter::drain(bool force) {
  if (!force && buffer_.size() < kDrainSize) return;
  if (out_ != nullptr && failure_ == 0 && buffer_.size() > 0) {
    errno = 0;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size()) {
      failure_ = errno == 0 ? EIO : errno;
    }
  }
  written_ += static_cast<long>(buffer_.size());
  buffer_.clear();
}

// Drops what was written from `at` on: the piles of an item that ended without results.
void ResultsJsonWriter::truncateTo(long at) {
  if (at >= written_) {
    buffer_.resize(static_cast<std::size_t>(at - written_));
    return;
  }
  buffer_.clear();
  if (out_ != nullptr && failure_ == 0) {
    if (std::fflush(out_) != 0 || ::ftruncate(::fileno(out_), at) != 0 ||
        std::fseek(out_, at, SEEK_SET) != 0) {
      failure_ = errno == 0 ? EIO : errno;
    }
  }
  written_ = at;
}

void ResultsJsonWriter::key(std::string_view name) {
  raw("\"");
  raw(name);
  raw("\":");
}

void ResultsJsonWriter::string(std::string_view text) {
  const std::string utf8 = validUtf8(text);
  raw("\"");
  for (const char c : utf8) {
    switch (c) {
      case '"':
        raw("\\\"");
        break;
      case '\\':
        raw("\\\\");
        break;
      case '\n':
        raw("\\n");
        break;
      case '\r':
        raw("\\r");
        break;
      case '\t':
        raw("\\t");
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          fmt::format_to(fmt::appender(buffer_), "\\u{:04x}", static_cast<unsigned char>(c));
        } else {
          buffer_.push_back(c);
        }
    }
  }
  raw("\"");
}

// The shortest text that reads back as the same double; a whole number keeps a ".0" so that it
// reads as a real. JSON has no infinity or NaN: such a value is null.
void ResultsJsonWriter::number(double v) {
  if (!std::isfinite(v)) {
    raw("null");
    return;
  }
  std::array<char, 32> text{};
  const std::to_chars_result end = std::to_chars(text.data(), text.data() + text.size(), v);
  const std::string_view shortest(text.data(), static_cast<std::size_t>(end.ptr - text.data()));
  raw(shortest);
  if (shortest.find_first_of(".e") == std::string_view::npos) raw(".0");
}

void ResultsJsonWriter::vector(std::string_view name, const Vector6& v) {
  key(name);
  raw("[");
  bool first = true;
  for (std::size_t k : componentsOf(planar_)) {
    if (!first) raw(",");
    first = false;
    number(v[k]);
  }
  raw("]");
}

// The foundation stiffness of a case: its family and, per point, the factor (with the target,
// the computed deflection, the error and the trials of the target method), the status, the load
// and displacement at the origin (the first family: the loads applied one component at a time
// and the flexibility) and the stiffness matrix at the origin (null where none was found).
void ResultsJsonWriter::foundationStiffness(const FoundationStiffnessRecord& r) {
  const auto matrix = [&](std::string_view name, const Matrix6& m) {
    key(name);
    raw("[");
    bool firstRow = true;
    for (std::size_t i : componentsOf(planar_)) {
      raw(firstRow ? "[" : ",[");
      firstRow = false;
      bool first = true;
      for (std::size_t j : componentsOf(planar_)) {
        if (!first) raw(",");
        first = false;
        number(m[i][j]);
      }
      raw("]");
    }
    raw("]");
  };
  raw(",\"foundation_stiffness\":{\"family\":");
  raw(r.family == 1 ? "\"flexibility_by_dof\"" : "\"equivalent_stiffness\"");
  fmt::format_to(fmt::appender(buffer_), ",\"switch\":{},\"method\":\"{}\"", r.switchValue,
                 r.family == 1    ? "load_levels"
                 : r.targetMethod ? "target_deflection"
                                  : "total_load");
  if (r.targetMethod) fmt::format_to(fmt::appender(buffer_), ",\"targeted_dof\":{}", r.targetDof);
  raw(",\"skipped_dofs\":[");
  for (std::size_t k = 0; k < r.skippedDofs.size(); ++k) {
    fmt::format_to(fmt::appender(buffer_), "{}{}", k == 0 ? "" : ",", r.skippedDofs[k]);
  }
  raw("],\"points\":[");
  for (std::size_t n = 0; n < r.points.size(); ++n) {
    const StiffnessPointRecord& p = r.points[n];
    fmt::format_to(fmt::appender(buffer_), "{}\n{{\"number\":{},\"factor\":", n == 0 ? "" : ",",
                   p.number);
    number(p.factor);
    if (r.targetMethod) {
      raw(",\"target\":");
      number(p.target);
      raw(",\"computed\":");
      number(p.computed);
      raw(",\"error\":");
      number(p.error);
      fmt::format_to(fmt::appender(buffer_), ",\"trials\":{}", p.trials);
    }
    raw(",\"status\":");
    string(p.status);
    fmt::format_to(fmt::appender(buffer_), ",\"result_code\":{},", p.resultCode);
    vector("load", p.load);
    raw(",");
    if (r.family == 1) {
      matrix("flexibility", p.flexibility);
    } else {
      vector("displacement", p.displacement);
    }
    raw(",");
    if (p.hasStiffness) {
      matrix("stiffness", p.stiffness);
    } else {
      raw("\"stiffness\":null");
    }
    raw("}");
    drain();
  }
  raw("]}");
}

void ResultsJsonWriter::runBegin(const RunBeginRecord& run) {
  if (headerWritten_) return;
  headerWritten_ = true;
  planar_ = run.planar;
  unitsCode_ = run.unitsCode;
  planned_ = run.items;
  next_ = 0;
  if (content_ == ResultsContent::kNone) return;
  const UnitLabels u = unitLabels(run.unitsCode);
  const std::string length = trim(u.length);
  const std::string force = trim(u.force);
  fmt::format_to(fmt::appender(buffer_),
                 "\"analysis_type\":{},\"units\":{},\"force_unit\":\"{}\",\"length_unit\":\"{}\",",
                 run.analysisType, run.unitsCode, force, length);
  fmt::format_to(fmt::appender(buffer_), "\"refine\":{},", run.refine);
  key("title");
  string(trim(run.title));
  raw(",\"components\":[");
  bool first = true;
  for (std::size_t k : componentsOf(planar_)) {
    fmt::format_to(fmt::appender(buffer_), "{}\"{}\"", first ? "" : ",", kComponentNames[k]);
    first = false;
  }
  // The unit of every array and value, in the run's units system.
  const auto units6 = [&](const std::array<std::string, 6>& labels) {
    std::string s = "[";
    bool firstUnit = true;
    for (std::size_t k : componentsOf(planar_)) {
      s += (firstUnit ? "\"" : ",\"") + labels[k] + "\"";
      firstUnit = false;
    }
    return s + "]";
  };
  const std::string moment = trim(u.moment);
  const std::string forces = units6({force, force, force, moment, moment, moment});
  const std::string moves = units6({length, length, length, "RAD", "RAD", "RAD"});
  raw("],\n\"array_units\":{");
  fmt::format_to(fmt::appender(buffer_),
                 "\"x\":\"{0}\",\"y\":\"{0}\",\"z\":\"{0}\",\"load_settlement\":[\"{0}\",\"{1}\"],"
                 "\"torque_rotation\":[\"RAD\",\"{2}\"],\"cap_load\":{3},\"cap_displacement\":{4},"
                 "\"cap_passive_force\":{3},\"head_displacement_global\":{4},"
                 "\"head_force_global\":{3},\"head_displacement_local\":{4},"
                 "\"head_force_local\":{3},\"max_stress\":\"{5}\",\"depth\":\"{0}\","
                 "\"depth_below_ground\":\"{0}\"",
                 length, force, moment, forces, moves, trim(u.stress));
  for (int q = 1; q <= kResultQuantities; ++q) {
    fmt::format_to(fmt::appender(buffer_), ",\"{}\":\"{}\"",
                   kQuantityNames[static_cast<std::size_t>(q - 1)], quantityUnit(q, planar_, u));
  }
  // The values of an item's passive resistance.
  fmt::format_to(fmt::appender(buffer_),
                 ",\"passive\":{{\"embedment\":\"{0}\",\"p0\":\"{1}\",\"resultant\":\"{2}\","
                 "\"position\":\"{0}\"}}",
                 length, trim(u.forcePerLength), force);
  raw("},\n\"piles\":[");
  for (std::size_t i = 0; i < run.piles.size(); ++i) {
    const PileRowRecord& p = run.piles[i];
    raw(i == 0 ? "\n{" : ",\n{");
    fmt::format_to(fmt::appender(buffer_), "\"number\":{},\"x\":", p.number);
    number(p.x);
    raw(",\"y\":");
    number(p.y);
    raw(",\"z\":");
    number(p.z);
    fmt::format_to(fmt::appender(buffer_), ",\"property\":{}", p.property);
    if (planar_) fmt::format_to(fmt::appender(buffer_), ",\"piles_in_row\":{}", p.pilesInRow);
    raw("}");
  }
  raw("],\n\"properties\":[");
  for (std::size_t i = 0; i < run.properties.size(); ++i) {
    const PropertyCurvesRecord& p = run.properties[i];
    fmt::format_to(fmt::appender(buffer_), "{}{{\"number\":{}", i == 0 ? "\n" : ",\n", p.number);
    for (const auto& [name, curve] : {std::pair{"load_settlement", &p.loadSettlement},
                                      {"torque_rotation", &p.torqueRotation}}) {
      raw(",");
      key(name);
      raw("[");
      for (std::size_t k = 0; k < curve->size(); ++k) {
        raw(k == 0 ? "[" : ",[");
        number((*curve)[k].movement);
        raw(",");
        number((*curve)[k].force);
        raw("]");
      }
      raw("]");
    }
    raw("}");
  }
  raw("],\n\"items\":[");
  drain();
}

// The frame of a run whose records never came (Names.dat could not be used): the values of an
// input that was not read.
void ResultsJsonWriter::header() {
  if (headerWritten_) return;
  runBegin(RunBeginRecord{});
}

void ResultsJsonWriter::itemBegin(const ItemHeader& item) {
  header();
  closeOpenItem();
  // Items before this one that the run did not reach (none, in the order the driver keeps).
  while (next_ < planned_.size() &&
         (planned_[next_].kind != item.kind || planned_[next_].number != item.number)) {
    unreachedItem(planned_[next_++]);
  }
  if (next_ < planned_.size()) ++next_;
  open_ = item;
  pilesWritten_ = 0;
  if (content_ == ResultsContent::kNone) return;
  raw(outcomes_.empty() ? "\n{" : ",\n{");
  fmt::format_to(fmt::appender(buffer_), "\"kind\":\"{}\",\"number\":{},",
                 item.kind == ItemKind::kCase ? "case" : "combination", item.number);
  key("name");
  string(trim(item.name));
  raw(",\"piles\":[");
  pilesAt_ = offset();
}

void ResultsJsonWriter::pile(const PileRecord& p) {
  if (!open_) return;
  computed_ = p.computed;
  printed_ = p.printed;
  if (content_ == ResultsContent::kNone) return;
  raw(pilesWritten_ == 0 ? "\n" : ",\n");
  ++pilesWritten_;
  pileObject(p);
}

void ResultsJsonWriter::pileObject(const PileRecord& p) {
  fmt::format_to(fmt::appender(buffer_), "{{\"number\":{},", p.number);
  vector("head_displacement_global", p.headDisplacementGlobal);
  raw(",");
  vector("head_force_global", p.headForceGlobal);
  raw(",");
  vector("head_displacement_local", p.headDisplacementLocal);
  raw(",");
  vector("head_force_local", p.headForceLocal);
  raw(",\"max_stress\":");
  number(p.maxStress);
  if (content_ == ResultsContent::kFull && p.along != nullptr) {
    const PileResults& r = *p.along;
    const auto array = [&](std::string_view name, const auto& valueAt) {
      raw(",\n");
      key(name);
      raw("[");
      for (int m = 0; m <= r.increments; ++m) {
        if (m > 0) raw(",");
        number(valueAt(m));
      }
      raw("]");
      drain();
    };
    raw(",\"along\":{\"depth\":[");
    for (int m = 0; m <= r.increments; ++m) {
      if (m > 0) raw(",");
      number(r.coordinate(m));
    }
    raw("]");
    array("depth_below_ground", [&](int m) { return p.headDepth + r.coordinate(m); });
    for (int q = 1; q <= kResultQuantities; ++q) {
      if (!p.computed[static_cast<std::size_t>(q)]) continue;
      array(kQuantityNames[static_cast<std::size_t>(q - 1)], [&](int m) { return r.at(q, m); });
    }
    raw("}");
  }
  raw("}");
  drain();
}

void ResultsJsonWriter::item(const ItemEndRecord& record, bool reached) {
  ItemOutcome outcome;
  outcome.kind = record.header.kind;
  outcome.number = record.header.number;
  outcome.reached = reached;
  outcome.analysed = reached && record.resultCode != kItemNotAnalysed &&
                     record.resultCode != kItemPlateModelWritten;
  outcome.resultCode = record.resultCode;
  outcome.resultText = record.resultText;
  outcome.hasResults = record.hasResults;
  if (record.hasResults) {
    for (std::size_t k : componentsOf(planar_)) {
      outcome.capDisplacement.push_back(record.capDisplacement[k]);
    }
  }
  if (content_ != ResultsContent::kNone) {
    // An item without results keeps no piles (the printing pass may have begun before a pile
    // failed to converge).
    if (!record.hasResults && pilesWritten_ > 0) truncateTo(pilesAt_);
    raw("],");
    fmt::format_to(fmt::appender(buffer_),
                   "\"analyzed\":{},\"result_code\":", outcome.analysed ? "true" : "false");
    if (reached) {
      fmt::format_to(fmt::appender(buffer_), "{}", record.resultCode);
    } else {
      raw("null");
    }
    raw(",\"result_text\":");
    string(record.resultText);
    raw(",\"load_fraction\":");
    number(record.hasResults ? record.convergedFraction : 0.0);
    fmt::format_to(fmt::appender(buffer_), ",\"iterations\":{}",
                   record.hasResults ? record.iterations : 0);
    if (record.hasResults) {
      raw(",");
      vector("cap_load", record.capLoad);
      raw(",");
      vector("cap_displacement", record.capDisplacement);
      raw(",");
      vector("cap_passive_force", record.passiveForce);
    } else {
      raw(",\"cap_load\":[],\"cap_displacement\":[],\"cap_passive_force\":[]");
    }
    // How the passive force arose: null when the cap takes none or the item has no results.
    raw(",\"passive\":");
    if (record.hasResults && record.passive.model != nullptr) {
      const PassiveRecord& p = record.passive;
      fmt::format_to(fmt::appender(buffer_), "{{\"model\":\"{}\",\"embedment\":", p.model);
      number(p.embedment);
      raw(",\"p0\":");
      p.hasPressure ? number(p.p0) : raw("null");
      raw(",\"resultant\":");
      number(p.resultant);
      raw(",\"position\":");
      p.hasPosition ? number(p.position) : raw("null");
      raw("}");
    } else {
      raw("null");
    }
    // A flexible cap's plate at the reported level: its nodes with their displacements and
    // stress resultants per unit width, and its elements; null for a rigid cap.
    raw(",\"plate\":");
    if (record.hasResults && record.plate) {
      const PlateRecord& plate = *record.plate;
      raw("{\"load_fraction\":");
      number(plate.loadFraction);
      raw(",\"nodes\":[");
      for (std::size_t i = 0; i < plate.nodes.size(); ++i) {
        const PlateNodeRecord& n = plate.nodes[i];
        fmt::format_to(fmt::appender(buffer_), "{}{{\"number\":{},\"y\":", i == 0 ? "" : ",",
                       n.number);
        number(n.y);
        raw(",\"z\":");
        number(n.z);
        raw(",\"displacement\":[");
        for (std::size_t k = 0; k < n.displacement.size(); ++k) {
          if (k > 0) raw(",");
          number(n.displacement[k]);
        }
        raw("],\"resultants\":[");
        for (std::size_t k = 0; k < n.resultants.size(); ++k) {
          if (k > 0) raw(",");
          number(n.resultants[k]);
        }
        raw("]}");
        drain();
      }
      raw("],\"elements\":[");
      for (std::size_t i = 0; i < plate.elements.size(); ++i) {
        fmt::format_to(fmt::appender(buffer_), "{}{{\"number\":{},\"nodes\":[", i == 0 ? "" : ",",
                       plate.elements[i].number);
        for (std::size_t a = 0; a < plate.elements[i].nodes.size(); ++a)
          fmt::format_to(fmt::appender(buffer_), "{}{}", a == 0 ? "" : ",",
                         plate.elements[i].nodes[a]);
        raw("]}");
      }
      raw("]}");
    } else {
      raw("null");
    }
    // The quantities the item computed along its piles, and those its report prints.
    raw(",");
    quantityList("quantities_computed", record.hasResults ? computed_ : QuantityFlags{});
    raw(",");
    quantityList("quantities_printed", record.hasResults ? printed_ : QuantityFlags{});
    if (record.foundationStiffness.family != 0) foundationStiffness(record.foundationStiffness);
    raw("}");
    drain();
  }
  outcomes_.push_back(std::move(outcome));
  computed_ = {};
  printed_ = {};
}

void ResultsJsonWriter::quantityList(std::string_view name, const QuantityFlags& flags) {
  key(name);
  raw("[");
  bool first = true;
  for (int q = 1; q <= kResultQuantities; ++q) {
    if (!flags[static_cast<std::size_t>(q)]) continue;
    fmt::format_to(fmt::appender(buffer_), "{}\"{}\"", first ? "" : ",",
                   kQuantityNames[static_cast<std::size_t>(q - 1)]);
    first = false;
  }
  raw("]");
}

// A block's envelope, shaped as an item for each bound, to the spill file: a file without a name
// in the output folder (or, where the file system has none such, the system's), so that it can
// neither meet a file of the user's nor outlive the writer.
void ResultsJsonWriter::envelope(const EnvelopeRecord& e) {
  if (content_ == ResultsContent::kNone || failure_ != 0) return;
  if (spill_ == nullptr) {
#ifdef O_TMPFILE
    const int fd = ::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
      spill_ = ::fdopen(fd, "w+b");
      if (spill_ == nullptr) ::close(fd);
    }
#endif
    if (spill_ == nullptr) spill_ = std::tmpfile();
    if (spill_ == nullptr) {
      failure_ = errno == 0 ? EIO : errno;
      return;
    }
  }
  // The main stream's pending bytes go to its file first; the buffer then serves the spill.
  drain(true);
  std::FILE* const main = out_;
  const long mainWritten = written_;
  out_ = spill_;
  written_ = spilled_;
  fmt::format_to(fmt::appender(buffer_), "{}{{\"block\":\"{}\",\"analyzed_items\":{},",
                 envelopes_ == 0 ? "\n" : ",\n",
                 e.block == ItemKind::kCase ? "cases" : "combinations", e.analysedItems);
  ++envelopes_;
  const QuantityFlags none{};
  const PileRecord* any = e.minimum.piles.empty() ? nullptr : &e.minimum.piles.front();
  quantityList("quantities_computed", any != nullptr ? any->computed : none);
  raw(",");
  quantityList("quantities_printed", any != nullptr ? any->printed : none);
  for (const auto& [name, bound] : {std::pair{"minimum", &e.minimum}, {"maximum", &e.maximum}}) {
    raw(",\n");
    key(name);
    raw("{");
    vector("cap_load", bound->capLoad);
    raw(",");
    vector("cap_displacement", bound->capDisplacement);
    raw(",\"piles\":[");
    for (std::size_t i = 0; i < bound->piles.size(); ++i) {
      raw(i == 0 ? "\n" : ",\n");
      pileObject(bound->piles[i]);
    }
    raw("]}");
  }
  raw("}");
  drain(true);
  spilled_ = written_;
  out_ = main;
  written_ = mainWritten;
}

void ResultsJsonWriter::printedCurve(const PrintedCurveResult& c) {
  if (content_ == ResultsContent::kNone) return;
  fmt::format_to(std::back_inserter(curves_),
                 "{}{{\"number\":{},\"pile\":{},\"depth\":", curves_.empty() ? "\n" : ",\n",
                 c.number, c.pileGroup);
  // The writer's number and string forms, through the buffer.
  const std::size_t mark = buffer_.size();
  number(c.depth);
  fmt::format_to(fmt::appender(buffer_), ",\"status\":{},\"generated\":{},\"soil_type\":{},",
                 static_cast<int>(c.status), c.generated ? "true" : "false",
                 c.generated ? c.soilCode : 0);
  key("message");
  raw("[");
  for (std::size_t k = 0; k < c.message.size(); ++k) {
    if (k > 0) raw(",");
    string(trim(c.message[k]));
  }
  raw("],\"notes\":[");
  for (std::size_t k = 0; k < c.notes.size(); ++k) {
    if (k > 0) raw(",");
    string(trim(c.notes[k]));
  }
  raw("],\"points\":[");
  const std::size_t points = c.generated ? std::min(c.curve.y.size(), c.curve.p.size()) : 0;
  for (std::size_t k = 0; k < points; ++k) {
    raw(k == 0 ? "[" : ",[");
    number(c.curve.y[k]);
    raw(",");
    number(c.curve.p[k]);
    raw("]");
  }
  raw("]}");
  curves_.append(buffer_.data() + mark, buffer_.size() - mark);
  buffer_.resize(mark);
}

void ResultsJsonWriter::itemEnd(const ItemEndRecord& record) {
  if (!open_) return;
  open_.reset();
  item(record, true);
}

void ResultsJsonWriter::unreachedItem(const ItemHeader& h) {
  if (content_ != ResultsContent::kNone) {
    raw(outcomes_.empty() ? "\n{" : ",\n{");
    fmt::format_to(fmt::appender(buffer_), "\"kind\":\"{}\",\"number\":{},",
                   h.kind == ItemKind::kCase ? "case" : "combination", h.number);
    key("name");
    string(trim(h.name));
    raw(",\"piles\":[");
    pilesAt_ = offset();
    pilesWritten_ = 0;
  }
  ItemEndRecord record;
  record.header = h;
  item(record, false);
}

// An item the run began and did not end (a fatal error or a stop within it): not reached.
void ResultsJsonWriter::closeOpenItem() {
  if (!open_) return;
  ItemEndRecord record;
  record.header = *open_;
  open_.reset();
  item(record, false);
}

void ResultsJsonWriter::runEnd(const RunEndRecord& run) {
  if (endReceived_) return;
  endReceived_ = true;
  status_ = run.status;
  message_ = run.message;
  header();
  closeOpenItem();
  while (next_ < planned_.size()) unreachedItem(planned_[next_++]);
}

bool ResultsJsonWriter::finish(std::string& error) {
  if (!endReceived_) runEnd({status_, {}});
  const fs::path temp = folder_ / kResultsTempFile;
  const fs::path target = folder_ / kResultsFile;
  if (content_ == ResultsContent::kNone) {
    finished_ = true;
    return true;
  }
  raw("],\n\"envelopes\":[");
  if (spill_ != nullptr) {
    // The envelopes, copied from the spill file as they were written.
    drain(true);
    std::array<char, 1 << 16> chunk{};
    if (failure_ == 0 && (std::fflush(spill_) != 0 || std::fseek(spill_, 0, SEEK_SET) != 0)) {
      failure_ = errno == 0 ? EIO : errno;
    }
    while (failure_ == 0) {
      const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), spill_);
      if (n == 0) {
        if (std::ferror(spill_) != 0) failure_ = errno == 0 ? EIO : errno;
        break;
      }
      raw(std::string_view(chunk.data(), n));
      drain(true);
    }
    std::fclose(spill_);
    spill_ = nullptr;
  }
  raw("],\n\"py_curves\":[");
  raw(curves_);
  raw("]");
  if (mesh_) {
    raw(",\n\"mesh_convergence\":");
    meshConvergenceObject();
  }
  int completed = 0;
  raw(",\n\"items_completed\":");
  for (const ItemOutcome& o : outcomes_) completed += o.analysed && o.resultCode == 1 ? 1 : 0;
  fmt::format_to(fmt::appender(buffer_), "{},\"items_failed\":[", completed);
  bool first = true;
  for (const ItemOutcome& o : outcomes_) {
    if (!o.analysed || o.resultCode == 1) continue;
    fmt::format_to(
        fmt::appender(buffer_),
        "{}{{\"kind\":\"{}\",\"number\":{},\"result_code\":{},\"result_text\":", first ? "" : ",",
        o.kind == ItemKind::kCase ? "case" : "combination", o.number, o.resultCode);
    string(o.resultText);
    raw("}");
    first = false;
  }
  fmt::format_to(fmt::appender(buffer_), "],\n\"status\":{},\"status_lines\":[", toInt(status_));
  first = true;
  for (const StatusLine& l : statusLines(toInt(status_))) {
    if (!first) raw(",");
    string(trim(l.text));
    first = false;
  }
  raw("],\"message\":[");
  for (std::size_t k = 0; k < message_.size(); ++k) {
    if (k > 0) raw(",");
    string(trim(message_[k]));
  }
  raw("]}\n");
  drain(true);
  finished_ = true;
  int failure = failure_;
  if (out_ != nullptr) {
    if (std::fflush(out_) != 0 && failure == 0) failure = errno;
    if (::fsync(::fileno(out_)) != 0 && failure == 0 && errno != EINVAL) failure = errno;
    if (std::fclose(out_) != 0 && failure == 0) failure = errno;
    out_ = nullptr;
  }
  if (failure == 0 && std::rename(temp.c_str(), target.c_str()) != 0) failure = errno;
  if (failure == 0) return true;
  std::error_code ec;
  fs::remove(temp, ec);
  fs::remove(target, ec);
  error = target.string() + " could not be written: " + ioError(failure);
  return false;
}

void ResultsJsonWriter::meshConvergence(const MeshConvergenceRecord& record) {
  mesh_ = record;
}

std::optional<std::string> ResultsJsonWriter::meshConvergenceLine() const {
  if (!mesh_) return std::nullopt;
  return meshConvergenceSentence(*mesh_);
}

void ResultsJsonWriter::meshValue(const MeshValue& v) {
  raw("{\"values\":[");
  for (std::size_t k = 0; k < v.values.size(); ++k) {
    if (k > 0) raw(",");
    number(v.values[k]);
  }
  raw("],\"extrapolated\":");
  number(v.extrapolated);
  raw(",\"change\":");
  number(v.change);
  raw(",\"coarse_error\":");
  number(v.coarseError);
  raw("}");
}

// The comparison of the meshes: the factors, then per item its values over the meshes, the
// extrapolated values and the relative changes, by component.
void ResultsJsonWriter::meshConvergenceObject() {
  const MeshConvergenceRecord& r = *mesh_;
  raw("{\"factors\":[");
  for (std::size_t k = 0; k < r.factors.size(); ++k) {
    fmt::format_to(fmt::appender(buffer_), "{}{}", k == 0 ? "" : ",", r.factors[k]);
  }
  fmt::format_to(fmt::appender(buffer_), "],\"final_factor\":{},\"tolerance\":", r.finalFactor);
  number(r.tolerance);
  raw(",\"coarse_limit\":");
  number(r.coarseLimit);
  raw(",\"largest_change\":");
  number(r.largestChange);
  raw(",\"largest_coarse_error\":");
  number(r.largestCoarseError);
  fmt::format_to(fmt::appender(buffer_), ",\"coarse_off\":{},\"items\":[",
                 r.coarseOff() ? "true" : "false");
  const auto components = [&](std::string_view name, const std::array<MeshValue, 6>& values) {
    raw(",");
    key(name);
    raw("[");
    bool first = true;
    for (std::size_t c : componentsOf(planar_)) {
      if (!first) raw(",");
      first = false;
      meshValue(values[c]);
    }
    raw("]");
  };
  for (std::size_t i = 0; i < r.items.size(); ++i) {
    const MeshItemRecord& item = r.items[i];
    fmt::format_to(fmt::appender(buffer_), "{}{{\"kind\":\"{}\",\"number\":{},\"compared\":{}",
                   i == 0 ? "\n" : ",\n",
                   item.header.kind == ItemKind::kCase ? "case" : "combination", item.header.number,
                   item.compared ? "true" : "false");
    if (item.compared) {
      raw(",\"largest_change\":");
      number(item.largestChange);
      raw(",\"largest_coarse_error\":");
      number(item.largestCoarseError);
      components("cap_displacement", item.capDisplacement);
      raw(",\"piles\":[");
      for (std::size_t p = 0; p < item.piles.size(); ++p) {
        const MeshPileRecord& pile = item.piles[p];
        fmt::format_to(fmt::appender(buffer_), "{}{{\"number\":{}", p == 0 ? "" : ",", pile.number);
        components("head_force_local", pile.headForce);
        raw(",\"max_moment\":");
        meshValue(pile.maxMoment);
        raw("}");
        drain();
      }
      raw("]");
    }
    raw("}");
    drain();
  }
  raw("]}");
}

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continuation = [&](std::size_t i, unsigned char low, unsigned char high) {
    return i < text.size() && byte(i) >= low && byte(i) <= high;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = byte(i);
    // Length of a well-formed sequence starting here (RFC 3629, table 3-7 of Unicode), or 0.
    std::size_t length = 0;
    if (b < 0x80) {
      length = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = continuation(i + 1, 0x80, 0xBF) ? 2 : 0;
    } else if (b >= 0xE0 && b <= 0xEF) {
      const unsigned char low = b == 0xE0 ? 0xA0 : 0x80;
      const unsigned char high = b == 0xED ? 0x9F : 0xBF;
      length = continuation(i + 1, low, high) && continuation(i + 2, 0x80, 0xBF) ? 3 : 0;
    } else if (b >= 0xF0 && b <= 0xF4) {
      const unsigned char low = b == 0xF0 ? 0x90 : 0x80;
      const unsigned char high = b == 0xF4 ? 0x8F : 0xBF;
      length = continuation(i + 1, low, high) && continuation(i + 2, 0x80, 0xBF) &&
                       continuation(i + 3, 0x80, 0xBF)
                   ? 4
                   : 0;
    }
    if (length > 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    // A Latin-1 character: code point b, two bytes in UTF-8.
    out.push_back(static_cast<char>(0xC0 | (b >> 6)));
    out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    ++i;
  }
  return out;
}

ClosingLine closingLine(const std::vector<ItemOutcome>& items) {
  ClosingLine line;
  int completed = 0;
  std::vector<const ItemOutcome*> failed;
  for (const ItemOutcome& o : items) {
    if (!o.analysed) continue;
    if (o.resultCode == 1) {
      ++completed;
    } else {
      failed.push_back(&o);
    }
  }
  const int analysed = completed + static_cast<int>(failed.size());
  line.counted = analysed;
  line.failed = !failed.empty();
  line.text = fmt::format("{} of {} analysed {} completed", completed, analysed,
                          analysed == 1 ? "item" : "items");
  if (!line.failed) return line;
  line.text += "; not completed:";
  for (std::size_t k = 0; k < failed.size(); ++k) {
    const ItemOutcome& item = *failed[k];
    line.text += fmt::format("{} {} {} ({} {})", k == 0 ? "" : ",",
                             item.kind == ItemKind::kCase ? "case" : "comb.", item.number,
                             item.resultCode, item.resultText);
  }
  return line;
}

std::vector<std::string> itemTable(const std::vector<ItemOutcome>& items, bool planar,
                                   const std::string& length) {
  std::vector<std::string> rows;
  if (items.empty()) return rows;
  if (planar) {
    rows.push_back(fmt::format("{:<14}{:<34}{:>13}{:>13}{:>13}", "item", "result",
                               "X (" + length + ")", "Y (" + length + ")", "RZ (rad)"));
  } else {
    rows.push_back(fmt::format("{:<14}{:<34}{:>12}{:>12}{:>12}{:>12}{:>12}{:>12}", "item", "result",
                               "X (" + length + ")", "Y (" + length + ")", "Z (" + length + ")",
                               "RX (rad)", "RY (rad)", "RZ (rad)"));
  }
  for (const ItemOutcome& item : items) {
    const std::string name =
        fmt::format("{} {}", item.kind == ItemKind::kCase ? "case" : "comb.", item.number);
    std::string result = !item.reached ? std::string("not reached")
                                       : fmt::format("{} {}", item.resultCode, item.resultText);
    if (result.size() > 33) result = result.substr(0, 33);
    std::string row = fmt::format("{:<14}{:<34}", name, result);
    for (double v : item.capDisplacement) {
      row += planar ? fmt::format("{:>13.4E}", v) : fmt::format("{:>12.3E}", v);
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace stilt::app
