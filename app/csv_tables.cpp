#include "app/csv_tables.hpp"

#include <fmt/format.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "app/results_json.hpp"
#include "report/cells.hpp"

namespace stilt::app {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 6> kComponents = {"X", "Y", "Z", "RX", "RY", "RZ"};

std::string trim(std::string_view s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  return std::string(s.substr(a, s.find_last_not_of(' ') - a + 1));
}

std::vector<std::size_t> componentsOf(bool planar) {
  if (planar) return {0, 1, 5};
  return {0, 1, 2, 3, 4, 5};
}

// A value at full precision: the shortest text that reads back as the same double; an empty
// cell for a value that is not finite.
std::string shortest(double v) {
  if (!std::isfinite(v)) return {};
  std::array<char, 32> text{};
  const std::to_chars_result end = std::to_chars(text.data(), text.data() + text.size(), v);
  return std::string(text.data(), static_cast<std::size_t>(end.ptr - text.data()));
}

void number(std::string& line, double v) {
  line += ',';
  line += shortest(v);
}

}  // namespace

CsvTables::CsvTables(fs::path folder) : folder_(std::move(folder)) {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec && failure_ == 0) {
    failure_ = ec.value();
    failedFile_ = folder_.string();
  }
}

CsvTables::~CsvTables() {
  close(heads_);
  close(maxima_);
}

std::FILE* CsvTables::open(const fs::path& file) {
  if (failure_ != 0) return nullptr;
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (f == nullptr) {
    failure_ = errno == 0 ? EIO : errno;
    failedFile_ = file.string();
  }
  return f;
}

void CsvTables::write(std::FILE* f, const std::string& text) {
  if (f == nullptr || failure_ != 0) return;
  if (std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
    failure_ = errno == 0 ? EIO : errno;
    failedFile_ = folder_.string();
  }
}

void CsvTables::close(std::FILE*& f) {
  if (f == nullptr) return;
  if (std::fclose(f) != 0 && failure_ == 0) {
    failure_ = errno == 0 ? EIO : errno;
    failedFile_ = folder_.string();
  }
  f = nullptr;
}

std::string CsvTables::stem() const {
  return fmt::format("{}_{}", open_->kind == ItemKind::kCase ? "case" : "combination",
                     open_->number);
}

void CsvTables::runBegin(const RunBeginRecord& run) {
  planar_ = run.planar;
  unitsCode_ = run.unitsCode;
}

void CsvTables::itemBegin(const ItemHeader& item) {
  closeItem();
  open_ = item;
  maximaHeader_ = false;
}

void CsvTables::pile(const PileRecord& p) {
  if (!open_ || failure_ != 0) return;
  const UnitLabels u = unitLabels(unitsCode_);
  const std::string force = trim(u.force), moment = trim(u.moment), length = trim(u.length);
  if (heads_ == nullptr) {
    heads_ = open(folder_ / (stem() + "_heads.csv"));
    std::string header = "pile";
    for (const char* vector : {"head_displacement_global", "head_force_global",
                               "head_displacement_local", "head_force_local"}) {
      const bool displacement = std::strstr(vector, "displacement") != nullptr;
      for (std::size_t k : componentsOf(planar_)) {
        const std::string unit = displacement ? (k < 3 ? length : "RAD") : (k < 3 ? force : moment);
        header += fmt::format(",{} {} ({})", vector, kComponents[k], unit);
      }
    }
    header += fmt::format(",max_stress ({})\n", trim(u.stress));
    write(heads_, header);
  }
  std::string row = std::to_string(p.number);
  for (const Vector6* v : {&p.headDisplacementGlobal, &p.headForceGlobal, &p.headDisplacementLocal,
                           &p.headForceLocal}) {
    for (std::size_t k : componentsOf(planar_)) number(row, (*v)[k]);
  }
  number(row, p.maxStress);
  write(heads_, row + "\n");
  if (p.along == nullptr) return;

  const PileResults& r = *p.along;
  const std::vector<std::string>& names = quantityNames();
  const auto unitOf = [&](int q) { return quantityUnit(q, planar_, unitsCode_); };
  if (!maximaHeader_) {
    maximaHeader_ = true;
    maxima_ = open(folder_ / (stem() + "_maxima.csv"));
    std::string header = "pile";
    for (int q = 1; q <= kResultQuantities; ++q) {
      if (!p.computed[static_cast<std::size_t>(q)]) continue;
      const std::string& name = names[static_cast<std::size_t>(q - 1)];
      header +=
          fmt::format(",max {0} ({1}),depth of max {0} ({2}),min {0} ({1}),depth of min {0} ({2})",
                      name, unitOf(q), length);
    }
    write(maxima_, header + "\n");
    std::error_code ec;
    fs::create_directories(folder_ / stem(), ec);
    if (ec && failure_ == 0) {
      failure_ = ec.value();
      failedFile_ = (folder_ / stem()).string();
    }
  }
  // The extremes with the depth (from the head) of the first node that reaches them.
  row = std::to_string(p.number);
  for (int q = 1; q <= kResultQuantities; ++q) {
    if (!p.computed[static_cast<std::size_t>(q)]) continue;
    int high = 0, low = 0;
    for (int n = 1; n <= r.increments; ++n) {
      if (r.at(q, n) > r.at(q, high)) high = n;
      if (r.at(q, n) < r.at(q, low)) low = n;
    }
    number(row, r.at(q, high));
    number(row, r.coordinate(high));
    number(row, r.at(q, low));
    number(row, r.coordinate(low));
  }
  write(maxima_, row + "\n");

  std::FILE* along = open(folder_ / stem() / fmt::format("pile_{}.csv", p.number));
  std::string text = fmt::format("depth ({0}),depth_below_ground ({0})", length);
  for (int q = 1; q <= kResultQuantities; ++q) {
    if (!p.computed[static_cast<std::size_t>(q)]) continue;
    text += fmt::format(",{} ({})", names[static_cast<std::size_t>(q - 1)], unitOf(q));
  }
  text += '\n';
  for (int n = 0; n <= r.increments; ++n) {
    text += shortest(r.coordinate(n));
    number(text, p.headDepth + r.coordinate(n));
    for (int q = 1; q <= kResultQuantities; ++q) {
      if (p.computed[static_cast<std::size_t>(q)]) number(text, r.at(q, n));
    }
    text += '\n';
  }
  write(along, text);
  close(along);
}

void CsvTables::itemEnd(const ItemEndRecord& item) {
  const bool same = open_ && open_->kind == item.header.kind && open_->number == item.header.number;
  if (!same) open_ = item.header;
  const std::string name = stem();
  closeItem();
  if (item.hasResults) return;
  // An item that ended without results has no tables: what its piles wrote goes.
  std::error_code ec;
  fs::remove(folder_ / (name + "_heads.csv"), ec);
  fs::remove(folder_ / (name + "_maxima.csv"), ec);
  fs::remove_all(folder_ / name, ec);
}

void CsvTables::closeItem() {
  close(heads_);
  close(maxima_);
  open_.reset();
}

void CsvTables::runEnd(const RunEndRecord& /*run*/) {
  closeItem();
}

bool CsvTables::finish(std::string& error) {
  closeItem();
  if (failure_ == 0) return true;
  error = "cannot write the CSV tables (" + failedFile_ + "): " + std::strerror(failure_);
  return false;
}

}  // namespace stilt::app
