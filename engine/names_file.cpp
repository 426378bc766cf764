#include "engine/names_file.hpp"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace stilt {
namespace {

std::string trimmed(std::string_view text) {
  const auto notBlank = [](char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; };
  std::size_t first = 0;
  while (first < text.size() && !notBlank(text[first])) ++first;
  std::size_t last = text.size();
  while (last > first && !notBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

}  // namespace

NamesResult parseNamesFile(const std::string& text, const std::filesystem::path& workDir,
                           NamesFile& out) {
  NamesResult result;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  const auto pathOf = [&](std::size_t line) -> std::filesystem::path {
    const std::string name = trimmed(lines[line - 1]);
    if (name.empty()) return {};
    std::filesystem::path p(name);
    return p.is_absolute() ? p : workDir / p;
  };
  // The runtime file can carry the message of a failure only when it is safe to write: its
  // path must differ from Names.dat and from every other file named.
  if (lines.size() >= 9 && !pathOf(9).empty()) {
    const FileIdentity runtime = fileIdentity(pathOf(9));
    bool safe = !sameFile(runtime, fileIdentity(workDir / "Names.dat"));
    for (std::size_t line = 5; safe && line <= std::min<std::size_t>(lines.size(), 25); ++line) {
      if (line != 9 && sameFile(fileIdentity(pathOf(line)), runtime)) safe = false;
    }
    if (safe) result.runtimePath = pathOf(9);
  }
  if (lines.size() < 25) {
    result.status = StatusCode::kRunControlFileError;
    result.message = {"     **** RUN-CONTROL ERROR ****",
                      "     Names.dat HAS " + std::to_string(lines.size()) +
                          " LINES; IT NEEDS 25: FOUR HEADER LINES AND THE PATHS OF 21 FILES"};
    return result;
  }
  out.label = std::string(lines[0]).substr(0, 12);
  out.header2 = trimmed(lines[1]);
  out.header3 = trimmed(lines[2]);
  // Line 4 only feeds the banner; a value that is not an integer is taken as 0.
  const std::string value = trimmed(lines[3]);
  const auto [ptr, ec] =
      std::from_chars(value.data(), value.data() + value.size(), out.headerValue);
  if (ec != std::errc()) out.headerValue = 0;
  (void)ptr;
  for (std::size_t line = 5; line <= 25; ++line) out.paths[line - 5] = pathOf(line);

  // Two written files on one path would overwrite each other, and a written file on the input
  // data file or on Names.dat would destroy the input: refuse before anything is opened. Files
  // are compared by identity as well as by name, so that a hard or symbolic link to the input
  // under an output's name is refused too.
  // Each path is resolved once; the pairs are then compared without touching the file system.
  std::vector<std::pair<int, FileIdentity>> seen;
  seen.emplace_back(0, fileIdentity(workDir / "Names.dat"));
  for (int line = 5; line <= 25; ++line) {
    const std::filesystem::path& p = out.pathOfLine(line);
    if (p.empty()) continue;
    FileIdentity id = fileIdentity(p);
    for (const auto& [other, q] : seen) {
      if (!sameFile(q, id)) continue;
      result.status = StatusCode::kRunControlFileError;
      const std::string first = other == 0 ? std::string("Names.dat ITSELF")
                                           : "LINE " + std::to_string(other) + " (" +
                                                 channelDescription(channelOfLine(other)) + ")";
      result.message = {"     **** RUN-CONTROL ERROR ****",
                        "     LINE " + std::to_string(line) + " OF Names.dat (" +
                            channelDescription(channelOfLine(line)) + ") NAMES THE SAME FILE AS " +
                            first + ":",
                        "     " + p.string()};
      return result;
    }
    seen.emplace_back(line, std::move(id));
  }
  return result;
}

}  // namespace stilt
