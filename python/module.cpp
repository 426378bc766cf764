// The compiled part of the `stilt` Python module: the engine run on a worker thread with the GIL
// released, its result records turned into numpy arrays, the checks of `stilt check`, the deck
// writer of `stilt new` and the engine's own p-y and t-z curve generators.

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "analysis/pile_report.hpp"
#include "app/host.hpp"
#include "app/input_check.hpp"
#include "app/results_json.hpp"
#include "engine/engine_api.hpp"
#include "python/model_convert.hpp"
#include "python/result_capture.hpp"
#include "report/cells.hpp"
#include "soil/py_soil.hpp"
#include "soil/tz_curves.hpp"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace stilt::python {
namespace {

// How often the waiting thread looks for Ctrl-C while the engine runs.
constexpr auto kSignalPoll = std::chrono::milliseconds(50);

py::array_t<double> array(const double* data, std::vector<py::ssize_t> shape) {
  py::array_t<double> a(shape);
  std::copy(data, data + a.size(), a.mutable_data());
  return a;
}

// Named in the order of ProgressEvent::Phase.
constexpr std::array<const char*, 5> kPhases = {"started", "iteration", "finished", "piles",
                                                "writing"};

py::dict progressDict(const ProgressEvent& e) {
  py::dict d;
  d["phase"] = kPhases[static_cast<std::size_t>(e.phase)];
  d["combination"] = e.combination;
  d["item"] = e.item;
  d["item_count"] = e.itemCount;
  d["step"] = e.step;
  d["load_fraction"] = e.loadFraction;
  d["iteration"] = e.iteration;
  d["pile_count"] = e.pileCount;
  d["piles_done"] = e.pilesDone;
  return d;
}

// Hands progress records from the engine's thread to the thread that holds the interpreter, one
// at a time: the engine waits until the Python callback has seen a record, so a stop the callback
// asks for takes effect at the engine's next check, however short the run.
struct ProgressRelay {
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<ProgressEvent> pending;
  bool done = false;

  void post(const ProgressEvent& e) {
    std::unique_lock lock(mutex);
    pending = e;
    changed.notify_all();
    changed.wait(lock, [&] { return !pending || done; });
  }
};

// One compared value over the meshes: its values (coarsest first), the extrapolated value and
// the relative change between the two finest meshes, as arrays over the components.
template <std::size_t N>
py::dict meshValues(const std::array<MeshValue, N>& v, std::size_t factors) {
  std::vector<double> values, extrapolated, change, coarse;
  for (std::size_t f = 0; f < factors; ++f)
    for (const MeshValue& m : v) values.push_back(f < m.values.size() ? m.values[f] : 0.0);
  for (const MeshValue& m : v) {
    extrapolated.push_back(m.extrapolated);
    change.push_back(m.change);
    coarse.push_back(m.coarseError);
  }
  const auto n = static_cast<py::ssize_t>(N);
  py::dict d;
  d["values"] = array(values.data(), {static_cast<py::ssize_t>(factors), n});
  d["extrapolated"] = array(extrapolated.data(), {n});
  d["change"] = array(change.data(), {n});
  d["coarse_error"] = array(coarse.data(), {n});
  return d;
}

py::object meshToDict(const std::optional<MeshConvergenceRecord>& mesh) {
  if (!mesh) return py::none();
  const std::size_t factors = mesh->factors.size();
  py::dict d;
  d["factors"] = mesh->factors;
  d["final_factor"] = mesh->finalFactor;
  d["largest_change"] = mesh->largestChange;
  d["largest_coarse_error"] = mesh->largestCoarseError;
  d["coarse_off"] = mesh->coarseOff();
  py::list items;
  for (const MeshItemRecord& i : mesh->items) {
    py::dict e;
    e["kind"] = i.header.kind == ItemKind::kCombination ? "combination" : "case";
    e["number"] = i.header.number;
    e["compared"] = i.compared;
    e["cap_displacement"] = meshValues(i.capDisplacement, factors);
    e["largest_change"] = i.largestChange;
    e["largest_coarse_error"] = i.largestCoarseError;
    py::list piles;
    for (const MeshPileRecord& p : i.piles) {
      py::dict q;
      q["number"] = p.number;
      q["head_force"] = meshValues(p.headForce, factors);
      q["max_moment"] = meshValues(std::array<MeshValue, 1>{p.maxMoment}, factors);
      piles.append(q);
    }
    e["piles"] = piles;
    items.append(e);
  }
  d["items"] = items;
  return d;
}

py::dict captureToDict(const ResultCapture& c, const fs::path& folder) {
  py::dict d;
  d["status"] = c.status;
  d["message"] = c.message;
  d["folder"] = folder.string();
  d["title"] = c.title;
  d["analysis_type"] = c.analysisType;
  d["units"] = c.unitsCode;
  d["planar"] = c.planar;
  d["refine"] = c.refine;
  d["mesh_convergence"] = meshToDict(c.mesh);
  const UnitLabels u = unitLabels(c.unitsCode);
  const auto trim = [](std::string s) {
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
  };
  py::list quantityUnits;
  for (int q = 1; q <= kResultQuantities; ++q) {
    std::string unit = trim(quantityHeading(q, c.planar, u).unit);
    if (unit.size() >= 2 && unit.front() == '(' && unit.back() == ')') {
      unit = unit.substr(1, unit.size() - 2);
    }
    quantityUnits.append(unit);
  }
  d["quantity_names"] = app::quantityNames();
  d["quantity_units"] = quantityUnits;
  d["force_unit"] = trim(u.force);
  d["length_unit"] = trim(u.length);
  d["moment_unit"] = trim(u.moment);
  d["stress_unit"] = trim(u.stress);
  std::vector<double> rows;
  for (const PileRowRecord& r : c.rows) rows.insert(rows.end(), {r.x, r.y, r.z});
  d["pile_positions"] = array(rows.data(), {static_cast<py::ssize_t>(c.rows.size()), 3});
  py::list items;
  for (const CapturedItem& i : c.items) {
    py::dict e;
    e["kind"] = i.combination ? "combination" : "case";
    e["number"] = i.number;
    e["name"] = i.name;
    e["ended"] = i.ended;
    e["analysed"] = i.analysed;
    e["result_code"] = i.resultCode;
    e["result_text"] = i.resultText;
    e["has_results"] = i.hasResults;
    e["converged_fraction"] = i.convergedFraction;
    e["iterations"] = i.iterations;
    e["cap_load"] = array(i.capLoad.data(), {6});
    e["cap_displacement"] = array(i.capDisplacement.data(), {6});
    e["passive_force"] = array(i.passiveForce.data(), {6});
    const auto n = static_cast<py::ssize_t>(i.piles.size());
    std::vector<double> heads;
    heads.reserve(i.piles.size() * 24);
    py::list along;
    std::vector<double> stress, depth;
    std::vector<int> numbers;
    for (const CapturedPile& p : i.piles) {
      heads.insert(heads.end(), p.head.begin(), p.head.end());
      stress.push_back(p.maxStress);
      depth.push_back(p.headDepth);
      numbers.push_back(p.number);
      if (p.nodes == 0) {
        along.append(py::none());
        continue;
      }
      py::dict a;
      a["values"] = array(p.along.data(), {p.nodes, kResultQuantities});
      a["increment"] = p.increment;
      a["computed"] = std::vector<bool>(p.computed.begin(), p.computed.end());
      along.append(a);
    }
    e["pile_numbers"] = numbers;
    e["heads"] = array(heads.data(), {n, 4, 6});
    e["max_stress"] = array(stress.data(), {n});
    e["head_depth"] = array(depth.data(), {n});
    e["along"] = along;
    items.append(e);
  }
  d["items"] = items;
  py::list curves;
  for (const CapturedCurve& k : c.curves) {
    py::dict e;
    e["number"] = k.number, e["pile"] = k.pile, e["depth"] = k.depth;
    e["generated"] = k.generated, e["soil_code"] = k.soilCode, e["message"] = k.message;
    e["y"] = array(k.y.data(), {static_cast<py::ssize_t>(k.y.size())});
    e["p"] = array(k.p.data(), {static_cast<py::ssize_t>(k.p.size())});
    curves.append(e);
  }
  d["printed_curves"] = curves;
  return d;
}

// One run of `input` into `folder` (which must exist). Returns the captured records as plain
// Python data; a KeyboardInterrupt or an exception of the progress callback is raised after the
// engine has stopped and its files are closed.
py::dict run(const std::string& input, const std::string& folder, int threads,
             const std::string& stiffness, int refine, bool full, const py::object& progress,
             const std::optional<std::array<int, 6>>& clock) {
  EngineRequest request;
  request.namesFolder = folder;
  request.input = input;
  request.threads = threads;
  request.stiffness =
      stiffness == "tangent" ? StiffnessMethod::kTangent : StiffnessMethod::kCentral;
  request.refine = refine;
  request.results = full ? ResultLevel::kFull : ResultLevel::kHeads;
  ResultCapture capture;
  request.sink = &capture;
  std::atomic<bool> stop{false};
  request.stop = &stop;
  if (clock) {
    const std::array<int, 6> t = *clock;
    request.clock = [t] { return LocalTime{t[0], t[1], t[2], t[3], t[4], t[5]}; };
  }
  ProgressRelay relay;
  if (!progress.is_none()) request.progress = [&relay](const ProgressEvent& e) { relay.post(e); };

  std::optional<py::error_already_set> raised;
  StatusCode status = StatusCode::kCompleted;
  {
    py::gil_scoped_release released;
    std::thread worker([&] {
      status = runEngine(request);
      std::lock_guard lock(relay.mutex);
      relay.done = true;
      relay.changed.notify_all();
    });
    std::unique_lock lock(relay.mutex);
    while (true) {
      relay.changed.wait_for(lock, kSignalPoll, [&] { return relay.done || relay.pending; });
      if (relay.pending) {
        const ProgressEvent event = *relay.pending;
        lock.unlock();
        {
          py::gil_scoped_acquire held;
          if (!raised) {
            try {
              // A callback that answers False asks the engine to stop.
              if (progress(progressDict(event)).ptr() == Py_False) stop = true;
            } catch (py::error_already_set& e) {
              raised.emplace(std::move(e));
              stop = true;
            }
          }
        }
        lock.lock();
        relay.pending.reset();
        relay.changed.notify_all();
        continue;
      }
      if (relay.done) break;
      lock.unlock();
      {
        py::gil_scoped_acquire held;
        if (!raised && PyErr_CheckSignals() != 0) {
          raised.emplace();  // fetches the KeyboardInterrupt the signal handler set
          stop = true;
        }
      }
      lock.lock();
    }
    lock.unlock();
    worker.join();
  }
  if (raised) throw std::move(*raised);
  if (capture.failed) throw std::bad_alloc();
  capture.status = toInt(status);
  return captureToDict(capture, folder);
}

py::dict check(const std::string& text) {
  const app::InputCheck c = app::checkInputText(text);
  py::dict d;
  d["status"] = c.status;
  py::list findings;
  for (const app::CheckFinding& f : c.findings) {
    py::dict e;
    e["error"] = f.error, e["line"] = f.line, e["text"] = f.text;
    findings.append(e);
  }
  d["findings"] = findings;
  d["summary"] = c.summary;
  d["report"] = app::checkReportLines(c);
  return d;
}

py::dict errorDict(const ModelError& e) {
  py::dict d;
  d["error"] = py::make_tuple(e.status(), std::string(e.what()));
  return d;
}

// The problems of a model as the writer finds them (empty: it can be written), and its deck.
py::dict writeModel(const py::dict& model) {
  try {
    const deck::Model m = modelFromDict(model);
    const std::vector<deck::Problem> problems = deck::modelProblems(m);
    py::list out;
    for (const deck::Problem& p : problems) out.append(py::make_tuple(p.status, p.text));
    py::dict d;
    d["problems"] = out;
    d["text"] = problems.empty() ? deck::writeDeck(m) : std::string();
    return d;
  } catch (const ModelError& e) {
    return errorDict(e);
  }
}

py::dict readModel(const std::string& text) {
  try {
    py::dict d;
    d["model"] = modelToDict(modelFromDeck(text));
    return d;
  } catch (const ModelError& e) {
    return errorDict(e);
  }
}

// A profile of one layer with the family and parameters given, built as a run builds its own.
SoilProfile oneLayerProfile(int family, const py::dict& parameters, double bottom, int units,
                            AnalysisModel& a) {
  a.switches.values[1] = units;
  a.switches.values[2] = 3;
  SoilLayer& l = a.soilLayers.emplace_back();
  l.soilType = family;
  l.top = 0.0;
  l.bottom = bottom;
  l.rows = 2;
  l.values = deck::kSoilParameters;
  for (const auto& [name, value] : parameters) {
    const std::string n = py::str(name).cast<std::string>();
    const int p = deck::soilParameterOf(n);
    if (p < 0) throw py::value_error("unknown soil parameter '" + n + "'");
    l.parameters[0][static_cast<std::size_t>(p + 1)] = value.cast<double>();
    l.parameters[1][static_cast<std::size_t>(p + 1)] = value.cast<double>();
  }
  return buildSoilProfile(a);
}

int familyCode(const py::object& family) {
  if (py::isinstance<py::str>(family)) {
    const int code = deck::soilFamilyOf(family.cast<std::string>());
    if (code < 0) throw py::value_error("unknown soil family '" + family.cast<std::string>() + "'");
    return code;
  }
  return family.cast<int>();
}

py::dict pyCurve(const py::object& family, const py::dict& parameters, double depth,
                 double diameter, const std::vector<double>& deflections, int units, bool cyclic,
                 int cycles, double pMultiplier, double yMultiplier) {
  if (!(depth > 0.0) || !(diameter > 0.0)) {
    throw py::value_error("depth and diameter must be greater than zero");
  }
  const int code = familyCode(family);
  if (code == 5) throw py::value_error("user-specified p-y curves are given, not generated");
  AnalysisModel a;
  const SoilProfile profile = oneLayerProfile(code, parameters, 2.0 * depth, units, a);
  // The springs of a node at `depth` on a pile whose head is at the ground surface.
  const double depths[] = {depth};
  const double widths[] = {diameter};
  PySoilInput in;
  in.profile = &profile;
  in.depths = depths;
  in.widths = widths;
  in.cyclic = cyclic;
  in.cycles = cycles;
  PySoil soil;
  Diagnostics diag;
  PrintedPyCurve curve;
  StatusCode status = PySoil::build(in, soil, diag);
  if (isOk(status)) {
    status = soil.curveAt(depth, diameter, deflections, {pMultiplier, yMultiplier}, curve, diag);
  }
  py::dict d;
  d["status"] = toInt(status);
  d["message"] = diag.report;
  d["y"] = array(curve.y.data(), {static_cast<py::ssize_t>(curve.y.size())});
  d["p"] = array(curve.p.data(), {static_cast<py::ssize_t>(curve.p.size())});
  d["small_modulus"] = curve.smallModulus;
  return d;
}

py::dict tzCurve(const py::object& family, const py::dict& parameters, double depth,
                 double diameter, int pileType, int units) {
  if (!(depth >= 0.0) || !(diameter > 0.0)) {
    throw py::value_error("depth must not be negative and diameter must be greater than zero");
  }
  const int code = familyCode(family);
  AnalysisModel a;
  const double bottom = std::max(2.0 * depth, 1.0);
  const SoilProfile profile = oneLayerProfile(code, parameters, bottom, units, a);
  AxialPile pile;
  pile.property = 1;
  pile.pileType = pileType;
  pile.length = bottom;
  pile.segments = 1;
  pile.diameter = diameter;
  pile.tipDiameter = diameter;
  pile.tipArea = 0.25 * 3.14159265358979323846 * diameter * diameter;
  TzCurve curve;
  Diagnostics diag;
  const StatusCode status = buildTzCurveAt(pile, profile, units, depth, code, curve, diag);
  std::vector<double> z, t;
  for (const TzPoint& p : curve.points) z.push_back(p.z), t.push_back(p.t);
  py::dict d;
  d["status"] = toInt(status);
  d["message"] = diag.report;
  d["z"] = array(z.data(), {static_cast<py::ssize_t>(z.size())});
  d["t"] = array(t.data(), {static_cast<py::ssize_t>(t.size())});
  d["fmax"] = curve.fmax;
  return d;
}

}  // namespace
}  // namespace stilt::python

PYBIND11_MODULE(_stilt, m) {
  using namespace stilt::python;
  m.doc() = "The compiled core of the stilt module; use the `stilt` package.";
  m.def("run", &run, py::arg("input"), py::arg("folder"), py::arg("threads"), py::arg("stiffness"),
        py::arg("refine"), py::arg("full"), py::arg("progress"), py::arg("clock"));
  m.def("check", &check, py::arg("text"));
  m.def("write_model", &writeModel, py::arg("model"));
  m.def("read_model", &readModel, py::arg("text"));
  m.def("py_curve", &pyCurve);
  m.def("tz_curve", &tzCurve);
  m.def("default_output_folder",
        [](const std::string& input) { return stilt::app::defaultOutputFolder(input).string(); });
  m.def("input_clash", [](const std::string& input, const std::string& folder) {
    return stilt::app::inputClash(input, folder);
  });
}
