#include "engine/head_lines.hpp"

#include <fmt/format.h>

#include <array>

#include "engine/version.hpp"

namespace stilt {
namespace {

constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

std::string boxed(std::string_view text) {
  return fmt::format("     *   {:<67}*", text);
}

}  // namespace

std::vector<std::string> bannerLines() {
  const std::string rule = "     " + std::string(72, '*');
  const std::string empty = boxed("");
  return {"",
          rule,
          empty,
          boxed(fmt::format("stilt {}", kVersion)),
          boxed("Nonlinear analysis of pile groups"),
          boxed("Axial, lateral and torsional loading in two and three dimensions"),
          empty,
          rule,
          ""};
}

std::vector<std::string> fileNameBlock(const NamesFile& names) {
  const auto nameOf = [&](int line) { return names.pathOfLine(line).filename().string(); };
  std::error_code ec;
  std::filesystem::path input = std::filesystem::absolute(names.pathOfLine(5), ec);
  if (ec) input = names.pathOfLine(5);
  std::string folder = input.lexically_normal().parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  const auto row = [](std::string_view label, std::string_view value) {
    return fmt::format("     {:<30}{}", label, value);
  };
  return {row("Path to file locations      : ", folder),
          row("Name of input data file     : ", nameOf(5)),
          row("Name of output file         : ", nameOf(6)),
          row("Name of output summary file : ", nameOf(7)),
          row("Name of plot output file    : ", nameOf(8)),
          row("Name of runtime file        : ", nameOf(9)),
          "",
          ""};
}

std::vector<std::string> timeAndDateBlock(const LocalTime& t) {
  const std::string rule = "     " + std::string(73, '-');
  const int month = t.month >= 1 && t.month <= 12 ? t.month : 1;
  return {rule, std::string(26, ' ') + "Time and Date of Analysis", rule,
          fmt::format("{}Date:  {} {:02}, {:04}{}Time:  {:02}:{:02}:{:02}", std::string(15, ' '),
                      kMonths[static_cast<std::size_t>(month - 1)], t.day, t.year,
                      std::string(5, ' '), t.hour, t.minute, t.second)};
}

std::vector<std::string> refinementLines(int refine) {
  return {"",
          fmt::format("     PILE MESH REFINED{:3d} TIMES: EVERY INCREMENT OF THE INPUT IS CUT INTO",
                      refine),
          fmt::format("     {} (h = PILE LENGTH / ({} x INCREMENTS)); RESULTS PRINTED AT THE",
                      refine, refine),
          "     NODES OF THE INPUT'S OWN PRINT INTERVAL.", ""};
}

std::string summaryCopyLine(std::string_view line) {
  constexpr std::size_t kColumns = 120;
  const std::string_view cut = line.substr(0, std::min(line.size(), kColumns));
  const std::size_t last = cut.find_last_not_of(' ');
  if (last == std::string_view::npos) return " ";
  return std::string(cut.substr(0, last + 1));
}

}  // namespace stilt
