#include "app/host.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "model/file_set.hpp"

namespace stilt::app {
namespace {

std::string trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const std::size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::string text;
  if (!readRegularFile(file, text)) return lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::filesystem::path defaultOutputFolder(const std::filesystem::path& input) {
  // An input without an extension would name its own folder; its results go to NAME_run.
  if (!input.has_extension()) return input.parent_path() / (input.filename().string() + "_run");
  return input.parent_path() / input.stem();
}

bool readNamesPaths(const std::filesystem::path& folder, std::vector<std::filesystem::path>& paths,
                    std::string& error) {
  const std::filesystem::path names = folder / "Names.dat";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(names, ec)) {
    error = "no Names.dat in " + folder.string();
    return false;
  }
  const std::vector<std::string> lines = readLines(names);
  if (lines.size() < 25) {
    error = names.string() + " has " + std::to_string(lines.size()) + " lines; it needs 25";
    return false;
  }
  paths.clear();
  for (std::size_t i = 4; i < 25; ++i) {
    const std::string p = trim(lines[i]);
    if (p.empty()) {
      paths.emplace_back();
    } else {
      const std::filesystem::path path(p);
      paths.push_back(path.is_absolute() ? path : folder / path);
    }
  }
  return true;
}

bool readRegularFile(const std::filesystem::path& file, std::string& text) {
  text.clear();
  if (file.empty()) return false;
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  std::array<char, 65536> buffer{};
  while (ok) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

std::optional<std::string> inputClash(const std::filesystem::path& input,
                                      const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> written = {folder / "Names.dat", folder / kResultsFile,
                                                folder / kResultsTempFile, folder / kReportFile,
                                                folder / kReportTempFile};
  const std::string stem = input.stem().string();
  for (const OutputFile& f : outputFiles()) written.push_back(folder / (stem + '.' + f.extension));
  const stilt::FileIdentity in = stilt::fileIdentity(input);
  for (const std::filesystem::path& p : written) {
    if (!stilt::sameFile(in, stilt::fileIdentity(p))) continue;
    return "the input file " + input.string() + " is the same file as " + p.string() +
           ", which the run writes; choose another output folder (--out) or rename the input";
  }
  return std::nullopt;
}

std::optional<std::string> resultsClash(const std::filesystem::path& folder,
                                        const std::vector<std::filesystem::path>& paths) {
  std::vector<std::filesystem::path> named = paths;
  named.push_back(folder / "Names.dat");
  std::vector<stilt::FileIdentity> ids;
  ids.reserve(named.size());
  for (const std::filesystem::path& p : named) ids.push_back(stilt::fileIdentity(p));
  for (const char* own : {kResultsFile, kResultsTempFile, kReportFile, kReportTempFile}) {
    const stilt::FileIdentity ownId = stilt::fileIdentity(folder / own);
    for (std::size_t i = 0; i < named.size(); ++i) {
      const std::filesystem::path& p = named[i];
      if (!stilt::sameFile(ownId, ids[i])) continue;
      return (folder / own).string() + ", which stilt writes, is the same file as " + p.string() +
             ", named by " + (folder / "Names.dat").string();
    }
  }
  return std::nullopt;
}

std::string progressLine(const std::filesystem::path& progressFile) {
  std::string joined;
  for (const std::string& line : readLines(progressFile)) {
    const std::string t = trim(line);
    if (t.empty()) continue;
    if (!joined.empty()) joined += "  ";
    joined += t;
  }
  return joined;
}

RuntimeOutcome readRuntimeOutcome(const std::filesystem::path& runtimeFile) {
  RuntimeOutcome outcome;
  const std::vector<std::string> lines = readLines(runtimeFile);
  std::size_t last = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "    ") last = i;
  }
  if (last == lines.size()) return outcome;
  for (std::size_t i = last + 1; i < lines.size(); ++i) {
    const std::string t = trim(lines[i]);
    if (!t.empty()) outcome.statusLines.push_back(t);
  }
  // The message of a refused input or file: the block that opens with "**** ... ERROR ****".
  for (std::size_t i = 0; i < last; ++i) {
    const std::string t = trim(lines[i]);
    if (t.rfind("****", 0) == 0 && t.find("ERROR ****") != std::string::npos) {
      outcome.detail.clear();
      for (std::size_t k = i + 1; k < last && !trim(lines[k]).empty(); ++k) {
        outcome.detail.push_back(trim(lines[k]));
      }
    }
  }
  return outcome;
}

}  // namespace stilt::app
